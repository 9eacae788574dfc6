// Resume-next error handling, as a routine under On Error Resume Next runs:
// a statement that raises a run-time error is skipped (whatever it assigned
// before the error stays) and the routine goes on with the next statement.
#pragma once

#include "runtime/errors.h"

namespace kb::rt {

template <class Statement>
void ResumeNext(Statement&& statement) {
  try {
    statement();
  } catch (const Error&) {
    // Skipped, as the runtime skips it.
  }
}

}  // namespace kb::rt
