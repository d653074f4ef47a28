#include "platform/mSysColor.h"

#include <QColor>
#include <QGuiApplication>
#include <QPalette>
#include <array>

namespace brennic {

namespace {

struct sSysColorRole {
  QPalette::ColorGroup eGroup;
  QPalette::ColorRole eRole;
};

// System colour index -> the palette entry that plays its part in a Qt program.
constexpr std::array<sSysColorRole, kLastSysColorIndex + 1> kRoles = {{
    {QPalette::Active, QPalette::Button},           // 0 scroll bar
    {QPalette::Active, QPalette::Dark},             // 1 desktop
    {QPalette::Active, QPalette::Highlight},        // 2 active caption
    {QPalette::Active, QPalette::Mid},              // 3 inactive caption
    {QPalette::Active, QPalette::Window},           // 4 menu
    {QPalette::Active, QPalette::Base},             // 5 window
    {QPalette::Active, QPalette::Shadow},           // 6 window frame
    {QPalette::Active, QPalette::WindowText},       // 7 menu text
    {QPalette::Active, QPalette::Text},             // 8 window text
    {QPalette::Active, QPalette::HighlightedText},  // 9 caption text
    {QPalette::Active, QPalette::Button},           // 10 active border
    {QPalette::Active, QPalette::Button},           // 11 inactive border
    {QPalette::Active, QPalette::Dark},             // 12 application workspace
    {QPalette::Active, QPalette::Highlight},        // 13 highlight
    {QPalette::Active, QPalette::HighlightedText},  // 14 highlighted text
    {QPalette::Active, QPalette::Button},           // 15 button face
    {QPalette::Active, QPalette::Dark},             // 16 button shadow
    {QPalette::Disabled, QPalette::Text},           // 17 grey text
    {QPalette::Active, QPalette::ButtonText},       // 18 button text
    {QPalette::Disabled, QPalette::WindowText},     // 19 inactive caption text
    {QPalette::Active, QPalette::Light},            // 20 button highlight
    {QPalette::Active, QPalette::Shadow},           // 21 dark 3D shadow
    {QPalette::Active, QPalette::Midlight},         // 22 3D light
    {QPalette::Active, QPalette::ToolTipText},      // 23 tool tip text
    {QPalette::Active, QPalette::ToolTipBase},      // 24 tool tip background
    {QPalette::NColorGroups, QPalette::NoRole},     // 25 unused: black
    {QPalette::Active, QPalette::Link},             // 26 hot-tracked item
    {QPalette::Active, QPalette::Highlight},        // 27 active caption gradient
    {QPalette::Active, QPalette::Mid},              // 28 inactive caption gradient
    {QPalette::Active, QPalette::Highlight},        // 29 menu highlight
    {QPalette::Active, QPalette::Window},           // 30 menu bar
}};

}  // namespace

QColor ColorFromRGB(int32_t lRGB) {
  return QColor(lRGB & 0xFF, (lRGB >> 8) & 0xFF, (lRGB >> 16) & 0xFF);
}

int32_t RGBFromColor(const QColor& color) {
  const QColor rgb = color.toRgb();
  return RGB(rgb.red(), rgb.green(), rgb.blue());
}

int32_t GetSysColor(int32_t iIndex) {
  if (iIndex < 0 || iIndex > kLastSysColorIndex) return 0;
  const sSysColorRole role = kRoles[static_cast<size_t>(iIndex)];
  if (role.eRole == QPalette::NoRole) return 0;
  const QPalette palette = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr
                               ? QGuiApplication::palette()
                               : QPalette();
  return RGBFromColor(palette.color(role.eGroup, role.eRole));
}

bool TranslateColor(int32_t lColor, int32_t& lRGB) {
  const uint32_t u = static_cast<uint32_t>(lColor);
  switch (u >> 24) {
    case 0x00:  // plain RGB
    case 0x02:  // palette-relative RGB: without a palette, the RGB itself
      lRGB = static_cast<int32_t>(u & 0x00FFFFFFu);
      return true;
    case 0x80: {
      const uint32_t uIndex = u & 0x00FFFFFFu;
      if (uIndex > static_cast<uint32_t>(kLastSysColorIndex)) return false;
      lRGB = GetSysColor(static_cast<int32_t>(uIndex));
      return true;
    }
    default:  // 0x01 (a palette index) needs a palette; everything else names nothing
      return false;
  }
}

int32_t TranslatedColorOrMinusOne(int32_t lColor) {
  int32_t lRGB = 0;
  return TranslateColor(lColor, lRGB) ? lRGB : -1;
}

}  // namespace brennic
