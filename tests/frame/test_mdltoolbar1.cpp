#include <gtest/gtest.h>

#include "frame/mdlToolBar1.h"
#include "platform/cRegistry.h"
#include "support/RegistryTestUtil.h"

namespace brennic {
namespace {

// The seven root names, matched exactly; an unknown but well-formed root is no error, a path
// without a root or with an empty last part is reported and left alone.
TEST(SplitKeyPath, SeparatesTheRootFromTheSubKeyAndReportsMalformedPaths) {
  test::cMessageBoxRecorder boxes;
  const char* const kRoots[] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER",     "HKEY_LOCAL_MACHINE",
                                "HKEY_USERS",        "HKEY_PERFORMANCE_DATA", "HKEY_CURRENT_CONFIG",
                                "HKEY_DYN_DATA"};
  for (uint32_t i = 0; i < std::size(kRoots); ++i)
    EXPECT_EQ(GetRootKey(kRoots[i]), 0x80000000u + i) << kRoots[i];
  for (const char* sName : {"hkey_current_user", "HKEY_CURRENT_USER ", "HKCU", ""})
    EXPECT_EQ(GetRootKey(sName), 0u) << sName;

  const struct {
    std::string sPath;
    HKey hRoot;
    std::string sRest;  // for a malformed path: the path itself
    bool bReported;
  } cases[] = {
      {"HKEY_CURRENT_USER\\Software\\Window Position", 0x80000001u, "Software\\Window Position",
       false},
      {"HKEY_USERS", 0x80000003u, "", false},
      {"HKEY_NOWHERE\\Software", 0, "Software", false},
      {"Software\\Window Position", 0, "Software\\Window Position", true},
      {"HKEY_CURRENT_USER\\Software\\", 0, "HKEY_CURRENT_USER\\Software\\", true},
      {"hkey_users\\x", 0, "hkey_users\\x", true},
      {"", 0, "", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sPath);
    const size_t lBefore = boxes.Shown().size();
    std::string sPath = c.sPath;
    HKey hRoot = 123;
    SplitKeyPath(sPath, hRoot);
    EXPECT_EQ(hRoot, c.hRoot);
    EXPECT_EQ(sPath, c.sRest);
    ASSERT_EQ(boxes.Shown().size(), lBefore + (c.bReported ? 1 : 0));
    if (!c.bReported) continue;
    const test::ShownMessage& shown = boxes.Shown().back();
    EXPECT_EQ(shown.sText, "Incorrect Format:\n\n" + c.sPath);
    EXPECT_EQ(shown.eButtons, eMsgButtons::OK);
    EXPECT_EQ(shown.eIcon, eMsgIcon::None);
    EXPECT_EQ(shown.sTitle, kAppTitle);
  }
}

class RegString : public ::testing::Test {
 protected:
  void Put(const std::string& sName, const Variant& v, int32_t lType = kRegSz,
           const std::string& sKey = "Software\\Window Position") {
    cRegistry cR;
    cR.ClassKey(kHKeyCurrentUser);
    cR.SectionKey(sKey);
    cR.ValueKey(sName);
    cR.ValueType(lType);
    cR.Value(v);
  }
  test::cScopedRegistry m_registry;
  test::cMessageBoxRecorder m_boxes;
};

TEST_F(RegString, ReadsTextValuesThroughFullPaths) {
  Put("Left", std::string("120"));
  EXPECT_EQ(GetRegString(kWindowPositionKey, "Left"), "120");
  EXPECT_EQ(GetRegString("HKEY_CURRENT_USER\\SOFTWARE\\window position", "LEFT"), "120");
  EXPECT_EQ(GetRegString(kWindowPositionKey, "Top"), "Error");
  EXPECT_EQ(GetRegString("HKEY_CURRENT_USER\\Software\\Nowhere", "Left"), "Error");
  EXPECT_EQ(GetRegString("HKEY_LOCAL_MACHINE\\Software\\Window Position", "Left"), "Error");
  EXPECT_TRUE(m_boxes.Shown().empty());
  EXPECT_EQ(GetRegString("Software\\Window Position", "Left"), std::nullopt);
  EXPECT_EQ(GetRegString("HKEY_UNKNOWN\\Software\\Window Position", "Left"), std::nullopt);
  EXPECT_EQ(m_boxes.Shown().size(), 1u);
}

TEST_F(RegString, BlanksAroundAreDroppedAndLongTextsFail) {
  Put("Padded", std::string("  x y  "));
  // Leading blanks go; trailing ones stay, as they stand before the terminator in the buffer.
  EXPECT_EQ(GetRegString(kWindowPositionKey, "Padded"), "x y  ");
  Put("Empty", std::string());
  EXPECT_EQ(GetRegString(kWindowPositionKey, "Empty"), "");
  Put("Blank", std::string("   "));
  EXPECT_EQ(GetRegString(kWindowPositionKey, "Blank"), "");
  Put("Fits", std::string(254, 'f'));
  EXPECT_EQ(GetRegString(kWindowPositionKey, "Fits"), std::string(254, 'f'));
  Put("TooLong", std::string(255, 't'));
  EXPECT_EQ(GetRegString(kWindowPositionKey, "TooLong"), "Error");
  // The key's default value, and a value below the root itself.
  Put("", std::string("default"));
  EXPECT_EQ(GetRegString(kWindowPositionKey, ""), "default");
  Put("AtRoot", std::string("r"), kRegSz, "");
  EXPECT_EQ(GetRegString("HKEY_CURRENT_USER", "AtRoot"), "r");
}

}  // namespace
}  // namespace brennic
