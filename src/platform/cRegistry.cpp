#include "platform/cRegistry.h"

#include <QString>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <exception>

#include "image/cError.h"

namespace brennic {

namespace {

const std::string& Source() {
  static const std::string sSource = ErrorSource(".cRegistry");
  return sSource;
}

// The stored type of a text: REG_EXPAND_SZ when a second "%" follows the first with at least
// one character between them.
uint32_t TextType(const std::string& t) {
  const size_t p = t.find('%');
  return p != std::string::npos && t.find('%', p + 2) != std::string::npos ? kRegExpandSz : kRegSz;
}

int32_t FromLittleEndian(const uint8_t b[4]) {
  return static_cast<int32_t>(static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
                              (static_cast<uint32_t>(b[2]) << 16) |
                              (static_cast<uint32_t>(b[3]) << 24));
}

int32_t SwapEndian(int32_t l) {
  const auto u = static_cast<uint32_t>(l);
  return static_cast<int32_t>((u >> 24) | ((u >> 8) & 0xFF00u) | ((u << 8) & 0xFF0000u) |
                              (u << 24));
}

}  // namespace

std::string VariantToText(const Variant& v) {
  if (const auto* p = std::get_if<int16_t>(&v)) return std::to_string(*p);
  if (const auto* p = std::get_if<int32_t>(&v)) return std::to_string(*p);
  if (const auto* p = std::get_if<std::string>(&v)) return *p;
  if (const auto* p = std::get_if<std::vector<uint8_t>>(&v)) {
    std::u16string sWide(p->size() / 2, u'\0');
    for (size_t i = 0; i < sWide.size(); ++i) {
      sWide[i] = static_cast<char16_t>((*p)[2 * i] | ((*p)[2 * i + 1] << 8));
    }
    return QString::fromUtf16(sWide.data(), static_cast<qsizetype>(sWide.size())).toStdString();
  }
  return {};
}

bool TextToLong(std::string_view sText, int32_t& lResult) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!sText.empty() && blank(sText.front()))
    sText.remove_prefix(1);
  while (!sText.empty() && blank(sText.back()))
    sText.remove_suffix(1);
  bool bNegative = false;
  if (!sText.empty() && (sText.front() == '+' || sText.front() == '-')) {
    bNegative = sText.front() == '-';
    sText.remove_prefix(1);
  }
  // Only digits may start the number: from_chars would also take "inf", "nan" and hex forms.
  if (sText.empty() || !((sText.front() >= '0' && sText.front() <= '9') || sText.front() == '.')) {
    return false;
  }
  double d = 0;
  const auto [pEnd, ec] =
      std::from_chars(sText.data(), sText.data() + sText.size(), d, std::chars_format::general);
  if (ec != std::errc() || pEnd != sText.data() + sText.size()) return false;
  d = std::nearbyint(bNegative ? -d : d);  // the default rounding mode: halves to even
  if (!(d >= -2147483648.0 && d <= 2147483647.0)) return false;
  lResult = static_cast<int32_t>(d);
  return true;
}

bool VariantToLong(const Variant& v, int32_t& lResult) {
  if (std::holds_alternative<std::monostate>(v)) {
    lResult = 0;
    return true;
  }
  if (const auto* p = std::get_if<int16_t>(&v)) {
    lResult = *p;
    return true;
  }
  if (const auto* p = std::get_if<int32_t>(&v)) {
    lResult = *p;
    return true;
  }
  if (const auto* p = std::get_if<std::string>(&v)) return TextToLong(*p, lResult);
  return false;
}

IRegistryStore& cRegistry::Store() const {
  return m_pStore != nullptr ? *m_pStore : RegistryStore();
}

std::string cRegistry::ClassKeyText() const {
  return std::to_string(static_cast<int32_t>(m_hClassKey));
}

std::string cRegistry::WriteFailure(const Variant& v) const {
  return "Failed to set registry value Key: '" + ClassKeyText() + "',Section: '" + m_sSectionKey +
         "',Key: '" + m_sValueKey + "' to value: '" + VariantToText(v) + "'";
}

std::string cRegistry::ExpandEnvStr(const std::string& sText) const {
  IRegistryStore& store = Store();
  const uint32_t n = store.ExpandEnvironment(sText, nullptr, 0);
  std::string sBuffer(n, '\0');
  store.ExpandEnvironment(sText, sBuffer.data(), n);
  sBuffer.resize(n - 1);
  return sBuffer;
}

Variant cRegistry::Value() {
  return Read(true);
}

Variant cRegistry::LiteralValue() {
  return Read(false);
}

void cRegistry::Value(const Variant& v) {
  Write(v, false);
}

void cRegistry::LiteralValue(const Variant& v) {
  Write(v, true);
}

