// HTTPS through WinHTTP: a certificate from the test server's own CA, trusted in this
// Wine prefix's root store only, a self-signed one that nothing trusts, and a server
// that speaks only TLS 1.0 and 1.1.
#include <gtest/gtest.h>

#include <windows.h>
#include <wincrypt.h>

#include <fstream>
#include <iterator>
#include <stdexcept>

#include "installer/net/download.h"
#include "tests/net/win32/loopback_server.h"

namespace {

bool trust_test_ca() {
    std::ifstream in(loopback_server_file("ca.der"), std::ios::binary);
    const std::string der((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (der.empty()) return false;
    HCERTSTORE store = CertOpenSystemStoreW(0, L"ROOT");
    if (!store) return false;
    const BOOL added = CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING,
                                                        reinterpret_cast<const BYTE*>(der.data()),
                                                        static_cast<DWORD>(der.size()), CERT_STORE_ADD_REPLACE_EXISTING,
                                                        nullptr);
    CertCloseStore(store, 0);
    return added != FALSE;
}

std::string get(const std::wstring& url) {
    return download_package_from(url, [](int) { return true; });
}

std::string error_of(const std::wstring& url) {
    try {
        get(url);
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "no error";
}

class Https : public ::testing::Test {
protected:
    void SetUp() override {
        if (loopback_server().untrusted.empty() || !trust_test_ca()) GTEST_SKIP() << "TLS test server not running";
    }
    static std::wstring url(const std::wstring& host, const std::wstring& path) { return L"https://" + host + path; }
};

TEST_F(Https, TrustedCertificateDownloadsOverTls12Or13) {
    try {
        std::string body = get(url(loopback_server().host, L"/ok"));
        ASSERT_EQ(body.size(), 100000u);
        for (std::size_t i = 0; i < body.size(); ++i)
            ASSERT_EQ(static_cast<unsigned char>(body[i]), i * 7 % 251) << "at " << i;
        const std::string version = get(url(loopback_server().host, L"/tls-version"));
        EXPECT_TRUE(version == "TLSv1.2" || version == "TLSv1.3") << version;
    } catch (const std::runtime_error& e) {
        FAIL() << e.what();
    }
}

TEST_F(Https, SchemeInCapitalsIsSecureToo) {
    EXPECT_EQ(get(L"HTTPS://" + loopback_server().host + L"/tls-version").rfind("TLSv1.", 0), 0u);
    EXPECT_EQ(get(L"Https://" + loopback_server().host + L"/tls-version").rfind("TLSv1.", 0), 0u);
    EXPECT_EQ(get(L"http://" + loopback_server().host + L"/tls-version"), "plain");
}

TEST_F(Https, UntrustedCertificateFailsToSend) {
    EXPECT_EQ(error_of(url(loopback_server().untrusted, L"/ok")), "WinHttpSendRequest failed");
}

TEST_F(Https, ServerWithOnlyOldProtocolsIsRefused) {
    if (loopback_server().legacy.empty() || loopback_server().legacy == L"-") GTEST_SKIP() << "this OpenSSL serves no TLS 1.0";
    EXPECT_EQ(error_of(url(loopback_server().legacy, L"/ok")), "WinHttpSendRequest failed");
}

}  // namespace
