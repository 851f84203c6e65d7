#include "lumo/BleSupport.h"

#include <gtest/gtest.h>

#include "support/QtPrinters.h"

namespace {

using namespace std::chrono_literals;

TEST(BluetoothUuidTest, ShortFormsExpandToTheBaseUuid) {
    const struct {
        const char* text;
        const char* expanded;  // null: refused
    } rows[] = {
        {"FFE0", "{0000ffe0-0000-1000-8000-00805f9b34fb}"},
        {"ffe1", "{0000ffe1-0000-1000-8000-00805f9b34fb}"},
        {"0000ffe2-0000-1000-8000-00805f9b34fb", "{0000ffe2-0000-1000-8000-00805f9b34fb}"},
        {"", nullptr},
        {"FFE", nullptr},
        {"FFE0F", nullptr},
        {"GGGG", nullptr},
        {"-FFE", nullptr},
        {"not a uuid at all", nullptr},
    };
    for (const auto& row : rows) {
        const std::optional<QBluetoothUuid> uuid =
            expandBluetoothUuid(QString::fromLatin1(row.text));
        if (row.expanded == nullptr) {
            EXPECT_FALSE(uuid.has_value()) << row.text;
        } else {
            ASSERT_TRUE(uuid.has_value()) << row.text;
            EXPECT_EQ(uuid->toString(), QString::fromLatin1(row.expanded)) << row.text;
        }
    }
}

TEST(BackoffTest, DoublesUpToThirtySecondsAndStartsOverAfterReset) {
    Backoff backoff;
    const std::chrono::milliseconds expected[] = {1s, 2s, 4s, 8s, 16s, 30s, 30s, 30s};
    for (const auto pause : expected) EXPECT_EQ(backoff.next(), pause);
    for (int i = 0; i < 1000; ++i) backoff.next();  // no overflow however long the outage
    EXPECT_EQ(backoff.next(), 30s);
    backoff.reset();
    EXPECT_EQ(backoff.next(), 1s);
}

}  // namespace
