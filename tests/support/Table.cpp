#include "support/Table.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdlib>

namespace {
std::string compact(const QJsonValue& value) {
    const QByteArray json = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return json.mid(1, json.size() - 2).left(400).toStdString();
}
}  // namespace

std::vector<TableRow> tableRows(const char* file) {
    QFile in(QStringLiteral(VELL_TEST_DATA "/") + QLatin1String(file));
    QJsonParseError error{};
    const QJsonDocument document = in.open(QIODevice::ReadOnly)
                                       ? QJsonDocument::fromJson(in.readAll(), &error)
                                       : QJsonDocument();
    if (!document.isArray() || document.array().isEmpty()) {
        // A table that cannot be read would otherwise run no test at all, silently.
        fprintf(stderr, "table %s: %s\n", file, qPrintable(error.errorString()));
        std::abort();
    }
    std::vector<TableRow> rows;
    const QJsonArray all = document.array();
    for (qsizetype i = 0; i < all.size(); ++i) {
        if (all[i].isString()) continue;
        std::string name = std::to_string(i + 1);
        if (const QString given = all[i]["name"].toString(); !given.isEmpty()) {
            name += '_';
            for (const QChar c : given)
                name += c.isLetterOrNumber() && c.unicode() < 128 ? char(c.unicode()) : '_';
        }
        rows.push_back({file, int(i + 1), name, all[i]});
    }
    return rows;
}

std::string rowTestName(const ::testing::TestParamInfo<TableRow>& info) {
    return info.param.name;
}

void PrintTo(const TableRow& row, std::ostream* os) {
    *os << "tests/data/" << row.file << " row " << row.number << ": " << compact(row.value);
}

QString firstDifference(const QJsonValue& actual, const QJsonValue& expected, const QString& path) {
    if (expected.isObject()) {
        if (!actual.isObject())
            return QStringLiteral("%1: expected an object, got %2")
                .arg(path, QString::fromStdString(compact(actual)));
        for (const QString& key : expected.toObject().keys())
            if (QString d = firstDifference(actual[key], expected[key], path + '.' + key);
                !d.isEmpty())
                return d;
        return {};
    }
    if (expected.isArray()) {
        const QJsonArray want = expected.toArray();
        if (!actual.isArray() || actual.toArray().size() != want.size())
            return QStringLiteral("%1: expected %2 items, got %3")
                .arg(path)
                .arg(want.size())
                .arg(QString::fromStdString(compact(actual)));
        for (qsizetype i = 0; i < want.size(); ++i)
            if (QString d =
                    firstDifference(actual[i], want[i], QStringLiteral("%1[%2]").arg(path).arg(i));
                !d.isEmpty())
                return d;
        return {};
    }
    const QString text = expected.toString();
    const bool same =
        text.endsWith('*') ? actual.toString().startsWith(text.chopped(1)) : actual == expected;
    if (same) return {};
    return QStringLiteral("%1: expected %2, got %3")
        .arg(path.isEmpty() ? QStringLiteral("value") : path,
             QString::fromStdString(compact(expected)), QString::fromStdString(compact(actual)));
}
