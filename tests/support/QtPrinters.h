#pragma once

#include <QByteArray>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariant>

#include <gtest/gtest.h>

#include <array>
#include <ostream>

// Readable failure messages for Qt values.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QByteArray& b, std::ostream* os) {
    *os << '"' << QString::fromLatin1(b.left(80)).toStdString() << (b.size() > 80 ? "\"..." : "\"");
}
inline void PrintTo(const QStringList& l, std::ostream* os) {
    *os << '[' << l.join(QStringLiteral(" | ")).toStdString() << ']';
}
inline void PrintTo(const QRectF& r, std::ostream* os) {
    *os << '(' << r.x() << ", " << r.y() << ", " << r.width() << ", " << r.height() << ')';
}
inline void PrintTo(const QUrl& url, std::ostream* os) {
    *os << url.toString().toStdString();
}

// QRectF's own comparison is fuzzy; frames are compared to the bit through this.
inline std::array<double, 4> exact(const QRectF& r) {
    return {r.x(), r.y(), r.width(), r.height()};
}

// Table rows from tests/data: bytes are written as JSON strings of Latin-1 characters.
inline QByteArray bytes(const QJsonValue& v) {
    return v.toString().toLatin1();
}
inline QStringList strings(const QJsonValue& v) {
    return v.toVariant().toStringList();
}

#ifdef VELL_TEST_DATA
// Passes each row of tests/data/<file>, a JSON array, to check; a failure names file and row.
// Strings between the rows are comments.
template <typename Check>
void forEachRow(const char* file, Check check) {
    QFile in(QStringLiteral(VELL_TEST_DATA "/") + QLatin1String(file));
    ASSERT_TRUE(in.open(QIODevice::ReadOnly)) << file;
    const QJsonArray rows = QJsonDocument::fromJson(in.readAll()).array();
    ASSERT_FALSE(rows.isEmpty()) << file;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        if (rows[i].isString()) continue;
        SCOPED_TRACE(::testing::Message()
                     << file << " entry " << i + 1 << ": "
                     << QJsonDocument(rows[i].toArray()).toJson(QJsonDocument::Compact).data());
        check(rows[i]);
    }
}
#endif
