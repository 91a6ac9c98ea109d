// The slot table against the test window's template: every slot's group box encloses its
// control and its label is made of the label texts standing just above that control, as a
// technician reads them on the panel.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "monitor/catalog/slot_catalog.h"
#include "ui/dialog_template.h"

namespace {

// Words the window writes over two lines, read as one on the panel.
const char* asReadOnThePanel(const std::string& lines) {
    return lines == "ALTERN ATOR" ? "ALTERNATOR" : nullptr;
}

bool isGroupBox(const DialogItem& item) {
    return std::strcmp(item.windowClass, "BUTTON") == 0 && (item.style & 0xF) == 7;
}

bool isLabel(const DialogItem& item) {
    return std::strcmp(item.windowClass, "STATIC") == 0 && item.id == -1;
}

bool encloses(const DialogItem& box, const DialogItem& item) {
    return item.x >= box.x && item.y >= box.y && item.x + item.width <= box.x + box.width &&
           item.y + item.height <= box.y + box.height;
}

// The labels of the box whose width spans the control's centre and that stand at most 20 dialog
// units above it, top to bottom, joined by blanks.
std::string labelAbove(const DialogTemplate& dialog, const DialogItem& box,
                       const DialogItem& control) {
    std::vector<const DialogItem*> above;
    const int centre = control.x + control.width / 2;
    for (int i = 0; i < dialog.itemCount; ++i) {
        const DialogItem& item = dialog.items[i];
        if (isLabel(item) && encloses(box, item) && item.x <= centre &&
            centre <= item.x + item.width && item.y < control.y && control.y - item.y <= 20) {
            above.push_back(&item);
        }
    }
    std::sort(above.begin(), above.end(),
              [](const DialogItem* a, const DialogItem* b) { return a->y < b->y; });
    std::string joined;
    for (const DialogItem* item : above) {
        joined += (joined.empty() ? "" : " ") + std::string(item->text);
    }
    return joined;
}

// A label of that text in the box, in the row just above the control's own label.
bool hasHeading(const DialogTemplate& dialog, const DialogItem& box, const DialogItem& control,
                const std::string& text) {
    for (int i = 0; i < dialog.itemCount; ++i) {
        const DialogItem& item = dialog.items[i];
        if (isLabel(item) && encloses(box, item) && text == item.text && item.y < control.y &&
            control.y - item.y <= 20 && std::abs(item.x - control.x) <= 40) {
            return true;
        }
    }
    return false;
}

TEST(SlotCatalog, GroupBoxesAndLabelsAreTheTestWindows) {
    const DialogTemplate* dialog = findDialogTemplate("SERIALWINZR8");
    ASSERT_NE(dialog, nullptr);
    for (int slot = 0; slot < kCatalogSlotCount; ++slot) {
        SCOPED_TRACE("slot " + std::to_string(slot));
        const SlotInfo& info = slotInfo(slot);
        EXPECT_EQ(info.slot, slot);
        const DialogItem* control = findDialogItem(*dialog, info.controlId);
        ASSERT_NE(control, nullptr);
        const DialogItem* box = nullptr;
        for (int i = 0; i < dialog->itemCount; ++i) {
            if (isGroupBox(dialog->items[i]) && encloses(dialog->items[i], *control)) {
                box = &dialog->items[i];
            }
        }
        ASSERT_NE(box, nullptr);
        EXPECT_STREQ(info.groupBox, box->text);
        std::string label = info.label;
        if (info.kind == SlotKind::AnalogueChannel) {
            // Two channels share each lever label; the catalog numbers them 1 and 2.
            const char expected = static_cast<char>('1' + (slot - 40) % 2);
            ASSERT_EQ(label.back(), expected);
            label.resize(label.size() - 2);
        }
        if (slot == 46) {
            EXPECT_EQ(label, "TOGA");  // the one label that stands to the left of its control
            continue;
        }
        // The column's own labels end the name; a heading that spans two columns over the twin
        // panels may stand before them.
        std::string own = labelAbove(*dialog, *box, *control);
        ASSERT_FALSE(own.empty());
        if (const char* read = asReadOnThePanel(own)) {
            own = read;
        }
        ASSERT_GE(label.size(), own.size());
        EXPECT_EQ(label.substr(label.size() - own.size()), own);
        if (label.size() > own.size()) {
            const std::string heading = label.substr(0, label.size() - own.size() - 1);
            EXPECT_TRUE(hasHeading(*dialog, *box, *control, heading)) << heading;
        }
    }
}

// The test window draws each slot into the control of its row, with the row's family: a picture
// for the picture kinds, the trims' own pictures, the read-out of an analogue channel.
TEST(SlotCatalog, ControlsAndFamiliesFitTheKinds) {
    const DialogTemplate* dialog = findDialogTemplate("SERIALWINZR8");
    ASSERT_NE(dialog, nullptr);
    for (int slot = 0; slot < kCatalogSlotCount; ++slot) {
        const SlotInfo& info = slotInfo(slot);
        const DialogItem* control = findDialogItem(*dialog, info.controlId);
        ASSERT_NE(control, nullptr) << "slot " << slot;
        const bool picture = (control->style & 0x1F) == 0x0E;
        EXPECT_EQ(picture, info.kind != SlotKind::AnalogueChannel) << "slot " << slot;
        EXPECT_EQ(info.family == -1, info.kind == SlotKind::AnalogueChannel) << "slot " << slot;
    }
}

TEST(SlotCatalog, ModulesOwnTheSlotsTheirReportsSet) {
    struct Range {
        int module;
        int first;
        int last;
    };
    const Range ranges[] = {{18, 0, 6},   {19, 7, 13},  {16, 14, 24}, {17, 25, 33},
                            {24, 34, 35}, {99, 36, 39}, {98, 40, 46}};
    for (const Range& range : ranges) {
        for (int slot = range.first; slot <= range.last; ++slot) {
            EXPECT_EQ(slotInfo(slot).moduleType, range.module) << "slot " << slot;
        }
        EXPECT_STREQ(moduleGroupBox(range.module), slotInfo(range.first).groupBox);
    }
    EXPECT_EQ(moduleGroupBox(97), nullptr);  // the hobbs meter reports nothing
    EXPECT_EQ(moduleGroupBox(50), nullptr);
    EXPECT_EQ(slotName(0), "Single - Panel 1 / BATT MASTER");
    EXPECT_EQ(slotName(1), "Single - Panel 1 / ALTERNATOR");
}

TEST(SlotCatalog, ValuesInWords) {
    struct Case {
        int slot;
        std::int16_t value;
        std::int32_t counter;
        float fullScale;
        const char* text;
    };
    const Case cases[] = {
        {0, 0, 0, 255.0f, "down"},
        {0, 1, 0, 255.0f, "up"},
        {0, 2, 0, 255.0f, "no position (2)"},
        {0, -1, 0, 255.0f, "-"},
        {12, 1, 0, 255.0f, "middle"},
        {38, 2, 0, 255.0f, "up"},
        {20, 0, 0, 255.0f, "left"},
        {20, 2, 0, 255.0f, "right"},
        {13, 0, 0, 255.0f, "9 o'clock"},
        {13, 3, 0, 255.0f, "half past 1"},
        {13, 5, 0, 255.0f, "no position (5)"},
        {36, 1, 0, 255.0f, "lit"},
        {46, 0, 0, 255.0f, "off"},
        {34, 127, 0, 255.0f, "127"},
        {35, 1, 8, 255.0f, "step +1, counter 8"},
        {35, 0, -3, 255.0f, "step -1, counter -3"},
        {35, -1, 8, 255.0f, "-"},
        {40, 128, 0, 255.0f, "63.7"},
        {45, 300, 0, 255.0f, "149.4"},
        {41, 511, 0, 1023.0f, "63.4"},
        {44, 0, 0, 511.0f, "0.0"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(slotValueText(c.slot, c.value, c.counter, c.fullScale), c.text)
            << "slot " << c.slot << " value " << c.value;
    }
}

}  // namespace
