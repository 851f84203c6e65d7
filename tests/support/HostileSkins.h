#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QList>
#include <QString>
#include <QtEndian>

#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <ostream>

#include "support/SkinFiles.h"

// Skin folders that people could share by mistake or on purpose, made at run time, with what
// the layout must make of each at 800x600 on the Mac idiom.
namespace hostile {

inline const QString kPicture = QStringLiteral("background_Mac_Landscape.png");

inline quint32 crc32(const QByteArray& bytes) {
    quint32 crc = 0xFFFFFFFFu;
    for (const char c : bytes) {
        crc ^= static_cast<quint8>(c);
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

inline QByteArray chunk(const char* type, const QByteArray& data) {
    QByteArray out(4, '\0');
    qToBigEndian(static_cast<quint32>(data.size()), out.data());
    const QByteArray body = QByteArray(type) + data;
    QByteArray crc(4, '\0');
    qToBigEndian(crc32(body), crc.data());
    return out + body + crc;
}

// A well-formed PNG header that asks for width x height RGBA pixels, and a token of data.
inline QByteArray pngHeader(quint32 width, quint32 height) {
    QByteArray ihdr(13, '\0');
    qToBigEndian(width, ihdr.data());
    qToBigEndian(height, ihdr.data() + 4);
    ihdr[8] = 8;  // bits per channel
    ihdr[9] = 6;  // RGBA
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", ihdr) +
           chunk("IDAT", QByteArray::fromHex("789c030000000001")) + chunk("IEND", {});
}

inline QByteArray entry(const QByteArray& body) {
    return "<dict>" + body + "</dict>";
}
inline QByteArray keyed(const QByteArray& key, const QByteArray& value) {
    return "<key>" + key + "</key>" + value;
}

// One skin: what to write into its folder, and what the view must show for it.
struct Skin {
    const char* name;
    std::function<void(const QDir& skin)> make;
    bool pictureShown;    // the picture decodes (and the view shows it)
    int labels;           // link labels made
    QString logged = {};  // a line the layout must log ("%1" is the skin folder's path)
};

inline void PrintTo(const Skin& skin, std::ostream* os) {
    *os << skin.name;
}

inline void write(const QDir& dir, const QString& name, const QByteArray& data) {
    QFile file(dir.filePath(name));
    if (file.open(QIODevice::WriteOnly)) file.write(data);
}

// A skin with a good picture and the given labels.plist.
inline std::function<void(const QDir&)> labelsOnly(std::function<QByteArray()> labels) {
    return [labels](const QDir& dir) {
        write(dir, kPicture, png({8, 6}));
        write(dir, QStringLiteral("labels.plist"), labels());
    };
}
// A skin with one label and the given picture bytes.
inline std::function<void(const QDir&)> pictureOnly(std::function<QByteArray()> picture) {
    return [picture](const QDir& dir) {
        write(dir, kPicture, picture());
        write(dir, QStringLiteral("labels.plist"),
              labelsPlist(entry(keyed("TITLE", "<string>t</string>"))));
    };
}

inline QByteArray repeated(const QByteArray& item, int times) {
    QByteArray all;
    all.reserve(item.size() * times);
    for (int i = 0; i < times; ++i) all += item;
    return all;
}

inline QList<Skin> corpus() {
    const auto valid = [] { return png({64, 48}); };
    const QString missing = QStringLiteral("%1/") + kPicture + QStringLiteral(" NOT exist.");
    const QByteArray keys[] = {"COLOR_RED", "COLOR_GREEN", "COLOR_BLUE", "COLOR_ALPHA", "FONTNAME",
                               "FONTSIZE",  "BOTTOM",      "TITLE",      "URL"};
    return {
        {"truncated-header", pictureOnly([valid] { return valid().left(30); }), false, 1, missing},
        {"truncated-data", pictureOnly([valid] { return valid().chopped(20); }), false, 1, missing},
        {"corrupt", pictureOnly([valid] { return valid().left(16) + repeated("\xA5\x5A", 500); }),
         false, 1, missing},
        {"empty-picture", pictureOnly([] { return QByteArray(); }), false, 1, missing},
        {"huge-header", pictureOnly([] { return pngHeader(100000, 100000); }), false, 1, missing},
        {"sixteen-bit", pictureOnly([] {
             QImage image(40, 30, QImage::Format_RGBA64);
             image.fill(QColor(10, 200, 30));
             return pngOf(image);
         }),
         true, 1},
        {"palette", pictureOnly([] {
             QImage image(40, 30, QImage::Format_Indexed8);
             image.setColorTable({qRgb(255, 0, 0), qRgb(0, 0, 255)});
             image.fill(1);
             return pngOf(image);
         }),
         true, 1},
        {"picture-is-folder",
         [](const QDir& dir) {
             dir.mkpath(kPicture);
             write(dir, QStringLiteral("labels.plist"), labelsPlist({}));
         },
         false, 0, QStringLiteral("(null) NOT exist.")},
        {"pipes",
         [](const QDir& dir) {
             ::mkfifo(QFile::encodeName(dir.filePath(kPicture)).constData(), 0600);
             ::mkfifo(QFile::encodeName(dir.filePath("labels.plist")).constData(), 0600);
         },
         false, 0, QStringLiteral("labels file NOT found.")},
        {"link-loops",
         [](const QDir& dir) {
             QFile::link(kPicture, dir.filePath(kPicture));
             QFile::link("labels.plist", dir.filePath("labels.plist"));
             QFile::link("loop", dir.filePath("loop"));
         },
         false, 0, QStringLiteral("(null) NOT exist.")},
        // A link out of the bundle is read like any file the user put there, but never a
        // device that would not end.
        {"links-out",
         [valid](const QDir& dir) {
             write(dir, QStringLiteral("../../outside.png"), valid());
             QFile::link(dir.filePath("../../outside.png"), dir.filePath(kPicture));
             QFile::link("/dev/zero", dir.filePath("labels.plist"));
         },
         true, 0, QStringLiteral("labels file NOT found.")},
        {"names-not-utf8", labelsOnly([] {
             // Written below; the bytes of these names are not UTF-8.
             return labelsPlist(entry(keyed("TITLE", "<string>t</string>")));
         }),
         true, 1},
        {"ten-megabytes", labelsOnly([] {
             return labelsPlist(
                 entry(keyed("TITLE", "<string>t</string>") +
                       keyed("FILLER", "<string>" + QByteArray(10 << 20, 'x') + "</string>")));
         }),
         true, 1},
        {"thousand-entries", labelsOnly([] { return labelsPlist(repeated(entry({}), 1000)); }),
         true, 256, QStringLiteral("744 labels.plist entries past the first 256 not shown.")},
        {"hundred-thousand-entries",
         labelsOnly([] { return labelsPlist(repeated(entry({}), 100000)); }), true, 0,
         QStringLiteral("labels file NOT found.")},
        {"million-booleans", labelsOnly([] { return labelsPlist(repeated("<true/>", 1000000)); }),
         true, 0, QStringLiteral("labels file NOT found.")},
        {"deep-nesting", labelsOnly([] {
             return labelsPlist(repeated("<array>", 100000) + repeated("</array>", 100000));
         }),
         true, 0, QStringLiteral("labels file NOT found.")},
        {"not-dictionaries", labelsOnly([] {
             return labelsPlist(repeated("<string>a</string>", 5000) +
                                entry(keyed("TITLE", "<string>t</string>")));
         }),
         true, 1, QStringLiteral("4992 more labels.plist entries are not dictionaries; skipped.")},
        {"every-wrong-type", labelsOnly([keys] {
             const QByteArray values[] = {"<array><integer>1</integer></array>",
                                          "<dict><key>a</key><true/></dict>",
                                          "<date>2020-01-01T00:00:00Z</date>",
                                          "<data>AAEC</data>",
                                          "<true/>",
                                          "<integer>-7</integer>",
                                          "<real>2.5e3</real>",
                                          "<string>nonsense</string>"};
             QByteArray items;
             for (const QByteArray& value : values) {
                 QByteArray body;
                 for (const QByteArray& key : keys) body += keyed(key, value);
                 items += entry(body);
             }
             return labelsPlist(items);
         }),
         true, 8},
        // A huge font covers the view from far above; the next label lies far above it.
        {"huge-font", labelsOnly([] {
             return labelsPlist(entry(keyed("FONTSIZE", "<real>1e30</real>")) + entry({}));
         }),
         true, 1, QStringLiteral("1 labels lie far outside the view; not shown.")},
        // Far above, then back down into view; then past a float's range.
        {"huge-bottoms", labelsOnly([] {
             return labelsPlist(entry(keyed("BOTTOM", "<string>1e30</string>")) +
                                entry(keyed("BOTTOM", "<real>-1e30</real>")) +
                                entry(keyed("FONTSIZE", "<real>3e38</real>")) +
                                entry(keyed("BOTTOM", "<real>-3e38</real>")));
         }),
         true, 1, QStringLiteral("3 labels lie far outside the view; not shown.")},
        {"not-numbers", labelsOnly([] {
             QByteArray items;
             for (const QByteArray& value :
                  {QByteArray("<string>nan</string>"), QByteArray("<string>inf</string>"),
                   QByteArray("<string>-inf</string>"), QByteArray("<real>nan</real>"),
                   QByteArray("<real>inf</real>"), QByteArray("<real>1e400</real>")})
                 items += entry(keyed("FONTSIZE", value) + keyed("BOTTOM", value) +
                                keyed("COLOR_ALPHA", value));
             return labelsPlist(items);
         }),
         true, 6},
        {"negatives", labelsOnly([] {
             return labelsPlist(entry(keyed("FONTSIZE", "<integer>-20</integer>")) +
                                entry(keyed("BOTTOM", "<string>-5</string>")) +
                                entry(keyed("COLOR_RED", "<integer>-255</integer>")) +
                                entry(keyed("FONTSIZE", "<real>-1e30</real>")));
         }),
         true, 3, QStringLiteral("1 labels lie far outside the view; not shown.")},
        {"megabyte-title", labelsOnly([] {
             return labelsPlist(
                 entry(keyed("TITLE", "<string>" + QByteArray(1 << 20, 'W') + "</string>")));
         }),
         true, 1, QStringLiteral("1 label titles cut to 4096 characters.")},
        {"labels-is-folder",
         [](const QDir& dir) {
             write(dir, kPicture, png({8, 6}));
             dir.mkpath(QStringLiteral("labels.plist"));
         },
         true, 0, QStringLiteral("labels file NOT found.")},
    };
}

// Writes every skin of the corpus into bundle (made as needed); returns them.
inline QList<Skin> writeCorpus(const QString& bundle) {
    const QList<Skin> skins = corpus();
    for (const Skin& skin : skins) {
        const QDir dir(bundle + QLatin1Char('/') + QLatin1String(skin.name));
        dir.mkpath(QStringLiteral("."));
        skin.make(dir);
        if (QLatin1String(skin.name) == QLatin1String("names-not-utf8")) {
            for (const char* name : {"\xff\xfe.png", "labels\xc0.plist", "background\x80"})
                if (FILE* f =
                        std::fopen((QFile::encodeName(dir.path()) + '/' + name).constData(), "w"))
                    std::fclose(f);
        }
    }
    return skins;
}

}  // namespace hostile
