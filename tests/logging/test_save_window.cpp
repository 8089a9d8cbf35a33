// SPDX-License-Identifier: MIT
// The save-data windows through their states, with a scripted board, a real file system and the
// injected dialog, prompts and clock.

#include "board/board_lost_error.h"
#include "board/failed_read.h"
#include "graphs/temp_graph_window.h"
#include "logging/events_reader.h"
#include "logging/regional_time.h"
#include "logging/save_window.h"
#include "platform/child_window.h"
#include "shell/main_window.h"
#include "support/board_wait.h"
#include "support/fake_services.h"
#include "support/main_window_bench.h"
#include "support/recording_board.h"
#include "version.h"

#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/resource.h>

using namespace zr;
using namespace zr::test;

Q_DECLARE_METATYPE(zr::Chip)

namespace {

// The raw register values of the two chips, by address; the test changes them between ticks.
struct ChipRegisters {
    std::uint16_t intTemp = 0;
    std::uint16_t extTemp = 0;
    std::uint16_t offset = 0;
    std::array<std::uint16_t, 5> rails{};
};

void answerFrom(RecordingBoard& board, std::map<int, ChipRegisters>& chips)
{
    board.responder = [&chips](const std::vector<std::uint8_t>& frame) {
        RecordingBoard::Reply r{};
        const auto found = chips.find(frame.at(0));
        if (found == chips.end())
            return r;
        const ChipRegisters& c = found->second;
        auto put = [&r](int at, std::uint16_t v) {
            r[at] = v & 0xFF;
            r[at + 1] = v >> 8;
        };
        switch (frame.at(3)) {
        case 0:
            put(1, c.intTemp);
            put(3, c.extTemp);
            break;
        case 224:
            put(1, c.offset);
            break;
        case 16:
            for (int i = 0; i < 5; ++i)
                put(1 + 2 * i, c.rails[i]);
            break;
        }
        return r;
    };
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// A window in an MDI area, loaded the way the main window loads its children.
struct Harness {
    explicit Harness(const QString& folder) : programFolder(folder)
    {
        board.refuseUserInterfaceThread = true;
        state.AddressA = kAddressA;
        state.AddressB = kAddressB;
        // A: 25.25 and 31.5 degrees, offset 0. B: 25 and -3.5 degrees, offset -5, and the rails
        // 12.1, 5.02, 3.3, 2.5 and 1.2 volts.
        chips[kAddressA] = {1616, 2016, 0, {}};
        chips[kAddressB] = {1600, 65312, 65216, {12390, 5140, 3379, 2560, 1229}};
        answerFrom(board, chips);
        mdi.resize(1000, 700);
        mdi.show();
    }

    SaveWindow* open(Chip chip)
    {
        auto* w = new SaveWindow(chip, {state,
                                        worker,
                                        prompts,
                                        files,
                                        clock,
                                        programFolder,
                                        [this](const QString& s) { statusLines << s; },
                                        {},
                                        {},
                                        lastFolder});
        QMdiSubWindow* sub = mdi.addSubWindow(w);
        sub->setAttribute(Qt::WA_DeleteOnClose);
        QMetaObject::invokeMethod(w, "Form_Load", Qt::DirectConnection);
        sub->show();

        mdi.setActiveSubWindow(sub);
        return w;
    }

    // Starts a log in `w` on `path` through the dialog.
    void start(SaveWindow* w, const QString& path)
    {
        files.paths.push_back(path);
        button(w, "cmdSave")->click();
    }

    QByteArray header(Chip chip, const QString& columns) const
    {
        const logging::DateTimeText t = logging::regionalDateTime(clock.time);
        return QByteArray(chipName(chip)) + "\r\nDate:," + QByteArray::fromStdString(t.date) +
               ",Time:," + QByteArray::fromStdString(t.time) + "\r\n" + columns.toLatin1() + "\r\n";
    }

    // What the tick reads for the window's chip, read on the board worker as a tick reads it.
    logging::TakenReadings take(SaveWindow* w)
    {
        return readOnWorker(worker, {PolledWindow::SaveData, w->chip()});
    }

    // The worker has run everything asked of it (an extra record) and has seen the board as it
    // is now.
    void settle() { QVERIFY(waitForBoard(worker)); }

    static QPushButton* button(QWidget* w, const char* name)
    {
        return w->findChild<QPushButton*>(name);
    }
    static QCheckBox* box(QWidget* w, const char* name) { return w->findChild<QCheckBox*>(name); }

    DeviceState state;
    RecordingBoard board;
    std::map<int, ChipRegisters> chips;
    FakePrompts prompts;
    FakeFileChooser files;
    FakeClock clock;
    QString programFolder;
    std::shared_ptr<QString> lastFolder = std::make_shared<QString>();
    QStringList statusLines;
    BoardWorker worker{state, board};
    QMdiArea mdi;
};

const QByteArray kRecordA = " 25.25, 31.5,\r\n";
const QByteArray kRecordB = " 25,-3.5,,  12.1,  5.02,  3.3,  2.5,  1.2\r\n";
const QString kColumnsA = "Internal,External,";
const QString kColumnsB = "Internal,External,,12V,5V,Vcc,2.5V,Vccp,";

// Every request the board saw after `from`, as the frames' command bytes.
QList<int> commandsSince(const RecordingBoard& board, std::size_t from)
{
    QList<int> commands;
    for (std::size_t i = from; i < board.requests.size(); ++i)
        if (board.requests[i].direction == kDirectionToBoard)
            commands << board.requests[i].sent.at(3);
    return commands;
}

} // namespace

class TestSaveWindow : public QObject {
    Q_OBJECT
private slots:
    void init();

    void opensWithItsControls_data();
    void opensWithItsControls();
    void tabOrderAndFirstFocus_data();
    void tabOrderAndFirstFocus();
    void outerSizeFromTwips_data();
    void outerSizeFromTwips();
    void flagIsSetByFormLoad();
    void everyTickReadsTheChip_data();
    void everyTickReadsTheChip();

