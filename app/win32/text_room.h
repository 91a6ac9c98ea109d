// Win32: room for every text of a dialog made from a template, before it is shown.
#pragma once

#include <windows.h>

// Widens each static text, read-out, check box and radio button of the dialog whose text does
// not fit its box in the control's own font (a centred static text that is too narrow wraps its
// second word into a line that is never shown). A read-out makes room for the widest value it
// can be given. Boxes grow about their alignment; nothing else changes.
void makeRoomForTexts(HWND dialog);
