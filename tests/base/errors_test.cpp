#include "installer/base/errors.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "tests/support/outcome.h"

namespace {

using test_support::outcome_of;

std::wstring widen(const std::string& text) { return std::wstring(text.begin(), text.end()); }

}  // namespace

TEST(DescribeException, CodedErrorCarriesMessageCategoryAndValue) {
    const boost::system::error_code code(11, boost::system::system_category());
    const std::wstring expected = L"zip.eocd: " + widen(code.message()) + L":system:11";
    EXPECT_EQ(expected, outcome_of([] {
                  throw_if_failed("zip.eocd",
                                  boost::system::error_code(11, boost::system::system_category()));
              }));
}

TEST(DescribeException, Bzip2CategoryWritesSignedValues) {
    EXPECT_EQ(L"bz2.unpack: -4:bz2:-4", outcome_of([] {
                  throw boost::system::system_error(
                      boost::system::error_code(-4, bz2::bzip2_category()), "bz2.unpack");
              }));
    EXPECT_EQ(L"bz2.unpack: 4:bz2:4", outcome_of([] {
                  throw_if_failed("bz2.unpack", boost::system::error_code(4, bz2::bzip2_category()));
              }));
    EXPECT_STREQ("bz2", bz2::bzip2_category().name());
    EXPECT_EQ(&bz2::bzip2_category(), &bz2::bzip2_category());
}

TEST(DescribeException, GenericCategoryAndPlainErrors) {
    EXPECT_EQ(L"zip.idx: " + widen(boost::system::generic_category().message(22)) + L":generic:22",
              outcome_of([] {
                  throw_if_failed("zip.idx",
                                  boost::system::error_code(22, boost::system::generic_category()));
              }));
    EXPECT_EQ(L"User cancelled unpack",
              outcome_of([] { throw std::runtime_error("User cancelled unpack"); }));
    EXPECT_EQ(L"UNKNOWN_ERROR", outcome_of([] { throw 42; }));
    EXPECT_EQ(L"", describe_exception(nullptr));
    throw_if_failed(nullptr, boost::system::error_code(5, boost::system::system_category()));
}

TEST(DescribeException, NarrowTextIsWidenedBytewise) {
    // No code-page conversion: each byte becomes one wide character of the same value.
    const std::wstring text = outcome_of([] { throw std::runtime_error("caf\xc3\xa9"); });
    ASSERT_EQ(5u, text.size());
    EXPECT_EQ(L'c', text[0]);
    EXPECT_EQ(wchar_t(0xc3), text[3]);
    EXPECT_EQ(wchar_t(0xa9), text[4]);
}
