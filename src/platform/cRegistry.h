#pragma once
// cRegistry: a small stateful accessor of the settings store. Set ClassKey (a root handle),
// SectionKey (the key path below it, parts separated by "\"), ValueKey (the value name; empty
// names the key's default value) and ValueType, then read or write Value, or ask about or delete
// keys and values. Every call opens and closes its key itself, so objects are independent and a
// setting can change between two calls. Failures are raised as cError with the source
// "<executable>.cRegistry"; reading never raises (a value that cannot be read gives Default).

#include <cstdint>
#include <functional>
#include <string>
#include <variant>
#include <vector>

#include "platform/RegistryStore.h"

namespace brennic {

// Empty, 16-bit integer, 32-bit integer, text or byte array (indexed from 0).
using Variant = std::variant<std::monostate, int16_t, int32_t, std::string, std::vector<uint8_t>>;

// A Variant as text: empty gives "", integers their decimal form, a byte array the UTF-16LE
// text its bytes spell (a last odd byte is dropped).
std::string VariantToText(const Variant& v);
// A Variant as a 32-bit integer: empty is 0, text must read as a number (TextToLong); false for
// a byte array or text that does not convert.
bool VariantToLong(const Variant& v, int32_t& lResult);
// Text as a 32-bit integer: blanks around an optionally signed decimal number, which may have a
// fraction and an exponent and is rounded to the nearest integer, halves to even. False when the
// text is no such number or the result does not fit.
bool TextToLong(std::string_view sText, int32_t& lResult);

inline constexpr int32_t kErrRegistryAccess = 26001;
inline constexpr int32_t kErrRegistryWrite = static_cast<int32_t>(0x800469A9);
inline constexpr int32_t kErrRegistryEnumerate = static_cast<int32_t>(0x800469AA);

class cRegistry {
 public:
  // Works on the process's store (RegistryStore()) as it is at each call.
  cRegistry() = default;
  // Works on the given store, which must outlive the object.
  explicit cRegistry(IRegistryStore& store) : m_pStore(&store) {}

  HKey ClassKey() const { return m_hClassKey; }
  void ClassKey(HKey hKey) { m_hClassKey = hKey; }
  const std::string& SectionKey() const { return m_sSectionKey; }
  void SectionKey(std::string sKey) { m_sSectionKey = std::move(sKey); }
  const std::string& ValueKey() const { return m_sValueKey; }
  void ValueKey(std::string sKey) { m_sValueKey = std::move(sKey); }
  int32_t ValueType() const { return m_lValueType; }
  void ValueType(int32_t lType) { m_lValueType = lType; }
  const Variant& Default() const { return m_vDefault; }
  void Default(Variant vDefault) { m_vDefault = std::move(vDefault); }

  // Reads ValueKey and sets ValueType to the type found. Text types give text (REG_EXPAND_SZ
  // with environment references expanded), REG_DWORD a 32-bit integer, REG_DWORD_BIG_ENDIAN the
  // integer with its bytes reversed, every other type the stored bytes. Default when the key or
  // the value is missing.
  Variant Value();
  // Writes v as ValueType, creating the key when needed. Text containing "%", then at least one
  // character, then another "%" is stored as REG_EXPAND_SZ, other text as REG_SZ, whichever of
  // the two ValueType names. REG_BINARY needs a byte array (26001 otherwise). REG_DWORD and
  // REG_DWORD_BIG_ENDIAN store an integer as REG_DWORD and silently skip anything else. Other
  // types, and failed writes, raise 0x800469A9.
  void Value(const Variant& v);
  // Value for data such as paths and names, whose text must come back byte for byte: text is
  // written as REG_SZ whatever it holds and read as stored, never expanded (also a REG_EXPAND_SZ
  // an earlier version wrote). Everything else as Value.
  Variant LiteralValue();
  void LiteralValue(const Variant& v);

  // Runs fnBody as one change of the store (IRegistryStore::Transaction): every value it writes
  // is kept, or none. An exception of fnBody undoes its writes and passes on; a change that
  // cannot be started or kept raises 0x800469A9.
  void Transaction(const std::function<void()>& fnBody);

  bool KeyExists() const;

  bool CreateKey();
  bool DeleteKey();
  bool DeleteValue();
  // The value names of the key (sKeyNames[0] is the first); an unopenable key lists nothing.
  bool EnumerateValues(std::vector<std::string>& sKeyNames, int32_t& iKeyCount);
  // The sub-key names of the key; an unopenable key lists nothing.
  bool EnumerateSections(std::vector<std::string>& sSect, int32_t& iSectCount);
  // Registers sExePath as the program opening files ending in "." + sAssociation, under
  // HKEY_CLASSES_ROOT. A DefaultIcon entry is written only for an index of 0 or more.
  void CreateEXEAssociation(const std::string& sExePath, const std::string& sClassName,
                            const std::string& sClassDescription, const std::string& sAssociation,
                            int32_t lDefaultIconIndex = -1);

 private:
  IRegistryStore& Store() const;
  std::string ClassKeyText() const;
  std::string WriteFailure(const Variant& v) const;
  std::string ExpandEnvStr(const std::string& sText) const;
  Variant Read(bool bExpand);
  void Write(const Variant& v, bool bLiteral);

  IRegistryStore* m_pStore = nullptr;
  HKey m_hClassKey = 0;
  std::string m_sSectionKey;
  std::string m_sValueKey;
  Variant m_vDefault;
  int32_t m_lValueType = 0;
};

}  // namespace brennic
