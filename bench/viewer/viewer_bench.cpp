// SPDX-License-Identifier: MIT
// Figures for the log viewer: the time to read a ZR410B log (and its events file) into traces,
// and the bytes each value then holds, for 1,000 records and for a day at 250 ms (345,600
// records). The logs are written by the log writer. Prints figures; judges nothing.
//
//   build/bench/viewer_bench [folder for the log files]

#include "logging/log_session.h"
#include "logging/sav_reader.h"
#include "viewer/loaded_log.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <sys/resource.h>

using namespace zr;
using namespace std::chrono;

namespace {

// A day's log as the program writes it: the columns a window starts with, readings wandering, the
// clock anchored as the writer anchors it.
void writeLog(const std::string& path, std::int64_t records)
{
    logging::LogOptions options;
    const system_clock::time_point started = system_clock::now();
    const steady_clock::time_point steady0 = steady_clock::now();
    logging::LogSession session(path, Chip::B, options, started, milliseconds{250},
                                {76, "Simulated board", ""}, nullptr);
    std::mt19937 random(7);
    std::uniform_int_distribution<int> step(-1, 1);
    logging::Readings readings{25.0f, 31.5f, 0, {12.0f, 5.0f, 3.3f, 2.5f, 1.2f}};
    for (std::int64_t r = 0; r < records; ++r) {
        readings.intTemp += 0.015625f * static_cast<float>(step(random));
        readings.extTemp += 0.25f * static_cast<float>(step(random));
        for (float& v : readings.voltages)
            v += 0.0009765625f * static_cast<float>(step(random));
        const milliseconds at{250 * (r + 1)};
        session.writeRecord(options, readings, steady0 + at, started + at);
    }
    session.close(started + milliseconds{250 * (records + 1)});
}

long peakKib()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

int main(int argc, char** argv)
{
    const std::filesystem::path folder =
        argc > 1 ? std::filesystem::path(argv[1]) : std::filesystem::temp_directory_path();
    std::printf("%-9s %9s %11s %12s %12s %12s %14s\n", "records", "MB", "values", "load ms",
                "of it read", "bytes/value", "peak RSS MiB");
    for (const std::int64_t records : {std::int64_t{1000}, std::int64_t{345600}}) {
        const std::string path =
            (folder / ("viewer_bench_" + std::to_string(records) + ".sav")).string();
        writeLog(path, records);
        double best = 1e9, read = 1e9;
        std::size_t bytes = 0, values = 0;
        for (int run = 0; run < 3; ++run) {
            // The file read and parsed alone, the part the traces do not cost.
            auto start = steady_clock::now();
            logging::readSavFile(path, logging::SavMode::Partial);
            read =
                std::min(read, duration<double, std::milli>(steady_clock::now() - start).count());
            start = steady_clock::now();
            const std::optional<viewer::LoadedLog> log = viewer::loadLog(path);
            best =
                std::min(best, duration<double, std::milli>(steady_clock::now() - start).count());
            bytes = values = 0;
            for (const viewer::LoadedColumn& column : log->columns) {
                bytes += column.samples->bytesUsed();
                values += column.samples->size();
            }
        }
        std::printf("%-9lld %9.1f %11zu %12.0f %12.0f %12.2f %14.1f\n",
                    static_cast<long long>(records),
                    static_cast<double>(std::filesystem::file_size(path)) / 1e6, values, best, read,
                    static_cast<double>(bytes) / static_cast<double>(values),
                    static_cast<double>(peakKib()) / 1024);
        std::filesystem::remove(path);
        std::filesystem::remove(path + ".events");
    }
}
