#pragma once
// Opening files for reading by their exact name (the bytes the system gave, whatever their
// encoding), refusing at once what is not a plain file: reading a pipe would block for ever and
// a device (/dev/zero) would read without end.

#include <string>

namespace brennic {

// What a name stands for when it is no regular file: "a folder", "a named pipe (FIFO)",
// "a device", "a socket"; empty for a regular file.
std::string NonRegularKind(unsigned lMode);

// Opens sPath read-only. Returns the descriptor (the caller closes it), or -1: with errno set
// when the system refused, or with errno 0 and sKind naming what the name stands for when it is
// no regular file.
int OpenRegularFile(const std::string& sPath, std::string& sKind);

}  // namespace brennic
