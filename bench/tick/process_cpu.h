// SPDX-License-Identifier: MIT
#pragma once

// The CPU time of the whole process so far, in milliseconds: every thread, user and system time,
// as getrusage counts it. Both tick benchmarks report it, so that their figures compare.

#include <sys/resource.h>

inline double processCpuMs()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 +
           (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}
