#pragma once
// The text the installer would show for what a step throws, empty when it throws nothing.
#include <functional>
#include <string>

#include "installer/base/errors.h"

namespace test_support {

inline std::wstring outcome_of(const std::function<void()>& step) {
    try {
        step();
    } catch (...) {
        return describe_current_exception();
    }
    return std::wstring();
}

}  // namespace test_support
