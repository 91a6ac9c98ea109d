// The dialog templates against the layout the windows are drawn from: every template's frame,
// and every item of it with its class, style, place, text and id, in template order.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "ui/dialog_styles.h"
#include "ui/dialog_template.h"

namespace {

// Expected values are written as Windows gives them, not taken from our named constants.
constexpr std::uint32_t kChildVisible = 0x50000000;

void expectItem(const DialogItem& actual, const DialogItem& expected) {
    EXPECT_STREQ(actual.windowClass, expected.windowClass);
    EXPECT_EQ(actual.style, expected.style) << std::hex << "0x" << actual.style;
    EXPECT_EQ(actual.x, expected.x);
    EXPECT_EQ(actual.y, expected.y);
    EXPECT_EQ(actual.width, expected.width);
    EXPECT_EQ(actual.height, expected.height);
    EXPECT_STREQ(actual.text, expected.text);
    EXPECT_EQ(actual.id, expected.id);
}

void expectItems(const DialogTemplate& dialog, const std::vector<DialogItem>& expected) {
    ASSERT_EQ(dialog.itemCount, static_cast<int>(expected.size()));
    ASSERT_NE(dialog.items, nullptr);
    for (int i = 0; i < dialog.itemCount; ++i) {
        SCOPED_TRACE("item " + std::to_string(i) + " \"" + expected[i].text + "\" id " +
                     std::to_string(expected[i].id));
        expectItem(dialog.items[i], expected[i]);
    }
}

const DialogTemplate& requireTemplate(const char* name) {
    const DialogTemplate* dialog = findDialogTemplate(name);
    if (dialog == nullptr) {
        ADD_FAILURE() << "no template " << name;
        static const DialogTemplate empty{};
        return empty;
    }
    return *dialog;
}

TEST(DialogStyles, NamedBitsCombineToTheWindowsValues) {
    struct Case {
        std::uint32_t combined;
        std::uint32_t expected;
    };
    const Case cases[] = {
        {kWsPopup | kWsCaption | kDsModalFrame | kDsSetFont | kDs3dLook | kDsSysModal, 0x80C000C6},
        {kWsPopup | kWsCaption | kDsModalFrame | kDsSetFont | kDs3dLook, 0x80C000C4},
        {kWsChild | kWsVisible | kSsLeft | kWsGroup, 0x50020000},
        {kWsChild | kWsVisible | kBsPushButton | kWsTabStop, 0x50010000},
        {kWsChild | kWsVisible | kLbsNotify | kLbsDisableNoScroll | kWsBorder | kWsVScroll |
             kWsGroup | kWsTabStop,
         0x50A31001},
        {kWsChild | kWsVisible | kBsRadioButton, 0x50000004},
        {kWsChild | kWsVisible | kBsCheckBox | kWsTabStop, 0x50010002},
        {kWsChild | kWsVisible | kBsGroupBox, 0x50000007},
        {kWsChild | kWsVisible | kSsCenter | kWsGroup, 0x50020001},
        {kWsChild | kWsVisible | kSsRight | kWsGroup, 0x50020002},
        {kWsChild | kWsVisible | kSsBitmap | kWsGroup, 0x5002000E},
        {kWsChild | kWsVisible | kSsCenter | kSsSunken | kWsGroup, 0x50021001},
        {kWsChild | kWsVisible | kPbsSmooth | kPbsVertical, 0x50000005},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.combined, c.expected) << std::hex << "0x" << c.expected;
    }
}

