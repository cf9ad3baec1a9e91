#include "installer/package/memory_budget.h"

#include <algorithm>

namespace {

constexpr std::uint64_t address_space_32 = std::uint64_t(4) << 30;
// The exe, the system DLLs, thread stacks, the heaps' own use and the gaps between them.
constexpr std::uint64_t program_reserve = std::uint64_t(256) << 20;

}  // namespace

std::uint64_t memory_budget(std::uint64_t package_size, std::size_t pointer_size,
                            std::uint64_t free_memory) noexcept {
    if (pointer_size >= 8) return free_memory;
    const std::uint64_t taken = package_size + program_reserve;
    const std::uint64_t left = taken < address_space_32 ? address_space_32 - taken : 0;
    return std::min(free_memory, left);
}