    void cancelledDialogTouchesNothingAndCloseAsksNothing();
    void startLogsEveryTickUntilStopped();
    void countDrawsAsAPlainLabel_data();
    void countDrawsAsAPlainLabel();
    void optionsAreReadOnEveryRecord();
    void restartAsksAgainAndCancelNeverReusesThePath();
    void bothWindowsLogAtOnce();
    void sameFileForBothWindowsIsRefused();
    void unopenableFileIsShownInTheWindow();
    void chooserStartsWhereTheUserMayWrite();

    void closeAnsweredYesEndsTheLog();
    void closeAnsweredNoKeepsLoggingAndWritesOnce();
    void tickDuringTheQuestionWritesOnlyWhileLogging();
    void whileTheDialogIsOpen();
    void closingTheMainWindowAsksEveryLogFirst_data();
    void closingTheMainWindowAsksEveryLogFirst();

    void failedWriteStopsOnlyThatLog();
    void deletedFolderStopsTheLogAndTellsOnce();
    void lostBoardStopsTheLogs();
    void logsStoppingInOneTickAreAllTold();
    void failedReadWritesNoRecordAndLoggingGoesOn();
    void noStartOnALostBoard();

    void eventsFileFollowsTheLogAndItsOptions();
    void eventsFileFailureLeavesTheLogWhole_data();
    void eventsFileFailureLeavesTheLogWhole();

private:
    QString pathIn(const QString& name) const { return QDir(dir_->path()).filePath(name); }
    std::unique_ptr<QTemporaryDir> dir_;
};

void TestSaveWindow::init()
{
    qputenv("TZ", "UTC");
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
}

void TestSaveWindow::opensWithItsControls_data()
{
    QTest::addColumn<Chip>("chip");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("frames");
    QTest::addColumn<QStringList>("boxes");
    QTest::newRow("A") << Chip::A << "frmSaveA" << QStringList{"Temperature Readings"}
                       << QStringList{"Save Internal Temperature Readings=1",
                                      "Save External Temperature Readings=1",
                                      "Save External Temperature Offset=0"};
    QTest::newRow("B") << Chip::B << "frmSaveB"
                       << QStringList{"Temperature Readings", "Voltage Readings"}
                       << QStringList{"Save Internal Temperature Readings=1",
                                      "Save External Temperature Readings=1",
                                      "Save External Temperature Offset=0",
                                      "Save 12V Readings=1",
                                      "Save 5V Readings=1",
                                      "Save Vcc Readings=1",
                                      "Save 2.5V Readings=1",
                                      "Save Vccp Readings=1"};
}

void TestSaveWindow::opensWithItsControls()
{
    QFETCH(Chip, chip);
    QFETCH(QString, name);
    QFETCH(QStringList, frames);
    QFETCH(QStringList, boxes);
    Harness h(dir_->path());
    SaveWindow* w = h.open(chip);
    QCOMPARE(w->objectName(), name);
    QCOMPARE(w->windowTitle(), QString("Save Data"));

    QStringList frameCaptions;
    for (QGroupBox* frame : w->findChildren<QGroupBox*>()) {
        frameCaptions << frame->title();
        QVERIFY(frame->font().bold());
        QCOMPARE(frame->font().pointSizeF(), 8.25);
    }
    QCOMPARE(frameCaptions, frames);
    QStringList boxStates;
    for (QCheckBox* b : w->findChildren<QCheckBox*>()) {
        boxStates << b->text() + "=" + QString::number(b->isChecked());
        QVERIFY(!b->font().bold());
    }
    QCOMPARE(boxStates, boxes);
    QCOMPARE(h.button(w, "cmdSave")->text(), QString("Save To File"));
    QCOMPARE(h.button(w, "cmdCancel")->text(), QString("Cancel"));
    for (QWidget* child : w->findChildren<QWidget*>())
        QVERIFY2(child->isEnabled(), qPrintable(child->objectName()));
    QVERIFY(!w->findChild<QLabel*>("lblLogStatus")->isVisible());
}

void TestSaveWindow::tabOrderAndFirstFocus_data()
{
    QTest::addColumn<Chip>("chip");
    QTest::addColumn<QStringList>("order");
    QTest::newRow("A") << Chip::A
                       << QStringList{"chkInternal", "chkExternal", "chkExternalOffset",
                                      "cmdCancel", "cmdSave"};
    QTest::newRow("B") << Chip::B << QStringList{"cmdSave",     "cmdCancel",   "chkExternalOffset",
                                                 "chkExternal", "chkInternal", "chk12V",
                                                 "chk5V",       "chkVcc",      "chk2V",
                                                 "chkVccp"};
}

void TestSaveWindow::tabOrderAndFirstFocus()
{
    QFETCH(Chip, chip);
    QFETCH(QStringList, order);
    Harness h(dir_->path());
    SaveWindow* w = h.open(chip);
    QVERIFY(QTest::qWaitForWindowActive(h.mdi.window()));
    QTRY_COMPARE(QApplication::focusWidget() ? QApplication::focusWidget()->objectName()
                                             : QString(),
                 order.first());
    QStringList seen{order.first()};
    QWidget* at = w->findChild<QWidget*>(order.first());
    for (qsizetype i = 1; i < order.size(); ++i) {
        at = at->nextInFocusChain();
        while (at->focusPolicy() == Qt::NoFocus)
            at = at->nextInFocusChain();
        seen << at->objectName();
    }
    QCOMPARE(seen, order);
}

void TestSaveWindow::outerSizeFromTwips_data()
{
    QTest::addColumn<Chip>("chip");
    QTest::addColumn<int>("widthTwips");
    QTest::addColumn<int>("fontPoints"); // 0: the desktop's
    QTest::newRow("A, small font") << Chip::A << 3660 << 6;
    QTest::newRow("B, small font") << Chip::B << 7005 << 6;
    QTest::newRow("A, desktop font") << Chip::A << 3660 << 0;
    QTest::newRow("B, desktop font") << Chip::B << 7005 << 0;
}

void TestSaveWindow::outerSizeFromTwips()
{
    QFETCH(Chip, chip);
    QFETCH(int, widthTwips);
    QFETCH(int, fontPoints);
    const QFont desktopFont = QApplication::font();
    if (fontPoints > 0)
        QApplication::setFont(QFont(desktopFont.family(), fontPoints));
    Harness h(dir_->path());
    SaveWindow* w = h.open(chip);
    QApplication::setFont(desktopFont);

    const QScreen* screen = w->screen();
    const QSize twips(twipsToPixels(widthTwips, screen->logicalDotsPerInchX()),
                      twipsToPixels(4155, screen->logicalDotsPerInchY()));
    QWidget* frame = childFrame(w);
    // A font too wide for those sizes makes the window grow, never cut off a caption.
    QCOMPARE(frame->size(), twips.expandedTo(frame->minimumSizeHint()));
    if (fontPoints > 0)
        QCOMPARE(frame->size(), twips);
    QTRY_VERIFY(w->width() >= w->minimumSizeHint().width());
    QVERIFY(w->height() >= w->minimumSizeHint().height());
}

void TestSaveWindow::flagIsSetByFormLoad()
{
    Harness h(dir_->path());
    SaveWindow w(Chip::B, {h.state, h.worker, h.prompts, h.files, h.clock, h.programFolder, {}});
    QCOMPARE(h.state.LoggingB, False);
    w.Form_Load();
    QCOMPARE(h.state.LoggingB, True);
    QCOMPARE(h.state.LoggingA, False);
}

void TestSaveWindow::everyTickReadsTheChip_data()
{
    QTest::addColumn<Chip>("chip");
    QTest::addColumn<int>("address");
    QTest::addColumn<QList<int>>("commands");
    QTest::newRow("A") << Chip::A << kAddressA << QList<int>{0, 224};
    QTest::newRow("B") << Chip::B << kAddressB << QList<int>{0, 224, 16};
}

void TestSaveWindow::everyTickReadsTheChip()
{
    QFETCH(Chip, chip);
    QFETCH(int, address);
    QFETCH(QList<int>, commands);
    Harness h(dir_->path());
    SaveWindow* w = h.open(chip);
    w->SaveCurrentData(h.take(w));
    QCOMPARE(commandsSince(h.board, 0), commands);
    for (const RecordedRequest& r : h.board.requests)
        if (r.direction == kDirectionToBoard)
            QCOMPARE(int(r.sent.at(0)), address);
    QCOMPARE(int(h.state.CurrentAddress), address);
    QCOMPARE(h.state.ExtTemp, chip == Chip::A ? 31.5f : -3.5f);
    QCOMPARE(h.state.ExtOffset, chip == Chip::A ? 0 : -5);
    QVERIFY(QDir(dir_->path()).isEmpty());
}

void TestSaveWindow::cancelledDialogTouchesNothingAndCloseAsksNothing()
{
    Harness h(dir_->path());
    SaveWindow* w = h.open(Chip::A);
    QPushButton* save = h.button(w, "cmdSave");
    QString captionDuringDialog;
    h.files.onChoose = [&] { captionDuringDialog = save->text(); };
    save->click();
    QCOMPARE(captionDuringDialog, QString("Stop Writing To File"));
    QCOMPARE(h.files.calls.size(), 1);
    QCOMPARE(h.files.calls[0].initialDir, dir_->path());
    QCOMPARE(h.files.calls[0].filter, QString("Text Files (*.sav)"));
    QCOMPARE(h.files.calls[0].title, QString("Save Log"));
    QCOMPARE(h.files.calls[0].mode, ChooserMode::Save);
    QCOMPARE(save->text(), QString("Save To File"));
    QVERIFY(!w->isLogging());
    w->SaveCurrentData(h.take(w));
    QVERIFY(QDir(dir_->path()).isEmpty());
    QVERIFY(h.statusLines.isEmpty());

    QPointer<SaveWindow> alive(w);
    h.button(w, "cmdCancel")->click();
    QVERIFY(h.prompts.questions.isEmpty());
    QCOMPARE(h.state.LoggingA, False);
    QTRY_VERIFY(!alive);
}

void TestSaveWindow::startLogsEveryTickUntilStopped()
{
    Harness h(dir_->path());
    SaveWindow* w = h.open(Chip::A);
    const QString path = pathIn("typed-name"); // used as typed: no extension added
    h.start(w, path);
    QCOMPARE(h.button(w, "cmdSave")->text(), QString("Stop Writing To File"));
    QVERIFY(w->isLogging());
    const QByteArray header = h.header(Chip::A, kColumnsA);
    QCOMPARE(readFile(path), header);

    auto* progress = w->findChild<QWidget*>("logProgress");
    auto* file = w->findChild<QLabel*>("lblLogFile");
    auto* count = w->findChild<QLabel*>("lblLogCount");
    QVERIFY(progress->isVisible());
    QCOMPARE(file->toolTip(), path);
    QVERIFY(file->text().startsWith("Writing to ") && file->text().endsWith("typed-name"));
    QCOMPARE(count->text(), QString("0 records in 0:00:00"));

    w->SaveCurrentData(h.take(w));
    h.chips[kAddressA].intTemp = 65472; // -1 degree
    h.clock.time += std::chrono::seconds(3723);
    w->SaveCurrentData(h.take(w));
    QCOMPARE(readFile(path), header + kRecordA + "-1, 31.5,\r\n");
    QCOMPARE(count->text(), QString("2 records in 1:02:03"));
    // Setting the wall clock back (or forward) does not change how long the log has run.
    for (int minutes : {-10, 20}) {
        h.clock.stepWall(std::chrono::minutes(minutes));
        w->SaveCurrentData(h.take(w));
    }
    QCOMPARE(count->text(), QString("4 records in 1:02:03"));
    // The window keeps its size: a long path is elided in the middle, not given more room.
    const QSize size = w->size();
    h.button(w, "cmdSave")->click();
    // Stopped, it says what the file holds until the next start.
    QVERIFY(progress->isVisible());
    QCOMPARE(file->accessibleDescription(), "4 records written to " + path + " in 1:02:03");
    h.start(w, pathIn(QString(200, QChar('x')) + ".sav"));
    QCOMPARE(w->size(), size);
    QVERIFY(file->text().contains(QChar(0x2026)) && file->text().endsWith(".sav"));

    h.button(w, "cmdSave")->click();
    QCOMPARE(h.button(w, "cmdSave")->text(), QString("Save To File"));
    QVERIFY(!w->isLogging());
    QVERIFY(file->text().startsWith("0 records written to ") && file->text().endsWith(" 0:00:00"));
    const std::size_t before = h.board.requests.size();
    w->SaveCurrentData(h.take(w));
    QVERIFY(h.board.requests.size() > before); // still reads
    QCOMPARE(readFile(path), header + kRecordA + QByteArray("-1, 31.5,\r\n").repeated(3));
    QVERIFY(!QFile::exists(path + ".sav"));
}

void TestSaveWindow::countDrawsAsAPlainLabel_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("first") << QStringLiteral("0 records in 0:00:00") << true;
    QTest::newRow("one") << QStringLiteral("1 record in 0:00:01") << true;
    QTest::newRow("long run") << QStringLiteral("123456789 records in 342:56:07") << true;
    QTest::newRow("needs shaping") << QStringLiteral("Записи: 12") << true;
    QTest::newRow("disabled") << QStringLiteral("12 records in 0:00:03") << false;
}

