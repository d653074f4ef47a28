#include "filters/cCustomFilterStore.h"

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

#include "image/cError.h"
#include "platform/cRegistry.h"

namespace brennic {

namespace {

std::string FilterKey(int32_t n) {
  return std::string(kAppSettingsKey) + "\\Filter" + std::to_string(n);
}

// The stored filters, read through cR (on the application's key): the count bounds the list,
// and the first filter without a name ends it, so a damaged count lists only what is there.
std::vector<std::pair<int32_t, std::string>> ReadFilters(cRegistry& cR) {
  cR.ValueKey("CustomFilters");
  cR.Default(int32_t{0});
  cR.ValueType(kRegDword);
  int32_t lCount = 0;
  // A count that is not a number lists nothing rather than failing the editor.
  if (!VariantToLong(cR.Value(), lCount)) lCount = 0;
  lCount = std::min(lCount, kMaxCustomFilters);
  cR.Default(Variant());
  std::vector<std::pair<int32_t, std::string>> filters;
  for (int32_t n = 1; n <= lCount; ++n) {
    cR.ValueKey("Filter" + std::to_string(n));
    const Variant vName = cR.LiteralValue();
    if (std::holds_alternative<std::monostate>(vName)) break;
    filters.emplace_back(n, VariantToText(vName));
  }
  return filters;
}

cRegistry AppKey() {
  cRegistry cR;
  cR.ClassKey(kHKeyCurrentUser);
  cR.SectionKey(kAppSettingsKey);
  return cR;
}

}  // namespace

std::vector<std::pair<int32_t, std::string>> ListFilters() {
  cRegistry cR = AppKey();
  return ReadFilters(cR);
}

std::optional<CustomFilterRecord> LoadFilter(int32_t n) {
  cRegistry cR;
  cR.ClassKey(kHKeyCurrentUser);
  cR.SectionKey(FilterKey(n));
  if (!cR.KeyExists()) return std::nullopt;
  CustomFilterRecord record;
  cR.ValueKey("Weight");
  cR.ValueType(kRegDword);
  const Variant vWeight = cR.Value();
  if (int32_t lWeight = 0;
      !std::holds_alternative<std::monostate>(vWeight) && VariantToLong(vWeight, lWeight)) {
    record.lWeight = lWeight;
  }
  cR.ValueKey("Values");
  cR.ValueType(kRegBinary);
  const Variant vValues = cR.Value();
  if (const auto* pBytes = std::get_if<std::vector<uint8_t>>(&vValues)) {
    const auto byteAt = [pBytes](size_t i) -> int32_t {
      return i < pBytes->size() ? (*pBytes)[i] : 0;
    };
    for (size_t i = 0; i < kFilterCells; ++i) {
      const int32_t lMagnitude = byteAt(2 * i + 1);
      record.aCells[i] = byteAt(2 * i) != 0 ? -lMagnitude : lMagnitude;
    }
  }
  return record;
}

int32_t SaveFilter(const CustomFilterRecord& record, int32_t n, bool bNew) {
  std::vector<uint8_t> values(kFilterValuesBytes, 0);
  for (size_t i = 0; i < kFilterCells; ++i) {
    const int32_t lCell = record.aCells[i];
    if (lCell < -255 || lCell > 255) {
      throw std::out_of_range("Filter cell " + std::to_string(i) + " holds " +
                              std::to_string(lCell) + ", outside -255 to 255.");
    }
    values[2 * i] = lCell < 0 ? 1 : 0;
    values[2 * i + 1] = static_cast<uint8_t>(std::abs(lCell));
  }
  cRegistry cR = AppKey();
  // One change: the number is taken from the count as it stands inside it, so two copies of
  // the program adding a filter at once get two numbers, and a failure midway stores nothing.
  cR.Transaction([&] {
    cR.SectionKey(kAppSettingsKey);
    if (bNew) {
      n = static_cast<int32_t>(ReadFilters(cR).size()) + 1;
      if (n > kMaxCustomFilters) {
        throw cError(
            kErrRegistryWrite, ErrorSource(".cRegistry"),
            "No more than " + std::to_string(kMaxCustomFilters) + " custom filters can be stored.");
      }
      cR.ValueKey("CustomFilters");
      cR.ValueType(kRegDword);
      cR.Value(n);
    }
    cR.ValueKey("Filter" + std::to_string(n));
    cR.ValueType(kRegSz);
    cR.LiteralValue(record.sName);
    cR.SectionKey(FilterKey(n));
    cR.ValueKey("Weight");
    cR.ValueType(kRegDword);
    cR.Value(record.lWeight ? Variant(*record.lWeight) : Variant());
    cR.ValueKey("Values");
    cR.ValueType(kRegBinary);
    cR.Value(values);
  });
  return n;
}

}  // namespace brennic
