#include "app/cli.h"

#include "report/tempfile.h"
#include "tokenizer/libtext.h"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>

#include <QGuiApplication>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <map>
#include <new>
#include <stdexcept>
#include <memory>

namespace tarnel::cli {

namespace {
struct Entry {
    std::string usage;
    VerbFn fn;
    bool needsGraphics = true;
};
std::map<std::string, Entry>& Registry() {
    static std::map<std::string, Entry> r;
    return r;
}
} // namespace

Verb::Verb(const char* name, const char* usage, VerbFn fn, bool needsGraphics) {
    Registry()[name] = Entry{usage, std::move(fn), needsGraphics};
}

std::string JsonString(const std::string& bytes) {
    const std::string s = DisplayTextUtf8(bytes);
    std::string out = "\"";
    for (unsigned char c : s) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\u%04x", c);
                    out += buf;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out + "\"";
}

bool TakeFlag(Args& a, const std::string& name) {
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i] == name) {
            a.erase(a.begin() + static_cast<long>(i));
            return true;
        }
    return false;
}

bool TakeOption(Args& a, const std::string& name, std::string& value) {
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i] == name) {
            if (i + 1 >= a.size()) throw UsageError{name + " needs a value"};
            value = a[i + 1];
            a.erase(a.begin() + static_cast<long>(i), a.begin() + static_cast<long>(i) + 2);
            return true;
        }
    return false;
}

void SaveBytes(std::string_view bytes, const std::string& path) {
    ReplaceFile(
        path, [&](int fd) { WriteFully(fd, bytes.data(), bytes.size(), "\"" + path + "\""); }, "\"" + path + "\"");
}

void SavePng(const QImage& img, const std::string& path) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter w(&buffer, "png");
    if (!w.write(img)) throw std::runtime_error("cannot write \"" + path + "\": " + w.errorString().toStdString());
    SaveBytes(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())), path);
}

int ParseIntArg(const std::string& text, const std::string& what, int lo, int hi) {
    char* end = nullptr;
    errno = 0;
    long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end || errno || v < lo || v > hi)
        throw UsageError{what + " must be a whole number from " + std::to_string(lo) + " to " + std::to_string(hi)};
    return static_cast<int>(v);
}

} // namespace tarnel::cli

int main(int argc, char** argv) {
    using namespace tarnel::cli;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        // Keeps Qt quiet about a missing runtime folder on headless machines.
        const std::string dir = "/tmp/tarnel-runtime-" + std::to_string(getuid());
        if (mkdir(dir.c_str(), 0700) == 0 || errno == EEXIST) qputenv("XDG_RUNTIME_DIR", dir.c_str());
    }
    Args args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
    auto usage = [] {
        std::fprintf(stderr, "usage:\n");
        for (auto& [name, e] : Registry()) std::fprintf(stderr, "  tarnel-cli %s %s\n", name.c_str(), e.usage.c_str());
    };
    if (args.empty()) {
        usage();
        return 2;
    }
    auto it = Registry().find(args[0]);
    if (it == Registry().end()) {
        std::fprintf(stderr, "tarnel-cli: unknown verb \"%s\"\n", args[0].c_str());
        usage();
        return 2;
    }
    args.erase(args.begin());
    std::unique_ptr<QGuiApplication> app;
    if (it->second.needsGraphics) app = std::make_unique<QGuiApplication>(argc, argv);
    try {
        return it->second.fn(args);
    } catch (const UsageError& e) {
        std::fprintf(stderr, "tarnel-cli %s: %s\n", it->first.c_str(), e.message.c_str());
        return 2;
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "tarnel-cli %s: not enough memory to finish (the input asks for more than this machine has)\n",
                     it->first.c_str());
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tarnel-cli %s: %s\n", it->first.c_str(), e.what());
        return 1;
    }
}
