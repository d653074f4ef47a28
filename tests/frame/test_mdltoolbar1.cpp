#include <gtest/gtest.h>

#include "frame/mdlToolBar1.h"
#include "platform/cRegistry.h"
#include "support/RegistryTestUtil.h"

namespace brennic {
namespace {

TEST(GetRootKey, SevenNamesMatchedExactly) {
  EXPECT_EQ(GetRootKey("HKEY_CLASSES_ROOT"), 0x80000000u);
  EXPECT_EQ(GetRootKey("HKEY_CURRENT_USER"), 0x80000001u);
  EXPECT_EQ(GetRootKey("HKEY_LOCAL_MACHINE"), 0x80000002u);
  EXPECT_EQ(GetRootKey("HKEY_USERS"), 0x80000003u);
  EXPECT_EQ(GetRootKey("HKEY_PERFORMANCE_DATA"), 0x80000004u);
  EXPECT_EQ(GetRootKey("HKEY_CURRENT_CONFIG"), 0x80000005u);
  EXPECT_EQ(GetRootKey("HKEY_DYN_DATA"), 0x80000006u);
  EXPECT_EQ(GetRootKey("hkey_current_user"), 0u);
  EXPECT_EQ(GetRootKey("HKEY_CURRENT_USER "), 0u);
  EXPECT_EQ(GetRootKey("HKCU"), 0u);
  EXPECT_EQ(GetRootKey(""), 0u);
}

TEST(SplitKeyPath, SeparatesRootFromSubKey) {
  test::cMessageBoxRecorder boxes;
  std::string sPath = "HKEY_CURRENT_USER\\Software\\Window Position";
  HKey hRoot = 0;
  SplitKeyPath(sPath, hRoot);
  EXPECT_EQ(hRoot, 0x80000001u);
  EXPECT_EQ(sPath, "Software\\Window Position");

  sPath = "HKEY_USERS";
  SplitKeyPath(sPath, hRoot);
  EXPECT_EQ(hRoot, 0x80000003u);
  EXPECT_EQ(sPath, "");

  sPath = "HKEY_NOWHERE\\Software";  // well formed, unknown root: no message
  SplitKeyPath(sPath, hRoot);
  EXPECT_EQ(hRoot, 0u);
  EXPECT_EQ(sPath, "Software");
  EXPECT_TRUE(boxes.Shown().empty());
}

TEST(SplitKeyPath, MalformedPathsAreReportedAndLeftAlone) {
  test::cMessageBoxRecorder boxes;
  for (const std::string sBad :
       {"Software\\Window Position", "HKEY_CURRENT_USER\\Software\\", "hkey_users\\x", ""}) {
    std::string sPath = sBad;
    HKey hRoot = 123;
    SplitKeyPath(sPath, hRoot);
    EXPECT_EQ(hRoot, 0u);
    EXPECT_EQ(sPath, sBad);
    ASSERT_FALSE(boxes.Shown().empty());
    const test::ShownMessage& shown = boxes.Shown().back();
    EXPECT_EQ(shown.sText, "Incorrect Format:\n\n" + sBad);
    EXPECT_EQ(shown.eButtons, eMsgButtons::OK);
    EXPECT_EQ(shown.eIcon, eMsgIcon::None);
    EXPECT_EQ(shown.sTitle, kAppTitle);
  }
  EXPECT_EQ(boxes.Shown().size(), 4u);
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

class cRecordingWindow final : public IWindowEdges {
 public:
  void Left(int32_t lTwips) override { m_left.push_back(lTwips); }
  void Top(int32_t lTwips) override { m_top.push_back(lTwips); }
  std::vector<int32_t> m_left;
  std::vector<int32_t> m_top;
};

TEST_F(RegString, WindowPositionAppliesNumbersAndSkipsTheRest) {
  cRecordingWindow window;
  LoadWindowPosition(window);  // nothing stored
  EXPECT_TRUE(window.m_left.empty());
  EXPECT_TRUE(window.m_top.empty());

  Put("Left", std::string("1500"));
  Put("Top", std::string(" 750 "));
  LoadWindowPosition(window);
  EXPECT_EQ(window.m_left, std::vector<int32_t>{1500});
  EXPECT_EQ(window.m_top, std::vector<int32_t>{750});

  Put("Left", std::string("left edge"));
  Put("Top", std::string("-300"));
  LoadWindowPosition(window);
  EXPECT_EQ(window.m_left, std::vector<int32_t>{1500});
  EXPECT_EQ(window.m_top, (std::vector<int32_t>{750, -300}));

  Put("Left", 2000, kRegDword);  // a number value is no text: its bytes do not convert
  LoadWindowPosition(window);
  EXPECT_EQ(window.m_left, std::vector<int32_t>{1500});
  EXPECT_TRUE(m_boxes.Shown().empty());
}

}  // namespace
}  // namespace brennic