// The count is drawn from its own cached layout; it must look exactly as a label would draw it.
void TestSaveWindow::countDrawsAsAPlainLabel()
{
    QFETCH(QString, text);
    QFETCH(bool, enabled);
    Harness h(dir_->path());
    SaveWindow* w = h.open(Chip::A);
    h.start(w, pathIn("count-look"));
    auto* count = w->findChild<QLabel*>("lblLogCount");
    count->setText(text);
    count->setEnabled(enabled);

    QLabel plain(text);
    plain.setFont(count->font());
    plain.setPalette(count->palette());
    plain.setAutoFillBackground(true);
    plain.setEnabled(enabled);
    plain.resize(count->size());
    QCOMPARE(count->grab().toImage(), plain.grab().toImage());
}

void TestSaveWindow::optionsAreReadOnEveryRecord()
{
    Harness h(dir_->path());
    SaveWindow* w = h.open(Chip::B);
    const QString path = pathIn("options.sav");
    h.box(w, "chkVcc")->setChecked(false);
    h.start(w, path);
    w->SaveCurrentData(h.take(w));
    h.box(w, "chkExternalOffset")->setChecked(true);
    h.box(w, "chkInternal")->setChecked(false);
    h.box(w, "chk12V")->setChecked(false);
    h.box(w, "chkVcc")->setChecked(true);
    w->SaveCurrentData(h.take(w));
    QCOMPARE(readFile(path), h.header(Chip::B, "Internal,External,,12V,5V,2.5V,Vccp,") +
                                 " 25,-3.5,,  12.1,  5.02,  2.5,  1.2\r\n"
                                 ",-3.5,-5,,  5.02,  3.3,  2.5,  1.2\r\n");
}

