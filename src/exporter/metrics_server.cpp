// SPDX-License-Identifier: MIT
#include "exporter/metrics_server.h"

#include "exporter/http_routes.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <microhttpd.h>
#include <netinet/in.h>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

namespace zr::exporter {
namespace {

// The server waits on every connection at once (epoll) on one thread of its own, so a client
// that sends slowly or not at all holds one descriptor and a little memory, never a thread, and
// a scrape is answered the moment its request is whole.
//
// A connection on which nothing arrives for this long is closed: an idle kept-alive one, or
// one whose request stalls. Prometheus opens a new connection when it finds one closed.
constexpr unsigned kIdleTimeoutSeconds = 2;
// Connections held at once; more are refused until some close. The descriptor limit is raised
// to fit (see raiseDescriptorLimit).
constexpr unsigned kMostConnections = 4000;
// Per connection, for its request head and the server's bookkeeping: a scraper's request needs
// well under 1 KiB; one that needs more than this gets 431 and a closed connection.
constexpr std::size_t kConnectionMemory = 16 * 1024;
// Connections the kernel completes while the server is busy accepting others.
constexpr int kListenBacklog = 1024;

bool isIpAddress(const std::string& host)
{
    unsigned char bytes[sizeof(in6_addr)];
    return inet_pton(AF_INET, host.c_str(), bytes) == 1 ||
           inet_pton(AF_INET6, host.c_str(), bytes) == 1;
}

bool isIpv6(const std::string& host)
{
    return host.find(':') != std::string::npos;
}

std::string addressText(const ListenAddress& address)
{
    return (isIpv6(address.host) ? "[" + address.host + "]" : address.host) + ":" +
           std::to_string(address.port);
}

std::string bindProblem(int error)
{
    if (error == EADDRINUSE)
        return "the port is in use by another program";
    if (error == EADDRNOTAVAIL)
        return "it is not an address of this machine";
    if (error == EACCES)
        return "ports below 1024 need privileges";
    return std::strerror(error);
}

// A listening socket on `host` (an IP address; "::" takes IPv4 as well), or -1 with errno set.
// Only SO_REUSEADDR, never SO_REUSEPORT, with which a second exporter could take the same port
// silently and share the scrapes.
int listenOn(const std::string& host, int port)
{
    const bool six = isIpv6(host);
    const int fd = ::socket(six ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    int yes = 1;
    int no = 0;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    int result = 0;
    if (six) {
        setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &no, sizeof no);
        sockaddr_in6 a{};
        a.sin6_family = AF_INET6;
        a.sin6_port = htons(static_cast<std::uint16_t>(port));
        inet_pton(AF_INET6, host.c_str(), &a.sin6_addr);
        result = ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    } else {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<std::uint16_t>(port));
        inet_pton(AF_INET, host.c_str(), &a.sin_addr);
        result = ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    }
    if (result == 0)
        result = ::listen(fd, kListenBacklog);
    if (result != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

// The usual soft limit of 1024 descriptors would refuse connections long before the server's
// own limit; the hard limit (far higher under systemd) is the process's to take.
unsigned raiseDescriptorLimit()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return 1024;
    const rlim_t wanted = std::min<rlim_t>(limit.rlim_max, kMostConnections + 64);
    if (limit.rlim_cur < wanted) {
        limit.rlim_cur = wanted;
        setrlimit(RLIMIT_NOFILE, &limit);
        getrlimit(RLIMIT_NOFILE, &limit);
    }
    return static_cast<unsigned>(std::min<rlim_t>(limit.rlim_cur, kMostConnections + 64));
}

} // namespace

ListenAddress parseListenAddress(std::string_view text)
{
    const std::size_t colon = text.rfind(':');
    if (colon == std::string_view::npos)
        throw std::invalid_argument("'" + std::string(text) +
                                    "' has no port: give ADDRESS:PORT, e.g. 127.0.0.1:9410");
    std::string host(text.substr(0, colon));
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    else if (host.find(':') != std::string::npos)
        throw std::invalid_argument("'" + std::string(text) +
                                    "': put an IPv6 address in brackets, e.g. [::1]:9410");
    // Not looked up: "localhost" may name ::1 first, and a scraper told localhost tries both.
    if (host == "localhost")
        host = "127.0.0.1";
    if (!host.empty() && !isIpAddress(host))
        throw std::invalid_argument("'" + host +
                                    "' is not an IP address (e.g. 127.0.0.1, 0.0.0.0 or [::1]), "
                                    "localhost, or nothing (every interface)");
    const std::string_view portText = text.substr(colon + 1);
    int port = 0;
    const auto [end, error] =
        std::from_chars(portText.data(), portText.data() + portText.size(), port);
    if (portText.empty() || error != std::errc() || end != portText.data() + portText.size() ||
        port < 1 || port > 65535)
        throw std::invalid_argument("'" + std::string(portText) +
                                    "' is not a port number from 1 to 65535");
    return {host, port};
}

struct MetricsServer::Impl {
    const ReadingsCache& cache;
    Clock::duration maxAge;
    int listenSocket = -1; // until the daemon takes it
    MHD_Daemon* daemon = nullptr;

