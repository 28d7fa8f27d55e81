// The event history pages catch up from: bounded in count and in bytes, and
// a page that fell behind what is kept is told to reload.
#include <gtest/gtest.h>

#include <string>

#include "host/serve/EventHub.h"

namespace {

using kovra::host::ChartEvent;
using kovra::host::EventHub;

struct HistoryRow {
    const char* name;
    size_t events;
    size_t bytesEach;
    size_t keptExpected;  // how many of the newest events a page can still catch up from
};

TEST(EventHub, KeepsTheNewestEventsWithinItsCountAndBytes) {
    const size_t byCount = EventHub::kKeptEvents;
    const size_t byBytes = EventHub::kKeptEventBytes / (4 << 20);
    const HistoryRow rows[] = {
        {"few small events: all kept", 10, 100, 10},
        {"many small events: the last kKeptEvents", byCount + 40, 100, byCount},
        {"large events: as many as fit the bytes", byBytes + 5, 4 << 20, byBytes},
        {"one event larger than the bound: still kept", 3, EventHub::kKeptEventBytes + 1, 1},
    };
    for (const HistoryRow& row : rows) {
        SCOPED_TRACE(row.name);
        EventHub hub;
        for (uint64_t version = 1; version <= row.events; ++version)
            hub.Publish(ChartEvent{version, "update", std::string(row.bytesEach, 'x')});
        const uint64_t last = row.events;
        const auto caughtUp = hub.EventsAfter(last - row.keptExpected);
        ASSERT_EQ(caughtUp.size(), row.keptExpected);
        EXPECT_EQ(caughtUp.front().version, last - row.keptExpected + 1);
        EXPECT_EQ(caughtUp.back().version, last);
        if (row.keptExpected == row.events) continue;  // nobody can be behind what is kept
        const auto behind = hub.EventsAfter(last - row.keptExpected - 1);
        ASSERT_EQ(behind.size(), 1u);
        EXPECT_EQ(behind.front().name, "reload");
        EXPECT_EQ(behind.front().version, last);
    }
}

}  // namespace
