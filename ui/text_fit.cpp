// Growing a control's box about its alignment.
#include "ui/text_fit.h"

#include "ui/dialog_styles.h"

Span spanToFit(Span box, int needed, std::uint32_t style, bool isStatic) {
    const int extra = needed - box.width;
    if (extra <= 0) {
        return box;
    }
    const std::uint32_t alignment = isStatic ? (style & kSsTypeMask) : kSsLeft;
    switch (alignment) {
        case kSsCenter:
            return Span{box.left - extra / 2, needed};
        case kSsRight:
            return Span{box.left - extra, needed};
        default:
            return Span{box.left, needed};
    }
}
