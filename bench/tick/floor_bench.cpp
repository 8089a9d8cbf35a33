// SPDX-License-Identifier: MIT
// What any tick costs on this machine before the program does anything in it: the same 250 ms
// spacing and the same CPU measure (getrusage) as tick_bench, for three ticks that do nothing of
// the program's own:
//   poll        a bare poll(2) timeout, without Qt: the kernel's wake-up alone
//   qt-timer    a repeating Qt timer in a widgets application with one window shown
//   qt-repaint  the same timer, asking the window for one 10x10 repaint of a plain fill
// tick_bench's figure for the real tick contains the qt-repaint cost at least once.
//
// Usage: floor_bench [--ticks N]
// Prints one line per kind:
//   floor kind=poll|qt-timer|qt-repaint spacing=real ticks=N cpu_ms=X

#include "process_cpu.h"

#include <QApplication>
#include <QPainter>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <cstdio>
#include <poll.h>

namespace {

constexpr int kTickMs = 250;
constexpr int kWarmUpTicks = 4;

void report(const char* kind, int ticks, double cpuMs)
{
    std::printf("floor kind=%s spacing=real ticks=%d cpu_ms=%.3f\n", kind, ticks, cpuMs / ticks);
    std::fflush(stdout);
}

class PlainWindow : public QWidget {
protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(0, 0, 10, 10, palette().window());
    }
};

double pollTicks(int ticks)
{
    for (int i = 0; i < kWarmUpTicks; ++i)
        ::poll(nullptr, 0, kTickMs);
    const double start = processCpuMs();
    for (int i = 0; i < ticks; ++i)
        ::poll(nullptr, 0, kTickMs);
    return processCpuMs() - start;
}

double qtTicks(int ticks, QWidget* repainted)
{
    QEventLoop loop;
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    timer.setInterval(kTickMs);
    int done = 0;
    double start = 0;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (done == kWarmUpTicks)
            start = processCpuMs();
        if (repainted)
            repainted->update(0, 0, 10, 10);
        if (++done == kWarmUpTicks + ticks) {
            timer.stop();
            // The last repaint is posted: let it run before the loop ends.
            QTimer::singleShot(kTickMs / 2, &loop, &QEventLoop::quit);
        }
    });
    timer.start();
    loop.exec();
    // The half tick of waiting for the last repaint costs what an idle wait costs: nothing.
    return processCpuMs() - start;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int ticks = 120;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); i += 2)
        if (args[i] == "--ticks")
            ticks = std::max(1, args[i + 1].toInt());

    PlainWindow window;
    window.resize(400, 300);
    window.show();
    report("poll", ticks, pollTicks(ticks));
    report("qt-timer", ticks, qtTicks(ticks, nullptr));
    report("qt-repaint", ticks, qtTicks(ticks, &window));
    return 0;
}
