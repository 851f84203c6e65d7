#pragma once

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRectF>
#include <QStringList>
#include <QVariant>

#include <gtest/gtest.h>

#include <array>

// Readable failure messages for Qt values.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QByteArray& b, std::ostream* os) {
    *os << '"' << b.left(80).toStdString() << (b.size() > 80 ? "\"..." : "\"");
}
inline void PrintTo(const QStringList& l, std::ostream* os) {
    *os << '[' << l.join(" | ").toStdString() << ']';
}
inline void PrintTo(const QRectF& r, std::ostream* os) {
    *os << '(' << r.x() << ", " << r.y() << ", " << r.width() << ", " << r.height() << ')';
}

// QRectF's own comparison is fuzzy; frames are compared to the bit through this.
inline std::array<double, 4> exact(const QRectF& r) {
    return {r.x(), r.y(), r.width(), r.height()};
}

#ifdef VELL_TEST_DATA
// Table rows in tests/data: bytes are written as strings of Latin-1 characters.
inline const auto bytes = [](const QJsonValue& v) { return v.toString().toLatin1(); };
inline const auto strings = [](const QJsonValue& v) { return v.toVariant().toStringList(); };

// Checks each row (array) of tests/data/<file>, skipping comments (strings), naming any that fail.
template <typename Check>
void forEachRow(const char* file, Check check) {
    QFile in(QStringLiteral(VELL_TEST_DATA "/") + file);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly)) << file;
    const QJsonArray rows = QJsonDocument::fromJson(in.readAll()).array();
    ASSERT_FALSE(rows.isEmpty()) << file;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        if (rows[i].isString()) continue;
        SCOPED_TRACE(::testing::Message()
                     << file << " entry " << i + 1 << ": "
                     << QJsonDocument(rows[i].toArray()).toJson().simplified().data());
        check(rows[i]);
    }
}
#endif
