#pragma once
// Small helpers for benchmark programs: medians, peak memory and timed runs
// of another program.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace tarnel::bench {

inline double NowMs() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

inline double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : (v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2);
}

inline double PeakMemoryMb() {
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return ru.ru_maxrss / 1024.0;
}

inline double CpuMs() {
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return (ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) * 1000.0 + (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1000.0;
}

struct ProgramRun {
    double seconds = 0;
    double peakMb = 0;
    double cpuSeconds = 0;  // user and system time of the program
    int code = -1;
};

// Runs program with args, its output thrown away: wall time, its peak
// memory and its exit code (128 + signal when killed). With limitSeconds the
// run is stopped by SIGALRM (exit code 142) when it lasts longer.
inline ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args,
                             unsigned limitSeconds = 0) {
    const auto start = std::chrono::steady_clock::now();
    std::fflush(stdout);  // before the fork
    const pid_t pid = fork();
    if (pid == 0) {
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        if (!std::freopen("/dev/null", "w", stdout) || !std::freopen("/dev/null", "w", stderr)) _exit(127);
        if (limitSeconds) alarm(limitSeconds);  // the timer survives exec
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    ProgramRun r;
    int status = 0;
    rusage ru{};
    if (pid > 0 && wait4(pid, &status, 0, &ru) == pid) {
        r.code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        r.peakMb = ru.ru_maxrss / 1024.0;
        r.cpuSeconds = ru.ru_utime.tv_sec + ru.ru_stime.tv_sec + (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
    }
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return r;
}

} // namespace tarnel::bench
