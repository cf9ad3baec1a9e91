#pragma once
// The package download: one GET request, the whole body in memory.
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
// A body shorter than its announced length is returned as it arrived.
// Progress: 0..80 while the body arrives (only on change); without a length a
// PROGRESS_ASK_ONLY per block (false stops the download) and one 100 after the last read,
// whose answer is ignored.
// The native build has no transport: it raises "URL downloads need the Windows build".
#include <string>

#include "installer/base/progress.h"

// Downloads DOWNLOAD_URL.
std::string download_package(const ProgressFn& progress);

// The same for any http:// or https:// URL (tests, tools).
std::string download_package_from(const std::wstring& url, const ProgressFn& progress);