void TestSaveWindow::restartAsksAgainAndCancelNeverReusesThePath()
{
    Harness h(dir_->path());
    SaveWindow* w = h.open(Chip::A);
    const QString first = pathIn("first.sav");
    h.start(w, first);
    w->SaveCurrentData(h.take(w));
    h.button(w, "cmdSave")->click(); // stop
    h.button(w, "cmdSave")->click(); // start again, and cancel
    QCOMPARE(h.files.calls.size(), 2);
    QVERIFY(!w->isLogging());
    w->SaveCurrentData(h.take(w));
    QCOMPARE(readFile(first), h.header(Chip::A, kColumnsA) + kRecordA);

    const QString second = pathIn("second.sav");
    h.box(w, "chkExternal")->setChecked(false);
    h.start(w, second);
    w->SaveCurrentData(h.take(w));
    QCOMPARE(readFile(second), h.header(Chip::A, "Internal,") + " 25.25,\r\n");
    QCOMPARE(readFile(first), h.header(Chip::A, kColumnsA) + kRecordA);
}

void TestSaveWindow::bothWindowsLogAtOnce()
{
    Harness h(dir_->path());
    SaveWindow* a = h.open(Chip::A);
    SaveWindow* b = h.open(Chip::B);
    h.start(a, pathIn("a.sav"));
    h.start(b, pathIn("b.sav"));
    for (int tick = 0; tick < 3; ++tick) {
        a->SaveCurrentData(h.take(a));
        b->SaveCurrentData(h.take(b));
    }
    QCOMPARE(readFile(pathIn("a.sav")), h.header(Chip::A, kColumnsA) + kRecordA.repeated(3));
    QCOMPARE(readFile(pathIn("b.sav")), h.header(Chip::B, kColumnsB) + kRecordB.repeated(3));
}

void TestSaveWindow::sameFileForBothWindowsIsRefused()
{
    Harness h(dir_->path());
    SaveWindow* a = h.open(Chip::A);
    SaveWindow* b = h.open(Chip::B);
    const QString path = pathIn("shared.sav");
    h.start(a, path);
    a->SaveCurrentData(h.take(a));
    h.start(b, QDir(dir_->path()).filePath("./shared.sav"));
    QCOMPARE(h.button(b, "cmdSave")->text(), QString("Save To File"));
    QVERIFY(!b->isLogging());
    QCOMPARE(h.statusLines.size(), 1);
    QVERIFY(h.statusLines[0].contains("shared.sav"));
    QVERIFY(h.prompts.messages.isEmpty());
    b->SaveCurrentData(h.take(b));
    a->SaveCurrentData(h.take(a));
    QCOMPARE(readFile(path), h.header(Chip::A, kColumnsA) + kRecordA.repeated(2));
    QVERIFY(a->isLogging());
}

void TestSaveWindow::unopenableFileIsShownInTheWindow()
{
    Harness h(dir_->path());
    SaveWindow* w = h.open(Chip::A);
    const QString path = pathIn("missing-folder/log.sav");
    h.start(w, path);
    QCOMPARE(h.button(w, "cmdSave")->text(), QString("Save To File"));
    const QString told = "Logging not started: " + path + ": No such file or directory";
    QCOMPARE(h.statusLines, QStringList{told});
    QVERIFY(w->findChild<QLabel*>("lblLogStatus")->isVisible());
    QCOMPARE(w->findChild<QLabel*>("lblLogStatus")->text(), told);
    QVERIFY(h.prompts.messages.isEmpty());
    QVERIFY(h.prompts.questions.isEmpty());
}

