// draw-skins: paints the background pictures of the bundled skins.
//
// Usage: draw-skins <output-dir>
//
// Writes <output-dir>/qir/background_*.png and <output-dir>/default/background_*.png.
// The artwork is built from gradients and soft vector shapes only, so the PNGs stay
// small and quick to decode. Everything is laid out in fractions of the picture size,
// which keeps the composition the same across the five device formats.
//
// The reading is drawn in dark grey in the middle of the window and the link labels sit
// along the bottom edge, so both skins keep the centre light and calm and give the
// bottom strip an even tone.

#include <QColor>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QRadialGradient>
#include <QRandomGenerator>
#include <QString>
#include <QTextStream>
#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace {

struct Format {
    const char* fileName;
    int width;
    int height;
};

constexpr std::array<Format, 5> kFormats{{
    {"background_Mac_Landscape.png", 2560, 1600},
    {"background_iPad_Landscape.png", 2048, 1536},
    {"background_iPad_Portrait.png", 1536, 2048},
    {"background_iPhone_Landscape.png", 2532, 1170},
    {"background_iPhone_Portrait.png", 1170, 2532},
}};

constexpr qreal kTau = 2.0 * std::numbers::pi;

QColor withAlpha(QColor c, int alpha) {
    c.setAlpha(alpha);
    return c;
}

// A soft round glow: opaque-ish in the middle, fading to nothing at the rim.
void softGlow(QPainter& p, QPointF centre, qreal rx, qreal ry, const QColor& colour) {
    p.save();
    p.translate(centre);
    p.scale(1.0, ry / rx);
    QRadialGradient g(QPointF(0, 0), rx);
    g.setColorAt(0.0, colour);
    g.setColorAt(0.45, withAlpha(colour, colour.alpha() * 6 / 10));
    g.setColorAt(1.0, withAlpha(colour, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawEllipse(QPointF(0, 0), rx, rx);
    p.restore();
}

// ---------------------------------------------------------------------------------------
// "qir": a cool dawn sky over layered teal hills.

struct Ridge {
    qreal base;       // baseline as a fraction of the height
    qreal amplitude;  // as a fraction of the shorter side
    std::array<qreal, 3> frequency;
    std::array<qreal, 3> phase;
    QColor top;
    QColor bottom;
};

// The crest line of a ridge, left edge to right edge.
QPainterPath crestLine(const Ridge& r, qreal w, qreal h, qreal unit) {
    constexpr std::array<qreal, 3> kWeights{0.58, 0.29, 0.13};
    constexpr int kSteps = 160;
    QPainterPath path;
    for (int i = 0; i <= kSteps; ++i) {
        const qreal t = qreal(i) / kSteps;
        qreal wave = 0;
        for (size_t k = 0; k < kWeights.size(); ++k)
            wave += kWeights[k] * std::sin(kTau * (r.frequency[k] * t + r.phase[k]));
        const QPointF pt(t * w, r.base * h - wave * r.amplitude * unit);
        if (i == 0)
            path.moveTo(pt);
        else
            path.lineTo(pt);
    }
    return path;
}

// The ridge as a filled shape reaching down past the bottom edge.
QPainterPath ridgeShape(const Ridge& r, qreal w, qreal h, qreal unit) {
    QPainterPath path = crestLine(r, w, h, unit);
    path.lineTo(w, h + 2);
    path.lineTo(0, h + 2);
    path.closeSubpath();
    return path;
}

void paintQir(QPainter& p, qreal w, qreal h) {
    const qreal unit = std::min(w, h);
    const bool portrait = h > w;

    // Sky: blue at the top, brightening towards a pale, slightly warm horizon.
    QLinearGradient sky(0, 0, 0, h);
    sky.setColorAt(0.00, QColor(58, 102, 146));
    sky.setColorAt(0.22, QColor(104, 152, 186));
    sky.setColorAt(0.42, QColor(190, 222, 228));
    sky.setColorAt(0.56, QColor(236, 243, 238));
    sky.setColorAt(0.66, QColor(246, 238, 222));
    sky.setColorAt(1.00, QColor(226, 232, 224));
    p.fillRect(QRectF(0, 0, w, h), sky);

    // The sun is still below the hills; its light washes over the middle of the sky.
    softGlow(p, QPointF(0.60 * w, 0.64 * h), 0.75 * unit, 0.55 * unit, QColor(255, 246, 226, 200));
    softGlow(p, QPointF(0.50 * w, 0.50 * h), 0.60 * unit, 0.32 * unit, QColor(250, 252, 248, 150));

    QRandomGenerator rng(0x51A7u);

    // Long thin veils of cloud catching the first light.
    for (int i = 0; i < 6; ++i) {
        const qreal x = (0.08 + 0.84 * rng.generateDouble()) * w;
        const qreal y = (0.14 + 0.20 * rng.generateDouble()) * h;
        const qreal rx = (0.22 + 0.20 * rng.generateDouble()) * (portrait ? h : w) * 0.6;
        const qreal ry = (0.010 + 0.012 * rng.generateDouble()) * unit;
        softGlow(p, QPointF(x, y), rx, ry, QColor(255, 232, 224, 60 + int(rng.bounded(40))));
    }

    // Hills, far to near. The far ones dissolve into the haze, the nearest one is a deep
    // even teal that carries the link labels along the bottom edge.
    const qreal nearBase = portrait ? 0.86 : 0.80;
    std::array<Ridge, 5> ridges{{
        {0.655, 0.050, {1.1, 2.3, 5.2}, {}, QColor(198, 224, 222), QColor(206, 228, 224)},
        {0.690, 0.060, {0.8, 1.9, 4.1}, {}, QColor(160, 204, 204), QColor(176, 212, 208)},
        {0.730, 0.070, {1.3, 2.7, 4.6}, {}, QColor(109, 169, 174), QColor(128, 182, 184)},
        {0.770, 0.060, {0.9, 2.1, 3.7}, {}, QColor(62, 129, 140), QColor(78, 142, 150)},
        {nearBase, 0.040, {0.7, 1.6, 3.1}, {}, QColor(33, 90, 104), QColor(24, 70, 84)},
    }};
    for (Ridge& r : ridges)
        for (qreal& ph : r.phase) ph = rng.generateDouble();

    p.setPen(Qt::NoPen);
    for (size_t i = 0; i < ridges.size(); ++i) {
        const Ridge& r = ridges[i];
        const QPainterPath path = ridgeShape(r, w, h, unit);
        const QRectF box = path.boundingRect();
        QLinearGradient fill(0, box.top(), 0, h);
        fill.setColorAt(0.0, r.top);
        fill.setColorAt(1.0, r.bottom);
        p.setBrush(fill);
        p.drawPath(path);

        // Mist settling in the valley in front of each ridge but the nearest.
        if (i + 1 < ridges.size()) {
            const qreal mistTop = (r.base + 0.005) * h;
            const qreal mistBottom = ridges[i + 1].base * h + 0.03 * unit;
            QLinearGradient mist(0, mistTop, 0, mistBottom);
            mist.setColorAt(0.0, QColor(236, 244, 240, 0));
            mist.setColorAt(1.0, QColor(236, 244, 240, 90));
            p.setBrush(mist);  // the gradient pads, so the lower slope stays evenly veiled
            p.drawPath(path);
        }
    }

    // A thin line of light along the nearest crest: a quiet nod to a mercury column
    // lying on its side.
    {
        const QPainterPath crest = crestLine(ridges.back(), w, h, unit);
        QLinearGradient glint(0, 0, w, 0);
        glint.setColorAt(0.0, QColor(255, 236, 210, 0));
        glint.setColorAt(0.55, QColor(255, 236, 210, 120));
        glint.setColorAt(1.0, QColor(255, 236, 210, 0));
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QBrush(glint), 0.0025 * unit, Qt::SolidLine, Qt::RoundCap));
        p.drawPath(crest);
    }
}

