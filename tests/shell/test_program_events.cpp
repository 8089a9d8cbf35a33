// SPDX-License-Identifier: MIT
// What the program does to a chip or the board, announced once by the main window and marked in
// the running log and on every open chart of each chip it concerns: driven through the real
// windows on a recording board, with both chips logging and every graph open.

#include "graphs/temp_graph_window.h"
#include "graphs/volt_graph_window.h"
#include "logging/events_reader.h"
#include "logging/save_window.h"
#include "settings/settings_window.h"
#include "support/main_window_bench.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace zr;
using namespace zr::test;

namespace {

enum class Action { StartUp, OffsetWrite, RawWrite, RawRead, Loss, NotResponding, Reconnect };

QString scopeOf(const ProgramEvent& event)
{
    return event.chip ? QString(chipInfo(*event.chip).letter) : QStringLiteral("board");
}

// The markers of a log's events file, but for its own start and stop.
QStringList markersOf(const QString& savPath)
{
    const std::string sav = logging::readLogText(savPath.toStdString());
    const auto events =
        logging::readEvents(logging::readLogText(savPath.toStdString() + ".events"), sav);
    if (!events)
        return {"<no events>"};
    QStringList markers;
    for (const logging::EventsMarker& m : events->markers)
        if (m.event != "log-start" && m.event != "log-stop")
            markers << QString::fromStdString(m.text);
    return markers;
}

QStringList markersOn(const chart::StripChart& chart)
{
    QStringList texts;
    for (const chart::Marker& m : chart.markers())
        texts << QString::fromStdString(m.text);
    return texts;
}

// The texts announced for `chip` or the whole board.
QStringList concerning(const QStringList& announced, const QString& chip)
{
    QStringList texts;
    for (const QString& a : announced)
        if (a.startsWith(chip + "|") || a.startsWith("board|"))
            texts << a.section('|', 1);
    return texts;
}

void typeInto(QWidget* window, const char* field, const QString& text)
{
    if (auto* line = window->findChild<QLineEdit*>(field))
        line->setText(text);
    else
        window->findChild<QPlainTextEdit*>(field)->setPlainText(text);
}

} // namespace

Q_DECLARE_METATYPE(Action)

class TestProgramEvents : public QObject {
    Q_OBJECT
private slots:
    void eachEventIsAnnouncedAndMarkedInItsChipsLog_data();
    void eachEventIsAnnouncedAndMarkedInItsChipsLog();
};

void TestProgramEvents::eachEventIsAnnouncedAndMarkedInItsChipsLog_data()
{
    QTest::addColumn<Action>("action");
    QTest::addColumn<QStringList>("announced"); // scope|text
    QTest::addColumn<QStringList>("markedA");
    QTest::addColumn<QStringList>("markedB");
    const QStringList none;
    // A lost board stops both logs.
    const QStringList lost{"board|Board lost", "A|Log stopped", "B|Log stopped"};
    QTest::newRow("firmware at start-up")
        << Action::StartUp << QStringList{"board|Firmware loaded", "A|Log started", "B|Log started"}
        << none << none;
    QTest::newRow("offset written")
        << Action::OffsetWrite << QStringList{"A|Offset -5"} << QStringList{"Offset -5"} << none;
    QTest::newRow("raw write") << Action::RawWrite << QStringList{"B|Xfer E0 FB FF"} << none
                               << QStringList{"Xfer E0 FB FF"};
    QTest::newRow("raw read only") << Action::RawRead << none << none << none;
    QTest::newRow("board lost") << Action::Loss << lost << QStringList{"Board lost"}
                                << QStringList{"Board lost"};
    QTest::newRow("not responding")
        << Action::NotResponding
        << QStringList{"board|Board not responding", "A|Log stopped", "B|Log stopped"}
        << QStringList{"Board not responding"} << QStringList{"Board not responding"};
    QTest::newRow("reconnect") << Action::Reconnect << lost + QStringList{"board|Reconnect"}
                               << QStringList{"Board lost"} << QStringList{"Board lost"};
}

