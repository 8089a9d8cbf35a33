// SPDX-License-Identifier: MIT
// Scenario files: everything they can fix, and a message naming file and line for every mistake.

#include "board/sim/json_lines.h"
#include "board/sim/simulated_board.h"
#include "sim_test_helpers.h"

#include <QDir>
#include <QTest>
#include <sys/stat.h>

using namespace zr;
using namespace zr::test;

class TestScenarioFile : public QObject {
    Q_OBJECT

private slots:
    void readsEveryKey()
    {
        QTemporaryDir dir;
        const QString path = writeFile(dir, "all.json", R"({
  "description": "every key",
  "chips": [
    { "address": 0, "kind": "A", "tempRaw": [1600, 65535], "offsetRaw": 65472,
      "silent": true, "clientAddress": 255 },
    { "address": 127, "kind": "B", "deviceId": 65535,
      "voltRaw": [0, 1, 2, 3, 65535] }
  ],
  "firmwareLoads": false,
  "unplugAfterRequests": 0,
  "replugOnLoad": true,
  "seed": 4294967295
})");
        const sim::Scenario s = sim::loadScenarioFile(path);
        QCOMPARE(s.chips.size(), 2u);
        const sim::ChipConfig& a = s.chips[0];
        QCOMPARE(a.address, 0);
        QVERIFY(a.kind == Chip::A);
        QVERIFY(!a.deviceId);
        QCOMPARE(*a.tempRaw, (std::array<std::uint16_t, 2>{1600, 65535}));
        QCOMPARE(*a.offsetRaw, 65472);
        QVERIFY(a.silent);
        QCOMPARE(*a.clientAddress, 255);
        const sim::ChipConfig& b = s.chips[1];
        QCOMPARE(b.address, 127);
        QVERIFY(b.kind == Chip::B);
        QCOMPARE(*b.deviceId, 65535);
        QCOMPARE(*b.voltRaw, (std::array<std::uint16_t, 5>{0, 1, 2, 3, 65535}));
        QVERIFY(!b.tempRaw && !b.offsetRaw && !b.silent && !b.clientAddress);
        QVERIFY(!s.firmwareLoads);
        QCOMPARE(*s.unplugAfterRequests, 0);
        QVERIFY(s.replugOnLoad);
        QCOMPARE(s.seed, 4294967295u);
    }

    void defaultsWhereKeysAreMissing()
    {
        QTemporaryDir dir;
        const sim::Scenario s =
            sim::loadScenarioFile(writeFile(dir, "min.json", R"({"chips": []})"));
        QVERIFY(s.chips.empty());
        QVERIFY(s.firmwareLoads);
        QVERIFY(!s.unplugAfterRequests);
        QVERIFY(!s.replugOnLoad);
    }

    void shippedScenariosLoad()
    {
        const QDir folder(ZR_SCENARIO_DIR);
        const QStringList files = folder.entryList({"*.json"});
        QVERIFY(files.contains("fixed-readings.json"));
        QVERIFY(files.contains("firmware-fails.json"));
        for (const QString& name : files)
            sim::loadScenarioFile(folder.filePath(name));
        QVERIFY(!sim::loadScenarioFile(folder.filePath("firmware-fails.json")).firmwareLoads);
        const sim::Scenario fixed = sim::loadScenarioFile(folder.filePath("fixed-readings.json"));
        QCOMPARE(fixed.chips.size(), 2u);
        QVERIFY(fixed.chips[0].tempRaw && fixed.chips[1].voltRaw);
    }

    void errors_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("problem");
        // JSON syntax
        QTest::newRow("empty file") << QByteArray() << 1 << "not valid JSON";
        QTest::newRow("missing comma")
            << QByteArray("{\n\"chips\": []\n\"seed\": 1\n}") << 3 << "not valid JSON";
        QTest::newRow("unclosed") << QByteArray("{\n \"chips\": [\n  {\"address\": 1\n") << 4
                                  << "not valid JSON";
        QTest::newRow("trailing comma")
            << QByteArray("{\"chips\": [],\n\n \"seed\": 3,\n}") << 4 << "not valid JSON";
        QTest::newRow("raw NUL in a string")
            << QByteArray("{\"chips\": [],\n\"description\": \"a\0b\"}", 35) << 2 << "raw NUL";
        // Shape
        QTest::newRow("top level list") << QByteArray("[]") << 1 << "top level must be an object";
        QTest::newRow("no chips") << QByteArray("{\n\"seed\": 1\n}") << 1 << "\"chips\" is missing";
        QTest::newRow("chips not a list")
            << QByteArray("{\n\"chips\": {}\n}") << 2 << "chips: expected a list, found an object";
        QTest::newRow("chip not an object")
            << QByteArray("{\"chips\": [\n\n 72]}") << 3 << "chips[0]: expected an object";
        // Keys
        QTest::newRow("unknown top key")
            << QByteArray("{\"chips\": [],\n\"sed\": 1}") << 2 << "unknown key \"sed\"";
        QTest::newRow("unknown chip key")
            << QByteArray("{\"chips\": [\n{\"address\": 1, \"kind\": \"A\",\n\"colour\": 3}]}") << 3
            << "chips[0].colour: unknown key \"colour\"";
        QTest::newRow("duplicate key") << QByteArray("{\"chips\": [],\n\"seed\": 1,\n\"seed\": 2}")
                                       << 3 << "seed: the key appears twice";
        QTest::newRow("duplicate chip key")
            << QByteArray("{\"chips\": [{\"address\": 1,\n \"kind\": \"A\", \"address\": 2}]}") << 2
            << "chips[0].address: the key appears twice";
        QTest::newRow("address missing") << QByteArray("{\"chips\": [\n\n{\"kind\": \"A\"}]}") << 3
                                         << "chips[0]: \"address\" is missing";
        QTest::newRow("kind missing") << QByteArray("{\"chips\": [{\"address\": 3}]}") << 1
                                      << "chips[0]: \"kind\" is missing";
        // Types
        QTest::newRow("address as text")
            << QByteArray("{\"chips\": [{\"kind\": \"A\",\n \"address\": \"72\"}]}") << 2
            << "chips[0].address: expected a whole number, found text \"72\"";
        QTest::newRow("address fractional")
            << QByteArray("{\"chips\": [{\"kind\": \"A\", \"address\": 7.5}]}") << 1
            << "chips[0].address: expected a whole number, found 7.5";
        QTest::newRow("kind lower case")
            << QByteArray("{\"chips\": [{\"address\": 3,\n\n \"kind\": \"a\"}]}") << 3
            << "chips[0].kind: expected \"A\" or \"B\", found text \"a\"";
        QTest::newRow("kind C") << QByteArray("{\"chips\": [{\"address\": 3, \"kind\": \"C\"}]}")
                                << 1 << "expected \"A\" or \"B\"";
        QTest::newRow("silent as number")
            << QByteArray("{\"chips\": [{\"address\": 3, \"kind\": \"A\",\n\"silent\": 1}]}") << 2
            << "chips[0].silent: expected true or false, found 1";
        QTest::newRow("firmwareLoads as text")
            << QByteArray("{\"chips\": [],\n\"firmwareLoads\": \"no\"}") << 2
            << "firmwareLoads: expected true or false";
        QTest::newRow("replugOnLoad null")
            << QByteArray("{\"chips\": [],\n\"replugOnLoad\": null}") << 2
            << "replugOnLoad: expected true or false, found null";
        QTest::newRow("tempRaw one value")
            << QByteArray("{\"chips\": [{\"address\": 3, \"kind\": \"A\",\n\"tempRaw\": [1600]}]}")
            << 2 << "chips[0].tempRaw: expected 2 raw values, found 1";
        QTest::newRow("tempRaw not a list")
            << QByteArray("{\"chips\": [{\"address\": 3, \"kind\": \"A\",\n\"tempRaw\": 1600}]}")
            << 2 << "chips[0].tempRaw: expected a list";
        QTest::newRow("voltRaw on an A")
            << QByteArray(
                   "{\"chips\": [{\"address\": 3, \"kind\": \"A\",\n\"voltRaw\": [1,2,3,4,5]}]}")
            << 2 << "chips[0].voltRaw: only a chip of kind \"B\"";
        QTest::newRow("voltRaw entry on its own line")
            << QByteArray("{\"chips\": [{\"address\": 3, \"kind\": \"B\", \"voltRaw\": "
                          "[1,2,\n3,\n-4,5]}]}")
            << 3 << "chips[0].voltRaw[3]: -4 is out of range (0 to 65535)";
        QTest::newRow("description as number") << QByteArray("{\"chips\": [],\n\"description\": 5}")
                                               << 2 << "description: expected text";
        // Ranges
        QTest::newRow("address 128")
            << QByteArray("{\"chips\": [{\"kind\": \"A\",\n\"address\": 128}]}") << 2
            << "chips[0].address: 128 is out of range (0 to 127)";
        QTest::newRow("address negative")
            << QByteArray("{\"chips\": [{\"kind\": \"A\", \"address\": -1}]}") << 1
            << "-1 is out of range (0 to 127)";
        QTest::newRow("deviceId too big")
            << QByteArray("{\"chips\": [{\"address\": 3, \"kind\": \"A\",\n \"deviceId\": 65536}]}")
            << 2 << "chips[0].deviceId: 65536 is out of range (0 to 65535)";
        QTest::newRow("offsetRaw too big")
            << QByteArray("{\"chips\": [{\"address\": 3, \"kind\": \"A\",\n\"offsetRaw\": 70000}]}")
            << 2 << "chips[0].offsetRaw: 70000 is out of range";
        QTest::newRow("tempRaw negative")
            << QByteArray(
                   "{\"chips\": [{\"address\": 3, \"kind\": \"A\", \"tempRaw\": [1,\n -8]}]}")
            << 2 << "chips[0].tempRaw[1]: -8 is out of range";
        QTest::newRow("clientAddress too big")
            << QByteArray(
                   "{\"chips\": [{\"address\": 3, \"kind\": \"A\",\n\"clientAddress\": 256}]}")
            << 2 << "chips[0].clientAddress: 256 is out of range (0 to 255)";
        QTest::newRow("seed negative") << QByteArray("{\"chips\": [],\n\"seed\": -1}") << 2
                                       << "seed: -1 is out of range (0 to 4294967295)";
        QTest::newRow("seed too big") << QByteArray("{\"chips\": [],\n\"seed\": 4294967296}") << 2
                                      << "seed: 4294967296 is out of range";
        QTest::newRow("unplug negative")
            << QByteArray("{\"chips\": [],\n\"unplugAfterRequests\": -3}") << 2
            << "unplugAfterRequests: -3 is out of range";
        QTest::newRow("unplug fractional")
            << QByteArray("{\"chips\": [],\n\"unplugAfterRequests\": 2.5}") << 2
            << "unplugAfterRequests: expected a whole number, found 2.5";
        // Duplicate addresses
        // A key beyond U+FFFF is two escapes; the line is the key's, and two such keys differ.
        QTest::newRow("surrogate pair key")
            << QByteArray("{\"chips\": [],\n\n\"\\uD83D\\uDE00\": 1}") << 3 << "unknown key";
        QTest::newRow("two surrogate pair keys")
            << QByteArray("{\"chips\": [],\n\"\\uD83D\\uDE00\": 1,\n\"\\uD83D\\uDE01\": 2}") << 2
            << "unknown key";
        QTest::newRow("duplicate address")
            << QByteArray("{\"chips\": [\n{\"address\": 72, \"kind\": \"A\"},\n{\"address\": 76, "
                          "\"kind\": \"B\"},\n{\"kind\": \"B\",\n \"address\": 72}]}")
            << 5 << "chips[2].address: address 72 is already taken by chips[0]";
    }
    void errors()
    {
        QFETCH(QByteArray, json);
        QFETCH(int, line);
        QFETCH(QString, problem);
        QTemporaryDir dir;
        const QString path = writeFile(dir, "bad scenario.json", json);
        try {
            sim::loadScenarioFile(path);
            QFAIL("the scenario was accepted");
        } catch (const sim::ScenarioError& error) {
            const QString message = QString::fromStdString(error.what());
            const QString where = path + ':' + QString::number(line) + ": ";
            QVERIFY2(message.startsWith(where), qPrintable(message));
            QVERIFY2(message.contains(problem), qPrintable(message));
        }
    }

    // Only a regular file of at most 1 MiB is read: a device would fill the memory, a FIFO
    // would block the start.
    void refusesWhatIsNotAScenarioFile_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("endless device") << "/dev/zero"
                                        << "not a regular file";
        QTest::newRow("fifo") << "fifo"
                              << "not a regular file";
        QTest::newRow("folder") << "folder"
                                << "not a regular file";
        QTest::newRow("over 1 MiB") << "big"
                                    << "larger than 1024 KiB";
        QTest::newRow("absent") << "absent"
                                << "No such file or directory";
    }
    void refusesWhatIsNotAScenarioFile()
    {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        QString path = dir.filePath(kind);
        if (kind == "fifo")
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        else if (kind == "folder")
            QVERIFY(QDir(dir.path()).mkdir(kind));
        else if (kind == "big")
            writeFile(dir, kind, "{\"chips\": []}" + QByteArray(sim::kMaxScenarioBytes, ' '));
        else if (kind.startsWith('/'))
            path = kind;
        try {
            sim::loadScenarioFile(path);
            QFAIL("the file was read as a scenario");
        } catch (const sim::ScenarioError& error) {
            const QString message = QString::fromStdString(error.what());
            QVERIFY2(message.startsWith(path + ": cannot read the scenario: "),
                     qPrintable(message));
            QVERIFY2(message.contains(reason), qPrintable(message));
        }
    }

    // The limit itself is a size that is read; one byte more is not.
    void sizeLimitIsInclusive_data()
    {
        QTest::addColumn<qsizetype>("size");
        QTest::addColumn<bool>("read");
        QTest::newRow("exactly 1 MiB") << sim::kMaxScenarioBytes << true;
        QTest::newRow("1 MiB and a byte") << sim::kMaxScenarioBytes + 1 << false;
    }
    void sizeLimitIsInclusive()
    {
        QFETCH(qsizetype, size);
        QFETCH(bool, read);
        QTemporaryDir dir;
        QByteArray text = "{\"chips\": []}";
        text += QByteArray(size - text.size(), ' ');
        const QString path = writeFile(dir, "padded.json", text);
        try {
            sim::loadScenarioFile(path);
            QVERIFY(read);
        } catch (const sim::ScenarioError& error) {
            QVERIFY2(!read, error.what());
            QVERIFY2(QString(error.what()).contains("larger than 1024 KiB"), error.what());
        }
    }

    // The line locator is only handed JSON that parsed, but must not read past the end of any text.
    void lineLocatorStaysInsideBrokenText_data()
    {
        QTest::addColumn<QByteArray>("text");
        for (const char* text : {"{s", "{\"a\"", "{\"a\":", "{\"a\" 1}", "[1", "[1 2]", "{\"a\":]",
                                 "[}", "\"abc", "{\"\\u12", "{\"\\", "{\"a\":{\"b\":[{"})
            QTest::newRow(text) << QByteArray(text);
    }
    void lineLocatorStaysInsideBrokenText()
    {
        QFETCH(QByteArray, text);
        // A copy of exactly the text's size, so that a read past its end is one to the sanitizer.
        const QByteArray exact(text.constData(), text.size());
        const sim::JsonLines lines(exact);
        QCOMPARE(lines.lineOf(""), 1);
        QVERIFY(!lines.hasDuplicateKey());
    }

    void unreadableFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("absent.json");
        QVERIFY_THROWS_EXCEPTION(sim::ScenarioError, sim::loadScenarioFile(path));
        try {
            sim::loadScenarioFile(path);
        } catch (const sim::ScenarioError& error) {
            QVERIFY(QString(error.what()).startsWith(path + ": cannot read"));
        }
    }
};

QTEST_GUILESS_MAIN(TestScenarioFile)
#include "test_scenario_file.moc"
