#pragma once

#include <QDataStream>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "support/LogCapture.h"
#include "support/QtPrinters.h"
#include "support/SkinFiles.h"
#include "support/Table.h"
#include "support/TempHome.h"

// The skin tests read tables of inputs and what they give from tests/data; the skin folders in
// them are trees of files described as data, the worst of them in hostile-skins.json.

inline QByteArray testData(const QString& name) {
    QFile file(QStringLiteral(VELL_TEST_DATA "/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
inline std::string shown(const QJsonValue& value) {
    return QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact).toStdString();
}

// Whether actual holds all that expected does (see firstDifference).
inline bool covers(const QJsonValue& actual, const QJsonValue& expected) {
    return firstDifference(actual, expected).isEmpty();
}

// Text from parts: a string is itself; an array is its parts joined, as often as a leading
// number says: ["<a>", [3, "x"], "</a>"] is "<a>xxx</a>".
inline QByteArray expand(const QJsonValue& parts) {
    if (!parts.isArray()) return parts.toString().toUtf8();
    QJsonArray list = parts.toArray();
    const int times = !list.isEmpty() && list.first().isDouble() ? list.takeAt(0).toInt() : 1;
    QByteArray once;
    for (const QJsonValue& part : list) once += expand(part);
    return once.repeated(times);
}

// A binary property list of depth arrays, each holding the next.
inline QByteArray nestedBinaryPlist(quint32 depth) {
    QByteArray data;
    QDataStream out(&data, QIODevice::WriteOnly);  // big-endian, as the format is
    out.writeRawData("bplist00", 8);
    for (quint32 i = 1; i <= depth; ++i) out << quint8(0xA1) << i;
    out << quint8(0xA0);
    for (quint32 i = 0; i <= depth; ++i) out << 8 + 5 * i;  // where each array starts
    out << quint32(0) << quint16(0x0404) << quint64(depth + 1) << quint64(0)
        << 9 + 5 * quint64(depth);
    return data;
}

// A file's content: text parts, or {"png": [w, h]}, {"plist": parts} (a labels.plist of those
// items), {"utf16": parts}, {"data": file in tests/data} or {"nested": depth}.
inline QByteArray contentOf(const QJsonValue& description) {
    const QJsonObject o = description.toObject();
    if (o.contains("png")) return png(QSize(o["png"][0].toInt(), o["png"][1].toInt()));
    if (o.contains("plist")) return labelsPlist(expand(o["plist"]));
    if (o.contains("utf16")) {  // the same as "plist", in UTF-16 after its byte order mark
        const QString text =
            QChar(QChar::ByteOrderMark) + QString::fromUtf8(labelsPlist(expand(o["utf16"])));
        return QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    }
    if (o.contains("data")) return testData(o["data"].toString());
    if (o.contains("nested")) return nestedBinaryPlist(static_cast<quint32>(o["nested"].toInt()));
    return expand(description);
}

// Makes each entry of tree under root: names are percent-encoded bytes, "." is root itself;
// values are a file's content, {"dir": true}, {"link": target}, {"fifo": true} or
// {"remove": true}; a file with "replace" is written beside and renamed into place; any with
// "mode" (octal, given last; alone it makes nothing). undoModes gives the owner all rights back.
inline void makeTree(const QString& root, const QJsonObject& tree, bool undoModes = false) {
    namespace fs = std::filesystem;
    std::error_code ec;
    for (int pass = undoModes ? 1 : 0; pass < 2; ++pass) {
        for (auto it = tree.begin(); it != tree.end(); ++it) {
            const QJsonObject o = it.value().toObject();
            const QByteArray name = QByteArray::fromPercentEncoding(it.key().toUtf8());
            fs::path path = fs::path((QFile::encodeName(root) + '/' + name).toStdString());
            path = path.lexically_normal();
            if (!path.has_filename()) path = path.parent_path();  // "." is root itself
            if (pass == 1 && o.contains("mode"))
                ::chmod(path.c_str(), undoModes ? 0700 : o["mode"].toString().toUInt(nullptr, 8));
            if (pass == 1 || (o.size() == 1 && o.contains("mode"))) continue;
            fs::create_directories(path.parent_path(), ec);
            if (o["remove"].toBool()) {
                fs::remove_all(path, ec);
            } else if (o["dir"].toBool()) {
                fs::create_directory(path, ec);
            } else if (o.contains("link")) {
                fs::create_symlink(o["link"].toString().toStdString(), path, ec);
            } else if (o["fifo"].toBool()) {
                ::mkfifo(path.c_str(), 0600);
            } else {
                const fs::path made = path.string() + (o["replace"].toBool() ? "~" : "");
                std::ofstream(made, std::ios::binary) << contentOf(it.value()).toStdString();
                fs::rename(made, path, ec);
            }
        }
    }
}