void TestProgramEvents::eachEventIsAnnouncedAndMarkedInItsChipsLog()
{
    QFETCH(Action, action);
    QFETCH(QStringList, announced);
    QFETCH(QStringList, markedA);
    QFETCH(QStringList, markedB);
    QTemporaryDir dir;
    MainWindowBench b(MainWindowBench::Start::NotLoaded);
    QStringList said;
    QObject::connect(b.main.get(), &MainWindow::programEvent, [&](const ProgramEvent& event) {
        said << scopeOf(event) + "|" + QString::fromStdString(event.text);
    });
    b.loadAndShow();
    for (const char* graph : {"mTempGraphA", "mTempGraphB", "mVoltGraphB"})
        b.trigger(graph);
    const qsizetype chartsFrom = said.size(); // the charts open after start-up
    b.trigger("mSaveA");
    b.trigger("mSaveB");
    b.files.paths = {dir.filePath("a.sav"), dir.filePath("b.sav")};
    for (Chip chip : {Chip::A, Chip::B})
        b.main->saveWindow(chip)->findChild<QPushButton*>("cmdSave")->click();
    const QStringList logStarts = said.mid(chartsFrom);
    if (action != Action::StartUp)
        said.clear();

    const auto lose = [&](bool notResponding) {
        b.board.lost = true;
        b.board.notResponding = notResponding;
        b.board.reason = "unplugged";
        b.tick();
    };
    const auto send = [&](const char* data, const char* writeLength, const char* readLength) {
        b.trigger("mSetB");
        QWidget* settings = b.main->settingsWindow(Chip::B);
        typeInto(settings, "txtToSend", data);
        typeInto(settings, "txtWriteLength", writeLength);
        typeInto(settings, "txtReadLength", readLength);
        settings->findChild<QPushButton*>("cmdReqSST")->click();
        b.settle();
    };
    switch (action) {
    case Action::StartUp:
        break;
    case Action::OffsetWrite:
        b.trigger("mSetA");
        typeInto(b.main->settingsWindow(Chip::A), "txtOffset", "-5");
        b.main->settingsWindow(Chip::A)->findChild<QPushButton*>("cmdSetOffset")->click();
        b.settle();
        break;
    case Action::RawWrite:
        send("E0 FB FF", "3", "0");
        break;
    case Action::RawRead:
        send("F7", "1", "16");
        break;
    case Action::Loss:
        lose(false);
        break;
    case Action::NotResponding:
        lose(true);
        break;
    case Action::Reconnect:
        lose(false);
        b.board.lost = false;
        QVERIFY(b.main->Reconnect());
        break;
    }
    const QStringList announcedNow = said;
    const QStringList charted = action == Action::StartUp ? said.mid(chartsFrom) : logStarts + said;
    const QStringList onA = markersOn(b.main->tempGraphWindow(Chip::A)->chart());
    const QStringList onB = markersOn(b.main->tempGraphWindow(Chip::B)->chart());
    const QStringList onBVolts = markersOn(b.main->voltGraphWindow(Chip::B)->chart());
    for (Chip chip : {Chip::A, Chip::B})
        if (b.main->saveWindow(chip)->isLogging())
            b.main->saveWindow(chip)->findChild<QPushButton*>("cmdSave")->click();

    QCOMPARE(announcedNow, announced);
    QCOMPARE(onA, concerning(charted, "A"));
    QCOMPARE(onB, concerning(charted, "B"));
    QCOMPARE(onBVolts, onB);
    QCOMPARE(markersOf(dir.filePath("a.sav")), markedA);
    QCOMPARE(markersOf(dir.filePath("b.sav")), markedB);
}

QTEST_MAIN(TestProgramEvents)
#include "test_program_events.moc"