// Installed, the program's folder is not the user's to write to: the chooser starts where the
// last log went, or at home.
void TestSaveWindow::chooserStartsWhereTheUserMayWrite()
{
    Harness h(pathIn("not-there"));
    SaveWindow* w = h.open(Chip::A);
    h.button(w, "cmdSave")->click(); // cancelled
    h.start(w, pathIn("a.sav"));
    h.button(w, "cmdSave")->click(); // stop
    h.button(h.open(Chip::B), "cmdSave")->click();
    QCOMPARE(h.files.calls.size(), 3);
    QCOMPARE(h.files.calls[0].initialDir, QDir::homePath());
    QCOMPARE(h.files.calls[2].initialDir, dir_->path());
}

void TestSaveWindow::closeAnsweredYesEndsTheLog()
{
    Harness h(dir_->path());
    SaveWindow* w = h.open(Chip::A);
    QPointer<SaveWindow> alive(w);
    const QString path = pathIn("yes.sav");
    h.start(w, path);
    w->SaveCurrentData(h.take(w));
    h.prompts.answers = {true};
    h.button(w, "cmdCancel")->click();
    QCOMPARE(h.prompts.questions,
             QStringList{"If you close this window then writing data to file will stop. Are you "
                         "sure you want to exit?"});
    QCOMPARE(h.state.LoggingA, False);
    QTRY_VERIFY(!alive);
    QCOMPARE(readFile(path), h.header(Chip::A, kColumnsA) + kRecordA);
    // The file is free again: another log may take it.
    SaveWindow* again = h.open(Chip::B);
    h.start(again, path);
    QVERIFY(again->isLogging());
}

void TestSaveWindow::closeAnsweredNoKeepsLoggingAndWritesOnce()
{
    Harness h(dir_->path());
    SaveWindow* w = h.open(Chip::B);
    const QString path = pathIn("no.sav");
    h.start(w, path);
    h.prompts.answers = {false};
    closeChildWindow(w); // the close box
    h.settle();
    QCOMPARE(h.prompts.questions.size(), 1);
    QVERIFY(childFrame(w)->isVisible());
    QCOMPARE(h.state.LoggingB, True);
    QVERIFY(w->isLogging());
    QCOMPARE(readFile(path), h.header(Chip::B, kColumnsB) + kRecordB);
    w->SaveCurrentData(h.take(w));
    QCOMPARE(readFile(path), h.header(Chip::B, kColumnsB) + kRecordB.repeated(2));
}

void TestSaveWindow::tickDuringTheQuestionWritesOnlyWhileLogging()
{
    Harness h(dir_->path());
    SaveWindow* w = h.open(Chip::A);
    const QString path = pathIn("question.sav");
    h.start(w, path);
    h.prompts.onQuestion = [&] { w->SaveCurrentData(h.take(w)); };
    h.prompts.answers = {false, true};
    closeChildWindow(w);
    h.settle();
    // One record from the tick while the question was open, one for the No.
    QCOMPARE(readFile(path), h.header(Chip::A, kColumnsA) + kRecordA.repeated(2));
    closeChildWindow(w);
    h.settle();
    QCOMPARE(readFile(path), h.header(Chip::A, kColumnsA) + kRecordA.repeated(3));
}

void TestSaveWindow::whileTheDialogIsOpen()
{
    Harness h(dir_->path());
    SaveWindow* w = h.open(Chip::A);
    QPointer<SaveWindow> alive(w);
    const QString path = pathIn("dialog.sav");
    std::size_t requestsBefore = 0;
    h.files.onChoose = [&] {
        // A tick reads but writes nothing; a close waits for the dialog to return.
        requestsBefore = h.board.requests.size();
        w->SaveCurrentData(h.take(w));
        closeChildWindow(w);
    };
    h.start(w, path);
    QVERIFY(h.board.requests.size() > requestsBefore);
    QVERIFY(h.prompts.questions.isEmpty());
    QCoreApplication::processEvents();
    QVERIFY(alive);
    QVERIFY(w->isLogging());
    QCOMPARE(h.state.LoggingA, True);
    QCOMPARE(readFile(path), h.header(Chip::A, kColumnsA));
}

void TestSaveWindow::closingTheMainWindowAsksEveryLogFirst_data()
{
    QTest::addColumn<QList<bool>>("answers"); // to A's question, then to B's
    QTest::addColumn<QStringList>("asked");   // the window in front at each question
    QTest::addColumn<bool>("closed");
    QTest::newRow("both Yes") << QList<bool>{true, true} << QStringList{"frmSaveA", "frmSaveB"}
                              << true;
    QTest::newRow("A says No") << QList<bool>{false} << QStringList{"frmSaveA"} << false;
    QTest::newRow("B says No") << QList<bool>{true, false} << QStringList{"frmSaveA", "frmSaveB"}
                               << false;
}

void TestSaveWindow::closingTheMainWindowAsksEveryLogFirst()
{
    QFETCH(QList<bool>, answers);
    QFETCH(QStringList, asked);
    QFETCH(bool, closed);
    DeviceState state;
    RecordingBoard board;
    std::map<int, ChipRegisters> chips{{kAddressA, {1616, 2016, 0, {}}},
                                       {kAddressB, {1600, 65312, 65216, {}}}};
    answerFrom(board, chips);
    FakePrompts prompts;
    FakeFileChooser files;
    FakeUrlOpener urls;
    FakeClock clock;
    MainWindow main({state, board, prompts, files, urls, clock, dir_->path()});
    state.AddressA = kAddressA;
    state.AddressB = kAddressB;
    main.show();
    main.mSaveA_Click();
    main.mSaveB_Click();
    files.paths = {pathIn("a.sav"), pathIn("b.sav")};
    Harness::button(main.saveWindow(Chip::A), "cmdSave")->click();
    Harness::button(main.saveWindow(Chip::B), "cmdSave")->click();
    main.mTempGraphA_Click(); // in front, and its history must outlive a cancelled close
    main.mSetB_Click();
    main.Timer1_Timer();
    QVERIFY(waitForBoard(main));
    const QPointer<QWidget> graph(main.tempGraphWindow(Chip::A));

    QStringList inFront;
    prompts.onQuestion = [&] {
        inFront << main.mdiArea()->activeSubWindow()->widget()->objectName();
    };
    prompts.answers = std::deque<bool>(answers.cbegin(), answers.cend());
    QCOMPARE(main.close(), closed);
    QVERIFY(waitForBoard(main));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(inFront, asked);
    const QByteArray a = readFile(pathIn("a.sav"));
    const QByteArray b = readFile(pathIn("b.sav"));
    if (closed) {
        QCOMPARE(state.LoggingA, False);
        QCOMPARE(state.LoggingB, False);
        QCOMPARE(prompts.questions.size(), 2); // each log asked once, not again while closing
        return;
    }
    // Nothing closed: every child, the graph included, and both logs go on.
    QCOMPARE(main.mdiArea()->subWindowList().size(), 4);
    QVERIFY(graph && graph->isVisible() && main.settingsWindow(Chip::B));
    QVERIFY(main.saveWindow(Chip::A)->isLogging() && main.saveWindow(Chip::B)->isLogging());
    // The window that said No wrote its extra record at once; the other only the tick's.
    const bool aSaidNo = !answers.at(0);
    QCOMPARE(a.count(kRecordA), aSaidNo ? 2 : 1);
    QCOMPARE(b.count("\r\n") - 3, aSaidNo ? 1 : 2);
    // An earlier Yes is no standing permission: closing that window alone asks again.
    prompts.questions.clear();
    prompts.answers = {false};
    main.saveWindow(Chip::A)->parentWidget()->close();
    QCOMPARE(prompts.questions.size(), 1);
    QVERIFY(main.saveWindow(Chip::A));
}

