// SPDX-License-Identifier: MIT
// The alarm engine on crafted reading sequences, its rules read from the rules file as every
// front end reads them, and the files the loader refuses.

#include "alarms/alarm_engine.h"
#include "alarms/rule_edit.h"
#include "alarms/rules_file.h"

#include <QtTest>

using namespace std::chrono_literals;
using namespace zr::alarms;

Q_DECLARE_METATYPE(zr::alarms::ChartLimits)

namespace {

constexpr auto kTick = 250ms;

// "24x31 240x29.7/30.3 2xfail 1xnone 1xlost": per segment, that many ticks of a reading (two
// alternate), a failed read, a tick without the channel, or a lost board.
QStringList expandTicks(const QString& pattern)
{
    QStringList ticks;
    for (const QString& segment : pattern.split(' ', Qt::SkipEmptyParts)) {
        const QStringList parts = segment.split('x');
        const QStringList values = parts[1].split('/');
        for (int i = 0; i < parts[0].toInt(); ++i)
            ticks << values[i % values.size()];
    }
    return ticks;
}

// "20 firing 31": the tick of each change, its state and its value ("-" for none).
QStringList run(const QString& ruleJson, const QString& pattern)
{
    const std::vector<Rule> rules =
        parseRules(("{\"rules\": [" + ruleJson + "]}").toStdString(), "test");
    AlarmEngine engine(rules);
    const Rule& rule = rules.front();
    const int watched = rule.channel == kAnyChannel ? kExternalChannel : rule.channel;
    const TimePoint start = std::chrono::system_clock::from_time_t(1'800'000'000);
    QStringList changes;
    const QStringList ticks = expandTicks(pattern);
    for (int i = 0; i < ticks.size(); ++i) {
        const TimePoint at = start + i * kTick;
        std::vector<AlarmEvent> events;
        if (ticks[i] == "lost") {
            events = engine.boardLost(at);
        } else {
            ChipTick tick;
            if (ticks[i] == "fail")
                tick[static_cast<std::size_t>(watched)] = ChannelReading::failed();
            else if (ticks[i] != "none")
                tick[static_cast<std::size_t>(watched)] = ChannelReading::valid(ticks[i].toFloat());
            events = engine.feed(rule.chip, tick, at);
            if (engine.idle(0) != (ticks[i] == "none"))
                changes << QString("%1 idle wrong").arg(i);
        }
        for (const AlarmEvent& e : events)
            changes << QString("%1 %2 %3")
                               .arg(i)
                               .arg(stateName(e.state))
                               .arg(e.value ? QString::number(*e.value) : "-") +
                           (e.time == at ? "" : " at another time");
    }
    return changes;
}

const QString kHigh = R"({"chip": "ZR410A", "channel": "external", "kind": "high", )"
                      R"("limit": 30.0, "hysteresis": 1.0, "holdOff": %1})";
const QString kLow = R"({"chip": "ZR410B", "channel": "12V", "kind": "low", "limit": 11.4, )"
                     R"("hysteresis": 0.1, "holdOff": 0})";
const QString kFrozen =
    R"({"chip": "ZR410A", "channel": "internal", "kind": "frozen", "count": 4})";
const QString kFailing = R"({"chip": "ZR410B", "channel": "%1", "kind": "failing", "count": 3})";

} // namespace

class TestAlarms : public QObject {
    Q_OBJECT

private slots:
    void transitions_data()
    {
        QTest::addColumn<QString>("rule");
        QTest::addColumn<QString>("ticks");
        QTest::addColumn<QStringList>("changes");

        // Four readings a second: the fire comes with the reading 5 s after the run began,
        // and a minute around the limit, within the hysteresis, neither clears nor fires again.
        QTest::newRow("hold-off and hysteresis") << kHigh.arg(5) << "24x31 240x29.7/30.3 24x29"
                                                 << QStringList{"20 firing 31", "284 clear 29"};
        QTest::newRow("at the limit is not above")
            << kHigh.arg(0) << "40x30 1x30.25" << QStringList{"40 firing 30.25"};
        QTest::newRow("a reading at the limit restarts the hold-off")
            << kHigh.arg(1) << "3x31 1x30 5x31" << QStringList{"8 firing 31"};
        QTest::newRow("a failed read restarts the hold-off")
            << kHigh.arg(1) << "3x31 1xfail 5x31" << QStringList{"8 firing 31"};
        QTest::newRow("a tick without the channel is idle and restarts the hold-off")
            << kHigh.arg(1) << "3x31 2xnone 5x31" << QStringList{"9 firing 31"};
        QTest::newRow("clear needs the whole hysteresis")
            << kHigh.arg(0) << "1x31 1x29.01 1x29" << QStringList{"0 firing 31", "2 clear 29"};
        // 11.4 is below 11.4 in double precision, not as the reading it is.
        QTest::newRow("low, mirrored") << kLow << "1x11.4 1x11.3 1x11.45 1x11.5"
                                       << QStringList{"1 firing 11.3", "3 clear 11.5"};
        QTest::newRow("frozen fires at exactly count")
            << kFrozen << "1x20 3x21 1x20 4x21 2xnone 1x21 1x22"
            << QStringList{"8 firing 21", "12 clear 22"};
        QTest::newRow("a failed read ends a frozen run")
            << kFrozen << "3x21 1xfail 3x21" << QStringList{};
        QTest::newRow("failing, any channel")
            << kFailing.arg("any") << "2xfail 1x20 3xfail 1xnone 1x20"
            << QStringList{"5 firing -", "7 clear -"};
        QTest::newRow("failing on a channel clears with its reading")
            << kFailing.arg("external") << "3xfail 1x20" << QStringList{"2 firing -", "3 clear 20"};
        QTest::newRow("a lost board fails at once")
            << kFailing.arg("any") << "1x20 1xlost 1xlost 1x20"
            << QStringList{"1 firing -", "3 clear -"};
    }

