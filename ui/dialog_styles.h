// Window and control style bits of the dialog templates, with the values Windows gives them,
// and the window classes of the controls. Kept free of any Windows header: the templates are
// portable data that every backend renders.
#pragma once

#include <cstdint>

// Window styles.
constexpr std::uint32_t kWsPopup = 0x80000000;
constexpr std::uint32_t kWsChild = 0x40000000;
constexpr std::uint32_t kWsVisible = 0x10000000;
constexpr std::uint32_t kWsCaption = 0x00C00000;  // title bar: border and dialog frame
constexpr std::uint32_t kWsBorder = 0x00800000;
constexpr std::uint32_t kWsVScroll = 0x00200000;
constexpr std::uint32_t kWsSysMenu = 0x00080000;
constexpr std::uint32_t kWsGroup = 0x00020000;
constexpr std::uint32_t kWsTabStop = 0x00010000;

// Dialog styles.
constexpr std::uint32_t kDsSysModal = 0x0002;  // stays on top of other windows
constexpr std::uint32_t kDs3dLook = 0x0004;
constexpr std::uint32_t kDsSetFont = 0x0040;
constexpr std::uint32_t kDsModalFrame = 0x0080;

// Button styles; the low four bits hold the button type.
constexpr std::uint32_t kBsTypeMask = 0x000F;
constexpr std::uint32_t kBsPushButton = 0x0000;
constexpr std::uint32_t kBsCheckBox = 0x0002;     // the program sets the check mark itself
constexpr std::uint32_t kBsRadioButton = 0x0004;  // the program sets the mark itself
constexpr std::uint32_t kBsGroupBox = 0x0007;

// Static control styles; the low five bits hold the static type.
constexpr std::uint32_t kSsTypeMask = 0x001F;
constexpr std::uint32_t kSsLeft = 0x0000;
constexpr std::uint32_t kSsCenter = 0x0001;
constexpr std::uint32_t kSsRight = 0x0002;
constexpr std::uint32_t kSsBitmap = 0x000E;
constexpr std::uint32_t kSsSunken = 0x1000;

// List box styles.
constexpr std::uint32_t kLbsNotify = 0x0001;
constexpr std::uint32_t kLbsSort = 0x0002;
constexpr std::uint32_t kLbsDisableNoScroll = 0x1000;

// Progress bar styles.
constexpr std::uint32_t kPbsSmooth = 0x0001;
constexpr std::uint32_t kPbsVertical = 0x0004;

// Window classes of the controls.
constexpr const char* kButtonClass = "BUTTON";
constexpr const char* kStaticClass = "STATIC";
constexpr const char* kListBoxClass = "LISTBOX";
constexpr const char* kProgressBarClass = "msctls_progress32";
