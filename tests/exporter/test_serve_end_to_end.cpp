// SPDX-License-Identifier: MIT
// `zr410ab-cli serve` as a lab runs it: a real Prometheus server (Debian's prometheus) scraping it
// over loopback, and two exporters on two boards of the emulated USB bus. Skipped, saying so,
// where prometheus or the emulated bus is not at hand.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>
#include <support/raw_http.h>

using namespace std::chrono_literals;

namespace {

const QString kCli = ZR_CLI_PATH;
const QString kEmulatorRun = ZR_USB_EMULATOR_RUN;
const QString kFixedReadings = ZR_SCENARIOS "/fixed-readings.json";

using rawhttp::freePort;

// The body of a 200 answer to GET `target`, or "" for anything else. HTTP/1.0, so that every
// server sends the body whole rather than in chunks.
std::string httpGet(int port, const std::string& target)
{
    rawhttp::Connection c(port);
    const auto deadline = rawhttp::Clock::now() + 7s;
    const std::string request = "GET " + target + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n";
    const auto response = c.send(request, deadline) ? c.response(deadline) : std::nullopt;
    if (!response || response->find(" 200 ") != 8)
        return {};
    return response->substr(response->find("\r\n\r\n") + 4);
}

// Runs until destroyed, then ends with SIGTERM as systemd would, and reports how it ended.
class Background {
public:
    Background(const QString& program, const QStringList& args)
    {
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start(program, args);
    }
    ~Background() { stop(); }
    bool running() const { return process_.state() == QProcess::Running; }
    // The exit status after SIGTERM; -1 when it had to be killed.
    int stop()
    {
        if (process_.state() == QProcess::NotRunning)
            return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
        process_.terminate();
        if (process_.waitForFinished(10000))
            return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
        process_.kill();
        process_.waitForFinished();
        return -1;
    }

private:
    QProcess process_;
};

// Asks until `condition` holds or `timeout` passes.
template <typename Condition>
bool eventually(Condition condition, std::chrono::milliseconds timeout = 30s)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        if (condition())
            return true;
        QTest::qWait(200);
    }
    return condition();
}

class Prometheus {
public:
    explicit Prometheus(const QString& binary, const QStringList& targets) : port_(freePort())
    {
        QFile config(dir_.filePath("prometheus.yml"));
        config.open(QIODevice::WriteOnly);
        QString yaml = "global:\n  scrape_interval: 1s\n  scrape_timeout: 900ms\n"
                       "scrape_configs:\n  - job_name: zr410ab\n    static_configs:\n"
                       "      - targets: ['" +
                       targets.join("', '") + "']\n";
        config.write(yaml.toUtf8());
        config.close();
        server_ = std::make_unique<Background>(
            binary, QStringList{"--config.file=" + config.fileName(),
                                "--storage.tsdb.path=" + dir_.filePath("data"),
                                "--web.listen-address=127.0.0.1:" + QString::number(port_),
                                "--log.level=warn"});
    }
    bool ready()
    {
        return eventually([this] { return !httpGet(port_, "/-/ready").empty(); });
    }
    // The result vector of an instant query.
    QJsonArray query(const QString& promql)
    {
        const std::string body =
            httpGet(port_, "/api/v1/query?query=" + QUrl::toPercentEncoding(promql).toStdString());
        return QJsonDocument::fromJson(QByteArray::fromStdString(body))
            .object()["data"]
            .toObject()["result"]
            .toArray();
    }
    double value(const QString& promql)
    {
        const QJsonArray r = query(promql);
        return r.size() == 1 ? r[0].toObject()["value"].toArray()[1].toString().toDouble() : -1;
    }

private:
    QTemporaryDir dir_;
    int port_;
    std::unique_ptr<Background> server_;
};

// What the program shows of the scenario, as `watch --json` prints it, keyed as the series are:
// "temperature ZR410A internal", "voltage ZR410B Vcc", "offset ZR410A".
QMap<QString, double> shownReadings(const QString& scenario)
{
    QProcess watch;
    watch.start(kCli,
                {"--board", "sim", "--scenario", scenario, "--json", "watch", "--count", "1"});
    watch.waitForFinished(30000);
    QMap<QString, double> shown;
    const QJsonObject doc = QJsonDocument::fromJson(watch.readAllStandardOutput()).object();
    for (const QJsonValue& row : doc["readings"].toArray()) {
        const QJsonObject r = row.toObject();
        const QString chip = "ZR410" + r["chip"].toString();
        shown["temperature " + chip + " internal"] = r["internal"].toDouble();
        shown["temperature " + chip + " external"] = r["external"].toDouble();
        shown["offset " + chip] = r["offset"].toDouble();
        for (const char* rail : {"12V", "5V", "Vcc", "2.5V", "Vccp"})
            if (r.contains(rail))
                shown["voltage " + chip + " " + rail] = r[rail].toDouble();
    }
    return shown;
}

QMap<QString, double> seriesValues(const QJsonArray& series)
{
    QMap<QString, double> values;
    for (const QJsonValue& s : series) {
        const QJsonObject m = s.toObject()["metric"].toObject();
        const QString name = m["__name__"].toString();
        QString key = name.contains("temperature")
                          ? "temperature " + m["chip"].toString() + " " + m["sensor"].toString()
                      : name.contains("voltage")
                          ? "voltage " + m["chip"].toString() + " " + m["rail"].toString()
                          : "offset " + m["chip"].toString();
        values[key] = s.toObject()["value"].toArray()[1].toString().toDouble();
    }
    return values;
}

} // namespace