    // Called once the head is read, again for each part of a body, and once more at its end:
    // the answer goes out on that last call. Answered on the first, the library would close the
    // connection after it (it could not know where the next request starts); a body, which no
    // request here needs, is read and dropped.
    static MHD_Result answer(void* self, MHD_Connection* connection, const char* url,
                             const char* method, const char*, const char*, std::size_t* uploadSize,
                             void** requestState)
    {
        static int headRead;
        if (!*requestState) {
            *requestState = &headRead;
            return MHD_YES;
        }
        if (*uploadSize != 0) {
            *uploadSize = 0;
            return MHD_YES;
        }
        const Impl& d = *static_cast<const Impl*>(self);
        const char* accept = MHD_lookup_connection_value(connection, MHD_HEADER_KIND, "Accept");
        const HttpReply reply = answerRequest(method, url, accept ? accept : "", d.cache, d.maxAge);
        MHD_Response* response = MHD_create_response_from_buffer(
            reply.body.size(), const_cast<char*>(reply.body.data()), MHD_RESPMEM_MUST_COPY);
        if (!response)
            return MHD_NO;
        MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, reply.contentType.c_str());
        if (!reply.allow.empty())
            MHD_add_response_header(response, MHD_HTTP_HEADER_ALLOW, reply.allow.c_str());
        const MHD_Result queued =
            MHD_queue_response(connection, static_cast<unsigned>(reply.status), response);
        MHD_destroy_response(response);
        return queued;
    }
};

MetricsServer::MetricsServer(const ReadingsCache& cache, Clock::duration maxAge)
    : d(new Impl{cache, maxAge})
{
}

MetricsServer::~MetricsServer()
{
    stop();
    if (d->listenSocket >= 0)
        ::close(d->listenSocket);
}

void MetricsServer::bind(const ListenAddress& address)
{
    // Nothing before the port: every interface, IPv6 and IPv4 on one socket where the machine
    // has IPv6, IPv4 alone where it has not.
    int fd = -1;
    if (address.host.empty()) {
        fd = listenOn("::", address.port);
        if (fd < 0 && (errno == EAFNOSUPPORT || errno == EADDRNOTAVAIL))
            fd = listenOn("0.0.0.0", address.port);
    } else {
        fd = listenOn(address.host, address.port);
    }
    if (fd < 0) {
        const std::string problem = bindProblem(errno);
        throw std::runtime_error("cannot listen on " + addressText(address) + ": " + problem + ".");
    }
    if (d->listenSocket >= 0)
        ::close(d->listenSocket);
    d->listenSocket = fd;
}

void MetricsServer::start()
{
    // A few descriptors stay for the board and the library itself.
    const unsigned descriptors = raiseDescriptorLimit();
    const unsigned connections = descriptors > 128 ? descriptors - 64 : 64;
    d->daemon = MHD_start_daemon(
        MHD_USE_EPOLL_INTERNAL_THREAD | MHD_USE_ITC, 0, nullptr, nullptr, &Impl::answer, d.get(),
        MHD_OPTION_LISTEN_SOCKET, d->listenSocket, MHD_OPTION_CONNECTION_TIMEOUT,
        kIdleTimeoutSeconds, MHD_OPTION_CONNECTION_LIMIT, connections,
        MHD_OPTION_CONNECTION_MEMORY_LIMIT, kConnectionMemory, MHD_OPTION_END);
    if (!d->daemon)
        throw std::runtime_error("the HTTP server could not start.");
    d->listenSocket = -1; // closed by the daemon when it stops
}

void MetricsServer::stop()
{
    if (d->daemon)
        MHD_stop_daemon(d->daemon);
    d->daemon = nullptr;
}

} // namespace zr::exporter
