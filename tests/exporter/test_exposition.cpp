// SPDX-License-Identifier: MIT
// The exposition text of the exporter, from its poller running over the simulated board, checked
// line by line and by Prometheus's own checker (promtool check metrics, when installed).

#include "board/sim/simulated_board.h"
#include "exporter/exposition.h"
#include "exporter/poller.h"
#include "version.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>
#include <atomic>
#include <thread>

using namespace std::chrono_literals;
using zr::exporter::Clock;

namespace {

// Scan: 32 addresses of one exchange (two requests) each. Poll: ZR410A 4 requests, ZR410B 6.
constexpr int kScanRequests = 64;
constexpr int kPollRequests = 10;

zr::sim::Scenario fixedReadings()
{
    zr::sim::Scenario s;
    zr::sim::ChipConfig a;
    a.address = 72;
    a.kind = zr::Chip::A;
    a.tempRaw = std::array<std::uint16_t, 2>{1600, 1984}; // 25, 31
    a.offsetRaw = 0;
    zr::sim::ChipConfig b;
    b.address = 76;
    b.kind = zr::Chip::B;
    b.tempRaw = std::array<std::uint16_t, 2>{65528, 2576}; // 1023.875 -> -0.12, 40.25
    b.voltRaw = std::array<std::uint16_t, 5>{12288, 5120, 3379, 2560, 1229};
    b.offsetRaw = static_cast<std::uint16_t>(-5 * 64);
    s.chips = {a, b};
    return s;
}

// The simulated board whose temperature reads of one chip fail, as a board reports a failed
// transfer: a negative result and the buffer left as it was.
class FailingTemperatures : public zr::BoardLibrary {
public:
    FailingTemperatures(zr::sim::SimulatedBoard& board, int address)
        : board_(board), address_(address)
    {
    }
    std::int16_t LoadFirmWare(const char* path) override { return board_.LoadFirmWare(path); }
    std::int16_t VendorIORequest(std::int16_t request, std::int32_t value, std::int32_t index,
                                 std::int16_t direction, std::int16_t length,
                                 std::uint8_t* buffer) override
    {
        if (direction == zr::kDirectionToBoard)
            failNext_ = buffer[0] == address_ && buffer[2] == 4 && buffer[3] == 0;
        else if (failNext_)
            return -1;
        return board_.VendorIORequest(request, value, index, direction, length, buffer);
    }
    bool boardLost() const override { return board_.boardLost(); }

private:
    zr::sim::SimulatedBoard& board_;
    int address_;
    bool failNext_ = false;
};

QStringList sampleLines(const std::string& text)
{
    QStringList lines;
    for (const QString& line : QString::fromStdString(text).split('\n', Qt::SkipEmptyParts))
        if (!line.startsWith('#') && !line.startsWith("zr410ab_last_poll_timestamp_seconds") &&
            !line.startsWith("zr410ab_build_info"))
            lines << line;
    return lines;
}

const QStringList kCounters = {
    R"(zr410ab_failed_reads_total{board="sim",chip="ZR410A"} 0)",
    R"(zr410ab_failed_reads_total{board="sim",chip="ZR410B"} 0)",
};
const QStringList kReadings = {
    R"(zr410ab_temperature_celsius{board="sim",chip="ZR410A",address="72",sensor="internal"} 25)",
    R"(zr410ab_temperature_celsius{board="sim",chip="ZR410A",address="72",sensor="external"} 31)",
    R"(zr410ab_temperature_celsius{board="sim",chip="ZR410B",address="76",sensor="internal"} -0.1199951)",
    R"(zr410ab_temperature_celsius{board="sim",chip="ZR410B",address="76",sensor="external"} 35.25)",
    R"(zr410ab_voltage_volts{board="sim",chip="ZR410B",address="76",rail="12V"} 12)",
    R"(zr410ab_voltage_volts{board="sim",chip="ZR410B",address="76",rail="5V"} 5)",
    R"(zr410ab_voltage_volts{board="sim",chip="ZR410B",address="76",rail="Vcc"} 3.3)",
    R"(zr410ab_voltage_volts{board="sim",chip="ZR410B",address="76",rail="2.5V"} 2.5)",
    R"(zr410ab_voltage_volts{board="sim",chip="ZR410B",address="76",rail="Vccp"} 1.2)",
    R"(zr410ab_external_offset_celsius{board="sim",chip="ZR410A",address="72"} 0)",
    R"(zr410ab_external_offset_celsius{board="sim",chip="ZR410B",address="76"} -5)",
};

QStringList without(QStringList lines, const QString& part)
{
    lines.removeIf([&part](const QString& line) { return line.contains(part); });
    return lines;
}

// Every family with samples: both chips, every reading current, a counted failure.
zr::exporter::Snapshot everyReading(Clock::time_point now)
{
    zr::exporter::Snapshot s;
    s.board = "1-4.2";
    s.up = true;
    s.polls = 12;
    s.lastPollUnixSeconds = 1765000000.125;
    s.failedReads = {0, 3};
    zr::exporter::ChipReadings a;
    a.chip = zr::Chip::A;
    a.address = 72;
    a.internal.set(25.0f, now);
    a.external.set(31.5f, now);
    a.offset.set(0, now);
    zr::exporter::ChipReadings b;
    b.chip = zr::Chip::B;
    b.address = 76;
    b.internal.set(-0.1199951f, now);
    b.external.set(40.25f, now);
    b.offset.set(-5, now);
    const float volts[] = {12.0f, 5.0f, 3.3f, 2.5f, 1.2f};
    for (std::size_t i = 0; i < b.voltages.size(); ++i)
        b.voltages[i].set(volts[i], now);
    s.chips = {a, b};
    return s;
}

// A board that never comes up, counting how often it is asked to.
class NeverFound : public zr::BoardLibrary {
public:
    std::int16_t LoadFirmWare(const char*) override
    {
        ++attempts;
        return -1;
    }
    std::int16_t VendorIORequest(std::int16_t, std::int32_t, std::int32_t, std::int16_t,
                                 std::int16_t, std::uint8_t*) override
    {
        return -1;
    }
    std::atomic<int> attempts = 0;
};

} // namespace

