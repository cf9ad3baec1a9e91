#pragma once
// The package download: one GET request, the whole body in memory.
//
// A body cut off after some of it arrived (a failed, timed-out or stalled read, or a
// connection that ends before the announced length) is asked for again from where it
// stopped, when the first response gave a length and a validator (installer/net/resume.h):
// up to DOWNLOAD_ATTEMPTS requests in all, waiting 1, 2, 4 and 8 s between them. A server
// that sends the whole body instead is followed from byte 0 once. When no continuation
// succeeds, the outcome is that of the first cut: its failure text, or the short body as
// it arrived. Every resolve, connect, send and receive may take 30 s; no byte for 60 s
// counts as a cut; a stop request is noticed twice a second while anything waits.
//
// Failure contract: every failure, cancellation included, is a std::runtime_error with
// one of these texts, and no partial body is returned:
//   "Invalid URL: no '://'", "Unsupported protocol (only http/https)",
//   "WinHttpOpen failed", "WinHttpConnect failed", "WinHttpOpenRequest failed",
//   "WinHttpSendRequest failed" (name resolution, connection and TLS failures too),
//   "WinHttpReceiveResponse failed", "HTTP error: <status>" (any status but 200),
//   "Invalid Content-Length", "WinHttpReadData failed", "User cancelled download";
// and a body this process cannot hold (an announced length it cannot reserve, or one
// without length that outgrows its memory) is the coded error "dl.memory" with system 8
// (ERROR_NOT_ENOUGH_MEMORY), never an allocation failure.
// A body shorter than its announced length that cannot be continued is returned as it
// arrived; the package reader reports the damage.
// Progress: 0..80 while the body arrives (only on change; never lower during a
// continuation, lower once when the body starts again from byte 0); without a length a
// PROGRESS_ASK_ONLY per block (false stops the download) and one 100 after the last read,
// whose answer is ignored. Any wait longer than half a second asks PROGRESS_ASK_ONLY.
// The native build has no transport: it raises "URL downloads need the Windows build".
#include <string>

#include "installer/base/progress.h"

// Downloads DOWNLOAD_URL.
std::string download_package(const ProgressFn& progress);

// The same for any http:// or https:// URL (tests, tools).
std::string download_package_from(const std::wstring& url, const ProgressFn& progress);
