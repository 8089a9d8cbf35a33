// SPDX-License-Identifier: MIT
#include "logging/child_process.h"

#include <sys/wait.h>
#include <unistd.h>

namespace zr::test {
namespace {

constexpr int kSkipCode = 77;
constexpr int kThrewCode = 3;
constexpr uid_t kNobody = 65534;

void writeAll(int fd, const std::string& text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n <= 0)
            return;
        done += static_cast<std::size_t>(n);
    }
}

} // namespace

ChildResult runInChild(const std::function<std::optional<std::string>()>& body)
{
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return {true, false, 0, {}};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(pipeFds[0]);
        int code = 0;
        try {
            const std::optional<std::string> out = body();
            if (out)
                writeAll(pipeFds[1], *out);
            else
                code = kSkipCode;
        } catch (...) {
            code = kThrewCode;
        }
        ::_exit(code);
    }
    ::close(pipeFds[1]);
    ChildResult result;
    char chunk[4096];
    ssize_t n;
    while ((n = ::read(pipeFds[0], chunk, sizeof chunk)) > 0)
        result.output.append(chunk, n);
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (WIFSIGNALED(status)) {
        result.killed = true;
        result.status = WTERMSIG(status);
    } else {
        result.status = WEXITSTATUS(status);
        result.skipped = result.status == kSkipCode;
    }
    return result;
}

ChildResult runUnprivileged(const std::function<std::optional<std::string>()>& body)
{
    return runInChild([&]() -> std::optional<std::string> {
        if (::geteuid() == 0 && (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0))
            return std::nullopt;
        return body();
    });
}

} // namespace zr::test
