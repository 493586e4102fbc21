#pragma once
// The engine's few dealings with the application's event loop: letting
// pending events through between bands, and running something later.
#include <functional>
#include <memory>

namespace tarnel {

// Handles the events waiting in the queue (nothing without an application).
void HandlePendingMessages();

// Runs fn later from the event loop if alive is still there then; nothing
// without an application.
void PostLater(const std::shared_ptr<bool>& alive, std::function<void()> fn);

} // namespace tarnel
