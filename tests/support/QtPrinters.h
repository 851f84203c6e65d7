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

#endif
