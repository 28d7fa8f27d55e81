#include "host/serve/EngineQueue.h"

namespace kovra::host {

namespace {

constexpr auto kReplyTimeout = std::chrono::seconds(30);

}  // namespace

EngineReply Refusal(int status, const std::string& reason) {
    return EngineReply{status, "text/plain; charset=utf-8", std::make_shared<const std::string>(reason + "\n")};
}

EngineReply JsonReply(std::string json) { return JsonReply(std::make_shared<const std::string>(std::move(json))); }

EngineReply JsonReply(std::shared_ptr<const std::string> json) {
    EngineReply reply;
    reply.body = std::move(json);
    return reply;
}

EngineReply EngineQueue::Ask(Job job) {
    Task task(std::move(job));
    std::future<EngineReply> reply = task.get_future();
    {
        std::lock_guard lock(mutex_);
        if (stopping_) return Refusal(503, "the server is stopping");
        if (jobs_.size() >= kCapacity) return Refusal(503, "the chart is busy; try again");
        jobs_.push_back(std::move(task));
    }
    wake_.notify_all();
    if (reply.wait_for(kReplyTimeout) != std::future_status::ready)
        return Refusal(503, "the chart did not answer in time");
    try {
        return reply.get();
    } catch (const std::future_error&) {
        return Refusal(503, "the server is stopping");
    } catch (const std::exception& error) {
        return Refusal(500, error.what());
    }
}

std::optional<EngineQueue::Task> EngineQueue::Next(std::optional<std::chrono::steady_clock::time_point> wakeAt) {
    std::unique_lock lock(mutex_);
    const auto ready = [this] { return stopping_ || !jobs_.empty(); };
    if (wakeAt) {
        wake_.wait_until(lock, *wakeAt, ready);
    } else {
        wake_.wait(lock, ready);
    }
    if (stopping_) {
        jobs_.clear();  // their askers hear the server is stopping
        return std::nullopt;
    }
    Task job;
    if (!jobs_.empty()) {
        job = std::move(jobs_.front());
        jobs_.pop_front();
    }
    return job;
}

void EngineQueue::Stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
}

}  // namespace kovra::host
