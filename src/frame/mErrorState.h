#pragma once
// The error state: where an operation that reports failure by its result rather than by raising
// (ShellEx) leaves the error it raised, for the caller to read. One state for the program, as
// everything runs on the user-interface thread.

#include "image/cError.h"

namespace brennic {

// The last error left in the state, or nullptr when it is clear.
const cError* LastError();
void SetLastError(const cError& error);
void ClearLastError();

}  // namespace brennic
