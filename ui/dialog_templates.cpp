// Lookup over the program's dialog templates.
#include <cstring>

#include "ui/dialog_template.h"

// Defined beside the windows that use them.
extern const DialogTemplate kConnectionWindowTemplate;
extern const DialogTemplate kScanNoticeTemplate;
extern const DialogTemplate kTestWindowTemplate;

namespace {

const DialogTemplate* const kAllTemplates[] = {
    &kConnectionWindowTemplate,
    &kScanNoticeTemplate,
    &kTestWindowTemplate,
};

constexpr int kTemplateCount = static_cast<int>(sizeof kAllTemplates / sizeof kAllTemplates[0]);

}  // namespace

const DialogTemplate* findDialogTemplate(const char* name) {
    if (name == nullptr) {
        return nullptr;
    }
    for (const DialogTemplate* dialog : kAllTemplates) {
        if (std::strcmp(dialog->name, name) == 0) {
            return dialog;
        }
    }
    return nullptr;
}

const DialogTemplate* const* allDialogTemplates(int& count) {
    count = kTemplateCount;
    return kAllTemplates;
}

const DialogItem* findDialogItem(const DialogTemplate& dialog, int id) {
    if (id == -1) {
        return nullptr;
    }
    for (int i = 0; i < dialog.itemCount; ++i) {
        if (dialog.items[i].id == id) {
            return &dialog.items[i];
        }
    }
    return nullptr;
}
