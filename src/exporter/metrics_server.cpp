// SPDX-License-Identifier: MIT
#include "exporter/metrics_server.h"

#include "exporter/exposition.h"

#include <arpa/inet.h>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <httplib.h>
#include <netinet/in.h>
#include <stdexcept>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace zr::exporter {
namespace {

bool isIpAddress(const std::string& host)
{
    unsigned char bytes[sizeof(in6_addr)];
    return inet_pton(AF_INET, host.c_str(), bytes) == 1 ||
           inet_pton(AF_INET6, host.c_str(), bytes) == 1;
}

// Only SO_REUSEADDR: the library's default would also set SO_REUSEPORT, with which a second
// exporter could take the same port silently and share the scrapes.
void listenSocketOptions(int socket)
{
    int yes = 1;
    setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
}

// Why the address cannot be bound, found by binding it once more with the same options.
std::string bindProblem(const ListenAddress& address)
{
    const bool six = address.host.find(':') != std::string::npos;
    const int probe = ::socket(six ? AF_INET6 : AF_INET, SOCK_STREAM, 0);
    if (probe < 0)
        return std::strerror(errno);
    listenSocketOptions(probe);
    int result = 0;
    if (six) {
        sockaddr_in6 a{};
        a.sin6_family = AF_INET6;
        a.sin6_port = htons(static_cast<std::uint16_t>(address.port));
        inet_pton(AF_INET6, address.host.c_str(), &a.sin6_addr);
        result = ::bind(probe, reinterpret_cast<sockaddr*>(&a), sizeof a);
    } else {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<std::uint16_t>(address.port));
        inet_pton(AF_INET, address.host.c_str(), &a.sin_addr);
        result = ::bind(probe, reinterpret_cast<sockaddr*>(&a), sizeof a);
    }
    const int error = result == 0 ? 0 : errno;
    ::close(probe);
    if (error == EADDRINUSE)
        return "the port is in use by another program";
    if (error == EADDRNOTAVAIL)
        return "it is not an address of this machine";
    if (error == EACCES)
        return "ports below 1024 need privileges";
    return error ? std::strerror(error) : "the server could not listen on it";
}

std::string addressText(const ListenAddress& address)
{
    const bool six = address.host.find(':') != std::string::npos;
    return (six ? "[" + address.host + "]" : address.host) + ":" + std::to_string(address.port);
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
    if (!isIpAddress(host))
        throw std::invalid_argument("'" + host +
                                    "' is not an IP address (e.g. 127.0.0.1, 0.0.0.0 or [::1])");
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
    httplib::Server server;
    std::thread thread;
};

MetricsServer::MetricsServer(const ReadingsCache& cache, Clock::duration maxAge) : d(new Impl)
{
    d->server.set_socket_options(listenSocketOptions);
    // Headers and body go out in separate writes: without this, Nagle's algorithm holds the body
    // for the scraper's delayed acknowledgement, some 40 ms per scrape on a kept-alive connection.
    d->server.set_tcp_nodelay(true);
    d->server.Get(
        "/metrics", [&cache, maxAge](const httplib::Request& request, httplib::Response& response) {
            const ExpositionFormat format = formatForAccept(request.get_header_value("Accept"));
            response.set_content(renderMetrics(cache.snapshot(), Clock::now(), maxAge, format),
                                 contentType(format));
        });
    d->server.Get("/healthz", [](const httplib::Request&, httplib::Response& response) {
        response.set_content("ok\n", "text/plain; charset=utf-8");
    });
}

MetricsServer::~MetricsServer()
{
    stop();
}

void MetricsServer::bind(const ListenAddress& address)
{
    if (!d->server.bind_to_port(address.host, address.port))
        throw std::runtime_error("cannot listen on " + addressText(address) + ": " +
                                 bindProblem(address) + ".");
}

void MetricsServer::start()
{
    d->thread = std::thread([this] { d->server.listen_after_bind(); });
}

void MetricsServer::stop()
{
    d->server.stop();
    if (d->thread.joinable())
        d->thread.join();
}

} // namespace zr::exporter
