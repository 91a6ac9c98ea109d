// Making room for a control's text when the window is built: the template's boxes were drawn
// for one font, and the desktop's may run wider. Portable: each backend measures its own text.
#pragma once

#include <cstdint>

struct Span {
    int left;
    int width;
};

// The box across, grown to needed about the control's alignment (a centred static text about
// its centre, a right-aligned one leftwards, anything else rightwards); unchanged when the text
// fits. style: the control's window style; isStatic: a STATIC control (else a button's text,
// which always grows rightwards).
Span spanToFit(Span box, int needed, std::uint32_t style, bool isStatic);
