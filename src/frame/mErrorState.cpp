#include "frame/mErrorState.h"

#include <optional>

namespace brennic {

namespace {
std::optional<cError>& State() {
  static std::optional<cError> state;
  return state;
}
}  // namespace

const cError* LastError() {
  return State() ? &*State() : nullptr;
}

void SetLastError(const cError& error) {
  State() = error;
}

void ClearLastError() {
  State().reset();
}

}  // namespace brennic