TEST(DialogTemplates, LookupByNameAndById) {
    int count = -1;
    const DialogTemplate* const* all = allDialogTemplates(count);
    ASSERT_EQ(count, 3);
    ASSERT_NE(all, nullptr);
    const char* const names[] = {"CONNECTIONWINZR8", "PORTSCANWINZR8", "SERIALWINZR8"};
    for (int i = 0; i < count; ++i) {
        ASSERT_NE(all[i], nullptr);
        EXPECT_STREQ(all[i]->name, names[i]);
        EXPECT_EQ(findDialogTemplate(names[i]), all[i]);
    }
    EXPECT_EQ(findDialogTemplate("serialwinzr8"), nullptr);
    EXPECT_EQ(findDialogTemplate("SERIALWIN"), nullptr);
    EXPECT_EQ(findDialogTemplate(""), nullptr);
    EXPECT_EQ(findDialogTemplate(nullptr), nullptr);

    const DialogTemplate& testWindow = requireTemplate("SERIALWINZR8");
    const DialogItem* step = findDialogItem(testWindow, 2207);
    ASSERT_NE(step, nullptr);
    EXPECT_GE(step, testWindow.items);
    EXPECT_LT(step, testWindow.items + testWindow.itemCount);
    EXPECT_EQ(step->id, 2207);
    EXPECT_STREQ(step->text, "1");
    EXPECT_EQ(findDialogItem(testWindow, -1), nullptr);  // labels and group boxes
    EXPECT_EQ(findDialogItem(testWindow, 2129), nullptr);
    EXPECT_EQ(findDialogItem(testWindow, 502), nullptr);  // an id of the connection window
    const DialogItem* list = findDialogItem(requireTemplate("CONNECTIONWINZR8"), 502);
    ASSERT_NE(list, nullptr);
    EXPECT_STREQ(list->windowClass, "LISTBOX");
}

TEST(ConnectionWindowTemplate, FrameAndItems) {
    const DialogTemplate& dialog = requireTemplate("CONNECTIONWINZR8");
    EXPECT_STREQ(dialog.windowClass, "CONNECTIONWINZR8");
    EXPECT_STREQ(dialog.title, "ORVAN Connection Selection");
    EXPECT_EQ(dialog.style, 0x80C000C6u);
    EXPECT_EQ(dialog.width, 300);
    EXPECT_EQ(dialog.height, 282);
    EXPECT_STREQ(dialog.fontName, "MS Sans Serif");
    EXPECT_EQ(dialog.fontPointSize, 8);
    expectItems(dialog, {
                            {"STATIC", 0x50020000, 10, 10, 80, 8, "ORVAN Hardware devices", -1},
                            {"BUTTON", 0x50010000, 230, 230, 50, 14, "Quit", 500},
                            {"BUTTON", 0x50010000, 230, 210, 50, 14, "OK", 501},
                            {"LISTBOX", 0x50A31001, 10, 20, 200, 240, "", 502},
                            {"STATIC", 0x50020000, 230, 10, 80, 10, "COMM Speed:", -1},
                            {"BUTTON", 0x50000004, 230, 20, 60, 9, "9600", 503},
                            {"BUTTON", 0x50000004, 230, 30, 60, 9, "38400", 504},
                        });
}

TEST(ScanNoticeTemplate, FrameAndItem) {
    const DialogTemplate& dialog = requireTemplate("PORTSCANWINZR8");
    EXPECT_EQ(dialog.windowClass, nullptr);  // the standard dialog class
    EXPECT_STREQ(dialog.title, "ORVAN Scanning Hardware");
    EXPECT_EQ(dialog.style, 0x80C000C6u);
    EXPECT_EQ(dialog.width, 230);
    EXPECT_EQ(dialog.height, 30);
    EXPECT_STREQ(dialog.fontName, "MS Sans Serif");
    EXPECT_EQ(dialog.fontPointSize, 8);
    expectItems(dialog, {{"STATIC", 0x50020000, 10, 10, 210, 8,
                          "Scanning Computer for Serial Ports and ORVAN USB Hardware.", -1}});
}

TEST(TestWindowTemplate, Frame) {
    const DialogTemplate& dialog = requireTemplate("SERIALWINZR8");
    EXPECT_STREQ(dialog.windowClass, "SERIALWINZR8");
    EXPECT_STREQ(dialog.title, "ORVAN Mask Test");
    // Popup with caption, modal frame, font and 3-D look; no system menu, minimize or
    // maximize box, not visible, not system-modal.
    EXPECT_EQ(dialog.style, 0x80C000C4u);
    EXPECT_EQ(dialog.x, 0);
    EXPECT_EQ(dialog.y, 0);
    EXPECT_EQ(dialog.width, 730);
    EXPECT_EQ(dialog.height, 360);
    EXPECT_STREQ(dialog.fontName, "MS Sans Serif");
    EXPECT_EQ(dialog.fontPointSize, 8);
}

