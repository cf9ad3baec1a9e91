#pragma once
// Reads what a PE file's headers say about its loading, from the file's bytes. Throws
// std::runtime_error with a sentence when the file is not a valid PE image.
#include <cstdint>
#include <string>
#include <vector>

std::vector<std::string> load_time_imports(const std::string& image);
// The DLLs named by the delay-load import table (bound on first call, not at load).
std::vector<std::string> delay_load_imports(const std::string& image);
// IMAGE_FILE_HEADER.Machine: 0x14C for i386, 0x8664 for x86-64.
std::uint16_t pe_machine(const std::string& image);
// Whether a 32-bit process of this image may use addresses above 2 GiB.
bool large_address_aware(const std::string& image);
