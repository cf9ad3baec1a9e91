#pragma once
// Big output buffers are written whole right after they are allocated. Their fresh pages
// cost one fault each; where the system can back such a buffer with larger pages, far
// fewer faults cover the same bytes.
#include <cstddef>

// Hints that [data, data + size) is about to be written whole. Changes no byte; small
// buffers and systems without such a hint are left alone.
void prepare_large_buffer(void* data, std::size_t size) noexcept;
