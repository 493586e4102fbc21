#pragma once
// tarnel-cli: verbs register themselves here, one file each.
#include <functional>

class QImage;
#include <string>
#include <string_view>
#include <vector>

namespace tarnel::cli {

using Args = std::vector<std::string>;
// A verb returns the process exit code; it may throw std::exception, which
// becomes a one-line message on stderr and exit code 1.
using VerbFn = std::function<int(const Args&)>;

struct Verb {
    // A verb that draws or measures text needs the graphics session; one
    // that only reads files starts faster without it.
    Verb(const char* name, const char* usage, VerbFn fn, bool needsGraphics = true);
};

// Thrown for bad arguments: prints the message and exits with 2.
struct UsageError {
    std::string message;
};

std::string JsonString(const std::string& bytes);  // quoted, bytes decoded for display
// Option helpers: find "--name value" / "--name"; both remove what they take.
bool TakeFlag(Args& a, const std::string& name);
bool TakeOption(Args& a, const std::string& name, std::string& value);
int ParseIntArg(const std::string& text, const std::string& what, int lo, int hi);
// Writes img as a PNG file whole; throws std::runtime_error naming the file
// and the reason (the encoder's or the system's, such as a full disk).
void SavePng(const QImage& img, const std::string& path);
// Writes bytes as a file whole, in the same way.
void SaveBytes(std::string_view bytes, const std::string& path);

} // namespace tarnel::cli
