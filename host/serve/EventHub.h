// What changed on the chart, for the pages that follow it: a short history of
// numbered events and the few live event streams that wait for them.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace kovra::host {

struct ChartEvent {
    uint64_t version;  // the state's version once this event is applied
    std::string name;  // "update" (data: a state update) or "reload" (fetch the whole state)
    std::string data;  // one line of JSON
};

class EventHub {
public:
    static constexpr size_t kMaxStreams = 4;  // browsers allow six connections per origin
    // The history is bounded in count and in bytes (an update after a
    // recalculation of a long chart is megabytes); the newest event is always kept.
    static constexpr size_t kKeptEvents = 256;
    static constexpr size_t kKeptEventBytes = size_t{32} << 20;

    explicit EventHub(uint64_t firstVersion = 0) : version_(firstVersion) {}

    void Publish(ChartEvent event);
    uint64_t version() const;

    // Events after `version`, oldest first; a single "reload" event when some
    // of them are no longer kept.
    std::vector<ChartEvent> EventsAfter(uint64_t version) const;

    // A new live stream; the oldest is told it was replaced when all kMaxStreams are taken.
    uint64_t OpenStream();
    void CloseStream(uint64_t stream);
    size_t openStreams() const;

    enum class Wake { kEvents, kTimeout, kReplaced, kStopped };
    // Waits up to `timeout` for events after `version` (filled into `events`),
    // or until the stream is replaced or the hub stops.
    Wake Wait(uint64_t stream, uint64_t version, std::chrono::milliseconds timeout, std::vector<ChartEvent>& events);

    // Wakes every waiter for good: the server is going down.
    void Stop();

private:
    std::vector<ChartEvent> EventsAfterLocked(uint64_t version) const;
    bool Open(uint64_t stream) const;

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    uint64_t version_;
    std::deque<ChartEvent> events_;
    size_t keptBytes_ = 0;           // of the events' data
    std::vector<uint64_t> streams_;  // oldest first
    uint64_t nextStream_ = 1;
    bool stopped_ = false;
};

}  // namespace kovra::host
