#include "runtime/file_errors.h"

#include "runtime/errors.h"

namespace kb::rt {

void RaiseFileError(DWORD reason) {
  switch (reason) {
    case ERROR_FILE_NOT_FOUND:
    // A wildcard where a single name is wanted matches nothing.
    case ERROR_NO_MORE_FILES: Raise(kErrFileNotFound);
    case ERROR_PATH_NOT_FOUND: Raise(kErrPathNotFound);
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME: Raise(kErrBadFileNameOrNumber);
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: Raise(kErrPermissionDenied);
    case ERROR_TOO_MANY_OPEN_FILES: Raise(kErrTooManyFiles);
    case ERROR_DISK_FULL: Raise(kErrDiskFull);
    default: Raise(kErrPathFileAccess);
  }
}

}  // namespace kb::rt