void cRegistry::Transaction(const std::function<void()>& fnBody) {
  const int32_t r = Store().Transaction([&] {
    fnBody();
    return kErrorSuccess;
  });
  if (r != kErrorSuccess) {
    throw cError(kErrRegistryWrite, Source(),
                 "Failed to store registry values under Section: '" + m_sSectionKey + "' (error " +
                     std::to_string(r) + ")");
  }
}

Variant cRegistry::Read(bool bExpand) {
  IRegistryStore& store = Store();
  cRegKeyGuard key(store);
  if (store.OpenKey(m_hClassKey, m_sSectionKey, kKeyQueryValue, key.Handle()) != kErrorSuccess) {
    return m_vDefault;
  }
  uint32_t lType = 0;
  uint32_t lSize = 0;
  uint8_t bNoRoom = 0;
  const int32_t lAsked = store.QueryValue(key.Handle(), m_sValueKey, &lType, &bNoRoom, &lSize);
  if (lAsked != kErrorSuccess && lAsked != kErrorMoreData) return m_vDefault;
  m_lValueType = static_cast<int32_t>(lType);

  // The data is read in a second call; when that fails (another process changed the value in
  // between, or a number is not 4 bytes long) the value counts as unreadable.
  std::vector<uint8_t> data(std::max<uint32_t>(lSize, 4), 0);
  uint32_t lRead = lSize;
  switch (lType) {
    case kRegSz:
    case kRegMultiSz:
    case kRegExpandSz: {
      if (lSize == 0) return std::string();
      if (store.QueryValue(key.Handle(), m_sValueKey, nullptr, data.data(), &lRead) != 0) {
        return m_vDefault;
      }
      std::string sText(reinterpret_cast<const char*>(data.data()), lSize - 1);
      if (lType == kRegExpandSz && bExpand) return ExpandEnvStr(sText);
      return sText;
    }
    case kRegDword:
    case kRegDwordBigEndian: {
      lRead = 4;
      if (store.QueryValue(key.Handle(), m_sValueKey, nullptr, data.data(), &lRead) != 0) {
        return m_vDefault;
      }
      const int32_t lValue = FromLittleEndian(data.data());
      return lType == kRegDwordBigEndian ? SwapEndian(lValue) : lValue;
    }
    default: {
      if (store.QueryValue(key.Handle(), m_sValueKey, nullptr, data.data(), &lRead) != 0) {
        return m_vDefault;
      }
      data.resize(lSize);
      return data;
    }
  }
}

void cRegistry::Write(const Variant& v, bool bLiteral) {
  IRegistryStore& store = Store();
  cRegKeyGuard key(store);
  if (store.CreateKey(m_hClassKey, m_sSectionKey, kKeyAllAccessOwn, key.Handle()) !=
      kErrorSuccess) {
    throw cError(kErrRegistryAccess, Source(), WriteFailure(v));
  }
  int32_t lResult = kErrorSuccess;
  switch (bLiteral && std::holds_alternative<std::string>(v) ? kRegSz : m_lValueType) {
    case kRegSz:
    case kRegExpandSz: {
      const std::string t = VariantToText(v);
      lResult = store.SetValue(key.Handle(), m_sValueKey, bLiteral ? kRegSz : TextType(t),
                               reinterpret_cast<const uint8_t*>(t.c_str()),
                               static_cast<uint32_t>(t.size() + 1));
      break;
    }
    case kRegBinary: {
      const auto* pBytes = std::get_if<std::vector<uint8_t>>(&v);
      if (pBytes == nullptr) {
        throw cError(kErrRegistryAccess, Source(), "Application-defined or object-defined error");
      }
      lResult = store.SetValue(key.Handle(), m_sValueKey, kRegBinary, pBytes->data(),
                               static_cast<uint32_t>(pBytes->size()));
      break;
    }
    case kRegDword:
    case kRegDwordBigEndian: {
      int32_t lValue = 0;
      if (const auto* p = std::get_if<int16_t>(&v)) {
        lValue = *p;
      } else if (const auto* q = std::get_if<int32_t>(&v)) {
        lValue = *q;
      } else {
        break;  // nothing to write, and nothing to report
      }
      const auto u = static_cast<uint32_t>(lValue);
      const uint8_t bytes[4] = {static_cast<uint8_t>(u), static_cast<uint8_t>(u >> 8),
                                static_cast<uint8_t>(u >> 16), static_cast<uint8_t>(u >> 24)};
      lResult = store.SetValue(key.Handle(), m_sValueKey, kRegDword, bytes, 4);
      break;
    }
    default:
      lResult = kErrorInvalidData;
      break;
  }
  if (lResult != kErrorSuccess) throw cError(kErrRegistryWrite, Source(), WriteFailure(v));
}

