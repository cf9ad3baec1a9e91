#pragma once
// The UI thread's message loop with idle handlers, run when the message queue drains.

#include <functional>
#include <vector>

namespace ui {

class MessageLoop {
public:
    using IdleHandler = std::function<void()>;
    void add_idle_handler(IdleHandler handler) { idle_.push_back(std::move(handler)); }
    // Runs until WM_QUIT. Idle handlers run once each time the queue empties after a
    // message that re-arms them (any but mouse moves, paints and the system timer).
    void run();

private:
    std::vector<IdleHandler> idle_;
};

}  // namespace ui
