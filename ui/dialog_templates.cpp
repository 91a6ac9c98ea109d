// Placeholder until the templates land.
#include "ui/dialog_template.h"

const DialogTemplate* findDialogTemplate(const char*) { return nullptr; }
const DialogTemplate* const* allDialogTemplates(int& count) {
    count = 0;
    return nullptr;
}
const DialogItem* findDialogItem(const DialogTemplate&, int) { return nullptr; }
