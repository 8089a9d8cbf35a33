// SPDX-License-Identifier: MIT
// Every window of the program, in each of its states, with the default font and one two points
// larger: no caption, label, button, check box or frame title may get less room than it needs.
// Registered once per scale factor (QT_SCALE_FACTOR 1 and 2).

#include "logging/save_window.h"
#include "settings/settings_window.h"
#include "shell/main_window.h"
#include "support/board_wait.h"
#include "support/fake_services.h"
#include "support/recording_board.h"

#include <QAbstractButton>
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

        QTemporaryDir dir;
        DeviceState state;
        RecordingBoard board;
        board.responder = answer;
        FakePrompts prompts;
        FakeFileChooser files;
        FakeUrlOpener urls;
        FakeClock clock;
        {
            MainWindow main({state, board, prompts, files, urls, clock, dir.path()});
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
            QApplication::setFont(original);
            prompts.answers = {true, true};
            if (!found.isEmpty())
                QFAIL(qPrintable(found.join('\n')));
        }
    }
};

QTEST_MAIN(TestTextFits)
#include "test_text_fits.moc"