class TestExposition : public QObject {
    Q_OBJECT

private slots:
    void pollAndRender_data()
    {
        QTest::addColumn<int>("unplugAfterRequests"); // 0: never
        QTest::addColumn<int>("failingAddress");      // 0: none
        QTest::addColumn<int>("polls");
        QTest::addColumn<int>("renderedAfterMs"); // after the last poll; readings live 3000 ms
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("fixed readings") << 0 << 0 << 2 << 0
                                        << QStringList{R"(zr410ab_board_up{board="sim"} 1)",
                                                       R"(zr410ab_polls_total{board="sim"} 2)"} +
                                               kCounters + kReadings;
        // Both temperatures of chip A go, its offset stays; the failed reads are counted.
        QTest::newRow("chip with failed reads")
            << 0 << 72 << 3 << 0
            << QStringList{R"(zr410ab_board_up{board="sim"} 1)",
                           R"(zr410ab_polls_total{board="sim"} 3)",
                           R"(zr410ab_failed_reads_total{board="sim",chip="ZR410A"} 3)",
                           R"(zr410ab_failed_reads_total{board="sim",chip="ZR410B"} 0)"} +
                   without(kReadings, R"(temperature_celsius{board="sim",chip="ZR410A")");
        // The cable is pulled in the second poll: nothing read before it is shown as current.
        QTest::newRow("lost board") << kScanRequests + kPollRequests << 0 << 2 << 0
                                    << QStringList{R"(zr410ab_board_up{board="sim"} 0)",
                                                   R"(zr410ab_polls_total{board="sim"} 1)"} +
                                           kCounters;
        QTest::newRow("stale readings") << 0 << 0 << 1 << 3100
                                        << QStringList{R"(zr410ab_board_up{board="sim"} 1)",
                                                       R"(zr410ab_polls_total{board="sim"} 1)"} +
                                               kCounters;
    }

