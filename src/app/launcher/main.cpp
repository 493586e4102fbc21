// tarnel-cli: the front program. "list" only reads a folder or a file, so it
// runs here, without the graphics libraries whose loading would cost more
// than the listing; every other verb runs in tarnel-cli-qt beside it.
#include "app/cli_list.h"

#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

int main(int argc, char** argv) {
    using namespace tarnel::cli;
    if (argc >= 2 && std::strcmp(argv[1], "list") == 0) {
        const Args args(argv + 2, argv + argc);
        try {
            return List(args);
        } catch (const UsageError& e) {
            std::fprintf(stderr, "tarnel-cli list: %s\n", e.message.c_str());
            return 2;
        } catch (const std::exception& e) {
            std::fprintf(stderr, "tarnel-cli list: %s\n", e.what());
            return 1;
        }
    }
    char self[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    std::string full = "tarnel-cli-qt";
    if (n > 0) {
        std::string dir(self, static_cast<size_t>(n));
        full = dir.substr(0, dir.find_last_of('/') + 1) + full;
    }
    argv[0] = const_cast<char*>(full.c_str());
    execv(full.c_str(), argv);
    std::fprintf(stderr, "tarnel-cli: cannot start %s: %s\n", full.c_str(), std::strerror(errno));
    return 1;
}
