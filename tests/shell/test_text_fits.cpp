// SPDX-License-Identifier: MIT
// Every window of the program, in each of its states, with the default font and one two points
// larger: no caption, label, button, check box or frame title may get less room than it needs, and
// a graph at its least width draws nothing over its plot or another label.
// Registered once per scale factor (QT_SCALE_FACTOR 1 and 2). Also where the windows open, on
// small and large screens: each clear of the others, inside the client area, none below the size
// its layout needs.

#include "graphs/strip_chart/strip_chart.h"
#include "graphs/temp_graph_window.h"
#include "graphs/volt_graph_window.h"
#include "logging/save_window.h"
#include "platform/child_window.h"
#include "settings/settings_window.h"
#include "shell/main_window.h"
#include "shell/window_placement.h"
#include "support/board_wait.h"
#include "support/fake_services.h"
#include "support/recording_board.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace zr;
using namespace zr::test;

namespace {

// Chip A at 72, chip B at 76, with the widest readings they can give: -512.98 degrees and 64 V.
RecordingBoard::Reply answer(const std::vector<std::uint8_t>& frame)
{
    RecordingBoard::Reply r{};
    if (frame.at(0) != 72 && frame.at(0) != 76)
        return r;
    const bool scan = frame.at(3) == 247;
    if (scan) {
        r[5] = frame[0] == 72 ? 132 : 133;
        r[16] = frame[0];
        return r;
    }
    for (int i = 1; i < 16; i += 2) {
        r[i] = 0xC1; // 32705 counts: -512.98 degrees as a temperature, 63.9 V as a rail
        r[i + 1] = 0x7F;
    }
    return r;
}

// The name of the child window that holds `w`, or of the main window.
QString windowOf(QWidget* w)
{
    for (QWidget* p = w; p; p = p->parentWidget())
        if (qobject_cast<QMdiSubWindow*>(p->parentWidget()))
            return p->objectName();
    return w->window()->objectName();
}

// Names every control whose text does not get the width (or height) it needs.
QStringList clipped(QWidget* root, const QString& state)
{
    QStringList found;
    const auto check = [&](QWidget* w, QSize need) {
        if (!w->isVisible())
            return;
        // A caption that wraps needs its longest word's width and, at the width it got, the
        // height of all its lines.
        if (w->hasHeightForWidth())
            need.setHeight(w->heightForWidth(w->width()));
        const QString text = w->property(qobject_cast<QGroupBox*>(w) ? "title" : "text").toString();
        if (w->width() < need.width() || w->height() < need.height())
            found << QString("%1 %2/%3 (\"%4\"): %5x%6, needs %7x%8")
                         .arg(state, windowOf(w), w->objectName(), text.left(40))
                         .arg(w->width())
                         .arg(w->height())
                         .arg(need.width())
                         .arg(need.height());
    };
    for (QLabel* label : root->findChildren<QLabel*>()) {
        // Wrapping labels and labels that elide on purpose (with the full text as tooltip) cannot
        // clip.
        if (label->wordWrap() || label->property("elides").toBool() || label->text().isEmpty())
            continue;
        check(label, label->minimumSizeHint());
    }
    for (QAbstractButton* button : root->findChildren<QAbstractButton*>())
        if (!button->text().isEmpty())
            check(button, button->minimumSizeHint());
    for (QGroupBox* frame : root->findChildren<QGroupBox*>())
        check(frame, frame->minimumSizeHint());
    return found;
}

// Names what a chart cuts at its edges or draws over something else: a label over a label or an
// axis label, a legend line or heading over the plot (only the chip's underlined title stands in
// it).
QStringList overlapping(const QString& state, const chart::StripChart& chart)
{
    QStringList found;
    std::vector<std::pair<QString, QRectF>> boxes;
    for (int i = 0; i < chart.labelCount(); ++i) {
        const chart::TextLabel& label = chart.label(i);
        boxes.emplace_back(label.text, chart.labelBox(i));
        if (!label.font.underline() && chart.labelBox(i).intersects(chart.plotRect()))
            found << QString("%1 %2: \"%3\" over the plot")
                         .arg(state, windowOf(chart.parentWidget()), label.text);
    }
    for (const QRectF& box : chart.axisLabelBoxes())
        boxes.emplace_back("axis label", box);
    const QRectF all = QRectF(chart.rect()).adjusted(-0.01, -0.01, 0.01, 0.01);
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        const auto& [text, box] = boxes[i];
        if (!all.contains(box))
            found << QString("%1 %2: \"%3\" at %4,%5 %6x%7 cut at the edge of the %8x%9 chart")
                         .arg(state, windowOf(chart.parentWidget()), text)
                         .arg(box.x())
                         .arg(box.y())
                         .arg(box.width())
                         .arg(box.height())
                         .arg(chart.width())
                         .arg(chart.height());
        for (std::size_t j = i + 1; j < boxes.size(); ++j)
            if (box.intersects(boxes[j].second))
                found << QString("%1 %2: \"%3\" over \"%4\"")
                             .arg(state, windowOf(chart.parentWidget()), text, boxes[j].first);
    }
    return found;
}

