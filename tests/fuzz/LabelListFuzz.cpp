#include "skin/LabelList.h"
#include "skin/LabelPlacement.h"
#include "widgets/ViewGeometry.h"

#include "FuzzSupport.h"

#include <cmath>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    silenceLog();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    int skipped = 0;
    const auto entries = LabelList::readData(
        QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)), &skipped);
    if (!entries) return 0;
    FUZZ_CHECK(skipped >= 0);
    for (const LabelEntry& entry : *entries) {
        // Numbers that are read are always usable as a float.
        for (const auto& number : {entry.colorRed, entry.colorGreen, entry.colorBlue,
                                   entry.colorAlpha, entry.fontSize, entry.bottom})
            FUZZ_CHECK(!number || std::isfinite(*number));
    }
    // The window sizes a skin meets: the Mac's default, a phone in portrait, and nothing at all.
    for (const QSizeF view : {QSizeF(1024, 768), QSizeF(375, 812), QSizeF(0, 0)}) {
        const auto placed = placeLabels(*entries, view);
        FUZZ_CHECK(placed.size() <= entries->size());
        for (const auto& placement : placed) {
            FUZZ_CHECK(placement.frame.width() == view.width());
            FUZZ_CHECK(!placement.fontName.isEmpty() && placement.fontSize != 0.0f);
            const QRect shown = ViewGeometry::displayRect(placement.frame);
            FUZZ_CHECK(shown.width() >= 0 && shown.height() >= 0);
        }
    }
    return 0;
}