// ---------------------------------------------------------------------------------------
// "default": warm sand with concentric arcs rising from one corner and a dial-like set of
// rings in the opposite one.

void paintDefault(QPainter& p, qreal w, qreal h) {
    const qreal unit = std::min(w, h);

    QLinearGradient sand(0, 0, w * 0.35, h);
    sand.setColorAt(0.0, QColor(250, 234, 208));
    sand.setColorAt(0.6, QColor(247, 224, 190));
    sand.setColorAt(1.0, QColor(242, 210, 170));
    p.fillRect(QRectF(0, 0, w, h), sand);

    // Calm, bright middle for the reading.
    softGlow(p, QPointF(0.5 * w, 0.48 * h), 0.62 * unit, 0.48 * unit, QColor(255, 250, 240, 210));

    // Bands around the lower-left corner, deepening towards the corner.
    const QPointF corner(-0.04 * unit, h + 0.04 * unit);
    const std::array<QColor, 7> bands{{
        QColor(245, 214, 176),
        QColor(241, 196, 148),
        QColor(236, 176, 120),
        QColor(228, 152, 96),
        QColor(214, 126, 76),
        QColor(190, 100, 62),
        QColor(156, 78, 50),
    }};
    const std::array<qreal, 7> radii{0.66, 0.56, 0.47, 0.39, 0.31, 0.23, 0.15};
    for (size_t i = 0; i < bands.size(); ++i) {
        const qreal r = radii[i] * unit;
        QRadialGradient g(corner, r);
        g.setColorAt(0.0, bands[i].darker(104));
        g.setColorAt(1.0, bands[i]);
        p.setPen(QPen(QColor(255, 246, 232, 150), 0.0022 * unit));
        p.setBrush(g);
        p.drawEllipse(corner, r, r);
    }

    // Upper-right corner: a warm disc inside fine rings with a scale of ticks, like the
    // face of a dial thermometer seen close up.
    const QPointF dial(w + 0.03 * unit, -0.03 * unit);
    {
        QRadialGradient g(dial, 0.24 * unit);
        g.setColorAt(0.0, QColor(226, 128, 72));
        g.setColorAt(0.75, QColor(236, 160, 104));
        g.setColorAt(1.0, QColor(242, 190, 140));
        p.setPen(Qt::NoPen);
        p.setBrush(g);
        p.drawEllipse(dial, 0.24 * unit, 0.24 * unit);
    }
    p.setBrush(Qt::NoBrush);
    const std::array<qreal, 4> rings{0.29, 0.335, 0.38, 0.425};
    for (size_t i = 0; i < rings.size(); ++i) {
        const int alpha = 150 - int(i) * 30;
        p.setPen(QPen(QColor(214, 128, 78, alpha), (0.004 - 0.0007 * qreal(i)) * unit));
        p.drawEllipse(dial, rings[i] * unit, rings[i] * unit);
    }
    // Ticks over the visible quarter of the dial.
    const qreal tickInner = 0.45 * unit;
    const int tickCount = 40;
    for (int i = 0; i <= tickCount; ++i) {
        const qreal a = std::numbers::pi / 2.0 + (std::numbers::pi / 2.0) * i / tickCount;
        const bool major = i % 5 == 0;
        const qreal len = (major ? 0.040 : 0.020) * unit;
        const QPointF dir(std::cos(a), std::sin(a));
        p.setPen(QPen(QColor(200, 116, 70, major ? 150 : 100), (major ? 0.0032 : 0.0020) * unit,
                      Qt::SolidLine, Qt::RoundCap));
        p.drawLine(dial + dir * tickInner, dial + dir * (tickInner + len));
    }

    // A couple of wide, faint arcs sweeping through the open space tie the two corners
    // together without crossing the middle.
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < 3; ++i) {
        const qreal r = (0.80 + 0.07 * i) * unit;
        p.setPen(QPen(QColor(224, 150, 96, 70 - i * 18), (0.003 - 0.0006 * i) * unit));
        p.drawEllipse(corner, r, r);
    }
    for (int i = 0; i < 2; ++i) {
        const qreal r = (0.56 + 0.06 * i) * unit;
        p.setPen(QPen(QColor(224, 150, 96, 60 - i * 20), 0.0022 * unit));
        p.drawEllipse(dial, r, r);
    }
}

