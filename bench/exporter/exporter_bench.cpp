// SPDX-License-Identifier: MIT
// How `zr410ab-cli serve` answers scrapes while other clients misbehave, on loopback:
//   1. a scrape on a fresh connection, nothing else connected;
//   2. the same while 200 connections sit idle and 20 send their request one byte a second;
//   3. 50 scrapers at once, each on its own kept-alive connection, back to back.
// Prints the latencies (median, 99th percentile, longest) and how many scrapes got no answer
// within 10 s. Usage: exporter_bench [--cli PATH] [--seconds N] (N: length of 2 and 3, default 5)

#include "support/raw_http.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <vector>

using namespace std::chrono_literals;
using rawhttp::Clock;
using rawhttp::Connection;

extern char** environ;

namespace {

const std::string kScrape = "GET /metrics HTTP/1.1\r\nHost: bench\r\n\r\n";
constexpr auto kGiveUp = 10s;

struct Figures {
    std::vector<double> ms;
    int failed = 0;

    void print(const char* what) const
    {
        std::vector<double> sorted = ms;
        std::sort(sorted.begin(), sorted.end());
        auto at = [&sorted](double q) {
            return sorted.empty() ? 0.0
                                  : sorted[std::min(sorted.size() - 1,
                                                    static_cast<std::size_t>(q * sorted.size()))];
        };
        std::printf("%-44s %7zu scrapes  median %8.2f ms  p99 %8.2f ms  max %8.2f ms  "
                    "no answer %d\n",
                    what, sorted.size(), at(0.5), at(0.99), sorted.empty() ? 0.0 : sorted.back(),
                    failed);
    }
};

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

enum class Scrape { Answered, AnsweredLast, Failed };

// One scrape on `c`, timed when a whole 200 came within kGiveUp. AnsweredLast: the server
// closes the connection after it, as a scraper then expects.
Scrape scrape(Connection& c, Figures& figures)
{
    const auto start = Clock::now();
    const auto deadline = start + kGiveUp;
    const auto response = c.send(kScrape, deadline) ? c.response(deadline) : std::nullopt;
    if (!response || response->rfind("HTTP/1.1 200 ", 0) != 0) {
        ++figures.failed;
        return Scrape::Failed;
    }
    figures.ms.push_back(msSince(start));
    return Connection::lowered(*response).find("\r\nconnection: close\r\n") == std::string::npos
               ? Scrape::Answered
               : Scrape::AnsweredLast;
}

Figures freshScrapes(int port, int count)
{
    Figures f;
    for (int i = 0; i < count; ++i) {
        Connection c(port);
        scrape(c, f);
        std::this_thread::sleep_for(50ms);
    }
    return f;
}

Figures keptAliveScrapers(int port, int scrapers, std::chrono::seconds length)
{
    std::vector<Figures> each(static_cast<std::size_t>(scrapers));
    std::vector<std::thread> threads;
    const auto end = Clock::now() + length;
    for (Figures& figures : each)
        threads.emplace_back([port, end, &figures] {
            auto c = std::make_unique<Connection>(port);
            while (Clock::now() < end)
                if (scrape(*c, figures) != Scrape::Answered)
                    c = std::make_unique<Connection>(port);
        });
    for (std::thread& t : threads)
        t.join();
    Figures all;
    for (const Figures& f : each) {
        all.ms.insert(all.ms.end(), f.ms.begin(), f.ms.end());
        all.failed += f.failed;
    }
    return all;
}

class Exporter {
public:
    Exporter(const std::string& cli, int port)
    {
        const std::string listen = "127.0.0.1:" + std::to_string(port);
        std::vector<std::string> args = {cli,        "--board", "sim",        "serve",
                                         "--listen", listen,    "--interval", "1000"};
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        if (posix_spawn(&pid_, cli.c_str(), &actions, nullptr, argv.data(), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~Exporter()
    {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    bool started() const { return pid_ > 0; }

private:
    pid_t pid_ = -1;
};

} // namespace

int main(int argc, char** argv)
{
    std::string cli = ZR_CLI_PATH;
    auto seconds = 5s;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--cli") == 0)
            cli = argv[i + 1];
        else if (std::strcmp(argv[i], "--seconds") == 0)
            seconds = std::chrono::seconds(std::atoi(argv[i + 1]));
    }
    const int port = rawhttp::freePort();
    Exporter exporter(cli, port);
    bool up = false;
    for (const auto until = Clock::now() + 10s; exporter.started() && !up && Clock::now() < until;
         std::this_thread::sleep_for(100ms)) {
        Connection c(port);
        Figures ignored;
        up = scrape(c, ignored) != Scrape::Failed;
    }
    if (!up) {
        std::fprintf(stderr, "exporter_bench: %s did not answer on port %d\n", cli.c_str(), port);
        return 1;
    }
    std::printf("exporter_bench: %s on 127.0.0.1:%d\n", cli.c_str(), port);
    freshScrapes(port, 20).print("fresh connection, nothing else");

    {
        std::vector<Connection> idle;
        for (int i = 0; i < 200; ++i)
            idle.emplace_back(port);
        std::vector<Connection> slow;
        for (int i = 0; i < 20; ++i)
            slow.emplace_back(port);
        std::atomic<bool> stop = false;
        // The slow ones send a byte a second; an idle one the server closes is opened anew, so
        // that 200 are held all through.
        std::atomic<int> reopened = 0;
        std::thread holders([&idle, &slow, &stop, &reopened, port] {
            const std::string request = "GET /metrics HTTP/1.1\r\nHost: slow\r\nX-Slow: ";
            std::vector<std::size_t> sent(slow.size());
            auto nextByte = Clock::now();
            while (!stop) {
                if (Clock::now() >= nextByte) {
                    nextByte += 1s;
                    for (std::size_t i = 0; i < slow.size(); ++i) {
                        const char next = sent[i] < request.size() ? request[sent[i]] : 'x';
                        sent[i] += slow[i].send(std::string(1, next), Clock::now() + 10ms);
                    }
                }
                for (Connection& c : idle)
                    if (c.closedBy(Clock::now())) {
                        c = Connection(port);
                        ++reopened;
                    }
                std::this_thread::sleep_for(20ms);
            }
        });
        std::this_thread::sleep_for(1s);
        const auto count = static_cast<int>(seconds / 250ms);
        Figures held;
        for (int i = 0; i < count; ++i) {
            Connection c(port);
            scrape(c, held);
            std::this_thread::sleep_for(200ms);
        }
        stop = true;
        holders.join();
        held.print("fresh, 200 idle + 20 slow connections held");
        std::printf("  (idle connections closed by the server and opened anew: %d)\n",
                    reopened.load());
    }
    std::this_thread::sleep_for(1s);
    keptAliveScrapers(port, 50, seconds).print("50 kept-alive scrapers at once");
    return 0;
}