bool cRegistry::KeyExists() const {
  IRegistryStore& store = Store();
  cRegKeyGuard key(store);
  return store.OpenKey(m_hClassKey, m_sSectionKey, kKeyQueryValue, key.Handle()) == kErrorSuccess;
}

bool cRegistry::CreateKey() {
  IRegistryStore& store = Store();
  cRegKeyGuard key(store);
  if (store.CreateKey(m_hClassKey, m_sSectionKey, kKeyAllAccessOwn, key.Handle()) !=
      kErrorSuccess) {
    throw cError(kErrRegistryAccess, Source(), "Failed to create registry Key: '" + m_sSectionKey);
  }
  return true;
}

bool cRegistry::DeleteKey() {
  if (Store().DeleteKey(m_hClassKey, m_sSectionKey) != kErrorSuccess) {
    throw cError(
        kErrRegistryAccess, Source(),
        "Failed to delete registry Key: '" + ClassKeyText() + "',Section: '" + m_sSectionKey);
  }
  return true;
}

bool cRegistry::DeleteValue() {
  IRegistryStore& store = Store();
  cRegKeyGuard key(store);
  if (store.OpenKey(m_hClassKey, m_sSectionKey, kKeyAllAccessOwn, key.Handle()) != kErrorSuccess) {
    throw cError(kErrRegistryAccess, Source(),
                 "Failed to open key '" + ClassKeyText() + "',Section: '" + m_sSectionKey +
                     "' for delete access");
  }
  if (store.DeleteValue(key.Handle(), m_sValueKey) != kErrorSuccess) {
    throw cError(kErrRegistryAccess, Source(),
                 "Failed to delete registry Key: '" + ClassKeyText() + "',Section: '" +
                     m_sSectionKey + "',Key: '" + m_sValueKey);
  }
  return true;
}

bool cRegistry::EnumerateValues(std::vector<std::string>& sKeyNames, int32_t& iKeyCount) {
  sKeyNames.clear();
  iKeyCount = 0;
  IRegistryStore& store = Store();
  cRegKeyGuard key(store);
  if (store.OpenKey(m_hClassKey, m_sSectionKey, kKeyQueryValue, key.Handle()) != kErrorSuccess) {
    return true;
  }
  RegKeyInfo info;
  store.QueryInfoKey(key.Handle(), info);
  std::string sName(info.lMaxValueNameLen + 1, '\0');
  for (uint32_t lIndex = 0;; ++lIndex) {
    uint32_t cch = info.lMaxValueNameLen + 1;
    if (store.EnumValue(key.Handle(), lIndex, sName.data(), &cch, nullptr, nullptr, nullptr) !=
        kErrorSuccess) {
      break;
    }
    ++iKeyCount;
    sKeyNames.emplace_back(sName.data(), cch);
  }
  return true;
}

bool cRegistry::EnumerateSections(std::vector<std::string>& sSect, int32_t& iSectCount) {
  sSect.clear();
  iSectCount = 0;
  IRegistryStore& store = Store();
  cRegKeyGuard key(store);
  try {
    if (store.OpenKey(m_hClassKey, m_sSectionKey, kKeyEnumerateSubKeys, key.Handle()) !=
        kErrorSuccess) {
      return true;
    }
    char sName[255];
    for (uint32_t lIndex = 0;; ++lIndex) {
      if (store.EnumKey(key.Handle(), lIndex, sName, sizeof sName) != kErrorSuccess) break;
      ++iSectCount;
      sSect.emplace_back(sName, std::find(sName, sName + sizeof sName, '\0'));
    }
  } catch (const cError& e) {
    key.Close();
    throw cError(kErrRegistryEnumerate, Source(), e.Description());
  } catch (const std::exception& e) {
    key.Close();
    throw cError(kErrRegistryEnumerate, Source(), e.what());
  }
  return true;
}

void cRegistry::CreateEXEAssociation(const std::string& sExePath, const std::string& sClassName,
                                     const std::string& sClassDescription,
                                     const std::string& sAssociation, int32_t lDefaultIconIndex) {
  const std::string sCommand = sExePath + " \"%1\"";
  const auto write = [this](const std::string& sKey, const std::string& sValue) {
    m_hClassKey = kHKeyClassesRoot;
    m_sSectionKey = sKey;
    m_sValueKey.clear();
    m_lValueType = kRegSz;
    Value(sValue);
  };
  write("." + sAssociation, sClassName);
  write("." + sAssociation + "\\shell\\open\\command", sCommand);
  write(sClassName, sClassDescription);
  write(sClassName + "\\shell\\open\\command", sCommand);
  if (lDefaultIconIndex > -1) {
    write(sClassName + "\\DefaultIcon", sExePath + "," + std::to_string(lDefaultIconIndex));
  }
}

}  // namespace brennic
