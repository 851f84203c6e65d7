#include "skincheck/SkinReport.h"

#include <gtest/gtest.h>

#include "support/QtPrinters.h"
#include "support/SkinFiles.h"
#include "support/TempHome.h"

namespace {

const char* const kPictures[] = {"background_Mac_Landscape", "background_iPad_Landscape",
                                 "background_iPad_Portrait", "background_iPhone_Landscape",
                                 "background_iPhone_Portrait"};

struct Row {
    const char* name;
    QByteArray items;                                          // the labels.plist entries
    std::vector<std::pair<const char*, QByteArray>> pictures;  // replace the fine ones
    std::vector<QString> warnings;  // each a line's start, in order; "s" is the skin
};

void PrintTo(const Row& row, std::ostream* os) {
    *os << row.name;
}

QByteArray entry(const QByteArray& body) {
    return "<dict>" + body + "</dict>";
}

// Every picture at 600x600 covers a 1024x768 window well enough; every entry titled.
const Row kRows[] = {
    {"Clean",
     entry("<key>TITLE</key><string>a</string><key>URL</key><string>https://example.org</string>"
           "<key>FONTNAME</key><string>DejaVuSans-Bold</string><key>FONTSIZE</key><real>14</real>"
           "<key>BOTTOM</key><integer>4</integer><key>COLOR_RED</key><integer>255</integer>"
           "<key>COLOR_ALPHA</key><integer>100</integer>"),
     {},
     {}},
    {"NearMissesAndUnknownKeys",
     entry("<key>Title</key><string>a</string><key>FONT_SIZE</key><integer>9</integer>"
           "<key>colour_red</key><integer>9</integer><key>BOTOM</key><integer>1</integer>"
           "<key>font</key><string>x</string><key>margin-bottom</key><integer>1</integer>"
           "<key>zzz</key><integer>1</integer><key>bad&#10;key</key><integer>1</integer>"),
     {},
     {"s/labels.plist entry 1 Title: unknown key, ignored; did you mean TITLE?",
      "s/labels.plist entry 1 FONT_SIZE: unknown key, ignored; did you mean FONTSIZE?",
      "s/labels.plist entry 1 colour_red: unknown key, ignored; did you mean COLOR_RED?",
      "s/labels.plist entry 1 BOTOM: unknown key, ignored; did you mean BOTTOM?",
      "s/labels.plist entry 1 font: unknown key, ignored; did you mean FONTNAME?",
      "s/labels.plist entry 1 margin-bottom: unknown key, ignored; did you mean BOTTOM?",
      "s/labels.plist entry 1 zzz: unknown key, ignored",
      "s/labels.plist entry 1 bad\\u000akey: unknown key, ignored",
      "s/labels.plist entry 1 TITLE: missing; the label shows no text"}},
    {"WrongTypesSayWhatIsRead",
     entry("<key>TITLE</key><array/><key>FONTSIZE</key><string> 14pt</string>"
           "<key>COLOR_RED</key><true/><key>BOTTOM</key><date>2020-01-01T00:00:00Z</date>"
           "<key>URL</key><integer>7</integer><key>FONTNAME</key><string></string>"),
     {},
     {"s/labels.plist entry 1 TITLE: an array where text is read; ignored: the label shows no",
      "s/labels.plist entry 1 FONTSIZE: a string where a number is read; \" 14pt\" reads as 14",
      "s/labels.plist entry 1 COLOR_RED: a boolean where a number is read; reads as 1",
      "s/labels.plist entry 1 BOTTOM: a date where a number is read; ignored: a gap of 0",
      "s/labels.plist entry 1 URL: an integer where text is read; ignored: the label has no link",
      "s/labels.plist entry 1 FONTNAME: empty; PingFangSC-Medium is used"}},
    {"NumbersOutOfRange",
     entry("<key>TITLE</key><string>a</string><key>COLOR_ALPHA</key><integer>0</integer>"
           "<key>COLOR_BLUE</key><integer>-1</integer><key>BOTTOM</key><real>nan</real>"
           "<key>COLOR_GREEN</key><string>1e999</string>") +
         entry("<key>TITLE</key><string>b</string><key>COLOR_ALPHA</key><real>0.5</real>"
               "<key>FONTSIZE</key><real>-3</real>") +
         entry("<key>TITLE</key><string>c</string><key>COLOR_ALPHA</key><integer>150</integer>"
               "<key>FONTSIZE</key><real>1e39</real>"),
     {},
     {"s/labels.plist entry 1 COLOR_ALPHA: 0 shows opaque, not transparent",
      "s/labels.plist entry 1 COLOR_BLUE: -1 is out of range 0 to 255; shows as 0",
      "s/labels.plist entry 1 BOTTOM: nan is not a finite number; ignored: a gap of 0",
      "s/labels.plist entry 1 COLOR_GREEN: a string where a number is read; \"1e999\" reads as inf",
      "s/labels.plist entry 1 COLOR_GREEN: inf is not a finite number; ignored: green 0",
      "s/labels.plist entry 2 COLOR_ALPHA: percent: 0.5 gives an alpha of 0.005",
      "s/labels.plist entry 2 FONTSIZE: -3 is negative; the label has no height",
      "s/labels.plist entry 3 COLOR_ALPHA: 150 is out of range 0 to 100; shows as 100",
      "s/labels.plist entry 3 FONTSIZE: 1e+39 is too large for a 32-bit float; ignored"}},
    {"PlacementFontsAndLinks",
     entry("<key>TITLE</key><string>a</string><key>BOTTOM</key><integer>-20</integer>"
           "<key>FONTNAME</key><string>NoSuchFace-Bold</string>") +
         "<string>not a dictionary</string>" +
         entry("<key>TITLE</key><string>b</string><key>BOTTOM</key><integer>760</integer>"
               "<key>URL</key><string>javascript:alert(1)</string>") +
         entry("<key>TITLE</key><string>c</string><key>URL</key><string>https://</string>"),
     {},
     {"s/labels.plist entry 1 BOTTOM: the label (0, 773.6, 1024, 14.4) reaches below the bottom "
      "of a 1024x768 window",
      "s/labels.plist entry 1 FONTNAME: \"NoSuchFace-Bold\" is not installed; shows as ",
      "s/labels.plist entry 3: the label (0, -0.8, 1024, 14.4) reaches above the top",
      "s/labels.plist entry 3 URL: \"javascript:alert(1)\" will not open",
      "s/labels.plist entry 4: the label (0, -15.2, 1024, 14.4) lies wholly above",
      "s/labels.plist entry 4 URL: \"https://\" will not open"}},
    {"Pictures",
     entry("<key>TITLE</key><string>a</string>"),
     {{"background_Mac_Landscape", png({400, 400})},
      {"background_iPad_Portrait", "not a picture"},
      {"background_iPhone_Portrait", {}}},
     {"s/background_Mac_Landscape.png: 400x400 pixels, stretched 2.6 times to cover a 1024x768",
      "s/background_iPad_Portrait.png: cannot be read as a picture",
      "s/background_iPhone_Portrait.png: missing; --idiom phone in a window not wider than tall"}},
};

class SkinLintTest : public ::testing::TestWithParam<Row> {};

TEST_P(SkinLintTest, WarnsOneLineEachNamingSkinFileEntryAndKey) {
    const Row& row = GetParam();
    const TempHome home;
    const QByteArray fine = png({600, 600});
    for (const char* picture : kPictures) {
        QByteArray bytes = fine;
        for (const auto& [name, replaced] : row.pictures)
            if (qstrcmp(name, picture) == 0) bytes = replaced;
        if (!bytes.isEmpty()) home.write(QStringLiteral("s/%1.png").arg(picture), bytes);
    }
    home.write("s/labels.plist", labelsPlist(row.items));

    const SkinReport report = SkinReport::buildForFolder(home.path() + "/s/", QSizeF(1024, 768), 5);
    ASSERT_EQ(report.skins.size(), 1);
    QStringList lines;
    for (const SkinWarning& warning : report.skins.first().warnings)
        lines << warning.line(report.skins.first().name);
    ASSERT_EQ(lines.size(), qsizetype(row.warnings.size())) << lines.join('\n').toStdString();
    for (size_t i = 0; i < row.warnings.size(); ++i)
        EXPECT_TRUE(lines[qsizetype(i)].startsWith(row.warnings[i]))
            << lines[qsizetype(i)].toStdString() << "\n  expected to start with\n"
            << row.warnings[i].toStdString();
    // Warnings alone are no problem; the entry that is not a dictionary is one.
    EXPECT_EQ(report.hasProblems(), row.items.contains("<string>not a dictionary"));
    EXPECT_EQ(report.hasWarnings(), !row.warnings.empty());
}

INSTANTIATE_TEST_SUITE_P(Skins, SkinLintTest, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
