#include "report/tempfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>

namespace tarnel {

namespace {

std::string Reason(int e) { return std::strerror(e); }

// Paths to remove when a signal stops the program. The handler only reads
// the slots and calls unlink, which is safe in a signal handler.
constexpr int kSlots = 8;
constexpr size_t kPathMax = 4096;
char g_paths[kSlots][kPathMax];
std::atomic<bool> g_used[kSlots];

void OnSignal(int sig) {
    for (int i = 0; i < kSlots; ++i)
        if (g_used[i].load()) ::unlink(g_paths[i]);
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

void InstallHandlers() {
    static std::atomic<bool> done{false};
    if (done.exchange(true)) return;
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction old {};
        if (sigaction(sig, nullptr, &old) != 0 || old.sa_handler != SIG_DFL) continue;  // the program's own choice
        struct sigaction sa {};
        sa.sa_handler = OnSignal;
        sigemptyset(&sa.sa_mask);
        sigaction(sig, &sa, nullptr);
    }
}

} // namespace

int OpenUnnamedFile(const std::string& dir) {
#ifdef O_TMPFILE
    const int fd = ::open(dir.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0) return fd;
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return -1;
#endif
    std::string name = (std::filesystem::path(dir) / "tarnelXXXXXX").string();
    const int named = ::mkostemp(name.data(), O_CLOEXEC);
    if (named < 0) return -1;
    ::unlink(name.c_str());
    return named;
}

void WriteFully(int fd, const char* p, size_t n, const std::string& name) {
    while (n > 0) {
        const ssize_t w = ::write(fd, p, n);
        if (w < 0) {
            if (errno == EINTR) continue;
            throw std::runtime_error("cannot write " + name + ": " + Reason(errno));
        }
        p += w;
        n -= static_cast<size_t>(w);
    }
}

void RemoveOnSignal(const std::string& path) {
    if (path.size() >= kPathMax) return;
    InstallHandlers();
    for (int i = 0; i < kSlots; ++i) {
        if (g_used[i].load()) continue;
        std::memcpy(g_paths[i], path.c_str(), path.size() + 1);
        g_used[i].store(true);
        return;
    }
}

void ForgetOnSignal(const std::string& path) {
    for (int i = 0; i < kSlots; ++i)
        if (g_used[i].load() && path == g_paths[i]) {
            g_used[i].store(false);
            return;
        }
}

void ReplaceFile(const std::string& path, const std::function<void(int fd)>& write, const std::string& shown) {
    const std::filesystem::path target(path);
    std::filesystem::path dir = target.parent_path();
    if (dir.empty()) dir = ".";
    const mode_t mask = ::umask(0);
    ::umask(mask);
    auto failAs = [&](const char* what, int e) { throw std::runtime_error(what + shown + ": " + Reason(e)); };
    auto fail = [&](int e) { failAs("cannot write ", e); };

    std::string tmp;
    int fd = -1;
    bool unnamed = false;
#ifdef O_TMPFILE
    fd = ::open(dir.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666 & ~mask);
    unnamed = fd >= 0;
    if (fd < 0 && errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) failAs("cannot create ", errno);
#endif
    if (fd < 0) {
        tmp = (dir / ("." + target.filename().string() + ".XXXXXX")).string();
        fd = ::mkostemp(tmp.data(), O_CLOEXEC);
        if (fd < 0) failAs("cannot create ", errno);
        RemoveOnSignal(tmp);
        ::fchmod(fd, 0666 & ~mask);
    }
    auto cleanup = [&] {
        if (fd >= 0) ::close(fd);
        fd = -1;
        if (!tmp.empty()) {
            ::unlink(tmp.c_str());
            ForgetOnSignal(tmp);
        }
    };
    try {
        write(fd);
        if (::fsync(fd) != 0) fail(errno);
        if (unnamed) {
            // Give the finished file a name beside the target, then move it over.
            const std::string self = "/proc/self/fd/" + std::to_string(fd);
            for (int attempt = 0; attempt < 100 && tmp.empty(); ++attempt) {
                std::string name = (dir / ("." + target.filename().string() + "." + std::to_string(::getpid()) + "." +
                                           std::to_string(std::rand())))
                                       .string();
                RemoveOnSignal(name);
                if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
                    tmp = name;
                } else {
                    const int e = errno;
                    ForgetOnSignal(name);
                    if (e != EEXIST) fail(e);
                }
            }
            if (tmp.empty()) fail(EEXIST);
        }
        const int closing = ::close(fd);
        fd = -1;
        if (closing != 0) fail(errno);
        if (::rename(tmp.c_str(), path.c_str()) != 0) failAs("cannot save ", errno);
        ForgetOnSignal(tmp);
    } catch (...) {
        cleanup();
        throw;
    }
}

} // namespace tarnel
