// Resume-next error handling, as a routine under On Error Resume Next runs:
// a statement that raises a run-time error is skipped (whatever it assigned
// before the error stays) and the routine goes on with the next statement.
#pragma once

#include "runtime/errors.h"

namespace kb::rt {

// Runs a statement; false when it raised a run-time error, which is dropped.
template <class Statement>
bool Succeeds(Statement&& statement) {
  try {
    statement();
    return true;
  } catch (const Error&) {
    return false;
  }
}

template <class Statement>
void ResumeNext(Statement&& statement) {
  try {
    statement();
  } catch (const Error&) {
    // Skipped, as the runtime skips it.
  }
}

}  // namespace kb::rt
