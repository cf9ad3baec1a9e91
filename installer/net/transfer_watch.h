#pragma once
// What every wait of one download shares: the question whether to go on, asked twice a
// second while nothing arrives, and the clock since the last byte. A close request is
// thus noticed within half a second even while a read waits, and a transfer that has
// sent nothing for a minute is given up as dropped.
#include <chrono>

#include "installer/base/progress.h"

constexpr unsigned STOP_QUESTION_INTERVAL_MS = 500;
constexpr unsigned NO_PROGRESS_LIMIT_MS = 60000;

class TransferWatch {
public:
    explicit TransferWatch(const ProgressFn& progress) : progress_(progress) { byte_arrived(); }

    // A byte came in (or a new request began): the no-progress clock starts again.
    void byte_arrived() { last_byte_ = std::chrono::steady_clock::now(); }
    bool stalled() const {
        return std::chrono::steady_clock::now() - last_byte_ >= std::chrono::milliseconds(NO_PROGRESS_LIMIT_MS);
    }

    // PROGRESS_ASK_ONLY: shows nothing. False once the user asked to stop.
    bool go_on() const { return progress_(PROGRESS_ASK_ONLY); }

    // Waits `ms`, asking between; false as soon as the answer is to stop.
    bool pause(unsigned ms) const;

private:
    const ProgressFn& progress_;
    std::chrono::steady_clock::time_point last_byte_;
};
