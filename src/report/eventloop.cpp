#include "report/eventloop.h"

#include <QCoreApplication>
#include <QMetaObject>

namespace tarnel {

void HandlePendingMessages() {
    if (QCoreApplication::instance()) QCoreApplication::processEvents();
}

void PostLater(const std::shared_ptr<bool>& alive, std::function<void()> fn) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) return;
    std::weak_ptr<bool> weak = alive;
    QMetaObject::invokeMethod(
        app,
        [weak, fn = std::move(fn)] {
            if (weak.lock()) fn();
        },
        Qt::QueuedConnection);
}

} // namespace tarnel