// The window the menu item `item` ("mSetA") opens.
QWidget* windowOpenedBy(MainWindow& main, const QString& item)
{
    const Chip chip = item.endsWith('A') ? Chip::A : Chip::B;
    if (item.startsWith("mTempGraph"))
        return main.tempGraphWindow(chip);
    if (item.startsWith("mVoltGraph"))
        return main.voltGraphWindow();
    if (item.startsWith("mSet"))
        return main.settingsWindow(chip);
    return main.saveWindow(chip);
}

// The main window's services, faked, on a board that answers every frame.
struct Desktop {
    QTemporaryDir dir;
    DeviceState state;
    RecordingBoard board;
    FakePrompts prompts;
    FakeFileChooser files;
    FakeUrlOpener urls;
    FakeClock clock;

    Desktop() { board.responder = answer; }
    AppServices services() { return {state, board, prompts, files, urls, clock, dir.path()}; }
};

} // namespace

class TestTextFits : public QObject {
    Q_OBJECT
private slots:
    void everyWindowInEveryState_data()
    {
        QTest::addColumn<int>("extraPoints");
        QTest::newRow("default font") << 0;
        QTest::newRow("font 2 points larger") << 2;
    }

    void everyWindowInEveryState()
    {
        QFETCH(int, extraPoints);
        const QFont original = QApplication::font();
        QFont font = original;
        font.setPointSizeF(original.pointSizeF() + extraPoints);
        QApplication::setFont(font);

        Desktop desktop;
        QTemporaryDir& dir = desktop.dir;
        FakePrompts& prompts = desktop.prompts;
        FakeFileChooser& files = desktop.files;
        {
            MainWindow main(desktop.services());
            main.show();
            QVERIFY(main.MDIForm_Load());
            main.mTempGraphA_Click();
            main.mTempGraphB_Click();
            main.mVoltGraphB_Click();
            main.mSetA_Click();
            main.mSetB_Click();
            main.mSaveA_Click();
            main.mSaveB_Click();
            main.mAbout_Click();
            QApplication::processEvents(); // the layouts settle
            QStringList found = clipped(&main, "opened");

            // Busy: every value shown, both logs running, the graphs fed.
            for (Chip chip : {Chip::A, Chip::B}) {
                SettingsWindow* settings = main.settingsWindow(chip);
                for (QPushButton* b : settings->findChildren<QPushButton*>())
                    if (b->objectName() != "cmdReqSST" && b->objectName() != "cmdClear")
                        b->click();
                files.paths.push_back(dir.filePath(QString("log%1.sav").arg(int(chip))));
                main.saveWindow(chip)->findChild<QPushButton*>("cmdSave")->click();
                QVERIFY(main.saveWindow(chip)->isLogging());
            }
            for (int tick = 0; tick < 3; ++tick)
                main.Timer1_Timer();
            QVERIFY(test::waitForBoard(main));
            QApplication::processEvents();
            found << clipped(&main, "busy");
            // Each graph at its least width: every caption, value and digit still whole, nothing
            // over the newest samples.
            for (auto* chart : main.findChildren<chart::StripChart*>()) {
                QWidget* frame = childFrame(chart->parentWidget());
                frame->resize(frame->minimumSizeHint().width(), frame->height());
            }
            QApplication::processEvents();
            found << clipped(&main, "narrowest");
            for (auto* chart : main.findChildren<chart::StripChart*>())
                found << overlapping("narrowest", *chart);
            QApplication::setFont(original);
            prompts.answers = {true, true};
            if (!found.isEmpty())
                QFAIL(qPrintable(found.join('\n')));
        }
    }