void TestSaveWindow::failedWriteStopsOnlyThatLog()
{
    Harness h(dir_->path());
    SaveWindow* a = h.open(Chip::A);
    SaveWindow* b = h.open(Chip::B);
    for (const char* rail : {"chk12V", "chk5V", "chkVcc", "chk2V", "chkVccp"})
        h.box(b, rail)->setChecked(false);
    h.box(b, "chkInternal")->setChecked(false);
    h.box(b, "chkExternal")->setChecked(false);
    const QString pathA = pathIn("a.sav");
    const QString pathB = pathIn("b.sav");
    h.start(a, pathA);
    h.start(b, pathB); // records of one comma: far below the limit set below
    a->SaveCurrentData(h.take(a));
    b->SaveCurrentData(h.take(b));

    // A real fault: the process's file-size limit ends inside A's next record. Nothing else is
    // written to a file while it holds: the records come a tick apart, so the events files (far
    // above the limit) want no time anchor.
    rlimit saved{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const QByteArray written = readFile(pathA);
    rlimit limit = saved;
    limit.rlim_cur = static_cast<rlim_t>(written.size() + kRecordA.size() + 5);
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &limit), 0);
    h.clock.time += std::chrono::milliseconds(kTickIntervalMs);
    a->SaveCurrentData(h.take(a)); // fits
    b->SaveCurrentData(h.take(b));
    h.clock.time += std::chrono::milliseconds(kTickIntervalMs);
    a->SaveCurrentData(h.take(a)); // fails part-way
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &saved), 0);

    QCOMPARE(readFile(pathA), written + kRecordA);
    QVERIFY(!a->isLogging());
    QCOMPARE(h.button(a, "cmdSave")->text(), QString("Save To File"));
    const QString told = "Logging to " + pathA + " stopped. Writing failed: File too large. The " +
                         "file keeps every record written before.";
    QCOMPARE(h.statusLines, QStringList{told});
    QLabel* label = a->findChild<QLabel*>("lblLogStatus");
    QVERIFY(label->isVisible());
    QCOMPARE(label->text(), told);
    QVERIFY(h.prompts.messages.isEmpty());

    // Told once; the chip is still read; the other log goes on.
    const std::size_t before = h.board.requests.size();
    a->SaveCurrentData(h.take(a));
    b->SaveCurrentData(h.take(b));
    QVERIFY(h.board.requests.size() > before);
    QCOMPARE(h.statusLines.size(), 1);
    QCOMPARE(readFile(pathA), written + kRecordA);
    QCOMPARE(readFile(pathB), h.header(Chip::B, ",") + QByteArray(",\r\n").repeated(3));
    QVERIFY(b->isLogging());

    // A new start clears the notice.
    h.start(a, pathIn("a2.sav"));
    QVERIFY(!label->isVisible());
}

// The folder of a running log is deleted: the window notices within a few ticks (the commit
// after a record checks the name), stops that log, tells the user once, and reads on.
void TestSaveWindow::deletedFolderStopsTheLogAndTellsOnce()
{
    Harness h(dir_->path());
    SaveWindow* a = h.open(Chip::A);
    const QString folder = pathIn("removable");
    QVERIFY(QDir().mkpath(folder));
    const QString path = folder + "/a.sav";
    h.start(a, path);
    a->SaveCurrentData(h.take(a));
    QVERIFY(QDir(folder).removeRecursively());

    int ticks = 0;
    for (; a->isLogging() && ticks < 500; ++ticks) {
        a->SaveCurrentData(h.take(a));
        QTest::qWait(10);
    }
    QVERIFY2(!a->isLogging(), "the log went on into a deleted folder");
    QCOMPARE(h.button(a, "cmdSave")->text(), QString("Save To File"));
    const QString told = "Logging to " + path +
                         " stopped. The file is no longer there (deleted, or its folder or medium "
                         "removed).";
    QCOMPARE(h.statusLines, QStringList{told});
    QCOMPARE(a->findChild<QLabel*>("lblLogStatus")->text(), told);
    QVERIFY(h.prompts.messages.isEmpty());
    const std::size_t before = h.board.requests.size();
    a->SaveCurrentData(h.take(a));
    QVERIFY(h.board.requests.size() > before);
    QCOMPARE(h.statusLines.size(), 1);
}

