#include "platform/cPropertyBag.h"

#include <algorithm>

namespace brennic {

void cPropertyBag::WriteProperty(const std::string& sName, Value vValue, Value vDefault) {
  const auto it = std::find_if(m_values.begin(), m_values.end(),
                               [&](const auto& entry) { return entry.first == sName; });
  if (vValue == vDefault) {
    if (it != m_values.end()) m_values.erase(it);
    return;
  }
  if (it != m_values.end()) {
    it->second = vValue;
  } else {
    m_values.emplace_back(sName, vValue);
  }
}

const cPropertyBag::Value* cPropertyBag::Find(const std::string& sName) const {
  for (const auto& entry : m_values) {
    if (entry.first == sName) return &entry.second;
  }
  return nullptr;
}

int32_t cPropertyBag::ReadProperty(const std::string& sName, int32_t lDefault) const {
  const Value* p = Find(sName);
  if (p == nullptr) return lDefault;
  const int32_t* pl = std::get_if<int32_t>(p);
  return pl != nullptr ? *pl : lDefault;
}

bool cPropertyBag::ReadProperty(const std::string& sName, bool bDefault) const {
  const Value* p = Find(sName);
  if (p == nullptr) return bDefault;
  const bool* pb = std::get_if<bool>(p);
  return pb != nullptr ? *pb : bDefault;
}

std::optional<cPropertyBag::Value> cPropertyBag::Get(const std::string& sName) const {
  const Value* p = Find(sName);
  if (p == nullptr) return std::nullopt;
  return *p;
}

std::vector<std::string> cPropertyBag::Names() const {
  std::vector<std::string> names;
  names.reserve(m_values.size());
  for (const auto& entry : m_values)
    names.push_back(entry.first);
  return names;
}

}  // namespace brennic
