// The connection selection window and the notice shown while the hardware scan runs.
#include <iterator>

#include "ui/connection_window_ids.h"
#include "ui/dialog_styles.h"
#include "ui/dialog_template.h"

// Looked up by name through findDialogTemplate.
extern const DialogTemplate kConnectionWindowTemplate;
extern const DialogTemplate kScanNoticeTemplate;

namespace {

// Stays on top, has no system menu (so no close box) and is shown by the program itself.
constexpr std::uint32_t kWindowStyle =
    kWsPopup | kWsCaption | kDsModalFrame | kDsSetFont | kDs3dLook | kDsSysModal;

constexpr std::uint32_t kChild = kWsChild | kWsVisible;
constexpr std::uint32_t kLabelStyle = kChild | kSsLeft | kWsGroup;
constexpr std::uint32_t kPushButtonStyle = kChild | kBsPushButton | kWsTabStop;
// Not sorted: row i of the list is row i of the connection table.
constexpr std::uint32_t kListStyle =
    kChild | kLbsNotify | kLbsDisableNoScroll | kWsBorder | kWsVScroll | kWsGroup | kWsTabStop;
constexpr std::uint32_t kRadioStyle = kChild | kBsRadioButton;

const DialogItem kConnectionWindowItems[] = {
    {kStaticClass, kLabelStyle, 10, 10, 80, 8, "ORVAN Hardware devices", -1},
    {kButtonClass, kPushButtonStyle, 230, 230, 50, 14, "Quit", kConnectionQuitId},
    {kButtonClass, kPushButtonStyle, 230, 210, 50, 14, "OK", kConnectionOkId},
    {kListBoxClass, kListStyle, 10, 20, 200, 240, "", kConnectionListId},
    {kStaticClass, kLabelStyle, 230, 10, 80, 10, "COMM Speed:", -1},
    {kButtonClass, kRadioStyle, 230, 20, 60, 9, "9600", kSpeed9600Id},
    {kButtonClass, kRadioStyle, 230, 30, 60, 9, "38400", kSpeed38400Id},
};

const DialogItem kScanNoticeItems[] = {
    {kStaticClass, kLabelStyle, 10, 10, 210, 8,
     "Scanning Computer for Serial Ports and ORVAN USB Hardware.", -1},
};

}  // namespace

const DialogTemplate kConnectionWindowTemplate = {
    "CONNECTIONWINZR8",
    "CONNECTIONWINZR8",
    "ORVAN Connection Selection",
    kWindowStyle,
    0,
    0,
    300,
    282,
    "MS Sans Serif",
    8,
    kConnectionWindowItems,
    static_cast<int>(std::size(kConnectionWindowItems)),
};

// The standard dialog class: the notice has no window procedure of its own.
const DialogTemplate kScanNoticeTemplate = {
    "PORTSCANWINZR8",
    nullptr,
    "ORVAN Scanning Hardware",
    kWindowStyle,
    0,
    0,
    230,
    30,
    "MS Sans Serif",
    8,
    kScanNoticeItems,
    static_cast<int>(std::size(kScanNoticeItems)),
};