    void transitions()
    {
        QFETCH(QString, rule);
        QFETCH(QString, ticks);
        QFETCH(QStringList, changes);
        QCOMPARE(run(rule, ticks), changes);
    }

    void refusedFiles_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");

        const QString good = kFrozen;
        auto high = [](const QString& extra) {
            return R"({"chip": "ZR410A", "channel": "external", "kind": "high", )" + extra + "}";
        };
        const QString full = R"("limit": 30, "hysteresis": 1, "holdOff": 5)";
        QTest::newRow("unknown key")
            << high(full + R"(, "limt": 3)") << R"(alarms.json: rule 1: unknown key "limt")";
        QTest::newRow("missing field") << high(R"("limit": 30, "holdOff": 5)")
                                       << R"(alarms.json: rule 1: missing field "hysteresis")";
        QTest::newRow("a rail on chip A")
            << R"({"chip": "ZR410A", "channel": "12V", "kind": "low", "limit": 11, )"
               R"("hysteresis": 0, "holdOff": 0})"
            << R"(alarms.json: rule 1: ZR410A has no channel "12V")";
        QTest::newRow("unknown channel")
            << R"({"chip": "ZR410B", "channel": "12v", "kind": "frozen", "count": 5})"
            << R"(alarms.json: rule 1: channel "12v" is not one of any, internal, external, )"
               R"(12V, 5V, Vcc, 2.5V, Vccp)";
        QTest::newRow("any is for failing rules")
            << R"({"chip": "ZR410B", "channel": "any", "kind": "frozen", "count": 5})"
            << R"(alarms.json: rule 1: channel "any" is only for failing rules)";
        QTest::newRow("bad kind") << R"({"chip": "ZR410A", "channel": "internal", "kind": "hot"})"
                                  << R"(alarms.json: rule 1: kind "hot" is not high, low, )"
                                     R"(frozen or failing)";
        QTest::newRow("unknown chip")
            << R"({"chip": "A", "channel": "internal", "kind": "frozen", "count": 5})"
            << R"(alarms.json: rule 1: chip "A" is not ZR410A or ZR410B)";
        QTest::newRow("negative hold-off") << high(R"("limit": 30, "hysteresis": 1, "holdOff": -1)")
                                           << "alarms.json: rule 1: holdOff -1 is not from 0 to "
                                              "31622400";
        QTest::newRow("negative hysteresis")
            << high(R"("limit": 30, "hysteresis": -1, "holdOff": 1)")
            << "alarms.json: rule 1: hysteresis -1 is not at least 0";
        QTest::newRow("limit as text") << high(R"("limit": "30", "hysteresis": 1, "holdOff": 1)")
                                       << "alarms.json: rule 1: limit is not a number";
        QTest::newRow("frozen after one reading")
            << R"({"chip": "ZR410A", "channel": "internal", "kind": "frozen", "count": 1})"
            << "alarms.json: rule 1: count 1 is not from 2 to 1000000000";
        QTest::newRow("count not whole")
            << R"({"chip": "ZR410A", "channel": "any", "kind": "failing", "count": 2.5})"
            << "alarms.json: rule 1: count 2.5 is not a whole number";
        QTest::newRow("a key of another kind") << high(full + R"(, "count": 3)")
                                               << R"(alarms.json: rule 1: "count" does not )"
                                                  R"(apply to a high rule)";
        QTest::newRow("the rule named by place and name")
            << good + ", " + high(R"("name": "hot", "limit": 30, "holdOff": 5)")
            << R"(alarms.json: rule 2 ("hot"): missing field "hysteresis")";
        QTest::newRow("two rules of one name")
            << R"({"chip": "ZR410A", "channel": "internal", "kind": "frozen", "count": 5, )"
               R"("name": "rule 2"}, )" +
                   good
            << R"(alarms.json: rule 2: another rule is called "rule 2")";
    }

