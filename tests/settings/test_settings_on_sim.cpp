// SPDX-License-Identifier: MIT
// A bench session on the simulated board with fixed readings: both settings windows opened from
// the menus, every button pressed, a raw transaction typed in.

#include "board/sim/simulated_board.h"
#include "settings/settings_window.h"
#include "shell/main_window.h"
#include "support/fake_services.h"
#include "window_controls.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace zr;
using namespace zr::test;

namespace {

QString fcsText(std::vector<std::uint8_t> bytes)
{
    return QString::number(sim::sstFcs(bytes.data(), bytes.size()), 16).toUpper();
}

} // namespace

class TestSettingsOnSim : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void readsEachChipFromItsOwnWindow();
    void writesTheOffsetAndReadsItBack();
    void pingsAndSendsARawTransaction();

private:
    SettingsWindow* open(const char* menuItem, Chip chip);

    DeviceState state;
    std::unique_ptr<sim::SimulatedBoard> board;
    FakePrompts prompts;
    FakeFileChooser files;
    FakeUrlOpener urls;
    FakeClock clock;
    std::unique_ptr<MainWindow> main;
};

void TestSettingsOnSim::init()
{
    state = DeviceState{};
    board = std::make_unique<sim::SimulatedBoard>(
        sim::loadScenarioFile(ZR_SCENARIO_DIR "/fixed-readings.json"));
    main = std::make_unique<MainWindow>(
        AppServices{state, *board, prompts, files, urls, clock, ZR_FIRMWARE_FOLDER});
    QVERIFY(main->MDIForm_Load());
    main->boardWorker().stopTimer();
    main->show();
}

void TestSettingsOnSim::cleanup()
{
    main.reset();
    board.reset();
}

SettingsWindow* TestSettingsOnSim::open(const char* menuItem, Chip chip)
{
    auto* menu = main->findChild<QMenu*>(chip == Chip::A ? "mZR410A" : "mZR410B");
    if (!menu->isEnabled())
        return nullptr;
    main->findChild<QAction*>(menuItem)->trigger();
    return main->settingsWindow(chip);
}

void TestSettingsOnSim::readsEachChipFromItsOwnWindow()
{
    SettingsWindow* a = open("mSetA", Chip::A);
    SettingsWindow* b = open("mSetB", Chip::B);
    QVERIFY(a && b);

    click(a, "cmdGetDIB");
    click(b, "cmdGetDIB");
    click(a, "cmdGetAllTemps");
    click(b, "cmdGetAllTemps");
    QCOMPARE(textOf(a, "lblDIB_3"), "0x84");
    QCOMPARE(textOf(a, "lblDIB_6"), "0x48");
    QCOMPARE(textOf(b, "lblDIB_3"), "0x85");
    QCOMPARE(textOf(b, "lblDIB_6"), "0x4C");
    QCOMPARE(textOf(a, "lblTemp_0"), "25°C");
    QCOMPARE(textOf(a, "lblTemp_1"), "31°C");
    QCOMPARE(textOf(b, "lblTemp_0"), "22.5°C");
    QCOMPARE(textOf(b, "lblTemp_1"), "40.25°C");
    QVERIFY(prompts.messages.isEmpty());
}

void TestSettingsOnSim::writesTheOffsetAndReadsItBack()
{
    SettingsWindow* b = open("mSetB", Chip::B);
    QVERIFY(b);
    click(b, "cmdGetOffset");
    QCOMPARE(textOf(b, "lblOffset"), "0");
    setText(b, "txtOffset", "-5");
    click(b, "cmdSetOffset");
    click(b, "cmdGetOffset");
    QCOMPARE(textOf(b, "lblOffset"), "-5");
    setText(b, "txtOffset", "1000");
    click(b, "cmdSetOffset");
    click(b, "cmdGetOffset");
    QCOMPARE(textOf(b, "lblOffset"), "-24");
}

void TestSettingsOnSim::pingsAndSendsARawTransaction()
{
    SettingsWindow* a = open("mSetA", Chip::A);
    QVERIFY(a);
    click(a, "cmdPing");
    QCOMPARE(textOf(a, "txtFCS"), "0x" + fcsText({72, 0, 0}));

    // The identifier block by hand: write FCS, the 16 DIB bytes, read FCS.
    setText(a, "txtToSend", "F7");
    setText(a, "txtWriteLength", "1");
    setText(a, "txtReadLength", "16");
    click(a, "cmdReqSST");
    const QStringList hex = textOf(a, "lblReceived").split(' ', Qt::SkipEmptyParts);
    QCOMPARE(hex.size(), 18);
    QCOMPARE(hex[0], fcsText({72, 1, 16, 247}));
    QCOMPARE(hex[5], "84");  // device identifier, low byte
    QCOMPARE(hex[16], "48"); // client address

    click(a, "optDec");
    click(a, "cmdReqSST");
    const QString all = textOf(a, "lblReceived");
    QVERIFY(all.endsWith(" 72  " + QString::number(state.XferBuffer[17]) + " "));
}

QTEST_MAIN(TestSettingsOnSim)
#include "test_settings_on_sim.moc"
