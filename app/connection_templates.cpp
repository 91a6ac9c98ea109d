// Placeholder until the connection window templates land.
#include "ui/dialog_template.h"
