#include "report/previewsession.h"

#include "report/eventloop.h"
#include "report/pagerecorder.h"

#include <QCoreApplication>
#include <QEventLoop>

namespace tarnel {

PreviewSession::PreviewSession(std::shared_ptr<PageRecorder> recorder,
                               std::function<void(PreviewSession&)> closedLater)
    : rec_(std::move(recorder)), closedLater_(std::move(closedLater)), alive_(std::make_shared<bool>(true)) {
    rec_->Bind([this] { Closed(); });
}

// The window keeps the recorder it shows; it no longer reaches this session.
PreviewSession::~PreviewSession() { rec_->Detach(); }

void PreviewSession::Closed() {
    if (loop_) {
        loop_->quit();
        return;
    }
    // Released from the event loop, once the window has let go.
    PostLater(alive_, [this] {
        // The call may end this session.
        const auto later = closedLater_;
        if (later) later(*this);
    });
}

void PreviewSession::Wait() {
    if (!rec_->Showing() || QCoreApplication::closingDown() || !QCoreApplication::instance()) return;
    QEventLoop loop;
    loop_ = &loop;
    struct Done {
        QEventLoop*& loop;
        ~Done() { loop = nullptr; }
    } done{loop_};
    loop.exec();
}

void PreviewSession::Release() {
    rec_->Detach();
    rec_->Release();
}

} // namespace tarnel
