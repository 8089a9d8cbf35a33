// SPDX-License-Identifier: MIT
// Figures for the log writer: the cost of one record on the writing thread (format, write) and of
// one polling tick with both save-data windows logging on the simulated board. Prints figures;
// judges nothing.
//
//   build/bench/bench_logging [folder for the log files] [records]

#include "board/sim/simulated_board.h"
#include "logging/log_file.h"
#include "logging/save_window.h"
#include "logging/take_readings.h"
#include "platform/clock.h"
#include "platform/file_chooser.h"
#include "platform/prompts.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <unistd.h>
#include <vector>

using namespace zr;
using Stopwatch = std::chrono::steady_clock;

namespace {

struct Figures {
    double median = 0;
    double p99 = 0;
    double max = 0;
};

// Microseconds per call of `step`, over `count` calls.
Figures measure(int count, const std::function<void(int)>& step)
{
    std::vector<double> us(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const auto start = Stopwatch::now();
        step(i);
        us[static_cast<std::size_t>(i)] =
            std::chrono::duration<double, std::micro>(Stopwatch::now() - start).count();
    }
    std::sort(us.begin(), us.end());
    return {us[us.size() / 2], us[us.size() * 99 / 100], us.back()};
}

void print(const char* name, const Figures& f)
{
    std::printf("%-46s median %9.2f us   p99 %9.2f us   max %9.2f us\n", name, f.median, f.p99,
                f.max);
}

logging::Readings readingsFor(int i)
{
    return {
        25.25f + static_cast<float>(i % 100) / 100, -3.5f, -5, {12.1f, 5.02f, 3.3f, 2.5f, 1.2f}};
}

class PickPath : public FileChooser {
public:
    QString path;
    QString chooseFile(QWidget*, const QString&, const QString&, const zr::FileChoice&) override
    {
        return path;
    }
};

class AlwaysYes : public Prompts {
public:
    void showMessage(QWidget*, MessageIcon, const QString&) override {}
    bool askYesNo(QWidget*, const QString&) override { return true; }
};

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir scratch;
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : scratch.path();
    const int records = argc > 2 ? std::max(100, std::atoi(argv[2])) : 2000;
    std::printf("log files in %s, %d records per figure\n", qPrintable(folder), records);

    const logging::LogOptions all{true, true, true, {true, true, true, true, true}};
    const logging::DateTimeText started{"30 Nov 2026", "00:53:20"};
    const std::string recordPath = QDir(folder).filePath("bench-record.sav").toStdString();

    std::string line;
    print("record: format only (ZR410B, all)", measure(records, [&](int i) {
              line = logging::recordLine(Chip::B, all, readingsFor(i));
          }));

    {
        // What the commit costs: the same lines with write(2) alone.
        const std::string path = QDir(folder).filePath("bench-write-only.sav").toStdString();
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const std::string text = line + "\r\n";
        print("record: write(2) only, no commit", measure(records, [&](int) {
                  if (::write(fd, text.data(), text.size()) < 0)
                      std::perror("write");
              }));
        ::close(fd);
        ::unlink(path.c_str());
    }

    {
        logging::LogFile log(recordPath, Chip::B, all, started);
        print("record: format + write (commit on its thread)",
              measure(records, [&](int i) { log.writeRecord(all, readingsFor(i)); }));
        log.close();
        ::unlink(recordPath.c_str());
    }

    // One tick of the main window with both save-data windows open, reading and logging.
    sim::SimulatedBoard board;
    DeviceState state;
    state.AddressA = 72;
    state.AddressB = 76;
    AlwaysYes prompts;
    PickPath chooserA;
    PickPath chooserB;
    SystemClock clock;
    chooserA.path = QDir(folder).filePath("bench-a.sav");
    chooserB.path = QDir(folder).filePath("bench-b.sav");
    auto ignore = [](const QString&) {};
    // The program's windows get their readings from the board worker; here the reads run on this
    // thread, so that a tick's figure holds both the reads and the record.
    BoardWorker worker(state, board);
    SaveWindow a(Chip::A, {state, worker, prompts, chooserA, clock, folder, ignore});
    SaveWindow b(Chip::B, {state, worker, prompts, chooserB, clock, folder, ignore});
    a.Form_Load();
    b.Form_Load();
    a.findChild<QCheckBox*>("chkExternalOffset")->setChecked(true);
    b.findChild<QCheckBox*>("chkExternalOffset")->setChecked(true);

    auto tick = [&](int) {
        a.SaveCurrentData(logging::takeReadings(state, board, Chip::A));
        b.SaveCurrentData(logging::takeReadings(state, board, Chip::B));
    };
    print("tick: both windows open, not logging", measure(records, tick));
    a.findChild<QPushButton*>("cmdSave")->click();
    b.findChild<QPushButton*>("cmdSave")->click();
    if (!a.isLogging() || !b.isLogging()) {
        std::fprintf(stderr, "the logs did not start in %s\n", qPrintable(folder));
        return 1;
    }
    print("tick: both windows logging", measure(records, tick));
    a.findChild<QPushButton*>("cmdSave")->click();
    b.findChild<QPushButton*>("cmdSave")->click();
    std::printf("board requests per tick: %llu\n",
                static_cast<unsigned long long>(board.requestCount() / (2ull * records)));
    QFile::remove(chooserA.path);
    QFile::remove(chooserB.path);
    return 0;
}
