// The test window: every control the indicator display draws into and every control the
// window's procedure reacts to, with the labels and group boxes around them.
//
// Item order: the two push buttons, the mainboard and module items, the eight group boxes,
// then the contents of each group box in the order of the boxes: its labels followed by its
// controls, except in "Trim - Panel", where each label is followed by the controls under it.
#include <iterator>

#include "ui/dialog_styles.h"
#include "ui/dialog_template.h"
#include "ui/test_window_ids.h"

// Looked up by name through findDialogTemplate.
extern const DialogTemplate kTestWindowTemplate;

namespace {

constexpr std::uint32_t kChild = kWsChild | kWsVisible;

// Labels are 8 high and, unless given, 36 wide.
constexpr DialogItem label(const char* text, int x, int y, int width = 36) {
    return {kStaticClass, kChild | kSsCenter | kWsGroup, x, y, width, 8, text, -1};
}
constexpr DialogItem rightLabel(const char* text, int x, int y, int width) {
    return {kStaticClass, kChild | kSsRight | kWsGroup, x, y, width, 8, text, -1};
}
constexpr DialogItem leftLabel(const char* text, int x, int y, int width) {
    return {kStaticClass, kChild | kSsLeft | kWsGroup, x, y, width, 8, text, -1};
}
constexpr DialogItem groupBox(const char* text, int x, int y, int width, int height) {
    return {kButtonClass, kChild | kBsGroupBox, x, y, width, height, text, -1};
}
constexpr DialogItem pushButton(int id, const char* text, int x, int y, int width, int height) {
    return {kButtonClass, kChild | kBsPushButton | kWsTabStop, x, y, width, height, text, id};
}
constexpr DialogItem checkBox(int id, const char* text, int x, int y, int width, int height) {
    return {kButtonClass, kChild | kBsCheckBox | kWsTabStop, x, y, width, height, text, id};
}
constexpr DialogItem radioButton(int id, const char* text, int x, int y, int width) {
    return {kButtonClass, kChild | kBsRadioButton, x, y, width, 9, text, id};
}
// The text names no bitmap: the control stays empty until the indicator display sets one.
constexpr DialogItem picture(int id, const char* text, int x, int y) {
    return {kStaticClass, kChild | kSsBitmap | kWsGroup, x, y, 16, 16, text, id};
}
constexpr DialogItem readout(int id, std::uint32_t style, const char* text, int x, int y, int width,
                             int height) {
    return {kStaticClass, kChild | style | kWsGroup, x, y, width, height, text, id};
}
constexpr DialogItem sunkenReadout(int id, const char* text, int x, int y) {
    return readout(id, kSsLeft | kSsSunken, text, x, y, 20, 9);
}
constexpr DialogItem channelReadout(int channel, int x) {
    return readout(kFirstChannelReadoutId + channel, kSsCenter | kSsSunken, "-", x, 245, 22, 9);
}
// The text is not shown.
constexpr DialogItem progressBar(int channel, const char* text, int x) {
    return {kProgressBarClass,
            kChild | kPbsSmooth | kPbsVertical,
            x,
            258,
            10,
            70,
            text,
            kFirstProgressBarId + channel};
}

const DialogItem kItems[] = {
    pushButton(kQuitButtonId, "&Quit", 460, 319, 50, 14),
    pushButton(kClearButtonId, "Clear", 460, 295, 50, 14),

    rightLabel("Mainboard:", 5, 280, 45),
    readout(kMainboardReadoutId, kSsLeft, "-", 55, 280, 40, 8),
    rightLabel("Modules:", 120, 280, 35),
    // Not sorted: the module registry fills it in its own order.
    {kListBoxClass,
     kChild | kLbsNotify | kLbsDisableNoScroll | kWsVScroll | kWsBorder | kWsGroup | kWsTabStop,
     160, 280, 200, 75, "", kModuleListId},

    groupBox("Single - Panel 1", 5, 3, 290, 130),
    groupBox("Single - Panel 2", 300, 3, 225, 130),
    groupBox("Twin - Panel 1", 5, 143, 290, 130),
    groupBox("Twin - Panel 2", 300, 143, 225, 130),
    groupBox("Trim - Panel", 530, 3, 70, 170),
    groupBox("LND-Gear - Panel", 605, 3, 120, 210),
    groupBox("Hobbsmeter", 530, 183, 70, 30),
    groupBox("Power Quadrant", 530, 223, 195, 130),

    // "Single - Panel 1"
    label("BATT", 52, 20),
    label("MASTER", 52, 28),
    label("ALTERN", 92, 20),
    label("ATOR", 92, 28),
    label("RADIO", 132, 20),
    label("MASTER", 132, 28),
    label("MAG", 12, 80),
    label("LEFT", 12, 88),
    label("MAG", 52, 80),
    label("RIGHT", 52, 88),
    label("STARTER", 92, 88),
    label("FUEL", 132, 80),
    label("PUMP", 132, 88),
    picture(2000, "SP1_1", 63, 40),
    picture(2001, "SP1_2", 103, 40),
    picture(2002, "SP1_3", 143, 40),
    picture(2003, "SP1_4", 23, 100),
    picture(2004, "SP1_5", 63, 100),
    picture(2005, "SP1_6", 103, 100),
    picture(2006, "SP1_7", 143, 100),

    // "Single - Panel 2"
    label("NAV", 307, 20),
    label("LIGHTS", 347, 20),
    label("STROBE", 347, 28),
    label("LANDING", 387, 20),
    label("PITOT", 427, 20),
    label("HEAT", 427, 28),
    label("ALT STAT", 307, 80),
    label("AIR", 307, 88),
    label("COWL", 347, 80),
    label("FLAPS", 347, 88),
    label("FUEL SELECTOR", 407, 80, 66),
    picture(2020, "SP2_1", 318, 40),
    picture(2021, "SP2_2", 358, 40),
    picture(2022, "SP2_3", 398, 40),
    picture(2023, "SP2_4", 438, 40),
    picture(2024, "SP2_5", 318, 100),
    picture(2025, "SP2_6", 358, 100),
    picture(2026, "SP2_7", 424, 98),

    // "Twin - Panel 1"
    label("BATT", 52, 160),
    label("MASTER", 52, 168),
    label("ALTERNATOR", 102, 160, 56),
    label("LEFT", 92, 168),
    label("RIGHT", 132, 168),
    label("RADIO", 172, 160),
    label("MASTER", 172, 168),
    label("MAG L.", 32, 220),
    label("LEFT", 12, 228),
    label("RIGHT", 52, 228),
    label("STARTER", 92, 228),
    label("MAG R.", 152, 220),
    label("LEFT", 132, 228),
    label("RIGHT", 172, 228),
    label("FUEL BOOST", 232, 220),
    label("LEFT", 212, 228),
    label("RIGHT", 252, 228),
    picture(2100, "TP1_1", 63, 180),
    picture(2101, "TP1_2", 103, 180),
    picture(2102, "TP1_3", 143, 180),
    picture(2103, "TP1_4", 183, 180),
    picture(2104, "TP1_5", 23, 240),
    picture(2105, "TP1_6", 63, 240),
    picture(2106, "TP1_7", 98, 248),
    picture(2107, "TP1_8", 143, 240),
    picture(2108, "TP1_9", 183, 240),
    picture(2109, "TP1_10", 223, 240),
    picture(2110, "TP1_11", 263, 240),

    // "Twin - Panel 2"
    label("NAV", 307, 160),
    label("LIGHTS", 347, 160),
    label("STROBE", 347, 168),
    label("LANDING", 387, 160),
    label("PITOT", 427, 160),
    label("HEAT", 427, 168),
    label("ALT STAT", 467, 160),
    label("AIR", 467, 168),
    label("COWL FLAPS", 327, 220),
    label("LEFT", 307, 228),
    label("RIGHT", 347, 228),
    label("FUEL SELECTOR", 447, 220),
    label("LEFT", 427, 228),
    label("RIGHT", 467, 228),
    picture(2120, "TP2_1", 318, 180),
    picture(2121, "TP2_2", 358, 180),
    picture(2122, "TP2_3", 398, 180),
    picture(2123, "TP2_4", 438, 180),
    picture(2124, "TP2_5", 478, 180),
    picture(2125, "TP2_6", 318, 240),
    picture(2126, "TP2_7", 358, 240),
    picture(2127, "TP2_8", 438, 240),
    picture(2128, "TP2_9", 478, 240),

    // "Trim - Panel": each label with the controls under it.
    label("RUDDER TRIM", 532, 20, 66),
    picture(kRudderTrimPictureId, "TR_1", 544, 34),
    sunkenReadout(kRudderTrimReadoutId, "-", 575, 40),
    label("ELEV TRIM", 532, 60, 66),
    picture(kElevatorTrimPictureId, "TR_2", 550, 74),
    sunkenReadout(kTrimCounterReadoutId, "-", 575, 82),
    label("ELEV TRIM IND.", 532, 107, 66),
    checkBox(kIndicatorOnBoxId, "Ind. On", 543, 119, 35, 10),
    pushButton(kStepDownButtonId, "DN", 543, 134, 20, 14),
    pushButton(kStepUpButtonId, "UP", 543, 150, 20, 14),
    sunkenReadout(kStepReadoutId, "1", 568, 145),

    // "LND-Gear - Panel"
    label("LND-GEAR", 612, 20, 101),
    label("WARN HORN", 612, 32, 50),
    label("HANDLE", 664, 32, 58),
    label("LEFT GEAR LIGHT", 612, 80, 101),
    label("NOSE GEAR LIGHT", 612, 104, 101),
    label("RIGHT GEAR  LIGHT", 612, 128, 101),
    label("FLAPS", 614, 170, 38),
    label("PARKBRAKE", 664, 170, 58),
    picture(kWarnHornPictureId, "LND_1", 630, 44),
    picture(kGearHandlePictureId, "LND_2", 685, 44),
    radioButton(kLeftGearOffId, "OFF", 608, 90, 30),
    radioButton(kLeftGearOffId + 1, "RED", 642, 90, 32),
    radioButton(kLeftGearOffId + 2, "GREEN", 678, 90, 45),
    radioButton(kNoseGearOffId, "OFF", 608, 114, 30),
    radioButton(kNoseGearOffId + 1, "RED", 642, 114, 32),
    radioButton(kNoseGearOffId + 2, "GREEN", 678, 114, 45),
    radioButton(kRightGearOffId, "OFF", 608, 138, 30),
    radioButton(kRightGearOffId + 1, "RED", 642, 138, 32),
    radioButton(kRightGearOffId + 2, "GREEN", 678, 138, 45),
    checkBox(kLightsDimmedBoxId, "Lights dimmed", 628, 152, 70, 10),
    picture(kFlapsPictureId, "LND_3", 625, 183),
    picture(kParkBrakePictureId, "LND_4", 685, 183),

    // "Hobbsmeter"
    radioButton(kHobbsOffId, "OFF", 533, 196, 30),
    radioButton(kHobbsOnId, "ON", 563, 196, 30),

    // "Power Quadrant": channel i has its read-out above its bar.
    label("THROTTLE", 543, 235, 48),
    label("PROPELLER", 606, 235, 48),
    label("MIXTURES", 669, 235, 48),
    leftLabel("TOGA", 535, 336, 20),
    channelReadout(0, 540),
    channelReadout(1, 572),
    channelReadout(2, 603),
    channelReadout(3, 632),
    channelReadout(4, 666),
    channelReadout(5, 695),
    progressBar(0, "Pos1", 546),
    progressBar(1, "Pos2", 578),
    progressBar(2, "Pos3", 609),
    progressBar(3, "Pos4", 638),
    progressBar(4, "Pos5", 672),
    progressBar(5, "Pos6", 701),
    picture(kTogaPictureId, "PQ_1", 562, 334),
};

}  // namespace

// No system menu and no minimize or maximize box; the program shows the window itself.
const DialogTemplate kTestWindowTemplate = {
    "SERIALWINZR8",
    "SERIALWINZR8",
    "ORVAN Mask Test",  // replaced as soon as the window is open
    kWsPopup | kWsCaption | kDsModalFrame | kDsSetFont | kDs3dLook,
    0,
    0,
    730,
    360,
    "MS Sans Serif",
    8,
    kItems,
    static_cast<int>(std::size(kItems)),
};
