#pragma once
// The process mitigation that makes the system ignore links (junctions, mount points)
// that a standard user planted on the paths this elevated process opens.

namespace base {

// Turns on enforcement where the system has it (Windows 10 22H2 and later); elsewhere,
// and when it is refused, nothing changes. Returns whether it is on.
bool enforce_redirection_trust() noexcept;

}  // namespace base
