#include "installer/net/transfer_watch.h"

#include <algorithm>
#include <thread>

bool TransferWatch::pause(unsigned ms) const {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        if (!go_on()) return false;
        const auto now = std::chrono::steady_clock::now();
        if (now >= end) return true;
        const std::chrono::steady_clock::duration interval = std::chrono::milliseconds(STOP_QUESTION_INTERVAL_MS);
        std::this_thread::sleep_for(std::min(end - now, interval));
    }
}
