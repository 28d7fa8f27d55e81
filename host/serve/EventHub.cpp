#include "host/serve/EventHub.h"

#include <algorithm>

namespace kovra::host {

void EventHub::Publish(ChartEvent event) {
    {
        std::lock_guard lock(mutex_);
        version_ = event.version;
        keptBytes_ += event.data.size();
        events_.push_back(std::move(event));
        while (events_.size() > 1 && (events_.size() > kKeptEvents || keptBytes_ > kKeptEventBytes)) {
            keptBytes_ -= events_.front().data.size();
            events_.pop_front();
        }
    }
    changed_.notify_all();
}

uint64_t EventHub::version() const {
    std::lock_guard lock(mutex_);
    return version_;
}

std::vector<ChartEvent> EventHub::EventsAfter(uint64_t version) const {
    std::lock_guard lock(mutex_);
    return EventsAfterLocked(version);
}

std::vector<ChartEvent> EventHub::EventsAfterLocked(uint64_t version) const {
    if (version >= version_) return {};
    // Each event moves the version by one, so the kept ones must start right after `version`.
    if (events_.empty() || events_.front().version > version + 1) return {ChartEvent{version_, "reload", "{}"}};
    std::vector<ChartEvent> after;
    for (const ChartEvent& event : events_)
        if (event.version > version) after.push_back(event);
    return after;
}

uint64_t EventHub::OpenStream() {
    std::lock_guard lock(mutex_);
    const uint64_t stream = nextStream_++;
    streams_.push_back(stream);
    if (streams_.size() > kMaxStreams) {
        streams_.erase(streams_.begin());
        changed_.notify_all();  // the replaced stream finds itself gone
    }
    return stream;
}

void EventHub::CloseStream(uint64_t stream) {
    std::lock_guard lock(mutex_);
    std::erase(streams_, stream);
}

size_t EventHub::openStreams() const {
    std::lock_guard lock(mutex_);
    return streams_.size();
}

bool EventHub::Open(uint64_t stream) const {
    return std::find(streams_.begin(), streams_.end(), stream) != streams_.end();
}

EventHub::Wake EventHub::Wait(uint64_t stream, uint64_t version, std::chrono::milliseconds timeout,
                              std::vector<ChartEvent>& events) {
    std::unique_lock lock(mutex_);
    const bool woken =
        changed_.wait_for(lock, timeout, [&] { return stopped_ || !Open(stream) || version_ > version; });
    if (stopped_) return Wake::kStopped;
    if (!Open(stream)) return Wake::kReplaced;
    if (!woken) return Wake::kTimeout;
    events = EventsAfterLocked(version);
    return Wake::kEvents;
}

void EventHub::Stop() {
    {
        std::lock_guard lock(mutex_);
        stopped_ = true;
    }
    changed_.notify_all();
}

}  // namespace kovra::host
