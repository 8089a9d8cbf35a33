// SPDX-License-Identifier: MIT
// The exporter's HTTP side over loopback: what it answers to each kind of request, and that a
// scrape still gets through while other clients hold connections idle or send a byte at a time.
// The bounds are generous (seconds, where a scrape takes a millisecond) so that a slow machine or
// a sanitizer build cannot make them fail; a server that lets such clients block it fails them.

#include "exporter/metrics_server.h"
#include "support/raw_http.h"

#include <QtTest>
#include <atomic>
#include <thread>
#include <vector>

using namespace std::chrono_literals;
using rawhttp::Clock;
using rawhttp::Connection;

namespace {

const std::string kScrape = "GET /metrics HTTP/1.1\r\nHost: test\r\n\r\n";

class Served {
public:
    explicit Served(const std::string& host = "127.0.0.1")
        : server_(cache_, 3s), port_(rawhttp::freePort())
    {
        zr::exporter::Snapshot s;
        s.board = "sim";
        s.up = true;
        s.polls = 1;
        cache_.publish(s);
        server_.bind({host, port_});
        server_.start();
    }
    int port() const { return port_; }

private:
    zr::exporter::ReadingsCache cache_;
    zr::exporter::MetricsServer server_;
    int port_;
};

// Sends each connection one more byte of a request every `pause` until destroyed.
class Trickle {
public:
    Trickle(std::vector<Connection>& connections, std::chrono::milliseconds pause)
        : thread_([&connections, pause, this] {
              const std::string request = "GET /metrics HTTP/1.1\r\nHost: slow\r\nX-Slow: ";
              std::vector<std::size_t> sent(connections.size());
              while (!stop_) {
                  for (std::size_t i = 0; i < connections.size(); ++i) {
                      const char next = sent[i] < request.size() ? request[sent[i]] : 'x';
                      sent[i] += connections[i].send(std::string(1, next), Clock::now() + 10ms);
                  }
                  std::this_thread::sleep_for(pause);
              }
          })
    {
    }
    ~Trickle()
    {
        stop_ = true;
        thread_.join();
    }

private:
    std::atomic<bool> stop_ = false;
    std::thread thread_;
};

} // namespace

class TestMetricsServer : public QObject {
    Q_OBJECT

private slots:
    void answers_data()
    {
        QTest::addColumn<QString>("request");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QStringList>("has");    // in the response, case aside
        QTest::addColumn<QStringList>("hasNot"); // nor these
        QTest::addColumn<bool>("closes");        // the server closes the connection after it

        const QString host = "Host: test\r\n";
        QTest::newRow("scrape") << "GET /metrics HTTP/1.1\r\n" + host + "\r\n"
                                << "200"
                                << QStringList{"content-type: text/plain; version=0.0.4",
                                               "\nzr410ab_board_up{board=\"sim\"} 1\n"}
                                << QStringList{} << false;
        QTest::newRow("head") << "HEAD /metrics HTTP/1.1\r\n" + host + "\r\n"
                              << "200" << QStringList{"content-type: text/plain"}
                              << QStringList{"zr410ab_board_up"} << false;
        // A byte range of a scrape is no use to anyone: the whole text, as 200.
        QTest::newRow("range ignored")
            << "GET /metrics HTTP/1.1\r\n" + host + "Range: bytes=0-9,20-29\r\n\r\n"
            << "200" << QStringList{"\nzr410ab_board_up{board=\"sim\"} 1\n"}
            << QStringList{"content-range", "multipart"} << false;
        for (const char* method : {"POST", "PUT", "DELETE", "OPTIONS"})
            QTest::addRow("%s", method)
                << QString(method) + " /metrics HTTP/1.1\r\n" + host + "Content-Length: 0\r\n\r\n"
                << "405" << QStringList{"\r\nallow: get, head\r\n"} << QStringList{} << false;
        QTest::newRow("health") << "GET /healthz HTTP/1.1\r\n" + host + "\r\n"
                                << "200" << QStringList{"\r\n\r\nok\n"} << QStringList{} << false;
        QTest::newRow("landing page")
            << "GET / HTTP/1.1\r\n" + host + "\r\n"
            << "200"
            << QStringList{"content-type: text/html", "href=\"/metrics\"", "href=\"/healthz\""}
            << QStringList{} << false;
        QTest::newRow("unknown path") << "GET /nothing HTTP/1.1\r\n" + host + "\r\n"
                                      << "404" << QStringList{} << QStringList{} << false;
        // A client that sent nonsense gets its connection back at once, not held for it.
        QTest::newRow("bad request") << "NOT HTTP AT ALL\r\n\r\n"
                                     << "400" << QStringList{} << QStringList{} << true;
    }

