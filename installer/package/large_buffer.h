#pragma once
// Big output buffers are written whole right after they are allocated. Their fresh pages
// cost one fault each; where the system can back such a buffer with larger pages, far
// fewer faults cover the same bytes.
#include <atomic>
#include <cstddef>

// Hints that [data, data + size) is about to be written whole. Changes no byte; small
// buffers and systems without such a hint are left alone.
void prepare_large_buffer(void* data, std::size_t size) noexcept;

// Has the system back [data, data + size) with memory now rather than at first write,
// where it can. Changes no byte. Several threads populating parts of one buffer share
// the cost of zeroing its fresh pages, which first writes would leave to one thread.
void populate_large_buffer(void* data, std::size_t size) noexcept;

// Populates [data, data + size) in pieces shared by the workers of the running parallel
// loop (or new ones, outside a loop); pieces end on 4 MiB boundaries so that no two
// workers make the same large page. For one big buffer whose fresh pages cost more to
// make than to fill, while the other workers would be idle. Changes no byte.
void populate_in_parallel(void* data, std::size_t size);

// Populates [data, data + size) from the front on the calling thread, in 4 MiB pieces,
// while another thread writes the buffer from the front and raises `reached` (bytes from
// `data`) as it goes: pieces it has reached already are skipped, so the two meet at
// most once. Makes the pages ahead of a writer that would otherwise stop to make them.
// Changes no byte.
void populate_ahead(void* data, std::size_t size, const std::atomic<std::size_t>& reached);
