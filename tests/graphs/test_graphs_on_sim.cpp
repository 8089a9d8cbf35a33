// SPDX-License-Identifier: MIT
// All three graph windows plotting live on the simulated board with fixed readings, opened from
// the menus and fed by the main window's timer.

#include "board/sim/simulated_board.h"
#include "graphs/temp_graph_window.h"
#include "graphs/volt_graph_window.h"
#include "shell/main_window.h"
#include "support/board_wait.h"
#include "support/fake_services.h"

#include <QAction>
#include <QTest>

using namespace zr;

class GraphsOnSimTest : public QObject {
    Q_OBJECT
private slots:
    void plotsLiveFromTheMenus();
};

void GraphsOnSimTest::plotsLiveFromTheMenus()
{
    sim::ChipConfig a;
    a.address = 72;
    a.kind = zr::Chip::A;
    a.tempRaw = std::array<std::uint16_t, 2>{1584, 2000}; // 24.75, 31.25 degrees
    sim::ChipConfig b;
    b.address = 76;
    b.kind = zr::Chip::B;
    b.tempRaw = std::array<std::uint16_t, 2>{65184, 2576};                   // -5.5, 40.25 degrees
    b.voltRaw = std::array<std::uint16_t, 5>{12339, 5140, 3389, 2550, 1229}; // 12.05 .. 1.2 V
    sim::Scenario scenario;
    scenario.chips = {a, b};
    sim::SimulatedBoard board(scenario);

    DeviceState state;
    test::FakePrompts prompts;
    test::FakeFileChooser files;
    test::FakeUrlOpener urls;
    test::FakeClock clock;
    MainWindow main({state, board, prompts, files, urls, clock, ZR_FIRMWARE_FOLDER});
    QVERIFY(main.MDIForm_Load());
    main.boardWorker().stopTimer();
    main.show();
    for (const char* item : {"mTempGraphA", "mTempGraphB", "mVoltGraphB"})
        main.findChild<QAction*>(item)->trigger();
    for (int i = 0; i < 4; ++i) {
        clock.time += std::chrono::milliseconds(250);
        main.Timer1_Timer();
        QVERIFY(test::waitForBoard(main));
    }
    QVERIFY(!main.boardIsLost());

    chart::StripChart& tempA = main.tempGraphWindow(Chip::A)->chart();
    chart::StripChart& tempB = main.tempGraphWindow(Chip::B)->chart();
    chart::StripChart& volt = main.voltGraphWindow()->chart();
    QCOMPARE(tempA.label(0).text, QStringLiteral("Internal: 24.75°C"));
    QCOMPARE(tempA.label(1).text, QStringLiteral("External: 31.25°C"));
    QCOMPARE(tempA.axisMin(), 15.0);
    QCOMPARE(tempA.axisMax(), 41.0);
    QCOMPARE(tempB.label(0).text, QStringLiteral("Internal: -5.50°C"));
    QCOMPARE(tempB.label(1).text, QStringLiteral("External: 40.25°C"));
    QCOMPARE(tempB.axisMin(), -16.0); // Low = -6 (halves to even), High = 40
    QCOMPARE(tempB.axisMax(), 50.0);
    QCOMPARE(volt.label(0).text, "12V: 12.05V");
    QCOMPARE(volt.label(2).text, "Vcc: 3.31V");
    QCOMPARE(volt.axisMin(), -1.0);
    QCOMPARE(volt.axisMax(), 16.0);

    const qint64 now =
        std::chrono::duration_cast<std::chrono::milliseconds>(clock.time.time_since_epoch())
            .count();
    for (chart::StripChart* c : {&tempA, &tempB, &volt}) {
        for (int trace = 0; trace < c->traceCount(); ++trace) {
            QCOMPARE(c->traceStore(trace).size(), std::size_t{4});
            QCOMPARE(c->traceStore(trace).lastTime(), now);
        }
        QCOMPARE(c->visibleColumns().lastColumn(), c->visibleColumns().columnOf(now));
        QVERIFY(c->visibleDataCsv().count('\n') == 5);
    }
    QCOMPARE(volt.traceStore(4).value(3), 1.2f);
}

QTEST_MAIN(GraphsOnSimTest)
#include "test_graphs_on_sim.moc"
