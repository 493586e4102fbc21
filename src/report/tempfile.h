#pragma once
// Temporary files that do not outlive the program: pages waiting for a save
// and images waiting for a PDF can take hundreds of MB, and an interrupted
// run (Ctrl+C, kill, even SIGKILL) must not leave them behind.
#include <functional>
#include <string>

namespace tarnel {

// Opens a read-write file with no name in folder dir (O_TMPFILE, or a file
// unlinked as soon as it is made where the folder's file system lacks it):
// it goes away with its descriptor however the process ends. Returns the
// descriptor, or -1 with errno set.
int OpenUnnamedFile(const std::string& dir);

// Writes a file whole: write(fd) fills a new file beside path, which is then
// renamed over path, so that path holds the old or the new contents, never
// a part. The new file has no name until it is complete where the file
// system allows; a named one is removed on SIGINT, SIGTERM or SIGHUP.
// Throws std::runtime_error "cannot create|write|save SHOWN: reason" (the
// system's words, such as "No space left on device"), shown being how the
// messages name the file; write may throw too. Nothing is left behind.
void ReplaceFile(const std::string& path, const std::function<void(int fd)>& write, const std::string& shown);

// Writes n bytes at the descriptor's position; throws std::runtime_error
// "cannot write NAME: reason" on failure.
void WriteFully(int fd, const char* p, size_t n, const std::string& name);

// Removes path if the program is stopped by SIGINT, SIGTERM or SIGHUP
// before Forget(path); the handlers are installed where the program left
// the default action. Up to a few paths at a time.
void RemoveOnSignal(const std::string& path);
void ForgetOnSignal(const std::string& path);

} // namespace tarnel
