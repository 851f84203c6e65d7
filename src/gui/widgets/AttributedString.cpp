#include "widgets/AttributedString.h"

const TextAttribute* AttributedString::wholeText(TextAttribute::Kind kind) const {
    for (const TextAttribute& a : attributes)
        if (a.kind == kind && a.location == 0 && a.length == text.size()) return &a;
    return nullptr;
}