    void pollAndRender()
    {
        QFETCH(int, unplugAfterRequests);
        QFETCH(int, failingAddress);
        QFETCH(int, polls);
        QFETCH(int, renderedAfterMs);
        QFETCH(QStringList, expected);

        zr::sim::Scenario scenario = fixedReadings();
        if (unplugAfterRequests)
            scenario.unplugAfterRequests = unplugAfterRequests;
        zr::sim::SimulatedBoard simulated(scenario);
        FailingTemperatures failing(simulated, failingAddress);
        zr::exporter::ReadingsCache cache;
        zr::exporter::PollerOptions options;
        options.board = "sim";
        options.programFolder = ZR_FIRMWARE_FOLDER;
        zr::exporter::Poller poller(failing, cache, options);
        QVERIFY(poller.connect());
        for (int i = 0; i < polls; ++i)
            poller.poll();

        const std::string text = zr::exporter::renderMetrics(
            cache.snapshot(), Clock::now() + std::chrono::milliseconds(renderedAfterMs), 3000ms);
        QCOMPARE(sampleLines(text), expected);
        QCOMPARE(QString::fromStdString(text).contains("zr410ab_last_poll_timestamp_seconds{"),
                 polls > 0);
        promtoolAccepts(text);
    }

    // OpenMetrics, for a scraper that asks for it: counters named by family, units, "# EOF".
    void openMetricsWhenAskedFor()
    {
        const char* prometheusAccept =
            "application/openmetrics-text;version=1.0.0,application/openmetrics-text;"
            "version=0.0.1;q=0.75,text/plain;version=0.0.4;q=0.5,*/*;q=0.1";
        QCOMPARE(zr::exporter::formatForAccept(prometheusAccept),
                 zr::exporter::ExpositionFormat::OpenMetrics);
        QCOMPARE(zr::exporter::formatForAccept("text/plain"),
                 zr::exporter::ExpositionFormat::Prometheus);
        zr::exporter::Snapshot s;
        s.board = "1-4.2";
        s.up = true;
        s.polls = 7;
        const QString text = QString::fromStdString(zr::exporter::renderMetrics(
            s, Clock::now(), 3s, zr::exporter::ExpositionFormat::OpenMetrics));
        QVERIFY(text.contains("# TYPE zr410ab_polls counter\n"
                              "zr410ab_polls_total{board=\"1-4.2\"} 7\n"));
        QVERIFY(text.contains("# UNIT zr410ab_temperature_celsius celsius\n"));
        QVERIFY(text.endsWith("\n# EOF\n"));
    }

    // The dashboard asks only for series the exporter has, and tells the boards of a lab apart:
    // every legend names the PC and the board, and the board choices are PCs' boards, so two
    // PCs each with a board in socket 1-4.2 are two lines and two choices.
    void dashboardQueriesExportedSeries()
    {
        zr::exporter::Snapshot s;
        s.up = true;
        s.lastPollUnixSeconds = 1.0;
        const QString exported =
            QString::fromStdString(zr::exporter::renderMetrics(s, Clock::now(), 3s));
        QFile file(ZR_GRAFANA_DASHBOARD);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QJsonParseError error{};
        const QJsonObject dashboard = QJsonDocument::fromJson(file.readAll(), &error).object();
        QCOMPARE(error.error, QJsonParseError::NoError);
        const QRegularExpression name("zr410ab_[a-z_]+");
        int queries = 0;
        for (const QJsonValue& panel : dashboard["panels"].toArray()) {
            const QString title = panel["title"].toString();
            for (const QJsonValue& target : panel["targets"].toArray()) {
                const QString expr = target["expr"].toString();
                const auto used = name.match(expr);
                QVERIFY2(used.hasMatch(), qPrintable(title + ": " + expr));
                QVERIFY2(exported.contains("# TYPE " + used.captured() + " "),
                         qPrintable(title + ": " + used.captured()));
                QVERIFY2(expr.contains(R"(instance=~"$board")"), qPrintable(title + ": " + expr));
                const QString legend = target["legendFormat"].toString();
                for (const char* label : {"{{instance}}", "{{board}}"})
                    QVERIFY2(legend.contains(label), qPrintable(title + ": " + legend));
                ++queries;
            }
        }
        QVERIFY(queries >= 6);
        const QJsonObject board = dashboard["templating"]["list"][0].toObject();
        QCOMPARE(board["name"].toString(), "board");
        QVERIFY(board["definition"].toString().contains(R"("instance", "board")"));
        QVERIFY(board["regex"].toString().contains("(?<value>"));
    }

