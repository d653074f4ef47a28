// brennic-cli: runs the engine on picture files without a window.

#include <cstdio>
#include <cstring>

#include "image/cError.h"

int main(int argc, char* argv[]) {
  brennic::SetExeBaseName(argc > 0 ? argv[0] : "brennic-cli");
  if (argc >= 2 && std::strcmp(argv[1], "--help") == 0) {
    std::puts("Usage: brennic-cli [--seed N] INPUT OUTPUT [OPERATION ...]");
    return 0;
  }
  std::fputs("brennic-cli: not available yet\n", stderr);
  return 2;
}
