// Placeholder until the test window template lands.
#include "ui/dialog_template.h"
