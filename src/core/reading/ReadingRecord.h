#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// One record from the sensor: ASCII text whose characters 5..9 and 15..19 are the temperature
// and the humidity, shown as "%@ ℃   %@%%".
class ReadingRecord {
public:
    static constexpr qsizetype kMinimumLength = 20;
    // A rejected record is shown in hex; this much of it is enough to recognise it.
    static constexpr qsizetype kLoggedBytes = 64;

    // The two fields as the sensor sent them: temperature and humidity.
    struct Fields {
        QString temperature;
        QString humidity;
    };
    // The fields, or nothing when the record is shorter than 20 bytes or holds a byte outside
    // ASCII.
    static std::optional<Fields> fields(const QByteArray& record);
    // The text the screen shows for them.
    static QString text(const Fields& fields);
    // Both at once: the reading text, or nothing for a record that fields() refuses.
    static std::optional<QString> readingText(const QByteArray& record);

    // The log line for a record that readingText refused; long records are cut short.
    static QString rejectionLine(const QByteArray& record);
};