// Kinds of the test window's items, each with its class and full style.
enum Kind {
    kPushButton,
    kCheckBox,
    kRadioButton,
    kGroupBox,
    kLabel,
    kRightLabel,
    kLeftLabel,
    kPicture,
    kPlainReadout,
    kSunkenReadout,
    kCenteredReadout,
    kListBox,
    kProgressBar,
};

struct KindLook {
    const char* windowClass;
    std::uint32_t style;
};

KindLook lookOf(Kind kind) {
    switch (kind) {
        case kPushButton:
            return {"BUTTON", kChildVisible | 0x00010000};
        case kCheckBox:
            return {"BUTTON", kChildVisible | 0x00010002};
        case kRadioButton:
            return {"BUTTON", kChildVisible | 0x00000004};
        case kGroupBox:
            return {"BUTTON", kChildVisible | 0x00000007};
        case kLabel:
            return {"STATIC", kChildVisible | 0x00020001};
        case kRightLabel:
            return {"STATIC", kChildVisible | 0x00020002};
        case kLeftLabel:
            return {"STATIC", kChildVisible | 0x00020000};
        case kPicture:
            return {"STATIC", kChildVisible | 0x0002000E};
        case kPlainReadout:
            return {"STATIC", kChildVisible | 0x00020000};
        case kSunkenReadout:
            return {"STATIC", kChildVisible | 0x00021000};
        case kCenteredReadout:
            return {"STATIC", kChildVisible | 0x00021001};
        case kListBox:
            return {"LISTBOX", kChildVisible | 0x00A31001};
        case kProgressBar:
            return {"msctls_progress32", kChildVisible | 0x00000005};
    }
    return {"", 0};
}

struct LayoutRow {
    Kind kind;
    const char* text;
    int id;
    int x;
    int y;
    int width;
    int height;
};

