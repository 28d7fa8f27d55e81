#include "host/serve/BoundedConnections.h"

#include <httplib.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <stdexcept>

#include <fmt/format.h>

namespace kovra::host {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Waits are cut into slices this long, so a stopping server is noticed.
constexpr milliseconds kWaitSlice{50};
// Connections the system holds for the server to take: a browser opens
// several at once, a hostile client dozens.
constexpr int kBacklog = 128;
constexpr const char* kLoopback = "127.0.0.1";

// One connection's socket. Reads take what the socket has until the current
// request's deadline; writes wait at most the write timeout for room.
class BoundedStream final : public httplib::Stream {
public:
    BoundedStream(socket_t socket, const ConnectionLimits& limits, std::function<bool()> stopping)
        : socket_(socket), limits_(limits), stopping_(std::move(stopping)) {}

    // Waits up to the idle timeout for the next request's first byte; false
    // when none comes, the client closed or the server stops.
    bool AwaitRequest() {
        if (begin_ < end_) return true;  // the client sent it with the one before
        return Wait(POLLIN, Clock::now() + limits_.idleTimeout) && Fill() > 0;
    }
    void StartRequest() { deadline_ = Clock::now() + limits_.requestDeadline; }

    // Whether the last request passed its deadline unfinished: the connection ends.
    bool late() const { return late_; }

    bool is_readable() const override { return begin_ < end_ || Wait(POLLIN, deadline_); }
    bool is_writable() const override { return Wait(POLLOUT, Clock::now() + limits_.writeTimeout) && PeerThere(); }

    ssize_t read(char* data, size_t size) override {
        if (begin_ == end_) {
            if (!Wait(POLLIN, deadline_)) {
                late_ = true;
                return -1;
            }
            const ssize_t filled = Fill();
            if (filled <= 0) return filled;
        }
        const size_t taken = std::min(size, end_ - begin_);
        std::memcpy(data, buffer_.data() + begin_, taken);
        begin_ += taken;
        return static_cast<ssize_t>(taken);
    }

    using httplib::Stream::write;
    ssize_t write(const char* data, size_t size) override {
        if (!Wait(POLLOUT, Clock::now() + limits_.writeTimeout)) return -1;
        const ssize_t sent = ::send(socket_, data, size, MSG_DONTWAIT | MSG_NOSIGNAL);
        if (sent < 0) return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR ? 0 : -1;
        return sent;
    }

    void get_remote_ip_and_port(std::string& ip, int& port) const override { Address(getpeername, ip, port); }
    void get_local_ip_and_port(std::string& ip, int& port) const override { Address(getsockname, ip, port); }
    socket_t socket() const override { return socket_; }

private:
    // Until `events` are ready on the socket (true), or `until` passes or the server stops (false).
    bool Wait(short events, Clock::time_point until) const {
        for (;;) {
            if (stopping_()) return false;
            const auto left = std::chrono::duration_cast<milliseconds>(until - Clock::now());
            if (left.count() <= 0) return false;
            pollfd watched{socket_, events, 0};
            const int ready = ::poll(&watched, 1, static_cast<int>(std::min(left, kWaitSlice).count()));
            if (ready > 0) return true;
            if (ready < 0 && errno != EINTR) return false;
        }
    }

    ssize_t Fill() {
        const ssize_t got = ::recv(socket_, buffer_.data(), buffer_.size(), MSG_DONTWAIT);
        begin_ = 0;
        end_ = got > 0 ? static_cast<size_t>(got) : 0;
        return got;
    }

    // A closed connection reads as readable with nothing to read.
    bool PeerThere() const {
        char byte;
        const ssize_t peeked = ::recv(socket_, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
        return peeked > 0 || (peeked < 0 && (errno == EAGAIN || errno == EWOULDBLOCK));
    }

    template <typename Lookup>
    void Address(Lookup lookup, std::string& ip, int& port) const {
        sockaddr_storage address{};
        socklen_t length = sizeof(address);
        std::array<char, NI_MAXHOST> host{};
        std::array<char, NI_MAXSERV> service{};
        if (lookup(socket_, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
            getnameinfo(reinterpret_cast<sockaddr*>(&address), length, host.data(), host.size(), service.data(),
                        service.size(), NI_NUMERICHOST | NI_NUMERICSERV) != 0)
            return;
        ip = host.data();
        port = std::atoi(service.data());
    }

    socket_t socket_;
    const ConnectionLimits& limits_;
    std::function<bool()> stopping_;
    Clock::time_point deadline_ = Clock::now();
    bool late_ = false;
    std::array<char, 4096> buffer_{};
    size_t begin_ = 0, end_ = 0;
};

class BoundedServer final : public httplib::Server {
public:
    explicit BoundedServer(const ConnectionLimits& limits) : limits_(limits) {
        new_task_queue = [threads = limits.threads] { return new httplib::ThreadPool(threads); };
        // What the Keep-Alive header tells clients, so none sends on a connection about to close.
        set_keep_alive_timeout(std::chrono::ceil<std::chrono::seconds>(limits.idleTimeout).count());
        set_keep_alive_max_count(limits.requestsPerConnection);
    }

    // httplib listens with a backlog of 5; listening again widens it.
    int Bind(int port) {
        int bound = -1;
        if (port == 0)
            bound = bind_to_any_port(kLoopback);
        else if (bind_to_port(kLoopback, port))
            bound = port;
        if (bound <= 0 || ::listen(svr_sock_, kBacklog) != 0) return -1;
        return bound;
    }

private:
    bool process_and_close_socket(socket_t socket) override {
        BoundedStream stream(socket, limits_, [this] { return svr_sock_ == INVALID_SOCKET; });
        bool served = false;
        for (size_t request = 1; request <= limits_.requestsPerConnection; ++request) {
            if (!stream.AwaitRequest()) break;
            stream.StartRequest();
            bool closed = false;
            served = process_request(stream, request == limits_.requestsPerConnection, closed, nullptr);
            if (!served || closed || stream.late()) break;
        }
        ::shutdown(socket, SHUT_RDWR);
        ::close(socket);
        return served;
    }

    const ConnectionLimits limits_;
};

}  // namespace

LoopbackServer BindLoopbackServer(int port, const ConnectionLimits& limits) {
    auto server = std::make_unique<BoundedServer>(limits);
    const int bound = server->Bind(port);
    if (bound <= 0) throw std::runtime_error(fmt::format("cannot listen on {}:{}", kLoopback, port));
    return LoopbackServer{std::move(server), bound};
}

}  // namespace kovra::host
