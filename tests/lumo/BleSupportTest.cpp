#include "lumo/BleSupport.h"

#include <gtest/gtest.h>

#include "support/QtPrinters.h"

namespace {

using namespace std::chrono_literals;

TEST(BluetoothUuidTest, ShortFormsExpandToTheBaseUuid) {
    forEachRow("bluetooth_uuids.json", [](const QJsonValue& row) {
        const std::optional<QBluetoothUuid> uuid = expandBluetoothUuid(row[0].toString());
        EXPECT_EQ(uuid ? uuid->toString() : QString(), row[1].toString());
        EXPECT_EQ(uuid.has_value(), !row[1].isNull());
    });
}

TEST(BackoffTest, DoublesUpToThirtySecondsAndStartsOverAfterReset) {
    Backoff backoff;
    for (const auto pause : {1s, 2s, 4s, 8s, 16s, 30s, 30s}) EXPECT_EQ(backoff.next(), pause);
    for (int i = 0; i < 1000; ++i) backoff.next();  // no overflow however long the outage
    EXPECT_EQ(backoff.next(), 30s);
    backoff.reset();
    EXPECT_EQ(backoff.next(), 1s);
}

}  // namespace
