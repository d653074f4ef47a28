#include <gtest/gtest.h>

#include <cstdlib>

#include "image/cError.h"
#include "platform/cRegistry.h"
#include "support/RegistryTestUtil.h"

namespace brennic {
namespace {

using Bytes = std::vector<uint8_t>;

constexpr int32_t kSetFailed = static_cast<int32_t>(0x800469A9);
constexpr uint32_t kMissing = 0xFFFF;

class Registry : public ::testing::Test {
 protected:
  Registry() {
    m_cR.ClassKey(kHKeyCurrentUser);
    m_cR.SectionKey("Software\\Test");
  }
  void Write(const std::string& sName, int32_t lType, const Variant& v) {
    m_cR.ValueKey(sName);
    m_cR.ValueType(lType);
    m_cR.Value(v);
  }
  Variant Read(const std::string& sName) {
    m_cR.ValueKey(sName);
    return m_cR.Value();
  }
  std::pair<uint32_t, Bytes> Raw(const std::string& sName,
                                 const std::string& sKey = "Software\\Test",
                                 HKey hRoot = kHKeyCurrentUser) {
    return test::RawValue(m_registry.Store(), hRoot, sKey, sName);
  }

  test::cScopedRegistry m_registry;
  cRegistry m_cR;
};

Bytes Text(const std::string& s) {
  Bytes b(s.begin(), s.end());
  b.push_back(0);
  return b;
}

// Runs f, which must raise; returns the error.
template <class F>
cError Raised(F f) {
  try {
    f();
  } catch (const cError& e) {
    return e;
  }
  ADD_FAILURE() << "no error raised";
  return cError(0, "", "");
}

TEST_F(Registry, MissingValuesGiveTheDefault) {
  EXPECT_EQ(Read("Nothing"), Variant());  // the key does not exist
  Write("Other", kRegDword, 1);
  m_cR.ValueType(kRegSz);
  EXPECT_EQ(Read("Nothing"), Variant());  // the key exists, the value does not
  EXPECT_EQ(m_cR.ValueType(), kRegSz);    // a missing value leaves the type alone
  m_cR.Default(0);
  EXPECT_EQ(Read("Nothing"), Variant(0));
}

// What a write stores (type and bytes) and what reading it back gives.
TEST_F(Registry, WrittenValuesAreStoredAsTheTypeAndBytesTheyNeed) {
  unsetenv("ABC");
  Bytes blob(4096);
  for (size_t i = 0; i < blob.size(); ++i)
    blob[i] = static_cast<uint8_t>(255 - i % 256);
  const struct {
    int32_t lType;
    Variant value;
    uint32_t lStored;
    Bytes stored;
    Variant back;
  } cases[] = {
      {kRegSz, std::string(), kRegSz, {0}, std::string()},
      // Anything else is written as its text.
      {kRegSz, 7, kRegSz, Text("7"), std::string("7")},
      {kRegSz, std::string("\xC3\x84pfel"), kRegSz, Text("\xC3\x84pfel"),
       std::string("\xC3\x84pfel")},
      // Two percent signs apart make expandable text, whatever type was chosen.
      {kRegSz, std::string("100%ABC%"), kRegExpandSz, Text("100%ABC%"), std::string("100%ABC%")},
      {kRegExpandSz, std::string("50%%"), kRegSz, Text("50%%"), std::string("50%%")},
      // Integers: little-endian dwords; big-endian as the chosen type still writes REG_DWORD.
      {kRegDword, 0x01020304, kRegDword, {4, 3, 2, 1}, 0x01020304},
      {kRegDwordBigEndian, 0x01020304, kRegDword, {4, 3, 2, 1}, 0x01020304},
      // Byte arrays keep their length, bounds 0..n-1.
      {kRegBinary, Bytes{}, kRegBinary, {}, Bytes{}},
      {kRegBinary, blob, kRegBinary, blob, blob}};
  int i = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(i);
    const std::string sName = "V" + std::to_string(i++);
    Write(sName, c.lType, c.value);
    EXPECT_EQ(m_cR.ValueType(), c.lType);
    EXPECT_EQ(Raw(sName), std::make_pair(c.lStored, c.stored));
    m_cR.ValueType(0);
    EXPECT_EQ(Read(sName), c.back);
    EXPECT_EQ(m_cR.ValueType(), static_cast<int32_t>(c.lStored));
  }
  // Reading expands what the environment knows, keeping the stored bytes as written.
  setenv("ABC", "xyz", 1);
  EXPECT_EQ(Read("V3"), Variant(std::string("100xyz")));
  EXPECT_EQ(Raw("V3").second, Text("100%ABC%"));
  unsetenv("ABC");
}

// Values another program may have stored read by their bytes.
TEST_F(Registry, StoredValuesOfAnyShapeReadByTheirBytes) {
  const struct {
    uint32_t lType;
    Bytes data;
    Variant expected;
  } cases[] = {{kRegSz, {}, std::string()},
               {kRegDwordBigEndian, {0x01, 0x02, 0x03, 0x04}, 0x01020304},
               {kRegDword, {0x05, 0x01}, 0x105},           // missing high bytes count as 0
               {kRegDword, {1, 2, 3, 4, 5, 6, 7, 8}, -1},  // does not fit: the default
               {0, {9, 0, 8}, Bytes{9, 0, 8}},
               // A list of texts reads as one text without its last terminator.
               {kRegMultiSz, {'a', 0, 'b', 0, 0}, std::string("a\0b\0", 4)}};
  m_cR.Default(-1);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.lType);
    ASSERT_TRUE(test::PutRawValue(m_registry.Store(), kHKeyCurrentUser, "Software\\Test", "Odd",
                                  c.lType, c.data));
    EXPECT_EQ(Read("Odd"), c.expected);
    EXPECT_EQ(m_cR.ValueType(), static_cast<int32_t>(c.lType));
  }
}