    void childWindowsOpenApartAndFit_data()
    {
        QTest::addColumn<QSize>("screen"); // in device pixels, as the screen's maker gives it
        QTest::newRow("1366x768") << QSize(1366, 768);
        QTest::newRow("1920x1080") << QSize(1920, 1080);
        QTest::newRow("3840x2160") << QSize(3840, 2160);
    }

    void childWindowsOpenApartAndFit()
    {
        QFETCH(QSize, screen);
        Desktop desktop;
        MainWindow main(desktop.services());
        const double scale = main.devicePixelRatioF();
        const QRect available(QPoint(0, 0), screen / scale);
        main.setGeometry(initialMainWindowGeometry(available, QSize(1000, 720)));
        main.show();
        QVERIFY(main.MDIForm_Load());
        QMdiArea* area = main.findChild<QMdiArea*>();
        const QSize view = area->viewport()->size();
        // Every window, then the first three again: they open among the four still there.
        const QStringList items{"mTempGraphA", "mSetA", "mTempGraphB", "mVoltGraphB",
                                "mSaveA",      "mSetB", "mSaveB"};
        for (int i = 0; i < items.size() + 3; ++i) {
            const QString item = items.at(i % items.size());
            if (i >= items.size()) {
                closeChildWindow(windowOpenedBy(main, item));
                QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            }
            main.findChild<QAction*>(item)->trigger();
            QApplication::processEvents();
            QMdiSubWindow* sub = area->activeSubWindow();
            const QSize minimum = sub->minimumSizeHint();
            const QString where = QString("%1 at %2,%3 size %4x%5, minimum %6x%7, in %8x%9")
                                      .arg(item)
                                      .arg(sub->x())
                                      .arg(sub->y())
                                      .arg(sub->width())
                                      .arg(sub->height())
                                      .arg(minimum.width())
                                      .arg(minimum.height())
                                      .arg(view.width())
                                      .arg(view.height());
            // No smaller than its layout needs, no larger than the area along an axis where that
            // fits; along one where it does not, at its minimum from 0, the area scrolls to it.
            const auto sized = [](int pos, int size, int least, int room) {
                return size >= least &&
                       (least <= room ? size <= room && pos >= 0 : size == least && pos == 0);
            };
            QVERIFY2(sized(sub->x(), sub->width(), minimum.width(), view.width()) &&
                         sized(sub->y(), sub->height(), minimum.height(), view.height()),
                     qPrintable(where));
            if (minimum.boundedTo(view) != minimum)
                continue;
            // Where its minimum fits: inside, and where no other window already stands.
            QVERIFY2(QRect(QPoint(0, 0), view).contains(sub->geometry()), qPrintable(where));
            for (QMdiSubWindow* other : area->subWindowList())
                QVERIFY2(other == sub || !other->isVisible() || other->pos() != sub->pos(),
                         qPrintable(where + " on " + other->widget()->objectName()));
        }
    }
};

QTEST_MAIN(TestTextFits)
#include "test_text_fits.moc"
