#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "installer/base/errors.h"
#include "installer/net/download.h"
#include "installer/net/download_progress.h"
#include "installer/net/url.h"
#include "installer/net/win32/internet_handle.h"
#include "installer/net/win32/user_proxy.h"
#include "installer/net/win32/winhttp_api.h"

#ifndef WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3
#define WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3 0x00002000
#endif

namespace {

constexpr DWORD DOWNLOAD_BUFFER_SIZE = 16384;

// TLS 1.2 and 1.3 only: SSL 2.0, SSL 3.0 and TLS 1.0 are broken. Platforms that do not
// know the TLS 1.3 flag reject the whole value, so they get TLS 1.2 alone.
void restrict_protocols(const WinHttpApi& api, HINTERNET session) {
    DWORD protocols = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2 | WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3;
    if (api.set_option(session, WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols, sizeof protocols)) return;
    protocols = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2;
    api.set_option(session, WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols, sizeof protocols);
}

DWORD query_status(const WinHttpApi& api, HINTERNET request) {
    DWORD status = 0;
    DWORD size = sizeof status;
    api.query_headers(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER, WINHTTP_HEADER_NAME_BY_INDEX,
                      &status, &size, WINHTTP_NO_HEADER_INDEX);
    return status;
}

// 0 when the response announces no length or the header cannot be read.
std::uint32_t query_content_length(const WinHttpApi& api, HINTERNET request) {
    DWORD size = 0;
    api.query_headers(request, WINHTTP_QUERY_CONTENT_LENGTH, WINHTTP_HEADER_NAME_BY_INDEX, WINHTTP_NO_OUTPUT_BUFFER,
                      &size, WINHTTP_NO_HEADER_INDEX);
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0) return 0;

    std::vector<wchar_t> header(size / sizeof(wchar_t));
    DWORD length = static_cast<DWORD>(header.size() * sizeof(wchar_t));
    if (!api.query_headers(request, WINHTTP_QUERY_CONTENT_LENGTH, WINHTTP_HEADER_NAME_BY_INDEX, header.data(),
                           &length, WINHTTP_NO_HEADER_INDEX))
        return 0;
    return parse_content_length(std::wstring(header.data(), length / sizeof(wchar_t)));
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

}  // namespace

std::string download_package_from(const std::wstring& url, const ProgressFn& progress) {
    const UrlParts parts = split_url(url);
    const WinHttpApi& api = winhttp_api();
    // Without winhttp.dll from the system folder nothing can be opened.
    if (!api.complete()) throw std::runtime_error("WinHttpOpen failed");

    // Declared in opening order, so unwinding closes request, connection, session.
    InternetHandle session = open_user_proxy_session(api, L"GameLauncher/1.0", resolve_user_proxy(api, url), 0);
    if (!session) throw std::runtime_error("WinHttpOpen failed");
    restrict_protocols(api, session.get());

    const INTERNET_PORT port = parts.secure ? INTERNET_DEFAULT_HTTPS_PORT : INTERNET_DEFAULT_HTTP_PORT;
    InternetHandle connection(api.connect(session.get(), parts.host.c_str(), port, 0));
    if (!connection) throw std::runtime_error("WinHttpConnect failed");

    InternetHandle request(api.open_request(connection.get(), L"GET", parts.path.c_str(), nullptr, WINHTTP_NO_REFERER,
                                            WINHTTP_DEFAULT_ACCEPT_TYPES, parts.secure ? WINHTTP_FLAG_SECURE : 0));
    if (!request) throw std::runtime_error("WinHttpOpenRequest failed");

    if (!api.send_request(request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0))
        throw std::runtime_error("WinHttpSendRequest failed");
    if (!api.receive_response(request.get(), nullptr)) throw std::runtime_error("WinHttpReceiveResponse failed");

    const DWORD status = query_status(api, request.get());
    if (status != 200) throw std::runtime_error("HTTP error: " + std::to_string(status));
    const std::uint32_t total = query_content_length(api, request.get());

    std::string body;
    if (total > 0) reserve_body(body, total);
    DownloadProgress reporter(total, progress);
    const auto buffer = std::make_unique<char[]>(DOWNLOAD_BUFFER_SIZE);
    for (;;) {
        DWORD read = 0;
        if (!api.read_data(request.get(), buffer.get(), DOWNLOAD_BUFFER_SIZE, &read))
            throw std::runtime_error("WinHttpReadData failed");
        if (read == 0) break;
        try {
            body.append(buffer.get(), read);
        } catch (const std::bad_alloc&) {
            refuse_body();  // a body without length that outgrew this process
        } catch (const std::length_error&) {
            refuse_body();
        }
        reporter.report(body.size());
    }

    request.reset();
    connection.reset();
    session.reset();
    reporter.finish();
    return body;
}