    void refusedFiles()
    {
        QFETCH(QString, text);
        QFETCH(QString, message);
        try {
            parseRules(("{\"rules\": [" + text + "]}").toStdString(), "alarms.json");
            QFAIL("accepted");
        } catch (const RulesFileError& refused) {
            QCOMPARE(QString::fromStdString(refused.what()), message);
        }
    }

    void refusedDocuments()
    {
        const std::pair<const char*, const char*> cases[] = {
            {"{\"rules\": [],\n \"rulez\": []}", "alarms.json: unknown key \"rulez\""},
            {"{\"rules\": {}}", "alarms.json: not a rules file: it needs {\"rules\": [...]}"},
            {"{\"rules\": [\n 3,\n}", "alarms.json:3: not JSON: "},
        };
        for (const auto& [text, message] : cases) {
            try {
                parseRules(text, "alarms.json");
                QFAIL(text);
            } catch (const RulesFileError& refused) {
                QVERIFY2(QString(refused.what()).startsWith(message), refused.what());
            }
        }
    }

    // What "Limits..." writes: its own rules changed in place or added or removed, every other
    // rule kept, and the file read back giving the same rules.
    void limitsWrittenToTheFile_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<ChartLimits>("limits");
        QTest::addColumn<QString>("after");
        // A name with a quote: written escaped.
        const QString theirs = "{\"chip\": \"ZR410B\", \"channel\": \"any\", \"kind\": "
                               "\"failing\", \"count\": 3, \"name\": \"B \\\"lost\\\"\"}";
        ChartLimits hot{zr::Chip::A, {{kExternalChannel, 30.0, {}, 1.0, 5000ms, {}}}, {}};
        QTest::newRow("added after the others") << theirs << hot << theirs + R"(,
  {"chip": "ZR410A", "channel": "external", "kind": "high", "limit": 30, "hysteresis": 1, "holdOff": 5})";
        ChartLimits changed{zr::Chip::A, {{kExternalChannel, 31.5, 29.25, 0.5, 250ms, {}}}, 2};
        QTest::newRow("changed in place, named, a cleared one removed")
            << R"({"chip": "ZR410A", "channel": "external", "kind": "high", "limit": 30, "hysteresis": 1, "holdOff": 5, "name": "hot"},
  {"chip": "ZR410A", "channel": "external", "kind": "frozen", "count": 9}, )" +
                   theirs
            << changed
            << R"({"chip": "ZR410A", "channel": "external", "kind": "high", "limit": 31.5, "hysteresis": 0.5, "holdOff": 0.25, "name": "hot"},
  )" + theirs + R"(,
  {"chip": "ZR410A", "channel": "external", "kind": "low", "limit": 29.25, "hysteresis": 0.5, "holdOff": 0.25},
  {"chip": "ZR410A", "channel": "any", "kind": "failing", "count": 2})";
    }
    void limitsWrittenToTheFile()
    {
        QFETCH(QString, before);
        QFETCH(ChartLimits, limits);
        QFETCH(QString, after);
        const std::vector<Rule> rules =
            parseRules(("{\"rules\": [" + before + "]}").toStdString(), "f");
        const std::string text = rulesText(withLimits(rules, limits));
        QCOMPARE(QString::fromStdString(text), "{\"rules\": [\n  " + after + "\n]}\n");
        QCOMPARE(rulesText(parseRules(text, "f")), text);
        const ChartLimits read = limitsOf(parseRules(text, "f"), limits.chip, {kExternalChannel});
        QCOMPARE(read.channels[0].high, limits.channels[0].high);
        QCOMPARE(read.channels[0].low, limits.channels[0].low);
        QCOMPARE(read.failingCount, limits.failingCount);
    }

    void defaultPathHonoursXdgConfigHome()
    {
        qputenv("HOME", "/home/eve");
        qputenv("XDG_CONFIG_HOME", "/etc/lab");
        QCOMPARE(defaultRulesPath(), "/etc/lab/zr410ab/alarms.json");
        qputenv("XDG_CONFIG_HOME", "relative");
        QCOMPARE(defaultRulesPath(), "/home/eve/.config/zr410ab/alarms.json");
    }
};

QTEST_GUILESS_MAIN(TestAlarms)
#include "test_alarms.moc"
