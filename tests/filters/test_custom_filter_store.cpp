#include <gtest/gtest.h>

#include <initializer_list>
#include <stdexcept>
#include <tuple>
#include <utility>
#include <vector>

#include "filters/cCustomFilterStore.h"
#include "image/cError.h"
#include "platform/cRegistry.h"
#include "support/RegistryTestUtil.h"

namespace brennic {
namespace {

using Bytes = std::vector<uint8_t>;
using Listing = std::vector<std::pair<int32_t, std::string>>;

const std::string kApp = "Software\\Ostrel\\Halvine";

class FilterStore : public ::testing::Test {
 protected:
  std::pair<uint32_t, Bytes> Raw(const std::string& sKey, const std::string& sName) {
    return test::RawValue(m_registry.Store(), kHKeyCurrentUser, sKey, sName);
  }
  void PutRaw(const std::string& sKey, const std::string& sName, uint32_t lType,
              const Bytes& data) {
    ASSERT_TRUE(test::PutRawValue(m_registry.Store(), kHKeyCurrentUser, sKey, sName, lType, data));
  }
  test::cScopedRegistry m_registry;
};

// Cells run over the second index first: (-3, -3), (-3, -2) ... (3, 3); each is a sign byte and
// a magnitude byte.
TEST_F(FilterStore, SavedFilterHasTheExactLayout) {
  EXPECT_TRUE(ListFilters().empty());
  EXPECT_EQ(LoadFilter(1), std::nullopt);
  CustomFilterRecord record = CustomFilterRecord("Edges", -3);
  record.aCells[FilterCellIndex(-3, -3)] = -7;
  record.aCells[FilterCellIndex(-3, -2)] = 1;
  record.aCells[FilterCellIndex(0, 0)] = 255;
  record.aCells[FilterCellIndex(1, -1)] = -1;
  record.aCells[FilterCellIndex(3, 3)] = -255;
  SaveFilter(record, 1, true);

  EXPECT_EQ(Raw(kApp, "CustomFilters"), std::make_pair(uint32_t{4}, (Bytes{1, 0, 0, 0})));
  EXPECT_EQ(Raw(kApp, "Filter1"), std::make_pair(uint32_t{1}, (Bytes{'E', 'd', 'g', 'e', 's', 0})));
  EXPECT_EQ(Raw(kApp + "\\Filter1", "Weight"),
            std::make_pair(uint32_t{4}, (Bytes{0xFD, 0xFF, 0xFF, 0xFF})));
  // Cell 0: -7, cell 1: 1, cell 24: 255, cell 30 = (1, -1): -1, cell 48: -255.
  Bytes expected(99, 0);
  for (const auto& [i, v] : std::initializer_list<std::pair<size_t, uint8_t>>{
           {0, 1}, {1, 7}, {3, 1}, {49, 255}, {60, 1}, {61, 1}, {96, 1}, {97, 255}})
    expected[i] = v;
  EXPECT_EQ(Raw(kApp + "\\Filter1", "Values"), std::make_pair(uint32_t{3}, expected));

  ASSERT_TRUE(LoadFilter(1));
  EXPECT_EQ(std::tuple(LoadFilter(1)->sName, LoadFilter(1)->lWeight, LoadFilter(1)->aCells),
            std::tuple("", -3, record.aCells));
  // An absent weight writes no weight value; overwriting keeps the count and the other entries.
  record.lWeight.reset();
  SaveFilter(record, 2, true);
  SaveFilter(CustomFilterRecord("First", 1), 1, false);
  EXPECT_EQ(
      std::tuple(Raw(kApp + "\\Filter2", "Weight").first, LoadFilter(2)->lWeight,
                 Raw(kApp, "CustomFilters").second, ListFilters()),
      std::tuple(0xFFFFu, std::nullopt, Bytes{2, 0, 0, 0}, Listing{{1, "First"}, {2, "Edges"}}));
}

TEST_F(FilterStore, ShortMissingOrOddValuesReadAsZeros) {
  const std::string sKey = kApp + "\\Filter1";
  Bytes values(97, 0);
  for (size_t i = 0; i < 48; ++i) {
    values[2 * i] = i % 2 == 0 ? 0 : 0xFF;  // any non-zero sign byte means negative
    values[2 * i + 1] = static_cast<uint8_t>(i + 1);
  }
  values[96] = 1;  // cell 48's sign without its magnitude
  PutRaw(sKey, "Values", kRegBinary, values);
  std::optional<CustomFilterRecord> loaded = LoadFilter(1);
  ASSERT_TRUE(loaded);
  EXPECT_EQ(loaded->lWeight, std::nullopt);   // no "Weight": the box stays empty
  std::array<int32_t, kFilterCells> cells{};  // cell 48 is 0
  for (int i = 0; i < 48; ++i)
    cells[i] = i % 2 == 0 ? i + 1 : -(i + 1);
  EXPECT_EQ(loaded->aCells, cells);

  PutRaw(sKey, "Values", kRegBinary, {1, 0, 0, 5});  // a negative zero and cell 1
  loaded = LoadFilter(1);
  EXPECT_EQ(std::vector<int32_t>(loaded->aCells.begin(), loaded->aCells.begin() + 3),
            (std::vector<int32_t>{0, 5, 0}));

  // The key alone: every cell 0. Values of another type count as missing.
  PutRaw(kApp + "\\Filter2", "Values", kRegSz, {'x', 0});
  loaded = LoadFilter(2);
  ASSERT_TRUE(loaded);
  EXPECT_EQ(loaded->aCells, (std::array<int32_t, kFilterCells>{}));
  EXPECT_EQ(LoadFilter(3), std::nullopt);
}

// The listing follows the stored count, but ends at the first filter without a name: a damaged
// count lists what is there, at once.
TEST_F(FilterStore, ListingFollowsTheStoredCountUpToTheFirstMissingName) {
  PutRaw(kApp, "CustomFilters", kRegDword, {3, 0, 0, 0});
  PutRaw(kApp, "Filter1", kRegSz, {'A', 0});
  PutRaw(kApp, "Filter3", kRegSz, {'C', 0});
  EXPECT_EQ(ListFilters(), (Listing{{1, "A"}}));
  PutRaw(kApp, "Filter2", kRegSz, {0});
  EXPECT_EQ(ListFilters(), (Listing{{1, "A"}, {2, ""}, {3, "C"}}));
  const std::tuple<uint32_t, Bytes, size_t> counts[] = {{kRegDword, {0xFF, 0xFF, 0xFF, 0xFF}, 0},
                                                        {kRegSz, {'2', 0}, 2},
                                                        {kRegSz, {'x', 0}, 0},
                                                        {kRegDword, {0xFF, 0xFF, 0xFF, 0x7F}, 3}};
  for (const auto& [lType, count, lListed] : counts) {
    PutRaw(kApp, "CustomFilters", lType, count);
    EXPECT_EQ(ListFilters().size(), lListed) << lType << " " << int{count[0]};
  }
  // A new filter takes the number after the listed ones and repairs the count.
  EXPECT_EQ(SaveFilter(CustomFilterRecord("D", 1), 4, true), 4);
  EXPECT_EQ(Raw(kApp, "CustomFilters").second, (Bytes{4, 0, 0, 0}));
}

// A filter is stored whole, under a number of its own: a write failing midway stores nothing,
// and two copies of the program adding a filter from the same listing get two numbers.
TEST_F(FilterStore, AFilterIsStoredWholeUnderItsOwnNumber) {
  SaveFilter(CustomFilterRecord("One", 1), 1, true);
  for (int iAllowed = 0; iAllowed < 3; ++iAllowed) {
    test::cFailingWrites full(m_registry.Store(), iAllowed);
    IRegistryStore* pPrevious = SetRegistryStore(&full);
    EXPECT_THROW(SaveFilter(CustomFilterRecord("Lost", 2), 2, true), cError) << iAllowed;
    SetRegistryStore(pPrevious);
    EXPECT_EQ(ListFilters(), (Listing{{1, "One"}})) << iAllowed;
    EXPECT_EQ(LoadFilter(2), std::nullopt) << iAllowed;
  }
  // Both copies listed one filter and chose number 2.
  EXPECT_EQ(SaveFilter(CustomFilterRecord("From A", 2), 2, true), 2);
  EXPECT_EQ(SaveFilter(CustomFilterRecord("From B", 3), 2, true), 3);
  EXPECT_EQ(ListFilters(), (Listing{{1, "One"}, {2, "From A"}, {3, "From B"}}));
  EXPECT_EQ(std::tuple(LoadFilter(2)->lWeight, LoadFilter(3)->lWeight), std::tuple(2, 3));
}

TEST_F(FilterStore, CellsOutsideTheByteRangeAreRefusedBeforeAnyWrite) {
  CustomFilterRecord record = CustomFilterRecord("Too strong", 1);
  for (const int32_t l : {256, -256}) {
    record.aCells[10] = l;
    EXPECT_THROW(SaveFilter(record, 1, true), std::out_of_range) << l;
  }
  EXPECT_EQ(Raw(kApp, "CustomFilters").first, 0xFFFFu);
  EXPECT_TRUE(ListFilters().empty());
}

}  // namespace
}  // namespace brennic
