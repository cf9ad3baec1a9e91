#include <chrono>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "installer/base/errors.h"
#include "installer/net/download.h"
#include "installer/net/download_progress.h"
#include "installer/net/read_size.h"
#include "installer/net/resume.h"
#include "installer/net/transfer_watch.h"
#include "installer/net/url.h"
#include "installer/net/win32/async_request.h"
#include "installer/net/win32/internet_handle.h"
#include "installer/net/win32/user_proxy.h"
#include "installer/net/win32/winhttp_api.h"

#ifndef WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3
#define WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3 0x00002000
#endif

namespace {

// TLS 1.2 and 1.3 only: SSL 2.0, SSL 3.0 and TLS 1.0 are broken. Platforms that do not
// know the TLS 1.3 flag reject the whole value, so they get TLS 1.2 alone.
void restrict_protocols(const WinHttpApi& api, HINTERNET session) {
    DWORD protocols = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2 | WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3;
    if (api.set_option(session, WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols, sizeof protocols)) return;
    protocols = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2;
    api.set_option(session, WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols, sizeof protocols);
}

DWORD query_status(HINTERNET request) {
    DWORD status = 0;
    DWORD size = sizeof status;
    winhttp_api().query_headers(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                                WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX);
    return status;
}

// The header's text; false when the response has none or it cannot be read.
bool query_text(HINTERNET request, DWORD header_id, std::wstring& text) {
    const WinHttpApi& api = winhttp_api();
    DWORD size = 0;
    api.query_headers(request, header_id, WINHTTP_HEADER_NAME_BY_INDEX, WINHTTP_NO_OUTPUT_BUFFER, &size,
                      WINHTTP_NO_HEADER_INDEX);
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0) return false;
    std::vector<wchar_t> header(size / sizeof(wchar_t));
    DWORD length = static_cast<DWORD>(header.size() * sizeof(wchar_t));
    if (!api.query_headers(request, header_id, WINHTTP_HEADER_NAME_BY_INDEX, header.data(), &length,
                           WINHTTP_NO_HEADER_INDEX))
        return false;
    text.assign(header.data(), length / sizeof(wchar_t));
    return true;
}

std::wstring header_or_empty(HINTERNET request, DWORD header_id) {
    std::wstring text;
    query_text(request, header_id, text);
    return text;
}

// 0 when the response announces no length or the header cannot be read.
std::uint32_t query_content_length(HINTERNET request) {
    std::wstring text;
    return query_text(request, WINHTTP_QUERY_CONTENT_LENGTH, text) ? parse_content_length(text) : 0;
}

[[noreturn]] void refuse_body() {
    throw boost::system::system_error(
        boost::system::error_code(8, boost::system::system_category()),  // ERROR_NOT_ENOUGH_MEMORY
        "dl.memory");
}

// The whole body is held in one block: a length this process cannot reserve (in a 32-bit
// process the largest free range of its address space) is refused before the body is read.
void reserve_body(std::string& body, std::uint32_t total) {
    try {
        body.reserve(total);
    } catch (const std::bad_alloc&) {
        refuse_body();
    } catch (const std::length_error&) {
        refuse_body();
    }
}

// How a request's part of the body ended, short of the whole body.
enum class Drop {
    none,           // the body is complete
    send,           // the request could not be sent (or timed out)
    response,       // no response came
    read,           // a read failed, timed out or stalled
    ended_short,    // the connection ended before the announced length
    range_refused,  // the answer to a continuation cannot be used now
    cannot_resume,  // the server sent a whole body again after the one start from zero
};

const char* text_of(Drop drop) {
    switch (drop) {
        case Drop::send:
            return "WinHttpSendRequest failed";
        case Drop::response:
            return "WinHttpReceiveResponse failed";
        default:
            return "WinHttpReadData failed";
    }
}

// One download: the body so far and what the first whole response said about it.
class Transfer {
public:
    Transfer(const UrlParts& parts, HINTERNET connection, const ProgressFn& progress)
        : parts_(parts), connection_(connection), watch_(progress), reporter_(0, progress) {}

    std::string run() {
        Drop first_drop = Drop::none;
        for (int attempt = 1;; ++attempt) {
            if (attempt > 1 && !watch_.pause(retry_wait_ms(attempt - 1)))
                throw std::runtime_error("User cancelled download");
            const Drop drop = attempt_once(attempt == 1);
            if (drop == Drop::none) break;
            if (first_drop == Drop::none) first_drop = drop;
            // The body ended early and cannot be asked for again: the short body as it
            // arrived (the package reader reports the damage), a failed read as such.
            if (!can_continue() || drop == Drop::cannot_resume || attempt == DOWNLOAD_ATTEMPTS) {
                if (first_drop == Drop::ended_short) break;
                throw std::runtime_error(text_of(first_drop));
            }
        }
        return std::move(body_);
    }

    void finish() { reporter_.finish(); }

private:
    // A read that fails loses what it had taken in, so even a body of 0 bytes so far is
    // continued, from byte 0, once the response gave a length and a validator.
    bool can_continue() const { return started_over_pending_ || (total_ > 0 && !validator_.empty()); }

