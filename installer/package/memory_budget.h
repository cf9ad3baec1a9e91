#pragma once
// How much memory a package may make the installer take. The decoded entries are all
// held at once (they are written only after every one was decoded), so a package whose
// declared content does not fit is refused before anything is decoded.
#include <cstddef>
#include <cstdint>

// The memory this process can still get from the machine: what can still be committed
// and is left of the address space (Windows), or MemAvailable (Linux). The largest value
// when the system does not tell.
std::uint64_t free_memory_bytes() noexcept;

// Bytes the decoded entries (and the compressed copies decoded beside them) may take: the
// machine's free memory and, in a 32-bit process (pointer_size 4), what is left of its
// 4 GiB address space (large-address-aware) once the package and the program are in it.
std::uint64_t memory_budget(std::uint64_t package_size, std::size_t pointer_size,
                            std::uint64_t free_memory) noexcept;
