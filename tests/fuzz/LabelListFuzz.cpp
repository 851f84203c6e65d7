#include "skin/LabelList.h"
#include "skin/LabelPlacement.h"
#include "widgets/ViewGeometry.h"

#include "FuzzSupport.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QStringList notes;
    const auto entries = LabelList::readData(
        QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)), &notes);
    if (!entries) return 0;
    fuzzCheck(notes.size() <= 9);  // one line for each of the first eight skipped, then one
    // Numbers that are read are always usable as a float.
    for (const LabelEntry& e : *entries)
        for (const auto& number :
             {e.colorRed, e.colorGreen, e.colorBlue, e.colorAlpha, e.fontSize, e.bottom})
            fuzzCheck(!number || std::isfinite(*number));
    // The window sizes a skin meets: the Mac's default, a phone in portrait, and nothing at all.
    for (const QSizeF view : {QSizeF(1024, 768), QSizeF(375, 812), QSizeF(0, 0)}) {
        const QList<PlacedLabel> placed = placeLabels(*entries, view);
        fuzzCheck(placed.size() <= entries->size());
        for (const PlacedLabel& p : placed) {
            fuzzCheck(p.frame.width() == view.width() && !p.fontName.isEmpty() && p.fontSize != 0);
            const QRect shown = ViewGeometry::displayRect(p.frame);
            fuzzCheck(shown.width() >= 0 && shown.height() >= 0);
        }
    }
    return 0;
}