void TestSaveWindow::lostBoardStopsTheLogs()
{
    DeviceState state;
    RecordingBoard board;
    std::map<int, ChipRegisters> chips{{kAddressA, {1616, 2016, 0, {}}},
                                       {kAddressB, {1600, 65312, 65216, {}}}};
    answerFrom(board, chips);
    FakePrompts prompts;
    FakeFileChooser files;
    FakeUrlOpener urls;
    FakeClock clock;
    MainWindow main({state, board, prompts, files, urls, clock, dir_->path()});
    state.AddressA = kAddressA;
    state.AddressB = kAddressB;
    main.mSaveA_Click();
    main.mSaveB_Click();
    SaveWindow* a = main.saveWindow(Chip::A);
    SaveWindow* b = main.saveWindow(Chip::B);
    files.paths = {pathIn("a.sav"), pathIn("b.sav")};
    Harness::button(a, "cmdSave")->click();
    Harness::button(b, "cmdSave")->click();
    main.Timer1_Timer();
    QVERIFY(waitForBoard(main));
    const QByteArray keptA = readFile(pathIn("a.sav"));
    const QByteArray keptB = readFile(pathIn("b.sav"));

    // Lost in the middle of chip A's reads: nothing of that tick may reach a file.
    board.loseAfterRequests = static_cast<int>(board.requests.size()) + 3;
    board.reason = "unplugged";
    main.Timer1_Timer();
    main.Timer1_Timer();
    QVERIFY(waitForBoard(main));

    QCOMPARE(readFile(pathIn("a.sav")), keptA);
    QCOMPARE(readFile(pathIn("b.sav")), keptB);
    QVERIFY(!a->isLogging());
    QVERIFY(!b->isLogging());
    QCOMPARE(Harness::button(a, "cmdSave")->text(), QString("Save To File"));
    QVERIFY(a->findChild<QLabel*>("lblLogStatus")->text().contains("unplugged"));
    QVERIFY(b->findChild<QLabel*>("lblLogStatus")->text().contains(pathIn("b.sav")));
    QVERIFY(prompts.messages.isEmpty());
}

void TestSaveWindow::logsStoppingInOneTickAreAllTold()
{
    // Both files deleted between two ticks: each log stops at its next record, in the same tick,
    // and the status bar names both, not only the last.
    MainWindowBench b(MainWindowBench::Start::Loaded, dir_->path());
    std::map<int, ChipRegisters> chips{{kAddressA, {1616, 2016, 0, {}}},
                                       {kAddressB, {1600, 65312, 65216, {}}}};
    answerFrom(b.board, chips);
    b.trigger("mSaveA");
    b.trigger("mSaveB");
    b.files.paths = {pathIn("a.sav"), pathIn("b.sav")};
    Harness::button(b.main->saveWindow(Chip::A), "cmdSave")->click();
    Harness::button(b.main->saveWindow(Chip::B), "cmdSave")->click();
    b.tick();
    QVERIFY(QFile::remove(pathIn("a.sav")) && QFile::remove(pathIn("b.sav")));
    b.tick();
    QVERIFY(!b.main->saveWindow(Chip::A)->isLogging() && !b.main->saveWindow(Chip::B)->isLogging());
    const QString said = b.main->statusMessage();
    QVERIFY2(said.contains(pathIn("a.sav")) && said.contains(pathIn("b.sav")), qPrintable(said));
}

void TestSaveWindow::failedReadWritesNoRecordAndLoggingGoesOn()
{
    Harness h(dir_->path());
    SaveWindow* w = h.open(Chip::A);
    const QString path = pathIn("failed-read.sav");
    h.start(w, path);
    w->SaveCurrentData(h.take(w));

    // A timed-out read leaves the request frame in the buffer: that is no reading.
    h.board.requestResult = -7;
    QVERIFY_THROWS_EXCEPTION(FailedReadError, w->SaveCurrentData(h.take(w)));
    h.board.requestResult = 64;
    w->SaveCurrentData(h.take(w));

    QCOMPARE(readFile(path), h.header(Chip::A, kColumnsA) + kRecordA + kRecordA);
    QVERIFY(w->isLogging());
}

void TestSaveWindow::noStartOnALostBoard()
{
    Harness h(dir_->path());
    SaveWindow* w = h.open(Chip::A);
    h.board.lost = true;
    h.board.reason = "unplugged";
    h.settle();
    h.start(w, pathIn("never.sav"));
    QVERIFY(h.files.calls.isEmpty());
    QVERIFY(!w->isLogging());
    QCOMPARE(h.button(w, "cmdSave")->text(), QString("Save To File"));
    QCOMPARE(h.statusLines,
             QStringList{"Logging not started. The evaluation board was lost: unplugged"});
    w->boardLost("The evaluation board was lost: unplugged"); // not logging: nothing to tell
    QCOMPARE(h.statusLines.size(), 1);
    QVERIFY(!QFile::exists(pathIn("never.sav")));

    // Lost while the dialog was open.
    h.board.lost = false;
    h.settle();
    h.files.onChoose = [&] {
        h.board.lost = true;
        h.settle();
    };
    h.start(w, pathIn("never.sav"));
    QVERIFY(!w->isLogging());
    QCOMPARE(h.button(w, "cmdSave")->text(), QString("Save To File"));
    QCOMPARE(h.statusLines.size(), 2);
    QVERIFY(!QFile::exists(pathIn("never.sav")));
}

