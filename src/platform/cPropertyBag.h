#pragma once
// The stored settings of a control, as a form keeps them: named values in the order they were
// written. A control writes a value only when it differs from its default, and reads the default
// back for a value that is absent, so a bag holds exactly what differs from the defaults.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace brennic {

class cPropertyBag {
 public:
  using Value = std::variant<int32_t, bool>;

  // Stores vValue under sName unless it equals vDefault (then any stored value is removed).
  // A name written again keeps its first position.
  void WriteProperty(const std::string& sName, Value vValue, Value vDefault);
  // The stored value, or vDefault when there is none or it has another type.
  int32_t ReadProperty(const std::string& sName, int32_t lDefault) const;
  bool ReadProperty(const std::string& sName, bool bDefault) const;

  bool Contains(const std::string& sName) const { return Find(sName) != nullptr; }
  std::optional<Value> Get(const std::string& sName) const;
  // The stored names in the order they were first written.
  std::vector<std::string> Names() const;
  bool Empty() const { return m_values.empty(); }
  void Clear() { m_values.clear(); }

 private:
  const Value* Find(const std::string& sName) const;

  std::vector<std::pair<std::string, Value>> m_values;
};

}  // namespace brennic
