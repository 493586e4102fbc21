#pragma once
// One preview of a report: the recorder its window shows, kept from the
// start of the run until the window closes, and the wait for that close.
#include <functional>
#include <memory>

class QEventLoop;

namespace tarnel {

class PageRecorder;

class PreviewSession {
public:
    // closedLater is called from the event loop when the window closes while
    // nobody waits for it (a run that ended by an error leaves its window
    // open).
    PreviewSession(std::shared_ptr<PageRecorder> recorder, std::function<void(PreviewSession&)> closedLater);
    ~PreviewSession();
    PreviewSession(const PreviewSession&) = delete;
    PreviewSession& operator=(const PreviewSession&) = delete;

    const std::shared_ptr<PageRecorder>& Recorder() const { return rec_; }
    // Runs the event loop until the window closes; returns at once when it
    // is closed already or the application is going away.
    void Wait();
    // Lets go of the recorder and frees its pages (the window may still
    // hold the recorder itself).
    void Release();

private:
    void Closed();

    std::shared_ptr<PageRecorder> rec_;
    std::function<void(PreviewSession&)> closedLater_;
    QEventLoop* loop_ = nullptr;  // while Wait runs
    std::shared_ptr<bool> alive_;
};

} // namespace tarnel
