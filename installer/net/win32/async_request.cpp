#include "installer/net/win32/async_request.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stdexcept>

struct RequestState {
    std::mutex lock;
    std::condition_variable completed;
    bool complete = false;
    DWORD error = 0;
    DWORD value = 0;  // bytes available or read
    std::wstring headers;
    std::unique_ptr<char[]> block{new char[READ_BLOCK_SIZE]};
};

namespace {

// The request's context: one share of its state, given up when WinHTTP closes the handle
// (its last notification).
using StateShare = std::shared_ptr<RequestState>;

void complete(RequestState& state, DWORD error, DWORD value) {
    {
        std::lock_guard<std::mutex> hold(state.lock);
        state.complete = true;
        state.error = error;
        state.value = value;
    }
    state.completed.notify_one();
}

void CALLBACK on_request_status(HINTERNET, DWORD_PTR context, DWORD status, LPVOID info, DWORD length) {
    if (!context) return;  // the session and the connection carry none
    auto* share = reinterpret_cast<StateShare*>(context);
    switch (status) {
        case WINHTTP_CALLBACK_STATUS_HANDLE_CLOSING:
            delete share;
            return;
        case WINHTTP_CALLBACK_STATUS_SENDREQUEST_COMPLETE:
        case WINHTTP_CALLBACK_STATUS_HEADERS_AVAILABLE:
            complete(**share, 0, 0);
            return;
        case WINHTTP_CALLBACK_STATUS_DATA_AVAILABLE:
            complete(**share, 0, info ? *static_cast<const DWORD*>(info) : 0);
            return;
        case WINHTTP_CALLBACK_STATUS_READ_COMPLETE:
            complete(**share, 0, length);
            return;
        case WINHTTP_CALLBACK_STATUS_REQUEST_ERROR: {
            const auto* result = static_cast<const WINHTTP_ASYNC_RESULT*>(info);
            complete(**share, result && result->dwError ? result->dwError : ERROR_WINHTTP_INTERNAL_ERROR, 0);
            return;
        }
        default:
            return;
    }
}

}  // namespace

bool install_request_callback(HINTERNET session) {
    const auto previous =
        winhttp_api().set_status_callback(session, on_request_status,
                                          WINHTTP_CALLBACK_FLAG_ALL_COMPLETIONS | WINHTTP_CALLBACK_FLAG_HANDLES, 0);
    return previous != WINHTTP_INVALID_STATUS_CALLBACK;
}

AsyncRequest::AsyncRequest(HINTERNET connection, const std::wstring& path, bool secure, TransferWatch& watch)
    : state_(std::make_shared<RequestState>()), watch_(watch) {
    const WinHttpApi& api = winhttp_api();
    request_.reset(api.open_request(connection, L"GET", path.c_str(), nullptr, WINHTTP_NO_REFERER,
                                    WINHTTP_DEFAULT_ACCEPT_TYPES, secure ? WINHTTP_FLAG_SECURE : 0));
    if (!request_) throw std::runtime_error("WinHttpOpenRequest failed");
    auto share = std::make_unique<StateShare>(state_);
    DWORD_PTR context = reinterpret_cast<DWORD_PTR>(share.get());
    if (!api.set_option(request_.get(), WINHTTP_OPTION_CONTEXT_VALUE, &context, sizeof context)) {
        request_.reset();
        throw std::runtime_error("WinHttpOpenRequest failed");
    }
    share.release();  // WinHTTP's now, until it closes the handle
}

AsyncRequest::~AsyncRequest() = default;

Step AsyncRequest::wait(unsigned long& value) {
    std::unique_lock<std::mutex> hold(state_->lock);
    while (!state_->complete) {
        if (state_->completed.wait_for(hold, std::chrono::milliseconds(STOP_QUESTION_INTERVAL_MS),
                                       [this] { return state_->complete; }))
            break;
        hold.unlock();  // the callback must be able to complete the step while we ask
        const bool go_on = watch_.go_on();
        const bool stalled = watch_.stalled();
        hold.lock();
        if (state_->complete) break;
        if (!go_on || stalled) {
            hold.unlock();
            request_.reset();  // what is pending is cancelled with the handle
            return go_on ? Step::stalled : Step::stopped;
        }
    }
    state_->complete = false;
    value = state_->value;
    return state_->error ? Step::failed : Step::done;
}

Step AsyncRequest::send(const std::wstring& headers) {
    state_->headers = headers;
    const wchar_t* text = state_->headers.empty() ? WINHTTP_NO_ADDITIONAL_HEADERS : state_->headers.c_str();
    if (!winhttp_api().send_request(request_.get(), text, static_cast<DWORD>(state_->headers.size()),
                                    WINHTTP_NO_REQUEST_DATA, 0, 0, 0))
        return Step::failed;
    unsigned long ignored = 0;
    return wait(ignored);
}

Step AsyncRequest::receive_response() {
    if (!winhttp_api().receive_response(request_.get(), nullptr)) return Step::failed;
    unsigned long ignored = 0;
    return wait(ignored);
}

Step AsyncRequest::read(unsigned long count, const char*& data, unsigned long& got) {
    got = 0;
    data = state_->block.get();
    const DWORD wanted = static_cast<DWORD>(std::min(count, READ_BLOCK_SIZE));
    if (!winhttp_api().read_data(request_.get(), state_->block.get(), wanted, nullptr)) return Step::failed;
    return wait(got);
}
