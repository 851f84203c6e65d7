#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// One record from the sensor: ASCII text whose characters 5..9 and 15..19 are the temperature
// and the humidity, shown as "%@ ℃   %@%%".
class ReadingRecord {
public:
    static constexpr qsizetype kMinimumLength = 20;

    // The reading text, or nothing when the record is shorter than 20 bytes or holds a byte
    // outside ASCII.
    static std::optional<QString> readingText(const QByteArray& record);

    // The log line for a record that readingText refused; long records are cut short.
    static QString rejectionLine(const QByteArray& record);
};
