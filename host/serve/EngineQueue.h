// The requests the HTTP threads hand to the engine thread: a bounded queue
// of jobs, each asker waiting for its job's reply.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace kovra::host {

struct EngineReply {
    int status = 200;
    std::string contentType = "application/json; charset=utf-8";
    std::shared_ptr<const std::string> body;
};

// A one-line reason as plain text.
EngineReply Refusal(int status, const std::string& reason);
// A JSON body.
EngineReply JsonReply(std::string json);
EngineReply JsonReply(std::shared_ptr<const std::string> json);

class EngineQueue {
public:
    static constexpr size_t kCapacity = 64;
    using Job = std::function<EngineReply()>;
    using Task = std::packaged_task<EngineReply()>;

    // Waits for the job's reply; 503 when the queue is full or stopped, or
    // when the engine does not answer in time.
    EngineReply Ask(Job job);
    // The engine thread: the next job, once one comes or `wakeAt` passes
    // (then an empty task); nullopt once stopped.
    std::optional<Task> Next(std::optional<std::chrono::steady_clock::time_point> wakeAt);
    // Later and waiting askers hear that the server is stopping.
    void Stop();

private:
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Task> jobs_;
    bool stopping_ = false;
};

}  // namespace kovra::host
