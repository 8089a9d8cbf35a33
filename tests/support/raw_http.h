// SPDX-License-Identifier: MIT
#pragma once

// HTTP spoken over a bare loopback socket, so a test can hold connections open without a
// request, send a request a byte at a time, or send what no client library would.

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <optional>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

namespace rawhttp {

using Clock = std::chrono::steady_clock;

// A loopback port nobody listens on now.
inline int freePort()
{
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof a;
    int port = 0;
    if (::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &size) == 0)
        port = ntohs(a.sin_port);
    ::close(s);
    return port;
}

// A non-blocking loopback connection; every wait on it has a deadline.
class Connection {
public:
    explicit Connection(int port) : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0))
    {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<std::uint16_t>(port));
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    }
    ~Connection()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    Connection& operator=(Connection&& other) noexcept
    {
        if (this != &other) {
            if (fd_ >= 0)
                ::close(fd_);
            fd_ = std::exchange(other.fd_, -1);
            buffered_ = std::move(other.buffered_);
            closed_ = other.closed_;
        }
        return *this;
    }
    Connection(Connection&& other) noexcept
        : fd_(other.fd_), buffered_(std::move(other.buffered_)), closed_(other.closed_)
    {
        other.fd_ = -1;
    }

    // True once the connection is made; false if it fails or is still pending at `deadline`.
    bool connectedBy(Clock::time_point deadline)
    {
        int error = 0;
        socklen_t size = sizeof error;
        return wait(POLLOUT, deadline) &&
               ::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0;
    }

    // All of `text` by `deadline`.
    bool send(const std::string& text, Clock::time_point deadline)
    {
        std::size_t sent = 0;
        while (sent < text.size()) {
            if (!wait(POLLOUT, deadline))
                return false;
            const ssize_t n = ::send(fd_, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
            if (n < 0 && errno != EAGAIN && errno != EINTR)
                return false;
            if (n > 0)
                sent += static_cast<std::size_t>(n);
        }
        return true;
    }

    // One response: its head and, unless `head` (the answer to HEAD), its Content-Length body,
    // or without a length all until the server closes. Empty when it is not whole by `deadline`.
    std::optional<std::string> response(Clock::time_point deadline, bool head = false)
    {
        std::size_t end = std::string::npos;
        while ((end = buffered_.find("\r\n\r\n")) == std::string::npos)
            if (!receive(deadline))
                return std::nullopt;
        end += 4;
        std::size_t length = 0;
        const std::string lower = lowered(buffered_.substr(0, end));
        if (const std::size_t at = lower.find("\r\ncontent-length:"); at != std::string::npos) {
            length = std::stoul(lower.substr(at + 17));
        } else if (!head) {
            while (receive(deadline)) {
            }
            if (!closed_)
                return std::nullopt;
            length = buffered_.size() - end;
        }
        if (head)
            length = 0;
        while (buffered_.size() < end + length)
            if (!receive(deadline))
                return std::nullopt;
        std::string whole = buffered_.substr(0, end + length);
        buffered_.erase(0, end + length);
        return whole;
    }

    // True when the server closes the connection by `deadline` (sending nothing more).
    bool closedBy(Clock::time_point deadline)
    {
        char byte = 0;
        while (wait(POLLIN, deadline)) {
            const ssize_t n = ::recv(fd_, &byte, 1, 0);
            if (n == 0 || (n < 0 && errno == ECONNRESET))
                return true;
            if (n > 0)
                return false;
        }
        return false;
    }

    static std::string lowered(std::string text)
    {
        for (char& c : text)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return text;
    }

private:
    // Polls at least once, so a deadline already passed asks without waiting.
    bool wait(short events, Clock::time_point deadline)
    {
        for (;;) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            pollfd p{fd_, events, 0};
            const int ready = ::poll(&p, 1, static_cast<int>(std::max<long long>(left.count(), 0)));
            if (ready > 0)
                return true;
            if (ready == 0 || errno != EINTR)
                return false;
        }
    }
    bool receive(Clock::time_point deadline)
    {
        char chunk[4096];
        while (wait(POLLIN, deadline)) {
            const ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
            if (n > 0) {
                buffered_.append(chunk, static_cast<std::size_t>(n));
                return true;
            }
            closed_ = n == 0;
            if (n == 0 || (errno != EAGAIN && errno != EINTR))
                return false;
        }
        return false;
    }

    int fd_;
    std::string buffered_;
    bool closed_ = false; // by the server
};

} // namespace rawhttp