// The whole test window in template order: push buttons, mainboard and module items, group
// boxes, then each group box's labels and controls ("Trim - Panel": each label with the
// controls under it).
const LayoutRow kTestWindowLayout[] = {
    {kPushButton, "&Quit", 1000, 460, 319, 50, 14},
    {kPushButton, "Clear", 1001, 460, 295, 50, 14},
    {kRightLabel, "Mainboard:", -1, 5, 280, 45, 8},
    {kPlainReadout, "-", 1002, 55, 280, 40, 8},
    {kRightLabel, "Modules:", -1, 120, 280, 35, 8},
    {kListBox, "", 1003, 160, 280, 200, 75},
    {kGroupBox, "Single - Panel 1", -1, 5, 3, 290, 130},
    {kGroupBox, "Single - Panel 2", -1, 300, 3, 225, 130},
    {kGroupBox, "Twin - Panel 1", -1, 5, 143, 290, 130},
    {kGroupBox, "Twin - Panel 2", -1, 300, 143, 225, 130},
    {kGroupBox, "Trim - Panel", -1, 530, 3, 70, 170},
    {kGroupBox, "LND-Gear - Panel", -1, 605, 3, 120, 210},
    {kGroupBox, "Hobbsmeter", -1, 530, 183, 70, 30},
    {kGroupBox, "Power Quadrant", -1, 530, 223, 195, 130},
    {kLabel, "BATT", -1, 52, 20, 36, 8},
    {kLabel, "MASTER", -1, 52, 28, 36, 8},
    {kLabel, "ALTERN", -1, 92, 20, 36, 8},
    {kLabel, "ATOR", -1, 92, 28, 36, 8},
    {kLabel, "RADIO", -1, 132, 20, 36, 8},
    {kLabel, "MASTER", -1, 132, 28, 36, 8},
    {kLabel, "MAG", -1, 12, 80, 36, 8},
    {kLabel, "LEFT", -1, 12, 88, 36, 8},
    {kLabel, "MAG", -1, 52, 80, 36, 8},
    {kLabel, "RIGHT", -1, 52, 88, 36, 8},
    {kLabel, "STARTER", -1, 92, 88, 36, 8},
    {kLabel, "FUEL", -1, 132, 80, 36, 8},
    {kLabel, "PUMP", -1, 132, 88, 36, 8},
    {kPicture, "SP1_1", 2000, 63, 40, 16, 16},
    {kPicture, "SP1_2", 2001, 103, 40, 16, 16},
    {kPicture, "SP1_3", 2002, 143, 40, 16, 16},
    {kPicture, "SP1_4", 2003, 23, 100, 16, 16},
    {kPicture, "SP1_5", 2004, 63, 100, 16, 16},
    {kPicture, "SP1_6", 2005, 103, 100, 16, 16},
    {kPicture, "SP1_7", 2006, 143, 100, 16, 16},
    {kLabel, "NAV", -1, 307, 20, 36, 8},
    {kLabel, "LIGHTS", -1, 347, 20, 36, 8},
    {kLabel, "STROBE", -1, 347, 28, 36, 8},
    {kLabel, "LANDING", -1, 387, 20, 36, 8},
    {kLabel, "PITOT", -1, 427, 20, 36, 8},
    {kLabel, "HEAT", -1, 427, 28, 36, 8},
    {kLabel, "ALT STAT", -1, 307, 80, 36, 8},
    {kLabel, "AIR", -1, 307, 88, 36, 8},
    {kLabel, "COWL", -1, 347, 80, 36, 8},
    {kLabel, "FLAPS", -1, 347, 88, 36, 8},
    {kLabel, "FUEL SELECTOR", -1, 407, 80, 66, 8},
    {kPicture, "SP2_1", 2020, 318, 40, 16, 16},
    {kPicture, "SP2_2", 2021, 358, 40, 16, 16},
    {kPicture, "SP2_3", 2022, 398, 40, 16, 16},
    {kPicture, "SP2_4", 2023, 438, 40, 16, 16},
    {kPicture, "SP2_5", 2024, 318, 100, 16, 16},
    {kPicture, "SP2_6", 2025, 358, 100, 16, 16},
    {kPicture, "SP2_7", 2026, 424, 98, 16, 16},
    {kLabel, "BATT", -1, 52, 160, 36, 8},
    {kLabel, "MASTER", -1, 52, 168, 36, 8},
    {kLabel, "ALTERNATOR", -1, 102, 160, 56, 8},
    {kLabel, "LEFT", -1, 92, 168, 36, 8},
    {kLabel, "RIGHT", -1, 132, 168, 36, 8},
    {kLabel, "RADIO", -1, 172, 160, 36, 8},
    {kLabel, "MASTER", -1, 172, 168, 36, 8},
    {kLabel, "MAG L.", -1, 32, 220, 36, 8},
    {kLabel, "LEFT", -1, 12, 228, 36, 8},
    {kLabel, "RIGHT", -1, 52, 228, 36, 8},
    {kLabel, "STARTER", -1, 92, 228, 36, 8},
    {kLabel, "MAG R.", -1, 152, 220, 36, 8},
    {kLabel, "LEFT", -1, 132, 228, 36, 8},
    {kLabel, "RIGHT", -1, 172, 228, 36, 8},
    {kLabel, "FUEL BOOST", -1, 232, 220, 36, 8},
    {kLabel, "LEFT", -1, 212, 228, 36, 8},
    {kLabel, "RIGHT", -1, 252, 228, 36, 8},
    {kPicture, "TP1_1", 2100, 63, 180, 16, 16},
    {kPicture, "TP1_2", 2101, 103, 180, 16, 16},
    {kPicture, "TP1_3", 2102, 143, 180, 16, 16},
    {kPicture, "TP1_4", 2103, 183, 180, 16, 16},
    {kPicture, "TP1_5", 2104, 23, 240, 16, 16},
    {kPicture, "TP1_6", 2105, 63, 240, 16, 16},
    {kPicture, "TP1_7", 2106, 98, 248, 16, 16},
    {kPicture, "TP1_8", 2107, 143, 240, 16, 16},
    {kPicture, "TP1_9", 2108, 183, 240, 16, 16},
    {kPicture, "TP1_10", 2109, 223, 240, 16, 16},
    {kPicture, "TP1_11", 2110, 263, 240, 16, 16},
    {kLabel, "NAV", -1, 307, 160, 36, 8},
    {kLabel, "LIGHTS", -1, 347, 160, 36, 8},
    {kLabel, "STROBE", -1, 347, 168, 36, 8},
    {kLabel, "LANDING", -1, 387, 160, 36, 8},
    {kLabel, "PITOT", -1, 427, 160, 36, 8},
    {kLabel, "HEAT", -1, 427, 168, 36, 8},
    {kLabel, "ALT STAT", -1, 467, 160, 36, 8},
    {kLabel, "AIR", -1, 467, 168, 36, 8},
    {kLabel, "COWL FLAPS", -1, 327, 220, 36, 8},
    {kLabel, "LEFT", -1, 307, 228, 36, 8},
    {kLabel, "RIGHT", -1, 347, 228, 36, 8},
    {kLabel, "FUEL SELECTOR", -1, 447, 220, 36, 8},
    {kLabel, "LEFT", -1, 427, 228, 36, 8},
    {kLabel, "RIGHT", -1, 467, 228, 36, 8},
    {kPicture, "TP2_1", 2120, 318, 180, 16, 16},
    {kPicture, "TP2_2", 2121, 358, 180, 16, 16},
    {kPicture, "TP2_3", 2122, 398, 180, 16, 16},
    {kPicture, "TP2_4", 2123, 438, 180, 16, 16},
    {kPicture, "TP2_5", 2124, 478, 180, 16, 16},
    {kPicture, "TP2_6", 2125, 318, 240, 16, 16},
    {kPicture, "TP2_7", 2126, 358, 240, 16, 16},
    {kPicture, "TP2_8", 2127, 438, 240, 16, 16},
    {kPicture, "TP2_9", 2128, 478, 240, 16, 16},
    {kLabel, "RUDDER TRIM", -1, 532, 20, 66, 8},
    {kPicture, "TR_1", 2200, 544, 34, 16, 16},
    {kSunkenReadout, "-", 2201, 575, 40, 20, 9},
    {kLabel, "ELEV TRIM", -1, 532, 60, 66, 8},
    {kPicture, "TR_2", 2202, 550, 74, 16, 16},
    {kSunkenReadout, "-", 2203, 575, 82, 20, 9},
    {kLabel, "ELEV TRIM IND.", -1, 532, 107, 66, 8},
    {kCheckBox, "Ind. On", 2204, 543, 119, 35, 10},
    {kPushButton, "DN", 2205, 543, 134, 20, 14},
    {kPushButton, "UP", 2206, 543, 150, 20, 14},
    {kSunkenReadout, "1", 2207, 568, 145, 20, 9},
    {kLabel, "LND-GEAR", -1, 612, 20, 101, 8},
    {kLabel, "WARN HORN", -1, 612, 32, 50, 8},
    {kLabel, "HANDLE", -1, 664, 32, 58, 8},
    {kLabel, "LEFT GEAR LIGHT", -1, 612, 80, 101, 8},
    {kLabel, "NOSE GEAR LIGHT", -1, 612, 104, 101, 8},
    {kLabel, "RIGHT GEAR  LIGHT", -1, 612, 128, 101, 8},
    {kLabel, "FLAPS", -1, 614, 170, 38, 8},
    {kLabel, "PARKBRAKE", -1, 664, 170, 58, 8},
    {kPicture, "LND_1", 2300, 630, 44, 16, 16},
    {kPicture, "LND_2", 2301, 685, 44, 16, 16},
    {kRadioButton, "OFF", 2302, 608, 90, 30, 9},
    {kRadioButton, "RED", 2303, 642, 90, 32, 9},
    {kRadioButton, "GREEN", 2304, 678, 90, 45, 9},
    {kRadioButton, "OFF", 2305, 608, 114, 30, 9},
    {kRadioButton, "RED", 2306, 642, 114, 32, 9},
    {kRadioButton, "GREEN", 2307, 678, 114, 45, 9},
    {kRadioButton, "OFF", 2308, 608, 138, 30, 9},
    {kRadioButton, "RED", 2309, 642, 138, 32, 9},
    {kRadioButton, "GREEN", 2310, 678, 138, 45, 9},
    {kCheckBox, "Lights dimmed", 2311, 628, 152, 70, 10},
    {kPicture, "LND_3", 2312, 625, 183, 16, 16},
    {kPicture, "LND_4", 2313, 685, 183, 16, 16},
    {kRadioButton, "OFF", 2400, 533, 196, 30, 9},
    {kRadioButton, "ON", 2401, 563, 196, 30, 9},
    {kLabel, "THROTTLE", -1, 543, 235, 48, 8},
    {kLabel, "PROPELLER", -1, 606, 235, 48, 8},
    {kLabel, "MIXTURES", -1, 669, 235, 48, 8},
    {kLeftLabel, "TOGA", -1, 535, 336, 20, 8},
    {kCenteredReadout, "-", 2500, 540, 245, 22, 9},
    {kCenteredReadout, "-", 2501, 572, 245, 22, 9},
    {kCenteredReadout, "-", 2502, 603, 245, 22, 9},
    {kCenteredReadout, "-", 2503, 632, 245, 22, 9},
    {kCenteredReadout, "-", 2504, 666, 245, 22, 9},
    {kCenteredReadout, "-", 2505, 695, 245, 22, 9},
    {kProgressBar, "Pos1", 2506, 546, 258, 10, 70},
    {kProgressBar, "Pos2", 2507, 578, 258, 10, 70},
    {kProgressBar, "Pos3", 2508, 609, 258, 10, 70},
    {kProgressBar, "Pos4", 2509, 638, 258, 10, 70},
    {kProgressBar, "Pos5", 2510, 672, 258, 10, 70},
    {kProgressBar, "Pos6", 2511, 701, 258, 10, 70},
    {kPicture, "PQ_1", 2512, 562, 334, 16, 16},
};