// Options ticked and cleared part-way, a gap and a stop: the events file line by line, then the
// log read back with every value in its own column.
void TestSaveWindow::eventsFileFollowsTheLogAndItsOptions()
{
    Harness h(dir_->path());
    SaveWindow* w = h.open(Chip::B);
    const QString path = pathIn("options.sav");
    QFile earlier(path + ".events"); // an earlier log's, replaced
    QVERIFY(earlier.open(QIODevice::WriteOnly) && earlier.write("{\"kind\":\"start\"}\n") > 0);
    earlier.close();
    h.start(w, path);
    const auto record = [&](int ms) {
        h.clock.time += std::chrono::milliseconds(ms);
        w->SaveCurrentData(h.take(w));
    };
    record(250);
    record(250);
    h.box(w, "chkExternalOffset")->setChecked(true);
    record(250);
    h.box(w, "chkInternal")->setChecked(false);
    h.box(w, "chkVcc")->setChecked(false);
    record(250);
    record(2000); // two seconds without a record: the board was slow
    h.box(w, "chk12V")->setChecked(false);
    h.box(w, "chk12V")->setChecked(true); // the same columns again: no options line
    record(250);
    h.button(w, "cmdSave")->click();

    const logging::DateTimeText started =
        logging::regionalDateTime(h.clock.time - std::chrono::milliseconds(3250));
    const QString all = R"("Internal","External","External Offset","12V","5V","Vcc","2.5V","Vccp")";
    const QStringList expected{
        QString(R"({"format":1,"kind":"start","lines":["ZR410B","Date:,%1,Time:,%2",)"
                R"("Internal,External,,12V,5V,Vcc,2.5V,Vccp,"],"columns":["Internal","External",)"
                R"("12V","5V","Vcc","2.5V","Vccp"],"time":"2026-11-30T00:53:20.000Z",)"
                R"("intervalMs":250,"chip":"ZR410B","address":76,"board":"","port":"",)"
                R"("version":"%3"})")
            .arg(QString::fromStdString(started.date), QString::fromStdString(started.time),
                 version::text),
        R"({"kind":"marker","record":0,"text":"Log started","event":"log-start"})",
        R"({"kind":"anchor","record":0,"time":"2026-11-30T00:53:20.250Z"})",
        R"({"kind":"marker","record":2,"text":"External Offset ticked","event":"option"})",
        R"({"kind":"options","record":2,"columns":[)" + all + "]}",
        R"({"kind":"marker","record":3,"text":"Internal cleared","event":"option"})",
        R"({"kind":"marker","record":3,"text":"Vcc cleared","event":"option"})",
        R"({"kind":"options","record":3,"columns":["External","External Offset","12V","5V",)"
        R"("2.5V","Vccp"]})",
        R"({"kind":"anchor","record":4,"time":"2026-11-30T00:53:23.000Z"})",
        R"({"kind":"marker","record":5,"text":"12V cleared","event":"option"})",
        R"({"kind":"marker","record":5,"text":"12V ticked","event":"option"})",
        R"({"kind":"marker","record":6,"text":"Log stopped","event":"log-stop"})",
        R"({"kind":"stop","record":6,"time":"2026-11-30T00:53:23.250Z"})",
    };
    const QByteArray events = readFile(path + ".events");
    QVERIFY(events.endsWith('\n'));
    QCOMPARE(QString::fromUtf8(events).split('\n', Qt::SkipEmptyParts), expected);

    const logging::LogWithEvents read =
        logging::readLogWithEvents(path.toStdString(), logging::SavMode::Strict);
    QVERIFY(read.events && read.log.records == 6 && read.events->markers.size() == 7);
    // A kind from a later version and a line past the log's end are passed over; another log of
    // that name (started a second later) does not take these events.
    const QByteArray sav = readFile(path);
    const auto later =
        logging::readEvents((events + R"({"kind":"range","record":1})" + "\n" +
                             R"({"kind":"marker","record":9,"text":"x","event":"note"})" + "\n")
                                .toStdString(),
                            sav.toStdString());
    QVERIFY(later && later->markers.size() == 8);
    logging::EventsLog dropped = *later;
    logging::dropPast(dropped, read.log.records);
    QCOMPARE(dropped.markers.size(), std::size_t{7});
    QByteArray restarted = sav;
    restarted.replace(
        started.time.c_str(),
        logging::regionalDateTime(h.clock.time + std::chrono::seconds(1)).time.c_str());
    QVERIFY(!logging::readEvents(events.toStdString(), restarted.toStdString()));
    QStringList columns;
    for (const logging::SavColumn& c : read.log.columns) {
        QString text = QString::fromStdString(c.name) + ":";
        for (std::size_t i = 0; i < c.records.size(); ++i)
            text +=
                QString(" %1=%2").arg(c.records[i]).arg(c.whole ? double(c.wholes[i]) : c.reals[i]);
        columns << text;
    }
    QCOMPARE(columns,
             QStringList({"Internal: 0=25 1=25 2=25",
                          "External: 0=-3.5 1=-3.5 2=-3.5 3=-3.5 4=-3.5 5=-3.5",
                          "External Offset: 2=-5 3=-5 4=-5 5=-5",
                          "12V: 0=12.1 1=12.1 2=12.1 3=12.1 4=12.1 5=12.1",
                          "5V: 0=5.02 1=5.02 2=5.02 3=5.02 4=5.02 5=5.02", "Vcc: 0=3.3 1=3.3 2=3.3",
                          "2.5V: 0=2.5 1=2.5 2=2.5 3=2.5 4=2.5 5=2.5",
                          "Vccp: 0=1.2 1=1.2 2=1.2 3=1.2 4=1.2 5=1.2"}));
}

void TestSaveWindow::eventsFileFailureLeavesTheLogWhole_data()
{
    QTest::addColumn<bool>("deleted");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<int>("linesKept"); // -1: no file
    QTest::newRow("deleted") << true
                             << "The file is no longer there (deleted, or its folder or medium "
                                "removed)"
                             << -1;
    // A real write failure: the process's file-size limit falls inside the next events line,
    // while the log itself stays far below it.
    QTest::newRow("file size limit") << false << "File too large" << 3;
}

void TestSaveWindow::eventsFileFailureLeavesTheLogWhole()
{
    QFETCH(bool, deleted);
    QFETCH(QString, reason);
    QFETCH(int, linesKept);
    Harness h(dir_->path());
    SaveWindow* w = h.open(Chip::A);
    const QString path = pathIn("a.sav");
    const QString events = path + ".events";
    h.start(w, path);
    const QByteArray header = h.header(Chip::A, kColumnsA);
    w->SaveCurrentData(h.take(w));

    rlimit saved{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    if (deleted) {
        QVERIFY(QFile::remove(events));
    } else {
        rlimit limit = saved;
        limit.rlim_cur = static_cast<rlim_t>(readFile(events).size() + 8);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &limit), 0);
    }
    for (int i = 0; i < 3; ++i) { // a minute apart: each record wants a time anchor
        h.clock.time += std::chrono::seconds(61);
        w->SaveCurrentData(h.take(w));
    }
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &saved), 0);
    h.button(w, "cmdSave")->click();

    QCOMPARE(readFile(path), header + kRecordA.repeated(4));
    QCOMPARE(h.statusLines, QStringList{"The events file " + events + " is not written: " + reason +
                                        ". The log goes on without it."});
    const QByteArray kept = readFile(events);
    if (linesKept < 0) {
        QVERIFY(!QFile::exists(events));
    } else { // whole lines only: the failed one was taken out again
        QCOMPARE(kept.count('\n'), linesKept);
        QVERIFY(kept.endsWith('\n'));
    }
}

QTEST_MAIN(TestSaveWindow)
#include "test_save_window.moc"