    void answers()
    {
        QFETCH(QString, request);
        QFETCH(QString, status);
        QFETCH(QStringList, has);
        QFETCH(QStringList, hasNot);
        QFETCH(bool, closes);

        Served served;
        Connection c(served.port());
        const auto deadline = Clock::now() + 5s;
        QVERIFY(c.send(request.toStdString(), deadline));
        const auto response = c.response(deadline, request.startsWith("HEAD"));
        QVERIFY2(response, "no whole response");
        const QString text = QString::fromStdString(Connection::lowered(*response));
        QVERIFY2(text.startsWith("http/1.1 " + status + " "), qPrintable(text));
        for (const QString& part : has)
            QVERIFY2(text.contains(part.toLower()), qPrintable(part + " not in " + text));
        for (const QString& part : hasNot)
            QVERIFY2(!text.contains(part.toLower()), qPrintable(part + " in " + text));
        if (closes)
            QVERIFY2(c.closedBy(Clock::now() + 2s), "the connection was held after the answer");
        else
            QVERIFY2(c.send(kScrape, deadline) && c.response(deadline),
                     "the connection did not take a second request");
    }

    // A client may send its requests without waiting for the answers: each gets its own.
    void pipelinedRequestsAllAnswered()
    {
        Served served;
        Connection c(served.port());
        const auto deadline = Clock::now() + 5s;
        std::string fifty;
        for (int i = 0; i < 50; ++i)
            fifty += kScrape;
        QVERIFY(c.send(fifty, deadline));
        for (int i = 0; i < 50; ++i) {
            const auto response = c.response(deadline);
            QVERIFY2(response, qPrintable(QString("%1 of 50 answered").arg(i)));
            QVERIFY(response->starts_with("HTTP/1.1 200 "));
        }
    }

    // What --listen takes; "" for a refused address.
    void listenAddresses_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("host"); // "" with port 0: refused
        QTest::addColumn<int>("port");
        QTest::newRow("IPv4") << "127.0.0.1:9410"
                              << "127.0.0.1" << 9410;
        QTest::newRow("IPv6") << "[::1]:9410"
                              << "::1" << 9410;
        QTest::newRow("every interface") << ":9412"
                                         << "" << 9412;
        QTest::newRow("localhost") << "localhost:9412"
                                   << "127.0.0.1" << 9412;
        QTest::newRow("highest port") << "0.0.0.0:65535"
                                      << "0.0.0.0" << 65535;
        for (const char* refused : {"9410", "::1:9410", "bench-pc:9410", "127.0.0.1:0",
                                    "127.0.0.1:65536", "127.0.0.1:", "127.0.0.1:94x", "[::1]"})
            QTest::addRow("refused %s", refused) << refused << "" << 0;
    }

    void listenAddresses()
    {
        QFETCH(QString, text);
        QFETCH(QString, host);
        QFETCH(int, port);
        try {
            const zr::exporter::ListenAddress a =
                zr::exporter::parseListenAddress(text.toStdString());
            QCOMPARE(QString::fromStdString(a.host), host);
            QCOMPARE(a.port, port);
        } catch (const std::invalid_argument& refused) {
            QVERIFY2(port == 0, refused.what());
        }
    }

    // Nothing before the port: scrapes come in on loopback as on any other interface.
    void everyInterfaceIncludesLoopback()
    {
        Served served("");
        Connection c(served.port());
        const auto deadline = Clock::now() + 5s;
        const auto response = c.send(kScrape, deadline) ? c.response(deadline) : std::nullopt;
        QVERIFY(response && response->starts_with("HTTP/1.1 200 "));
    }

    // Clients that hold connections without finishing a request must not keep a scrape out.
    void scrapesWhileOthersHoldConnections_data()
    {
        QTest::addColumn<int>("idle");
        QTest::addColumn<int>("slow");
        QTest::newRow("idle connections") << 200 << 0;
        QTest::newRow("slow clients") << 0 << 20;
    }

    void scrapesWhileOthersHoldConnections()
    {
        QFETCH(int, idle);
        QFETCH(int, slow);
        Served served;
        std::vector<Connection> held;
        for (int i = 0; i < idle; ++i)
            held.emplace_back(served.port());
        std::vector<Connection> trickling;
        for (int i = 0; i < slow; ++i)
            trickling.emplace_back(served.port());
        // Every connection made (a server that accepts slowly may take a few seconds) before
        // the scrapes, so that they come after all of them.
        const auto connected = Clock::now() + 20s;
        for (std::vector<Connection>* group : {&held, &trickling})
            for (Connection& c : *group)
                QVERIFY(c.connectedBy(connected));
        Trickle trickle(trickling, 200ms);
        std::this_thread::sleep_for(1s);

        for (int scrape = 0; scrape < 3; ++scrape) {
            Connection c(served.port());
            const auto deadline = Clock::now() + 2s;
            const auto response = c.send(kScrape, deadline) ? c.response(deadline) : std::nullopt;
            QVERIFY2(response,
                     qPrintable(QString("scrape %1 got no answer within 2 s").arg(scrape)));
            QVERIFY(response->starts_with("HTTP/1.1 200 "));
        }
    }
};

QTEST_GUILESS_MAIN(TestMetricsServer)
#include "test_metrics_server.moc"