class TestServeEndToEnd : public QObject {
    Q_OBJECT

private slots:
    void prometheusScrapesTheReadingsAndSeesTheCablePulled()
    {
        const QString prometheusBinary = QStandardPaths::findExecutable("prometheus");
        if (prometheusBinary.isEmpty() && qEnvironmentVariableIsSet("ZR_REQUIRE_E2E"))
            QFAIL("prometheus is not installed, and ZR_REQUIRE_E2E asks for every end-to-end test");
        if (prometheusBinary.isEmpty())
            QSKIP("prometheus is not installed (Debian package prometheus): the end-to-end "
                  "scrape test needs the real server");
        QTemporaryDir dir;
        // Scan 64 requests, then 10 per poll: 100 polls at 100 ms, then the cable is pulled.
        QFile pulled(dir.filePath("pulled.json"));
        pulled.open(QIODevice::WriteOnly);
        pulled.write(R"({"chips": [{"address": 72, "kind": "A", "tempRaw": [1600, 1984]},
                         {"address": 76, "kind": "B", "tempRaw": [1440, 2576],
                          "voltRaw": [12288, 5120, 3379, 2560, 1229]}],
                        "unplugAfterRequests": 1064})");
        pulled.close();

        const int fixedPort = freePort();
        const int pulledPort = freePort();
        const QString fixed = "127.0.0.1:" + QString::number(fixedPort);
        const QString cable = "127.0.0.1:" + QString::number(pulledPort);
        Prometheus prometheus(prometheusBinary, {fixed, cable});
        QVERIFY2(prometheus.ready(), "the Prometheus server did not become ready");
        Background fixedServe(kCli, {"--board", "sim", "--scenario", kFixedReadings, "serve",
                                     "--listen", fixed, "--interval", "200"});
        Background pulledServe(kCli, {"--board", "sim", "--scenario", pulled.fileName(), "serve",
                                      "--listen", cable, "--interval", "100"});

        const QString atFixed = "{instance=\"" + fixed + "\"}";
        const QString scrapes = "count_over_time(zr410ab_board_up" + atFixed + "[1m])";
        const bool scrapedTwice = eventually([&] { return prometheus.value(scrapes) >= 2; });
        QVERIFY2(scrapedTwice, "Prometheus did not scrape serve twice");
        const QMap<QString, double> expected = shownReadings(kFixedReadings);
        QCOMPARE(expected.size(), 11);
        const QString readingSeries =
            "{__name__=~\"zr410ab_(temperature_celsius|voltage_volts|external_offset_celsius)\","
            "instance=\"" +
            fixed + "\"}";
        const QMap<QString, double> scraped = seriesValues(prometheus.query(readingSeries));
        QCOMPARE(scraped, expected);
        QCOMPARE(prometheus.value("zr410ab_board_up" + atFixed), 1.0);

        // The cable pull: the board goes down, its readings stop, after they had been there.
        const QString atPulled = "{instance=\"" + cable + "\"}";
        const QString temperatures = "zr410ab_temperature_celsius" + atPulled;
        const QString hadTemperatures = "count(count_over_time(" + temperatures + "[1m]))";
        const bool scrapedBeforePull =
            eventually([&] { return prometheus.value(hadTemperatures) == 4; });
        QVERIFY2(scrapedBeforePull, "the second exporter was not scraped before its cable pull");
        const bool wentDown =
            eventually([&] { return prometheus.value("zr410ab_board_up" + atPulled) == 0; });
        QVERIFY2(wentDown, "zr410ab_board_up did not become 0 after the cable was pulled");
        const bool stopped = eventually([&] { return prometheus.query(temperatures).isEmpty(); });
        QVERIFY2(stopped, "the temperature series went on after the cable was pulled");
        QVERIFY(!httpGet(pulledPort, "/healthz").empty());

        QCOMPARE(fixedServe.stop(), 0);
        QCOMPARE(pulledServe.stop(), 0);
    }

    // Two boards on two ports of the emulated USB bus, one exporter each, both scraped.
    void twoExportersOnTwoUsbBoards()
    {
        const int left = freePort();
        const int right = freePort();
        const QString cli = kCli;
        // umockdev names a process's hotplug socket after its descriptor number, so two processes
        // with the same number would share one and only one would see the boards come back after
        // their firmware: the second starts with a few more descriptors open.
        const QString script =
            QString("\"%1\" --device 1-4.1 serve --listen 127.0.0.1:%2 --interval 100 & a=$!; "
                    "\"%1\" --device 1-4.2 serve --listen 127.0.0.1:%3 --interval 100 "
                    "3</dev/null 4</dev/null 5</dev/null 6</dev/null 7</dev/null & b=$!; "
                    "trap 'kill $a $b; wait $a; ra=$?; wait $b; exit $((ra + $?))' TERM; wait")
                .arg(cli)
                .arg(left)
                .arg(right);
        Background bus(kEmulatorRun, {"--scenario", kFixedReadings, "--port", "4.1", "--port",
                                      "4.2", "--", "/bin/sh", "-c", script});
        for (const auto& [port, label] : {std::pair{left, "1-4.1"}, std::pair{right, "1-4.2"}}) {
            const std::string up = "zr410ab_board_up{board=\"" + std::string(label) + "\"} 1";
            const std::string vcc = "zr410ab_voltage_volts{board=\"" + std::string(label) +
                                    "\",chip=\"ZR410B\",address=\"76\",rail=\"Vcc\"} 3.3";
            std::string metrics;
            // The board is up once its scan is done; its readings follow with the first poll.
            const bool read = eventually([&] {
                metrics = httpGet(port, "/metrics");
                return metrics.find(up) != std::string::npos &&
                       metrics.find(vcc) != std::string::npos;
            });
            QVERIFY2(read, metrics.c_str());
        }
        QCOMPARE(bus.stop(), 0);
    }
};

QTEST_GUILESS_MAIN(TestServeEndToEnd)
#include "test_serve_end_to_end.moc"