TEST(TestWindowTemplate, ItemsInTemplateOrder) {
    std::vector<DialogItem> expected;
    for (const LayoutRow& row : kTestWindowLayout) {
        const KindLook look = lookOf(row.kind);
        expected.push_back(
            {look.windowClass, look.style, row.x, row.y, row.width, row.height, row.text, row.id});
    }
    expectItems(requireTemplate("SERIALWINZR8"), expected);
}

TEST(TestWindowTemplate, EveryControlIdOnceAndEveryOtherItemAtMinusOne) {
    // Read-outs and list, push buttons, pictures, trim controls, gear lights, hobbs meter,
    // channel read-outs, bars and TOGA.
    std::set<int> expectedIds = {1000, 1001, 1002, 1003};
    auto addRange = [&expectedIds](int first, int last) {
        for (int id = first; id <= last; ++id) {
            expectedIds.insert(id);
        }
    };
    addRange(2000, 2006);
    addRange(2020, 2026);
    addRange(2100, 2110);
    addRange(2120, 2128);
    addRange(2200, 2207);
    addRange(2300, 2313);
    addRange(2400, 2401);
    addRange(2500, 2512);
    ASSERT_EQ(expectedIds.size(), 75u);

    const DialogTemplate& dialog = requireTemplate("SERIALWINZR8");
    ASSERT_EQ(dialog.itemCount, 155);
    std::map<int, int> timesSeen;
    int groupBoxes = 0;
    int labels = 0;
    for (int i = 0; i < dialog.itemCount; ++i) {
        const DialogItem& item = dialog.items[i];
        if (item.id != -1) {
            ++timesSeen[item.id];
            continue;
        }
        if (std::strcmp(item.windowClass, "BUTTON") == 0 && (item.style & 0xF) == 7) {
            ++groupBoxes;
        } else if (std::strcmp(item.windowClass, "STATIC") == 0 && (item.style & 0x1F) != 0x0E) {
            ++labels;
        } else {
            ADD_FAILURE() << "item " << i << " \"" << item.text << "\" has no id";
        }
    }
    EXPECT_EQ(groupBoxes, 8);
    EXPECT_EQ(labels, 72);
    std::set<int> ids;
    for (const auto& [id, times] : timesSeen) {
        EXPECT_EQ(times, 1) << "id " << id;
        ids.insert(id);
    }
    EXPECT_EQ(ids, expectedIds);
}