    // Learns the length and validator of a whole (200) response and starts the body anew.
    void begin_whole_body(HINTERNET request, bool first) {
        const std::uint32_t total = query_content_length(request);
        body_.clear();
        if (total > 0) reserve_body(body_, total);
        total_ = total;
        validator_ = pick_validator(header_or_empty(request, WINHTTP_QUERY_ETAG),
                                    header_or_empty(request, WINHTTP_QUERY_LAST_MODIFIED));
        reporter_.restart(total);
        if (!first) started_over_ = true;
        started_over_pending_ = false;
    }

    Drop attempt_once(bool first) {
        watch_.byte_arrived();  // each request gets the whole no-progress limit
        AsyncRequest request(connection_, parts_.path, parts_.secure, watch_);
        const bool continuing = !first && !started_over_pending_;
        const std::wstring headers = continuing ? range_headers(body_.size(), validator_) : std::wstring();

        Step step = request.send(headers);
        if (step == Step::stopped) throw std::runtime_error("User cancelled download");
        if (step != Step::done) return fail_first(first, Drop::send);
        step = request.receive_response();
        if (step == Step::stopped) throw std::runtime_error("User cancelled download");
        if (step != Step::done) return fail_first(first, Drop::response);

        const DWORD status = query_status(request.handle());
        if (first) {
            if (status != 200) throw std::runtime_error("HTTP error: " + std::to_string(status));
            begin_whole_body(request.handle(), true);
        } else if (continuing) {
            switch (judge_range_answer(status, header_or_empty(request.handle(), WINHTTP_QUERY_CONTENT_RANGE),
                                       body_.size(), total_)) {
                case RangeAnswer::append:
                    break;
                case RangeAnswer::start_over_with_this:
                    if (started_over_) return Drop::cannot_resume;
                    begin_whole_body(request.handle(), false);
                    break;
                case RangeAnswer::start_over:
                    if (started_over_) return Drop::cannot_resume;
                    started_over_pending_ = true;  // the next request asks for the whole body
                    return Drop::range_refused;
                case RangeAnswer::try_again:
                    return Drop::range_refused;
            }
        } else {  // the whole body again, after an answer that could not be used
            if (status != 200) return Drop::range_refused;
            begin_whole_body(request.handle(), false);
        }
        return read_body(request);
    }

    // Before any byte of the body, a failure is the download's outcome.
    static Drop fail_first(bool first, Drop drop) {
        if (first) throw std::runtime_error(text_of(drop));
        return drop;
    }

    Drop read_body(AsyncRequest& request) {
        std::uint32_t size = next_read_size(0, 0);
        for (;;) {
            const char* data = nullptr;
            unsigned long got = 0;
            using std::chrono::steady_clock;
            const auto asked = steady_clock::now();
            const Step step = request.read(size, data, got);
            const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(steady_clock::now() - asked);
            size = next_read_size(static_cast<std::uint32_t>(got), static_cast<unsigned>(took.count()));
            if (step == Step::stopped) throw std::runtime_error("User cancelled download");
            if (step != Step::done) return Drop::read;
            if (got == 0) break;
            try {
                body_.append(data, got);
            } catch (const std::bad_alloc&) {
                refuse_body();  // a body without length that outgrew this process
            } catch (const std::length_error&) {
                refuse_body();
            }
            watch_.byte_arrived();
            reporter_.report(body_.size());
        }
        if (total_ > 0 && body_.size() < total_) return Drop::ended_short;
        return Drop::none;
    }

    const UrlParts& parts_;
    HINTERNET connection_;
    TransferWatch watch_;
    DownloadProgress reporter_;
    std::string body_;
    std::uint32_t total_ = 0;
    std::wstring validator_;
    bool started_over_ = false;          // the one start from zero has been used
    bool started_over_pending_ = false;  // the next request asks for the whole body
};

}  // namespace

std::string download_package_from(const std::wstring& url, const ProgressFn& progress) {
    const UrlParts parts = split_url(url);
    const WinHttpApi& api = winhttp_api();
    // Without winhttp.dll from the system folder nothing can be opened.
    if (!api.complete()) throw std::runtime_error("WinHttpOpen failed");

    // Declared in opening order, so unwinding closes request, connection, session.
    InternetHandle session =
        open_user_proxy_session(api, L"GameLauncher/1.0", resolve_user_proxy(api, url), WINHTTP_FLAG_ASYNC);
    if (!session) throw std::runtime_error("WinHttpOpen failed");
    restrict_protocols(api, session.get());
    api.set_timeouts(session.get(), NETWORK_TIMEOUT_MS, NETWORK_TIMEOUT_MS, NETWORK_TIMEOUT_MS, NETWORK_TIMEOUT_MS);
    if (!install_request_callback(session.get())) throw std::runtime_error("WinHttpOpen failed");

    const INTERNET_PORT port = parts.secure ? INTERNET_DEFAULT_HTTPS_PORT : INTERNET_DEFAULT_HTTP_PORT;
    InternetHandle connection(api.connect(session.get(), parts.host.c_str(), port, 0));
    if (!connection) throw std::runtime_error("WinHttpConnect failed");

    Transfer transfer(parts, connection.get(), progress);
    std::string body = transfer.run();
    connection.reset();
    session.reset();
    transfer.finish();
    return body;
}