// ---------------------------------------------------------------------------------------

using PaintFn = void (*)(QPainter&, qreal, qreal);

struct Skin {
    const char* folder;
    PaintFn paint;
};

constexpr std::array<Skin, 2> kSkins{{
    {"qir", &paintQir},
    {"default", &paintDefault},
}};

QImage render(const Skin& skin, const Format& format) {
    QImage image(format.width, format.height, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing, true);
        skin.paint(p, format.width, format.height);
    }
    // Plain 8-bit RGB: no alpha channel in the file.
    return image.convertToFormat(QImage::Format_RGB888);
}

bool save(const QImage& image, const QString& path) {
    QImageWriter writer(path, "png");
    // Lowest "quality" means strongest zlib compression for PNG; the pictures are smooth
    // gradients, so this shaves off a good part of the file size.
    writer.setQuality(0);
    return writer.write(image);
}

}  // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    QTextStream out(stdout);
    QTextStream err(stderr);

    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 2 || args.at(1).startsWith('-')) {
        err << "usage: draw-skins <output-dir>\n";
        return 2;
    }

    const QDir root(args.at(1));
    for (const Skin& skin : kSkins) {
        const QString folder = root.filePath(QString::fromLatin1(skin.folder));
        if (!QDir().mkpath(folder)) {
            err << "cannot create " << folder << "\n";
            return 1;
        }
        for (const Format& format : kFormats) {
            const QString path = QDir(folder).filePath(QString::fromLatin1(format.fileName));
            if (!save(render(skin, format), path)) {
                err << "cannot write " << path << "\n";
                return 1;
            }
            out << path << "  " << format.width << "x" << format.height << "  "
                << QFileInfo(path).size() << " bytes\n";
            out.flush();
        }
    }
    return 0;
}
