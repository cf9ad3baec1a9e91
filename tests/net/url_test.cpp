#include <gtest/gtest.h>

#include <stdexcept>

#include "installer/net/url.h"

namespace {

std::string error_of(const std::wstring& url) {
    try {
        split_url(url);
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "no error";
}

TEST(SplitUrl, SplitsHostAndPathKeepingQueryAndCase) {
    const UrlParts p = split_url(L"https://Cdn.Example.COM/dir/Setup.zip?v=2&x=%20#frag");
    EXPECT_EQ(p.scheme, L"https");
    EXPECT_TRUE(p.secure);
    EXPECT_EQ(p.host, L"Cdn.Example.COM");
    EXPECT_EQ(p.path, L"/dir/Setup.zip?v=2&x=%20#frag");
}

TEST(SplitUrl, SchemeCaseDecidesNothingButSecurity) {
    EXPECT_TRUE(split_url(L"HTTPS://h/").secure);
    EXPECT_TRUE(split_url(L"Https://h/").secure);
    EXPECT_FALSE(split_url(L"HtTp://h/").secure);
    EXPECT_EQ(split_url(L"HTTP://h/").scheme, L"http");
}

TEST(SplitUrl, HostWithoutPathRequestsRoot) {
    const UrlParts p = split_url(L"http://example.com");
    EXPECT_EQ(p.host, L"example.com");
    EXPECT_EQ(p.path, L"/");
    EXPECT_EQ(split_url(L"http://").host, L"");
}

TEST(SplitUrl, PortStaysPartOfTheHostName) {
    const UrlParts p = split_url(L"http://user@127.0.0.1:8080/a");
    EXPECT_EQ(p.host, L"user@127.0.0.1:8080");
    EXPECT_EQ(p.path, L"/a");
}

TEST(SplitUrl, OnlyTheFirstSeparatorCounts) {
    const UrlParts p = split_url(L"http://h/redirect?to=https://other/x");
    EXPECT_EQ(p.host, L"h");
    EXPECT_EQ(p.path, L"/redirect?to=https://other/x");
}

TEST(SplitUrl, RejectsMalformedAndOtherSchemes) {
    EXPECT_EQ(error_of(L"example.com/file.zip"), "Invalid URL: no '://'");
    EXPECT_EQ(error_of(L""), "Invalid URL: no '://'");
    EXPECT_EQ(error_of(L"http:/x"), "Invalid URL: no '://'");
    EXPECT_EQ(error_of(L"ftp://example.com/file.zip"), "Unsupported protocol (only http/https)");
    EXPECT_EQ(error_of(L"://example.com/"), "Unsupported protocol (only http/https)");
    EXPECT_EQ(error_of(L"https ://example.com/"), "Unsupported protocol (only http/https)");
}

}  // namespace