// Every failure raises with the class's source, its number and a description naming the place.
TEST_F(Registry, FailuresRaiseWithNumberAndDescription) {
  Write("V", kRegDword, 1);
  const HKey kCU = kHKeyCurrentUser;
  const std::string sSet =
      "Failed to set registry value Key: '-2147483647',Section: 'Software\\x',";
  const char* kX = "Software\\x";
  // Operations: w writes the value, c creates the key.
  const struct {
    char cOp;
    HKey hClass;
    const char* sSection;
    const char* sName;
    int32_t lType;
    Variant value;
    int32_t lNumber;
    std::string sDescription;
  } cases[] = {
      {'w', kCU, kX, "A", 0, 7, kSetFailed, sSet + "Key: 'A' to value: '7'"},
      // No key can be made without a root.
      {'c', 0, kX, "", 0, {}, 26001, "Failed to create registry Key: 'Software\\x"},
      {'w', 0, kX, "A", kRegDword, 7, 26001,
       "Failed to set registry value Key: '0',Section: 'Software\\x',Key: 'A' to value: '7'"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sDescription);
    m_cR.ClassKey(c.hClass);
    m_cR.SectionKey(c.sSection);
    const cError e = Raised([&] {
      if (c.cOp == 'w') Write(c.sName, c.lType, c.value);
      m_cR.ValueKey(c.sName);
      if (c.cOp == 'c') m_cR.CreateKey();
    });
    EXPECT_EQ(e.Number(), c.lNumber);
    EXPECT_EQ(e.Source(), ExeBaseName() + ".cRegistry");
    EXPECT_EQ(e.Description(), c.sDescription);
  }
  EXPECT_EQ(Raw("A", kX).first, kMissing);
}

// Key names ignore case. Deleting and enumerating, which the program does not use, once.
TEST_F(Registry, KeysAreFoundListedAndDeleted) {
  EXPECT_FALSE(m_cR.KeyExists());
  Write("MaxCount", kRegDword, 4);
  m_cR.SectionKey("SOFTWARE\\test");
  EXPECT_TRUE(m_cR.KeyExists());
  std::vector<std::string> values;
  int32_t iValues = 0;
  EXPECT_TRUE(m_cR.EnumerateValues(values, iValues));
  EXPECT_EQ(std::make_pair(values, iValues),
            std::make_pair(std::vector<std::string>{"MaxCount"}, 1));
  m_cR.ValueKey("maxcount");
  EXPECT_TRUE(m_cR.DeleteValue());
  EXPECT_EQ(Raw("MaxCount").first, kMissing);
}

// A failing store raises and leaves no key open.
TEST_F(Registry, FailuresOfTheStoreRaiseAndCloseTheirKeys) {
  test::cFailingWrites faulty(m_registry.Store(), 0);
  cRegistry cR(faulty);
  cR.ClassKey(kHKeyCurrentUser);
  cR.SectionKey("Software\\x");
  cR.ValueKey("A");
  cR.ValueType(kRegDword);
  const std::string sSet =
      "Failed to set registry value Key: '-2147483647',Section: 'Software\\x',Key: 'A' to "
      "value: '7'";
  cError e = Raised([&] { cR.Value(7); });
  EXPECT_EQ(std::make_pair(e.Number(), e.Description()), std::make_pair(kSetFailed, sSet));
  EXPECT_EQ(faulty.m_iOpen, 0);
  faulty.m_lCreateError = kErrorAccessDenied;
  e = Raised([&] { cR.Value(7); });
  EXPECT_EQ(std::make_pair(e.Number(), e.Description()), std::make_pair(26001, sSet));
}

TEST(TextToLong, ReadsNumbersAsTheProgramConvertsThem) {
  const auto conv = [](const char* s) -> std::optional<int32_t> {
    int32_t l = 0;
    if (!TextToLong(s, l)) return std::nullopt;
    return l;
  };
  // Halves go to the even neighbour.
  const char* texts[] = {"120",  "  -5\t", "+7", "2.5",        "3.5",
                         "-2.5", "1e3",    ".5", "2147483647", "-2147483648"};
  const int32_t values[] = {120, -5, 7, 2, 4, -2, 1000, 0, 2147483647, INT32_MIN};
  for (size_t i = 0; i < std::size(texts); ++i)
    EXPECT_EQ(conv(texts[i]), values[i]) << texts[i];
  for (const char* s : {"", " ", "abc", "12abc", "2147483648", "-2147483649", "inf", "nan", "0x10",
                        "--1", "1 2", "Error"})
    EXPECT_EQ(conv(s), std::nullopt) << s;
  const auto fromVariant = [](const Variant& v) -> std::optional<int32_t> {
    int32_t l = 0;
    if (!VariantToLong(v, l)) return std::nullopt;
    return l;
  };
  EXPECT_EQ((std::vector<std::optional<int32_t>>{fromVariant(Variant()), fromVariant(int16_t{-3}),
                                                 fromVariant(std::string(" 42 ")),
                                                 fromVariant(Bytes{1})}),
            (std::vector<std::optional<int32_t>>{0, -3, 42, std::nullopt}));
}

}  // namespace
}  // namespace brennic
