#pragma once

#include <QJsonValue>
#include <QString>

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

// Tables of cases in tests/data (the folder CMake names in VELL_TEST_DATA), one test per row:
//
//   class LineReaderRows : public TableTest {};
//   TEST_P(LineReaderRows, SplitsTheStreamIntoLines) { const QJsonValue& row = GetParam().value; }
//   VELL_TABLE(LineReaderRows, "line_reader.json");
//
// Each row's test is named after the row ("Rows/LineReaderRows.SplitsTheStreamIntoLines/3_crlf",
// from its "name", or its number alone), so that ctest -R or --gtest_filter runs one row; a
// failure names the file and the row and shows it. Strings between rows are comments.
struct TableRow {
    std::string file;
    int number = 0;  // 1-based, counting comments too
    std::string name;
    QJsonValue value;
};

std::vector<TableRow> tableRows(const char* file);
std::string rowTestName(const ::testing::TestParamInfo<TableRow>& info);
void PrintTo(const TableRow& row, std::ostream* os);

using TableTest = ::testing::TestWithParam<TableRow>;
#define VELL_TABLE(suite, file) \
    INSTANTIATE_TEST_SUITE_P(Rows, suite, ::testing::ValuesIn(tableRows(file)), rowTestName)

// The first place where actual lacks what expected holds, with both values, such as
// `.labels[2].text: expected "abc", got "abd"`; empty when actual holds it all. Objects compare
// by the expected keys, arrays item by item, and a string ending in '*' is a prefix.
QString firstDifference(const QJsonValue& actual, const QJsonValue& expected,
                        const QString& path = {});
#define EXPECT_COVERS(actual, expected)                                                        \
    do {                                                                                       \
        const QString difference = firstDifference(actual, expected);                          \
        EXPECT_TRUE(difference.isEmpty()) << "first difference: " << difference.toStdString(); \
    } while (false)
