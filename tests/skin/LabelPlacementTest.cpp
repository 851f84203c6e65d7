#include "skin/LabelPlacement.h"

#include <gtest/gtest.h>

#include "support/QtPrinters.h"

namespace {

LabelEntry entry(std::optional<float> fontSize, std::optional<float> bottom = {}) {
    LabelEntry e;
    e.fontSize = fontSize;
    e.bottom = bottom;
    return e;
}

TEST(LabelPlacementTest, StacksUpwardFromTheBottom) {
    const QList<LabelEntry> entries{entry(20, 10), entry(10, 6)};
    const QList<PlacedLabel> placed = placeLabels(entries, QSizeF(600, 800));
    ASSERT_EQ(placed.size(), 2);
    EXPECT_EQ(exact(placed[0].frame), exact(QRectF(0, 766, 600, 24)));
    EXPECT_EQ(exact(placed[1].frame), exact(QRectF(0, 748, 600, 12)));
    // A view of no size keeps the same stack above its top edge.
    const QList<PlacedLabel> none = placeLabels(entries, QSizeF(0, 0));
    ASSERT_EQ(none.size(), 2);
    EXPECT_EQ(exact(none[0].frame), exact(QRectF(0, -34, 0, 24)));
    EXPECT_EQ(exact(none[1].frame), exact(QRectF(0, -52, 0, 12)));
}

TEST(LabelPlacementTest, DefaultsAndValuesOfColourAndFont) {
    const PlacedLabel plain = placeLabels({LabelEntry{}}, QSizeF(1024, 768)).value(0);
    EXPECT_EQ(plain.rgba, (std::array<float, 4>{0, 0, 0, 1}));
    EXPECT_EQ(plain.fontName, kDefaultLabelFont);
    EXPECT_EQ(plain.fontSize, 12.0f);
    EXPECT_EQ(plain.title, QStringLiteral(""));
    EXPECT_EQ(plain.frame.width(), 1024.0);
    EXPECT_NEAR(plain.frame.bottom(), 768.0, 1e-5);

    const struct {
        std::optional<float> LabelEntry::*field;
        float value;
        std::array<float, 4> rgba;
        float fontSize;
    } rows[] = {
        {&LabelEntry::colorAlpha, 0, {0, 0, 0, 1}, 12},
        {&LabelEntry::colorAlpha, 100, {0, 0, 0, 1}, 12},
        {&LabelEntry::colorAlpha, 50, {0, 0, 0, 0.5f}, 12},
        {&LabelEntry::colorRed, 255, {1, 0, 0, 1}, 12},
        {&LabelEntry::colorGreen, 51, {0, 0.2f, 0, 1}, 12},
        {&LabelEntry::colorBlue, 255, {0, 0, 1, 1}, 12},
        {&LabelEntry::fontSize, 0, {0, 0, 0, 1}, 12},
        {&LabelEntry::fontSize, 30, {0, 0, 0, 1}, 30},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.value);
        LabelEntry entry;
        entry.*row.field = row.value;
        const PlacedLabel label = placeLabels({entry}, QSizeF(100, 100)).value(0);
        EXPECT_EQ(label.rgba, row.rgba);
        EXPECT_EQ(label.fontSize, row.fontSize);
        EXPECT_EQ(label.frame.height(), static_cast<double>(row.fontSize) * 1.2);
    }
    for (const auto& [name, shown] : {std::pair{QStringLiteral(""), kDefaultLabelFont},
                                      {QStringLiteral("DejaVuSans-Bold"), "DejaVuSans-Bold"}}) {
        LabelEntry entry;
        entry.fontName = name;
        EXPECT_EQ(placeLabels({entry}, QSizeF(100, 100)).value(0).fontName, shown);
    }
}

// A long stack carries its offset in single precision: the frames must match a float-carried
// reference to the bit, which drifts away from one carried in double.
TEST(LabelPlacementTest, LongStackMatchesFloatReferenceToTheBit) {
    const float sizes[] = {12, 13.7f, 9};
    const float bottoms[] = {0.3f, 2, 0, 1.1f};
    QList<LabelEntry> entries;
    for (int i = 0; i < 50; ++i) entries.append(entry(sizes[i % 3], bottoms[i % 4]));
    const double height = 2000;
    const QList<PlacedLabel> placed = placeLabels(entries, QSizeF(320, height));
    ASSERT_EQ(placed.size(), 50);

    float offset = 0;
    double wide = 0;
    int drifted = 0;
    for (int i = 0; i < 50; ++i) {
        const double size = static_cast<double>(sizes[i % 3]);
        offset = static_cast<float>(static_cast<double>(offset + bottoms[i % 4]) + size * 1.2);
        wide += static_cast<double>(bottoms[i % 4]) + size * 1.2;
        EXPECT_EQ(exact(placed[i].frame),
                  exact(QRectF(0, height - static_cast<double>(offset), 320, size * 1.2)))
            << i;
        if (placed[i].frame.y() != height - wide) ++drifted;
    }
    EXPECT_GT(drifted, 0);
}

// What no skin may exceed: the edges of each bound, counted for the layout's log lines.
TEST(LabelPlacementTest, LimitsLeaveOutOrCutOnlyPastTheirEdges) {
    const auto place = [](const QList<LabelEntry>& entries, PlacementLimits& limits) {
        return placeLabels(entries, QSizeF(800, 600), &limits);
    };
    PlacementLimits limits;
    EXPECT_EQ(place(QList<LabelEntry>(256), limits).size(), 256);
    EXPECT_EQ(limits.pastLastLabel, 0);
    EXPECT_EQ(place(QList<LabelEntry>(300), limits).size(), 256);
    EXPECT_EQ(limits.pastLastLabel, 44);

    LabelEntry titled;
    titled.title = QString(4096, u'a');
    EXPECT_EQ(place({titled}, limits).value(0).title.size(), 4096);
    EXPECT_EQ(limits.titlesCut, 0);
    titled.title = QString(4095, u'a') + QStringLiteral("\U0001F600tail");  // cut mid-character
    EXPECT_EQ(place({titled}, limits).value(0).title, QString(4095, u'a'));
    EXPECT_EQ(limits.titlesCut, 1);

    // One view height (at least 16384 points) beyond an edge is far; the offset carries on.
    const struct {
        float bottom;
        int placed;
    } rows[] = {{600 + 16384 - 1, 2},    {600 + 16384 + 1, 1}, {-16384 - 14.4f + 1, 2},
                {-16384 - 14.4f - 1, 1}, {3e38f, 1},           {-3e38f, 1}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.bottom);
        // The second entry undoes the first's gap: back at the bottom edge.
        const QList<PlacedLabel> placed =
            place({entry(12, row.bottom), entry(12, -row.bottom - 14.4f)}, limits);
        EXPECT_EQ(placed.size(), row.placed);
        EXPECT_EQ(limits.offView, 2 - row.placed);
    }
}

}  // namespace
