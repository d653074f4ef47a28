#include <gtest/gtest.h>

#include <cstdlib>

#include "image/cError.h"
#include "platform/cRegistry.h"
#include "support/RegistryTestUtil.h"

namespace brennic {
namespace {

using Bytes = std::vector<uint8_t>;

constexpr int32_t kSetFailed = static_cast<int32_t>(0x800469A9);

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
  void PutRaw(const std::string& sName, uint32_t lType, const Bytes& data) {
    ASSERT_TRUE(test::PutRawValue(m_registry.Store(), kHKeyCurrentUser, "Software\\Test", sName,
                                  lType, data));
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

TEST_F(Registry, FreshObjectAndMissingValuesGiveDefault) {
  const cRegistry fresh;
  EXPECT_EQ(fresh.ClassKey(), 0u);
  EXPECT_EQ(fresh.SectionKey(), "");
  EXPECT_EQ(fresh.ValueKey(), "");
  EXPECT_EQ(fresh.ValueType(), 0);
  EXPECT_EQ(fresh.Default(), Variant());

  EXPECT_EQ(Read("Nothing"), Variant());  // the key does not exist
  Write("Other", kRegDword, 1);
  m_cR.ValueType(kRegSz);
  EXPECT_EQ(Read("Nothing"), Variant());  // the key exists, the value does not
  EXPECT_EQ(m_cR.ValueType(), kRegSz);    // a missing value leaves the type alone
  m_cR.Default(0);
  EXPECT_EQ(Read("Nothing"), Variant(0));
}

TEST_F(Registry, TextIsStoredWithItsTerminatorAndReadBack) {
  Write("Name", kRegSz, std::string("C:\\pics\\a.bmp"));
  EXPECT_EQ(Raw("Name"), std::make_pair(uint32_t{kRegSz}, Text("C:\\pics\\a.bmp")));
  m_cR.ValueType(0);
  EXPECT_EQ(Read("NAME"), Variant(std::string("C:\\pics\\a.bmp")));
  EXPECT_EQ(m_cR.ValueType(), kRegSz);

  Write("Empty", kRegSz, std::string());
  EXPECT_EQ(Raw("Empty").second, Bytes{0});
  EXPECT_EQ(Read("Empty"), Variant(std::string()));
  // Anything else is written as its text.
  Write("Number", kRegSz, 7);
  EXPECT_EQ(Raw("Number").second, Text("7"));
  Write("Short", kRegSz, int16_t{-12});
  EXPECT_EQ(Raw("Short").second, Text("-12"));
  Write("Nothing", kRegSz, Variant());
  EXPECT_EQ(Raw("Nothing").second, Bytes{0});
  Write("Umlaut", kRegSz, std::string("\xC3\x84pfel"));
  EXPECT_EQ(Raw("Umlaut").second, Text("\xC3\x84pfel"));
  // A stored text of no bytes at all, as another program may write it, reads as empty text.
  PutRaw("NoBytes", kRegSz, {});
  EXPECT_EQ(Read("NoBytes"), Variant(std::string()));
}

TEST_F(Registry, PercentSignsDecideBetweenPlainAndExpandableText) {
  unsetenv("ABC");
  Write("Expand", kRegSz, std::string("100%ABC%"));
  EXPECT_EQ(Raw("Expand"), std::make_pair(uint32_t{kRegExpandSz}, Text("100%ABC%")));
  EXPECT_EQ(Read("Expand"), Variant(std::string("100%ABC%")));
  EXPECT_EQ(m_cR.ValueType(), kRegExpandSz);

  Write("Adjacent", kRegExpandSz, std::string("50%%"));
  EXPECT_EQ(Raw("Adjacent"), std::make_pair(uint32_t{kRegSz}, Text("50%%")));
  Write("One", kRegExpandSz, std::string("%"));
  EXPECT_EQ(Raw("One").first, static_cast<uint32_t>(kRegSz));
  Write("FirstPairAdjacent", kRegSz, std::string("%%x%"));
  EXPECT_EQ(Raw("FirstPairAdjacent").first, static_cast<uint32_t>(kRegExpandSz));

  // Reading expands what the environment knows, keeping the stored bytes as written.
  setenv("ABC", "xyz", 1);
  EXPECT_EQ(Read("Expand"), Variant(std::string("100xyz")));
  EXPECT_EQ(Raw("Expand").second, Text("100%ABC%"));
  unsetenv("ABC");
}

TEST_F(Registry, IntegersAreStoredAsLittleEndianDwordsAndReadByTheirBytes) {
  Write("Count", kRegDword, 0x01020304);
  EXPECT_EQ(Raw("Count"), std::make_pair(uint32_t{kRegDword}, (Bytes{4, 3, 2, 1})));
  EXPECT_EQ(Read("Count"), Variant(0x01020304));
  Write("Negative", kRegDword, int16_t{-2});
  EXPECT_EQ(Raw("Negative").second, (Bytes{0xFE, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(Read("Negative"), Variant(-2));
  // Big-endian as the chosen type still writes an ordinary little-endian REG_DWORD.
  Write("Big", kRegDwordBigEndian, 0x01020304);
  EXPECT_EQ(Raw("Big"), std::make_pair(uint32_t{kRegDword}, (Bytes{4, 3, 2, 1})));
  EXPECT_EQ(m_cR.ValueType(), kRegDwordBigEndian);
  // A stored big-endian dword reads with its bytes reversed.
  PutRaw("BE", kRegDwordBigEndian, {0x01, 0x02, 0x03, 0x04});
  EXPECT_EQ(Read("BE"), Variant(0x01020304));
  EXPECT_EQ(m_cR.ValueType(), kRegDwordBigEndian);
  PutRaw("BENeg", kRegDwordBigEndian, {0xFF, 0xFF, 0xFF, 0xFE});
  EXPECT_EQ(Read("BENeg"), Variant(-2));
  // Malformed dwords read by their bytes.
  PutRaw("Short", kRegDword, {0x05, 0x01});  // missing high bytes count as 0
  EXPECT_EQ(Read("Short"), Variant(0x105));
  PutRaw("Long", kRegDword, {1, 2, 3, 4, 5, 6, 7, 8});  // does not fit: unreadable
  m_cR.Default(-1);
  EXPECT_EQ(Read("Long"), Variant(-1));
}

TEST_F(Registry, TextWithDwordTypeWritesNothingAndRaisesNothing) {
  Write("Old", kRegDword, 5);
  Write("Old", kRegDword, std::string("12"));
  Write("New", kRegDword, std::string("12"));
  Write("Bytes", kRegDwordBigEndian, Bytes{1, 2, 3, 4});
  EXPECT_EQ(Raw("Old").second, (Bytes{5, 0, 0, 0}));
  EXPECT_EQ(Raw("New").first, 0xFFFFu);
  EXPECT_EQ(Raw("Bytes").first, 0xFFFFu);
  m_cR.SectionKey("Software\\Created");
  Write("New", kRegDword, Variant());
  EXPECT_TRUE(m_cR.KeyExists());  // the key is made before the type is looked at
}

TEST_F(Registry, ByteArraysKeepTheirLengthAndBounds) {
  for (const size_t n : {size_t{0}, size_t{1}, size_t{99}, size_t{4096}}) {
    Bytes data(n);
    for (size_t i = 0; i < n; ++i)
      data[i] = static_cast<uint8_t>(255 - i % 256);
    Write("Blob", kRegBinary, data);
    EXPECT_EQ(Raw("Blob"), std::make_pair(uint32_t{kRegBinary}, data));
    const Variant v = Read("Blob");
    ASSERT_TRUE(std::holds_alternative<Bytes>(v));
    EXPECT_EQ(std::get<Bytes>(v), data) << n;  // bounds 0..n-1
  }
}

TEST_F(Registry, OtherStoredTypesReadAsTheirBytes) {
  for (const uint32_t lType : {0u, 6u, 8u, 11u, 0x7FFFu}) {
    PutRaw("Odd", lType, {9, 0, 8});
    EXPECT_EQ(Read("Odd"), Variant(Bytes{9, 0, 8})) << lType;
    EXPECT_EQ(m_cR.ValueType(), static_cast<int32_t>(lType));
  }
  // A list of texts reads as one text without its last terminator.
  PutRaw("Multi", kRegMultiSz, {'a', 0, 'b', 0, 0});
  EXPECT_EQ(Read("Multi"), Variant(std::string("a\0b\0", 4)));
}

TEST_F(Registry, NonArrayAsBinaryRaises26001AndWritesNothing) {
  const cError e = Raised([&] { Write("Blob", kRegBinary, std::string("text")); });
  EXPECT_EQ(e.Number(), 26001);
  EXPECT_EQ(e.Source(), ExeBaseName() + ".cRegistry");
  EXPECT_EQ(e.Description(), "Application-defined or object-defined error");
  EXPECT_EQ(Raw("Blob").first, 0xFFFFu);
  EXPECT_THROW(Write("Blob", kRegBinary, 3), cError);
}

TEST_F(Registry, UnwritableTypesRaiseWithTheExactDescription) {
  m_cR.SectionKey("Software\\x");
  const cError e = Raised([&] { Write("A", 0, 7); });
  EXPECT_EQ(e.Number(), kSetFailed);
  EXPECT_EQ(e.Number(), -2147194455);
  EXPECT_EQ(e.Source(), ExeBaseName() + ".cRegistry");
  EXPECT_EQ(e.Description(),
            "Failed to set registry value Key: '-2147483647',Section: 'Software\\x',Key: 'A' to "
            "value: '7'");
  EXPECT_EQ(Raw("A", "Software\\x").first, 0xFFFFu);
  for (const int32_t lType : {kRegMultiSz, kRegLink, 8, -1}) {
    EXPECT_EQ(Raised([&] { Write("A", lType, std::string("x")); }).Number(), kSetFailed);
  }
  // How other values appear in the description; bytes spell UTF-16 text.
  EXPECT_EQ(Raised([&] {
              Write("B", kRegNone, Bytes{'H', 0, 'i', 0, '!'});
            }).Description(),
            "Failed to set registry value Key: '-2147483647',Section: 'Software\\x',Key: 'B' to "
            "value: 'Hi'");
  EXPECT_EQ(Raised([&] { Write("C", kRegNone, Variant()); }).Description(),
            "Failed to set registry value Key: '-2147483647',Section: 'Software\\x',Key: 'C' to "
            "value: ''");
}

TEST_F(Registry, KeyExistsAndCreateKey) {
  EXPECT_FALSE(m_cR.KeyExists());
  EXPECT_TRUE(m_cR.CreateKey());
  EXPECT_TRUE(m_cR.KeyExists());
  m_cR.SectionKey("SOFTWARE\\test");
  EXPECT_TRUE(m_cR.KeyExists());
  m_cR.ClassKey(kHKeyLocalMachine);
  EXPECT_FALSE(m_cR.KeyExists());
  m_cR.ClassKey(0);
  EXPECT_FALSE(m_cR.KeyExists());

  m_cR.SectionKey("Software\\x");
  const cError e = Raised([&] { m_cR.CreateKey(); });
  EXPECT_EQ(e.Number(), 26001);
  EXPECT_EQ(e.Description(), "Failed to create registry Key: 'Software\\x");
  // Writing where no key can be made: 26001 with the write description.
  const cError w = Raised([&] { Write("A", kRegDword, 7); });
  EXPECT_EQ(w.Number(), 26001);
  EXPECT_EQ(w.Description(),
            "Failed to set registry value Key: '0',Section: 'Software\\x',Key: 'A' to value: '7'");
}

TEST_F(Registry, DeleteKeyAndDeleteValueReportFailuresByName) {
  Write("V", kRegDword, 1);
  m_cR.SectionKey("Software\\Gone");
  cError e = Raised([&] { m_cR.DeleteKey(); });
  EXPECT_EQ(e.Number(), 26001);
  EXPECT_EQ(e.Source(), ExeBaseName() + ".cRegistry");
  EXPECT_EQ(e.Description(),
            "Failed to delete registry Key: '-2147483647',Section: 'Software\\Gone");
  m_cR.ValueKey("V");
  e = Raised([&] { m_cR.DeleteValue(); });
  EXPECT_EQ(e.Number(), 26001);
  EXPECT_EQ(e.Description(),
            "Failed to open key '-2147483647',Section: 'Software\\Gone' for delete access");

  m_cR.SectionKey("Software\\Test");
  m_cR.ValueKey("Nope");
  e = Raised([&] { m_cR.DeleteValue(); });
  EXPECT_EQ(e.Number(), 26001);
  EXPECT_EQ(e.Description(),
            "Failed to delete registry Key: '-2147483647',Section: 'Software\\Test',Key: 'Nope");
  m_cR.ValueKey("v");
  EXPECT_TRUE(m_cR.DeleteValue());
  EXPECT_EQ(Raw("V").first, 0xFFFFu);

  // A key with sub-keys cannot go; once they are gone it can.
  m_cR.SectionKey("Software");
  e = Raised([&] { m_cR.DeleteKey(); });
  EXPECT_EQ(e.Description(), "Failed to delete registry Key: '-2147483647',Section: 'Software");
  m_cR.SectionKey("Software\\Test");
  EXPECT_TRUE(m_cR.DeleteKey());
  EXPECT_FALSE(m_cR.KeyExists());
  m_cR.ClassKey(kHKeyClassesRoot);
  m_cR.SectionKey("Software");
  EXPECT_EQ(Raised([&] { m_cR.DeleteKey(); }).Description(),
            "Failed to delete registry Key: '-2147483648',Section: 'Software");
}

TEST_F(Registry, EnumerationsListNamesInStoreOrder) {
  std::vector<std::string> names{"stale"};
  int32_t iCount = 9;
  EXPECT_TRUE(m_cR.EnumerateValues(names, iCount));  // no key: an empty list
  EXPECT_TRUE(names.empty());
  EXPECT_EQ(iCount, 0);

  const std::string sLong(200, 'L');
  Write("MaxCount", kRegDword, 4);
  Write(sLong, kRegSz, std::string("x"));
  Write("", kRegSz, std::string("default"));
  Write("Count", kRegDword, 0);
  EXPECT_TRUE(m_cR.EnumerateValues(names, iCount));
  EXPECT_EQ(iCount, 4);
  EXPECT_EQ(names, (std::vector<std::string>{"MaxCount", sLong, "", "Count"}));

  for (const char* s : {"Test\\b", "Test\\A", "Test\\C\\Deep"}) {
    m_cR.SectionKey(std::string("Software\\") + s);
    m_cR.CreateKey();
  }
  m_cR.SectionKey("Software\\Test");
  EXPECT_TRUE(m_cR.EnumerateSections(names, iCount));
  EXPECT_EQ(iCount, 3);
  EXPECT_EQ(names, (std::vector<std::string>{"A", "b", "C"}));
  m_cR.SectionKey("Software\\Missing");
  EXPECT_TRUE(m_cR.EnumerateSections(names, iCount));
  EXPECT_EQ(iCount, 0);
  EXPECT_TRUE(names.empty());

  // Sub-key names are read into 255 characters: a name of 254 fits, one of 255 ends the list.
  m_cR.SectionKey("Software\\Names\\" + std::string(254, 'a'));
  m_cR.CreateKey();
  m_cR.SectionKey("Software\\Names\\" + std::string(255, 'b'));
  m_cR.CreateKey();
  m_cR.SectionKey("Software\\Names\\c");
  m_cR.CreateKey();
  m_cR.SectionKey("Software\\Names");
  EXPECT_TRUE(m_cR.EnumerateSections(names, iCount));
  EXPECT_EQ(iCount, 1);
  EXPECT_EQ(names, std::vector<std::string>{std::string(254, 'a')});
}

// A store over another that fails on request and counts the handles left open.
class cFaultyStore final : public IRegistryStore {
 public:
  explicit cFaultyStore(IRegistryStore& inner) : m_inner(inner) {}
  int32_t OpenKey(HKey h, std::string_view s, uint32_t a, HKey& r) override {
    const int32_t lResult = m_inner.OpenKey(h, s, a, r);
    if (lResult == 0) ++m_iOpen;
    return lResult;
  }
  int32_t CreateKey(HKey h, std::string_view s, uint32_t a, HKey& r) override {
    if (m_lCreateResult != 0) return m_lCreateResult;
    const int32_t lResult = m_inner.CreateKey(h, s, a, r);
    if (lResult == 0) ++m_iOpen;
    return lResult;
  }
  int32_t CloseKey(HKey h) override {
    --m_iOpen;
    return m_inner.CloseKey(h);
  }
  int32_t QueryValue(HKey h, std::string_view s, uint32_t* t, uint8_t* d, uint32_t* n) override {
    return m_inner.QueryValue(h, s, t, d, n);
  }
  int32_t SetValue(HKey h, std::string_view s, uint32_t t, const uint8_t* d, uint32_t n) override {
    return m_lSetResult != 0 ? m_lSetResult : m_inner.SetValue(h, s, t, d, n);
  }
  int32_t DeleteKey(HKey h, std::string_view s) override { return m_inner.DeleteKey(h, s); }
  int32_t DeleteValue(HKey h, std::string_view s) override { return m_inner.DeleteValue(h, s); }
  int32_t QueryInfoKey(HKey h, RegKeyInfo& i) override { return m_inner.QueryInfoKey(h, i); }
  int32_t EnumValue(HKey h, uint32_t i, char* s, uint32_t* c, uint32_t* t, uint8_t* d,
                    uint32_t* n) override {
    return m_inner.EnumValue(h, i, s, c, t, d, n);
  }
  int32_t EnumKey(HKey h, uint32_t i, char* s, uint32_t c) override {
    if (m_bThrowOnEnumKey && i == 1) throw cError(-5, "store", "The store went away.");
    return m_inner.EnumKey(h, i, s, c);
  }

  int32_t m_lCreateResult = 0;
  int32_t m_lSetResult = 0;
  bool m_bThrowOnEnumKey = false;
  int m_iOpen = 0;

 private:
  IRegistryStore& m_inner;
};

TEST_F(Registry, FailedStoreWritesRaiseWithTheWriteDescription) {
  cFaultyStore faulty(m_registry.Store());
  cRegistry cR(faulty);
  cR.ClassKey(kHKeyCurrentUser);
  cR.SectionKey("Software\\x");
  cR.ValueKey("A");
  cR.ValueType(kRegDword);
  faulty.m_lSetResult = kErrorDiskFull;
  cError e = Raised([&] { cR.Value(7); });
  EXPECT_EQ(e.Number(), kSetFailed);
  EXPECT_EQ(e.Description(),
            "Failed to set registry value Key: '-2147483647',Section: 'Software\\x',Key: 'A' to "
            "value: '7'");
  EXPECT_EQ(faulty.m_iOpen, 0);  // the key was closed
  faulty.m_lSetResult = 0;
  faulty.m_lCreateResult = kErrorAccessDenied;
  e = Raised([&] { cR.Value(7); });
  EXPECT_EQ(e.Number(), 26001);
  EXPECT_EQ(e.Description(),
            "Failed to set registry value Key: '-2147483647',Section: 'Software\\x',Key: 'A' to "
            "value: '7'");
}

TEST_F(Registry, ErrorDuringSubKeyEnumerationIsRaisedAgainAsEnumerationFailure) {
  for (const char* s : {"Software\\Test\\One", "Software\\Test\\Two"}) {
    m_cR.SectionKey(s);
    m_cR.CreateKey();
  }
  cFaultyStore faulty(m_registry.Store());
  faulty.m_bThrowOnEnumKey = true;
  cRegistry cR(faulty);
  cR.ClassKey(kHKeyCurrentUser);
  cR.SectionKey("Software\\Test");
  std::vector<std::string> names;
  int32_t iCount = 0;
  const cError e = Raised([&] { cR.EnumerateSections(names, iCount); });
  EXPECT_EQ(e.Number(), static_cast<int32_t>(0x800469AA));
  EXPECT_EQ(e.Source(), ExeBaseName() + ".cRegistry");
  EXPECT_EQ(e.Description(), "The store went away.");
  EXPECT_EQ(faulty.m_iOpen, 0);
  EXPECT_EQ(iCount, 1);
}

TEST_F(Registry, ExeAssociationWritesFourOrFiveDefaultValues) {
  m_cR.CreateEXEAssociation("/usr/bin/brennic", "Brennic.Picture", "Brennic picture", "bmp");
  const auto raw = [&](const std::string& sKey) { return Raw("", sKey, kHKeyClassesRoot); };
  EXPECT_EQ(raw(".bmp"), std::make_pair(uint32_t{kRegSz}, Text("Brennic.Picture")));
  EXPECT_EQ(raw(".bmp\\shell\\open\\command").second, Text("/usr/bin/brennic \"%1\""));
  EXPECT_EQ(raw("Brennic.Picture").second, Text("Brennic picture"));
  EXPECT_EQ(raw("Brennic.Picture\\shell\\open\\command").second, Text("/usr/bin/brennic \"%1\""));
  EXPECT_EQ(raw("Brennic.Picture\\DefaultIcon").first, 0xFFFFu);  // no index given
  EXPECT_EQ(m_cR.ClassKey(), kHKeyClassesRoot);
  EXPECT_EQ(m_cR.SectionKey(), "Brennic.Picture\\shell\\open\\command");
  EXPECT_EQ(m_cR.ValueKey(), "");
  EXPECT_EQ(m_cR.ValueType(), kRegSz);

  m_cR.CreateEXEAssociation("/opt/b", "Cls", "D", "gif", 0);
  EXPECT_EQ(raw("Cls\\DefaultIcon").second, Text("/opt/b,0"));
  EXPECT_EQ(m_cR.SectionKey(), "Cls\\DefaultIcon");
  EXPECT_EQ(Raw("", "Cls\\DefaultIcon", kHKeyCurrentUser).first, 0xFFFFu);
}

TEST(TextToLong, ReadsNumbersAsTheProgramConvertsThem) {
  const auto conv = [](const char* s) -> std::optional<int32_t> {
    int32_t l = 0;
    if (!TextToLong(s, l)) return std::nullopt;
    return l;
  };
  EXPECT_EQ(conv("120"), 120);
  EXPECT_EQ(conv("  -5\t"), -5);
  EXPECT_EQ(conv("+7"), 7);
  EXPECT_EQ(conv("2.5"), 2);  // halves to even
  EXPECT_EQ(conv("3.5"), 4);
  EXPECT_EQ(conv("-2.5"), -2);
  EXPECT_EQ(conv("1e3"), 1000);
  EXPECT_EQ(conv(".5"), 0);
  EXPECT_EQ(conv("2147483647"), 2147483647);
  EXPECT_EQ(conv("-2147483648"), INT32_MIN);
  for (const char* s : {"", " ", "abc", "12abc", "2147483648", "-2147483649", "inf", "nan", "0x10",
                        "--1", "1 2", "Error"}) {
    EXPECT_EQ(conv(s), std::nullopt) << s;
  }
  int32_t l = 0;
  EXPECT_TRUE(VariantToLong(Variant(), l));
  EXPECT_EQ(l, 0);
  EXPECT_TRUE(VariantToLong(Variant(int16_t{-3}), l));
  EXPECT_EQ(l, -3);
  EXPECT_TRUE(VariantToLong(Variant(std::string(" 42 ")), l));
  EXPECT_EQ(l, 42);
  EXPECT_FALSE(VariantToLong(Variant(Bytes{1}), l));
}

}  // namespace
}  // namespace brennic
