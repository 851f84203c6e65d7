#include "BenchFixture.h"

#include "support/TempHome.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QRandomGenerator>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {
constexpr int kWidth = 3840;
constexpr int kHeight = 2160;

QByteArray encodePng(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

bool writeWhole(const QString& path, const QByteArray& data) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(data) == data.size() && file.flush();
}
}  // namespace

QImage drawSkinPicture(int variant) {
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const int hue = (variant * 137) % 360;

    QLinearGradient sky(0, 0, kWidth, kHeight);
    sky.setColorAt(0, QColor::fromHsv(hue, 120, 90));
    sky.setColorAt(0.5, QColor::fromHsv((hue + 40) % 360, 160, 180));
    sky.setColorAt(1, QColor::fromHsv((hue + 90) % 360, 90, 240));
    painter.fillRect(image.rect(), sky);

    QRandomGenerator random(static_cast<quint32>(20261206 + variant));
    for (int i = 0; i < 40; ++i) {
        const QPointF centre(random.bounded(kWidth), random.bounded(kHeight));
        const qreal radius = 120 + random.bounded(600);
        QRadialGradient glow(centre, radius);
        glow.setColorAt(0, QColor::fromHsv((hue + random.bounded(360)) % 360, 200, 255, 170));
        glow.setColorAt(1, QColor(0, 0, 0, 0));
        painter.setBrush(glow);
        painter.setPen(Qt::NoPen);
        painter.drawEllipse(centre, radius, radius);
    }
    for (int i = 0; i < 160; ++i) {
        const QRectF box(random.bounded(kWidth), random.bounded(kHeight), 40 + random.bounded(400),
                         40 + random.bounded(300));
        painter.setBrush(QColor::fromHsv(random.bounded(360), 140, 220, 90));
        painter.setPen(QPen(QColor::fromHsv(random.bounded(360), 60, 250, 200), 3));
        painter.drawRoundedRect(box, 24, 24);
    }
    QPainterPath hills;
    hills.moveTo(0, kHeight);
    for (int x = 0; x <= kWidth; x += 8)
        hills.lineTo(x,
                     kHeight * 0.7 + 140 * std::sin(x / 310.0 + variant) + 60 * std::sin(x / 57.0));
    hills.lineTo(kWidth, kHeight);
    painter.setBrush(QColor::fromHsv((hue + 180) % 360, 150, 70, 220));
    painter.setPen(Qt::NoPen);
    painter.drawPath(hills);
    painter.end();

    // Fine grain, as photographs and rendered art have: it is what makes PNG decoding work.
    for (int y = 0; y < kHeight; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < kWidth; ++x) {
            const int n = static_cast<int>(random.bounded(7)) - 3;
            const QRgb p = line[x];
            line[x] = qRgb(std::clamp(qRed(p) + n, 0, 255), std::clamp(qGreen(p) + n, 0, 255),
                           std::clamp(qBlue(p) + n, 0, 255));
        }
    }
    return image;
}

QByteArray labelsPlist(int count) {
    QByteArray xml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
        "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
        "<plist version=\"1.0\">\n<array>\n";
    static const char* const kFonts[] = {"DejaVuSans-Bold", "DejaVuSans", "DejaVuSans-Oblique",
                                         "PingFangSC-Medium", "Verdana-Bold"};
    for (int i = 0; i < count; ++i) {
        xml += "\t<dict>\n";
        xml += "\t\t<key>TITLE</key>\n\t\t<string>Link number " + QByteArray::number(i + 1) +
               " of the benchmark skin</string>\n";
        if (i % 3 != 2)
            xml += "\t\t<key>URL</key>\n\t\t<string>https://example.org/vell/" +
                   QByteArray::number(i) + "</string>\n";
        xml += QByteArray("\t\t<key>FONTNAME</key>\n\t\t<string>") + kFonts[i % 5] + "</string>\n";
        xml += "\t\t<key>FONTSIZE</key>\n\t\t<real>" + QByteArray::number(11 + i % 6) + "</real>\n";
        xml += "\t\t<key>BOTTOM</key>\n\t\t<real>" + QByteArray::number(2 + i % 4) + "</real>\n";
        xml += "\t\t<key>COLOR_RED</key>\n\t\t<integer>" + QByteArray::number(200 + i) +
               "</integer>\n";
        xml += "\t\t<key>COLOR_GREEN</key>\n\t\t<integer>" + QByteArray::number(230 - i) +
               "</integer>\n";
        xml += "\t\t<key>COLOR_BLUE</key>\n\t\t<integer>" + QByteArray::number(180 + 2 * i) +
               "</integer>\n";
        xml += "\t\t<key>COLOR_ALPHA</key>\n\t\t<integer>90</integer>\n";
        xml += "\t</dict>\n";
    }
    xml += "</array>\n</plist>\n";
    return xml;
}

BenchHome& BenchHome::instance() {
    static BenchHome home;
    return home;
}

BenchHome::BenchHome() : home(std::make_unique<TempHome>()) {
    std::fprintf(stderr, "Drawing the 4K benchmark skin...\n");
    for (int v = 0; v < 2; ++v) pngs[v] = encodePng(drawSkinPicture(v));
    home->write(QStringLiteral("Documents/skin.bundle/qir/labels.plist"), labelsPlist(kLabelCount));
    home->write(QStringLiteral("Documents/skin.bundle/qir/background_Mac_Landscape.png"), pngs[0]);
}

BenchHome::~BenchHome() = default;

QString BenchHome::skinFolder() const {
    return home->installedBundle() + QStringLiteral("/qir");
}

QString BenchHome::picturePath() const {
    return skinFolder() + QStringLiteral("/background_Mac_Landscape.png");
}

QString BenchHome::logPath() const {
    return home->path() + QStringLiteral("/vell-thermo.log");
}

void BenchHome::replacePicture(int variant) const {
    const QString next = skinFolder() + QStringLiteral("/.next.png");
    if (!writeWhole(next, pictureBytes(variant)) ||
        std::rename(QFile::encodeName(next).constData(),
                    QFile::encodeName(picturePath()).constData()) != 0)
        std::fprintf(stderr, "cannot replace the benchmark picture\n");
}

double percentileMs(std::vector<Nanos> samples, double fraction) {
    if (samples.empty()) return 0;
    std::sort(samples.begin(), samples.end());
    // Nearest rank: the smallest sample with at least fraction of all samples at or below it.
    const double n = static_cast<double>(samples.size());
    const double rank = std::clamp(std::ceil(fraction * n), 1.0, n);
    return static_cast<double>(samples[static_cast<size_t>(rank) - 1].count()) / 1e6;
}
