// SPDX-License-Identifier: MIT
// The board worker under the real main window on a recording board whose every request takes a
// millisecond, as on a full-speed bus, with the worker's own timer ticking: every sequence (a
// tick, a button's routine) reaches the bus whole and in the order asked, no board call happens
// on the user-interface thread (the recording board fails the test), and a user-interface thread
// that stops for seconds loses no record.

#include "graphs/temp_graph_window.h"
#include "logging/log_format.h"
#include "logging/save_window.h"
#include "settings/settings_window.h"
#include "support/main_window_bench.h"

#include <QAbstractButton>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QtTest>

using namespace zr;
using namespace zr::test;
using namespace std::chrono_literals;

namespace {

// address:command of every frame sent from request `from` on.
QStringList framesSent(const RecordingBoard& board, std::size_t from)
{
    QStringList frames;
    for (std::size_t i = from; i < board.requests.size(); ++i)
        if (board.requests[i].direction == kDirectionToBoard)
            frames
                << QString("%1:%2").arg(board.requests[i].sent[0]).arg(board.requests[i].sent[3]);
    return frames;
}

// The frames of one tick with every polled window open, in the table's order.
const QStringList kTickFrames{"72:0", "76:16", "76:0", "72:0", "72:224", "76:0", "76:224", "76:16"};

struct Bench : MainWindowBench {
    Bench() : MainWindowBench(Start::NotLoaded)
    {
        // The scan finds chip A at 72 and chip B at 76; chip A's internal temperature counts the
        // reads of it, so that each record tells which tick read it.
        board.responder = [this](const std::vector<std::uint8_t>& frame) {
            RecordingBoard::Reply r{};
            if (frame.size() == 7 && frame[3] == 247 &&
                (frame[0] == kAddressA || frame[0] == kAddressB)) {
                r[5] = frame[0] == kAddressA ? 132 : 133;
                r[16] = frame[0];
            }
            if (frame.size() == 7 && frame[3] == 0 && frame[0] == kAddressA) {
                const int raw = ++temperatureReadsA * 64;
                r[1] = static_cast<std::uint8_t>(raw & 0xFF);
                r[2] = static_cast<std::uint8_t>(raw >> 8);
            }
            return r;
        };
        board.latency = 1ms;
    }
    int temperatureReadsA = 0; // on the worker only, while it runs
};

} // namespace

class TestBoardWorker : public QObject {
    Q_OBJECT
private slots:
    void sequencesReachTheBusWholeAndInOrder();
    void aStoppedUserInterfaceLosesNoRecord();
    void aBoardSlowerThanTheTickSkipsTicksAndSaysSo();
};

void TestBoardWorker::sequencesReachTheBusWholeAndInOrder()
{
    Bench h;
    QVERIFY(h.main->MDIForm_Load()); // the worker's timer ticks from here on
    for (const char* item :
         {"mSetB", "mSaveB", "mTempGraphB", "mSaveA", "mVoltGraphB", "mTempGraphA", "mSetA"})
        h.trigger(item);
    // The requests so far, counted while the worker rests.
    h.main->boardWorker().stopTimer();
    h.settle();
    const std::size_t from = h.board.requests.size();
    h.main->boardWorker().startTimer();

    // Get DIB pressed on both settings windows every few milliseconds: between ticks and while
    // one runs. Each press is one exchange.
    QStringList pressed;
    QTimer presser;
    QObject::connect(&presser, &QTimer::timeout, [&] {
        const Chip chip = pressed.size() % 2 ? Chip::B : Chip::A;
        h.main->settingsWindow(chip)->findChild<QAbstractButton*>("cmdGetDIB")->click();
        pressed << QString("%1:247").arg(chip == Chip::A ? kAddressA : kAddressB);
    });
    presser.start(7);
    QTest::qWait(5 * kTickIntervalMs);
    presser.stop();
    h.main->boardWorker().stopTimer();
    h.settle();

    const QStringList frames = framesSent(h.board, from);
    const QStringList& tick = kTickFrames;
    QStringList dibs;
    int ticks = 0;
    for (qsizetype i = 0; i < frames.size();) {
        if (frames[i].endsWith(":247")) {
            dibs << frames[i++];
            continue;
        }
        QCOMPARE(frames.mid(i, tick.size()), tick); // a whole tick, nothing inside it
        i += tick.size();
        ++ticks;
    }
    QVERIFY2(ticks >= 3, qPrintable(QString::number(ticks)));
    QCOMPARE(dibs, pressed); // every press, in the order pressed
    // Each exchange is one write and one read; a tick with every window open costs 16.
    QCOMPARE(h.board.requests.size() - from, std::size_t(16 * ticks + 2 * pressed.size()));
    QCOMPARE(h.main->settingsWindow(Chip::B)->findChild<QLabel*>("lblDIB_6")->text(), "0x4C");
    QVERIFY(h.prompts.messages.isEmpty());
}

void TestBoardWorker::aStoppedUserInterfaceLosesNoRecord()
{
    QTemporaryDir dir;
    Bench h;
    QVERIFY(h.main->MDIForm_Load());
    h.trigger("mSaveA");
    const QString path = dir.filePath("a.sav");
    h.files.paths.push_back(path);
    h.main->saveWindow(Chip::A)->cmdSave_Click();
    QVERIFY(h.main->saveWindow(Chip::A)->isLogging());

    QTest::qWait(2 * kTickIntervalMs);
    QThread::msleep(2000); // a long paint, a modal dialog: the worker ticks on meanwhile
    QTest::qWait(2 * kTickIntervalMs);
    h.main->boardWorker().stopTimer();
    h.settle();

    // One record per tick, each with the reading of its own tick: 1, 2, 3… degrees.
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QList<QByteArray> lines = file.readAll().split('\n');
    QCOMPARE(lines.takeLast(), QByteArray());
    lines = lines.mid(3);
    QVERIFY2(h.temperatureReadsA >= 2000 / kTickIntervalMs,
             qPrintable(QString::number(h.temperatureReadsA)));
    QCOMPARE(lines.size(), h.temperatureReadsA);
    for (int i = 0; i < lines.size(); ++i) {
        const logging::Readings read{float(i + 1), 0, 0, {}};
        QCOMPARE(lines[i], QByteArray::fromStdString(
                               logging::recordLine(Chip::A, logging::LogOptions{}, read) + "\r"));
    }
}

void TestBoardWorker::aBoardSlowerThanTheTickSkipsTicksAndSaysSo()
{
    Bench h;
    QVERIFY(h.main->MDIForm_Load());
    h.trigger("mTempGraphA");
    auto* skipped = h.main->findChild<QLabel*>("skippedTicks");
    QVERIFY(skipped->isHidden());
    // One exchange of two requests per tick, 400 ms in all: longer than the tick.
    h.main->boardWorker().stopTimer();
    h.settle();
    h.board.latency = 200ms;
    h.main->boardWorker().startTimer();
    QTRY_VERIFY_WITH_TIMEOUT(!skipped->isHidden(), 20000);
    QVERIFY2(skipped->text().contains("ticks skipped"), qPrintable(skipped->text()));
    QTest::qWait(4 * kTickIntervalMs);
    h.main->boardWorker().stopTimer();
    h.settle();
    // Nothing was queued up: every tick that ran was drawn, and a transient message leaves the
    // field alone.
    QCOMPARE(int(h.main->tempGraphWindow(Chip::A)->chart().traceStore(0).size()),
             h.temperatureReadsA);
    h.main->showStatus("a passing message");
    QVERIFY(!skipped->isHidden());
}

QTEST_MAIN(TestBoardWorker)
#include "test_board_worker.moc"
