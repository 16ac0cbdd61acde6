// SPDX-License-Identifier: MIT
#include "ChildRun.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

namespace {

// Forks; the child runs inChild and exits with its result. The cost of the child.
ChildCost Measure(const std::function<int()>& inChild)
{
    ChildCost cost;
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid < 0) return cost;
    if (pid == 0) _exit(inChild());
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid) return cost;
    cost.wallMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    cost.ran = !(WIFEXITED(status) && WEXITSTATUS(status) == 127);
    cost.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    auto ms = [](const timeval& t) {
        return double(t.tv_sec) * 1000.0 + double(t.tv_usec) / 1000.0;
    };
    cost.cpuMs = ms(usage.ru_utime) + ms(usage.ru_stime);
    cost.peakKB = usage.ru_maxrss;  // kilobytes on Linux
    return cost;
}

}  // namespace

ChildCost RunChild(const std::string& program, const std::vector<std::string>& args)
{
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    return Measure([&] {
        const int null = open("/dev/null", O_WRONLY);
        if (null >= 0) {
            dup2(null, 1);
            dup2(null, 2);
        }
        execv(program.c_str(), argv.data());
        return 127;
    });
}

ChildCost RunInChild(const std::function<int()>& body) { return Measure(body); }

int ProcessId() { return int(getpid()); }