    // The text as dashboards, alert rules and recording rules know it, byte for byte: a change to
    // how the families and labels are put together must not change a name, a label or an order.
    void exactText_data()
    {
        QTest::addColumn<zr::exporter::ExpositionFormat>("format");
        QTest::addColumn<QString>("expectedFile");
        QTest::newRow("text format")
            << zr::exporter::ExpositionFormat::Prometheus << "every-reading.prom";
        QTest::newRow("OpenMetrics")
            << zr::exporter::ExpositionFormat::OpenMetrics << "every-reading.openmetrics";
    }

    void exactText()
    {
        QFETCH(zr::exporter::ExpositionFormat, format);
        QFETCH(QString, expectedFile);
        const Clock::time_point now = Clock::now();
        const QString text =
            QString::fromStdString(zr::exporter::renderMetrics(everyReading(now), now, 3s, format));
        QFile file(QStringLiteral(ZR_EXPOSITION_EXPECTED) + "/" + expectedFile);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString expected =
            QString::fromUtf8(file.readAll()).replace("@VERSION@", zr::version::text);
        QCOMPARE(text.split('\n'), expected.split('\n'));
        QCOMPARE(text, expected);
    }

    // A label value may hold anything a port path or a board label can; the format's three
    // escapes keep a sample line one line with its labels intact.
    void labelValuesEscaped_data()
    {
        QTest::addColumn<QString>("board");
        QTest::addColumn<QString>("written");
        QTest::newRow("plain") << "1-4.2"
                               << "1-4.2";
        QTest::newRow("backslash") << R"(C:\bench)"
                                   << R"(C:\\bench)";
        QTest::newRow("quote") << R"(rack "3")"
                               << R"(rack \"3\")";
        QTest::newRow("newline") << "a\nb"
                                 << R"(a\nb)";
        QTest::newRow("all three") << "\\\"\n"
                                   << R"(\\\"\n)";
        QTest::newRow("not ASCII") << "Prüfplatz 3"
                                   << "Prüfplatz 3";
    }

    void labelValuesEscaped()
    {
        QFETCH(QString, board);
        QFETCH(QString, written);
        zr::exporter::Snapshot s;
        s.board = board.toStdString();
        s.up = true;
        const QString text =
            QString::fromStdString(zr::exporter::renderMetrics(s, Clock::now(), 3s));
        QVERIFY2(text.contains("\nzr410ab_board_up{board=\"" + written + "\"} 1\n"),
                 qPrintable(text));
        promtoolAccepts(text.toStdString());
    }

    // After a long outage a replugged board is taken up within the longest retry, however long
    // it was away: the doubling stops there. Short retries make the difference plain: with the
    // longest at 4 ms, 30 attempts take some 120 ms; doubling on, the 13th comes after 4 s.
    // Five seconds leave room for a slow machine or a sanitizer build.
    void lostBoardRetriedAtLeastEveryLongestRetry()
    {
        NeverFound board;
        zr::exporter::ReadingsCache cache;
        zr::exporter::PollerOptions options;
        options.programFolder = ZR_FIRMWARE_FOLDER;
        options.firstRetry = 1ms;
        options.longestRetry = 4ms;
        zr::exporter::Poller poller(board, cache, options);
        poller.start();
        const auto until = std::chrono::steady_clock::now() + 5s;
        while (board.attempts < 30 && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(10ms);
        poller.stop();
        QVERIFY2(board.attempts >= 30, qPrintable(QString("only %1 attempts").arg(board.attempts)));
    }

private:
    static void promtoolAccepts(const std::string& text)
    {
        const QString promtool = QStandardPaths::findExecutable("promtool");
        if (promtool.isEmpty() && qEnvironmentVariableIsSet("ZR_REQUIRE_E2E"))
            QFAIL("promtool is not installed, and ZR_REQUIRE_E2E asks for every end-to-end check");
        if (promtool.isEmpty()) {
            qWarning("promtool not found (Debian package prometheus): the text was not checked "
                     "by Prometheus's checker");
            return;
        }
        QProcess check;
        check.start(promtool, {"check", "metrics"});
        QVERIFY(check.waitForStarted());
        check.write(text.data(), static_cast<qint64>(text.size()));
        check.closeWriteChannel();
        QVERIFY(check.waitForFinished(30000));
        QVERIFY2(check.exitCode() == 0,
                 (check.readAllStandardOutput() + check.readAllStandardError()).constData());
    }
};

QTEST_GUILESS_MAIN(TestExposition)
#include "test_exposition.moc"