TEST(TestWindowTemplate, ReadoutsStartWithTheirTexts) {
    const DialogTemplate& dialog = requireTemplate("SERIALWINZR8");
    const std::pair<int, const char*> readouts[] = {
        {1002, "-"}, {2201, "-"}, {2203, "-"}, {2207, "1"}, {2500, "-"},
        {2501, "-"}, {2502, "-"}, {2503, "-"}, {2504, "-"}, {2505, "-"},
    };
    for (const auto& [id, text] : readouts) {
        const DialogItem* item = findDialogItem(dialog, id);
        ASSERT_NE(item, nullptr) << "id " << id;
        EXPECT_STREQ(item->windowClass, "STATIC") << "id " << id;
        EXPECT_STREQ(item->text, text) << "id " << id;
    }
}

const DialogItem* findLabel(const DialogTemplate& dialog, const char* text) {
    const DialogItem* found = nullptr;
    for (int i = 0; i < dialog.itemCount; ++i) {
        if (dialog.items[i].id == -1 && std::strcmp(dialog.items[i].text, text) == 0) {
            EXPECT_EQ(found, nullptr) << "\"" << text << "\" twice";
            found = &dialog.items[i];
        }
    }
    return found;
}

TEST(TestWindowTemplate, GearLightRowsStandUnderTheirLabels) {
    const DialogTemplate& dialog = requireTemplate("SERIALWINZR8");
    const DialogItem* labels[] = {findLabel(dialog, "LEFT GEAR LIGHT"),
                                  findLabel(dialog, "NOSE GEAR LIGHT"),
                                  findLabel(dialog, "RIGHT GEAR  LIGHT")};
    const int offIds[] = {2302, 2305, 2308};
    const char* const choices[] = {"OFF", "RED", "GREEN"};
    const DialogItem* dimmed = findDialogItem(dialog, 2311);
    ASSERT_NE(dimmed, nullptr);
    for (const DialogItem* label : labels) {
        ASSERT_NE(label, nullptr);
    }

    for (int row = 0; row < 3; ++row) {
        SCOPED_TRACE("gear-light row " + std::to_string(row));
        // Each row lies between its own label and the next label, or "Lights dimmed".
        const int top = labels[row]->y + labels[row]->height;
        const int bottom = row < 2 ? labels[row + 1]->y : dimmed->y;
        int previousRight = -1;
        for (int k = 0; k < 3; ++k) {
            const DialogItem* radio = findDialogItem(dialog, offIds[row] + k);
            ASSERT_NE(radio, nullptr);
            EXPECT_STREQ(radio->text, choices[k]);
            EXPECT_EQ(radio->style & 0xF, 4u);  // radio button
            EXPECT_GE(radio->y, top);
            EXPECT_LE(radio->y + radio->height, bottom);
            EXPECT_GE(radio->x, previousRight);  // left to right, side by side
            previousRight = radio->x + radio->width;
        }
    }
}

