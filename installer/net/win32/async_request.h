#pragma once
// One GET of an asynchronous WinHTTP session, driven as blocking steps that the
// downloader can give up: each step starts the call and waits for its completion, asking
// the transfer's watch between waits. A request given up is closed at once; what WinHTTP
// still holds for it (the read block a pending read lands in, the request headers) lives
// until WinHTTP reports the handle closed, so a late completion writes nowhere it must not.
#include <memory>
#include <string>

#include "installer/net/transfer_watch.h"
#include "installer/net/win32/internet_handle.h"

// Each of resolve, connect, send and receive may take this long before WinHTTP fails it.
constexpr int NETWORK_TIMEOUT_MS = 30000;
// The largest read. Every asynchronous call costs a hand-over between threads, so reads
// are as large as the transfer's speed allows (installer/net/read_size.h).
constexpr unsigned long READ_BLOCK_SIZE = 1ul << 20;

enum class Step {
    done,
    failed,   // WinHTTP reported an error (a time-out included)
    stopped,  // the user asked to stop
    stalled,  // nothing arrived for the no-progress limit
};

// The session's callback that completes the steps: install it before connecting, so the
// connection and its requests inherit it.
bool install_request_callback(HINTERNET session);

struct RequestState;

class AsyncRequest {
public:
    // Throws std::runtime_error "WinHttpOpenRequest failed" when no request can be opened.
    AsyncRequest(HINTERNET connection, const std::wstring& path, bool secure, TransferWatch& watch);
    ~AsyncRequest();
    AsyncRequest(const AsyncRequest&) = delete;
    AsyncRequest& operator=(const AsyncRequest&) = delete;

    HINTERNET handle() const { return request_.get(); }

    Step send(const std::wstring& headers);
    Step receive_response();
    // Reads up to `count` bytes (at most READ_BLOCK_SIZE) into a block the request owns;
    // `data` stays valid until the next step. 0 bytes: the body is complete.
    Step read(unsigned long count, const char*& data, unsigned long& got);

private:
    Step wait(unsigned long& value);

    std::shared_ptr<RequestState> state_;
    InternetHandle request_;
    TransferWatch& watch_;
};
