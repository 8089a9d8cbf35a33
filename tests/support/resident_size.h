// SPDX-License-Identifier: MIT
#pragma once

// The resident size of this process, for the soak and the memory benchmarks (Linux only).

#include <fstream>
#include <string>

namespace zr::test {

// VmRSS in kB, or -1 where /proc does not say.
inline long residentKb()
{
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            long kb = 0;
            status >> kb;
            return kb;
        }
        status.ignore(1 << 16, '\n');
    }
    return -1;
}

} // namespace zr::test