struct Rect {
    int left;
    int top;
    int right;
    int bottom;
};

Rect rectOf(const DialogItem& item) {
    return {item.x, item.y, item.x + item.width, item.y + item.height};
}

bool contains(const Rect& outer, const Rect& inner) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

bool overlaps(const Rect& a, const Rect& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// Every control of a group box lies inside that box; the controls outside all boxes overlap
// none of them.
TEST(TestWindowTemplate, ControlsLieInsideTheirGroupBoxes) {
    const DialogTemplate& dialog = requireTemplate("SERIALWINZR8");
    std::map<std::string, Rect> boxes;
    for (int i = 0; i < dialog.itemCount; ++i) {
        const DialogItem& item = dialog.items[i];
        if (std::strcmp(item.windowClass, "BUTTON") == 0 && (item.style & 0xF) == 7) {
            boxes[item.text] = rectOf(item);
        }
    }
    ASSERT_EQ(boxes.size(), 8u);

    const std::pair<int, const char*> enclosed[] = {
        {2000, "Single - Panel 1"}, {2001, "Single - Panel 1"}, {2002, "Single - Panel 1"},
        {2003, "Single - Panel 1"}, {2004, "Single - Panel 1"}, {2005, "Single - Panel 1"},
        {2006, "Single - Panel 1"}, {2020, "Single - Panel 2"}, {2021, "Single - Panel 2"},
        {2022, "Single - Panel 2"}, {2023, "Single - Panel 2"}, {2024, "Single - Panel 2"},
        {2025, "Single - Panel 2"}, {2026, "Single - Panel 2"}, {2100, "Twin - Panel 1"},
        {2101, "Twin - Panel 1"},   {2102, "Twin - Panel 1"},   {2103, "Twin - Panel 1"},
        {2104, "Twin - Panel 1"},   {2105, "Twin - Panel 1"},   {2106, "Twin - Panel 1"},
        {2107, "Twin - Panel 1"},   {2108, "Twin - Panel 1"},   {2109, "Twin - Panel 1"},
        {2110, "Twin - Panel 1"},   {2120, "Twin - Panel 2"},   {2121, "Twin - Panel 2"},
        {2122, "Twin - Panel 2"},   {2123, "Twin - Panel 2"},   {2124, "Twin - Panel 2"},
        {2125, "Twin - Panel 2"},   {2126, "Twin - Panel 2"},   {2127, "Twin - Panel 2"},
        {2128, "Twin - Panel 2"},   {2200, "Trim - Panel"},     {2201, "Trim - Panel"},
        {2202, "Trim - Panel"},     {2203, "Trim - Panel"},     {2204, "Trim - Panel"},
        {2205, "Trim - Panel"},     {2206, "Trim - Panel"},     {2207, "Trim - Panel"},
        {2300, "LND-Gear - Panel"}, {2301, "LND-Gear - Panel"}, {2302, "LND-Gear - Panel"},
        {2303, "LND-Gear - Panel"}, {2304, "LND-Gear - Panel"}, {2305, "LND-Gear - Panel"},
        {2306, "LND-Gear - Panel"}, {2307, "LND-Gear - Panel"}, {2308, "LND-Gear - Panel"},
        {2309, "LND-Gear - Panel"}, {2310, "LND-Gear - Panel"}, {2311, "LND-Gear - Panel"},
        {2312, "LND-Gear - Panel"}, {2313, "LND-Gear - Panel"}, {2400, "Hobbsmeter"},
        {2401, "Hobbsmeter"},       {2500, "Power Quadrant"},   {2501, "Power Quadrant"},
        {2502, "Power Quadrant"},   {2503, "Power Quadrant"},   {2504, "Power Quadrant"},
        {2505, "Power Quadrant"},   {2506, "Power Quadrant"},   {2507, "Power Quadrant"},
        {2508, "Power Quadrant"},   {2509, "Power Quadrant"},   {2510, "Power Quadrant"},
        {2511, "Power Quadrant"},   {2512, "Power Quadrant"},
    };
    std::set<int> checked;
    for (const auto& [id, boxName] : enclosed) {
        const DialogItem* item = findDialogItem(dialog, id);
        ASSERT_NE(item, nullptr) << "id " << id;
        auto box = boxes.find(boxName);
        ASSERT_NE(box, boxes.end()) << boxName;
        EXPECT_TRUE(contains(box->second, rectOf(*item))) << "id " << id << " in " << boxName;
        checked.insert(id);
    }
    for (int i = 0; i < dialog.itemCount; ++i) {
        const DialogItem& item = dialog.items[i];
        if (item.id == -1 || checked.count(item.id) != 0) {
            continue;
        }
        for (const auto& [boxName, box] : boxes) {
            EXPECT_FALSE(overlaps(box, rectOf(item))) << "id " << item.id << " on " << boxName;
        }
    }
    EXPECT_EQ(checked.size(), 71u);
}

}  // namespace
