#include "installer/base/errors.h"

#include <string>
#include <stdexcept>

namespace bz2 {

const char* bzip2_error_category::name() const noexcept { return "bz2"; }

std::string bzip2_error_category::message(int value) const { return std::to_string(value); }

const boost::system::error_category& bzip2_category() noexcept {
    static const bzip2_error_category category;
    return category;
}

}  // namespace bz2

namespace {

// Each narrow character becomes the wide character of the same byte value. A stream's
// own widening would stop the text at the first byte the C locale does not know.
void append_widened(std::wstring& out, const char* text) {
    for (; *text; ++text) out.push_back(static_cast<wchar_t>(static_cast<unsigned char>(*text)));
}

}  // namespace

std::wstring describe_exception(std::exception_ptr error) {
    std::wstring text;
    if (!error) return text;
    try {
        std::rethrow_exception(error);
    } catch (const boost::system::system_error& e) {
        append_widened(text, e.what());
        append_widened(text, ":");
        append_widened(text, e.code().category().name());
        text += L":" + std::to_wstring(e.code().value());
    } catch (const std::exception& e) {
        append_widened(text, e.what());
    } catch (...) {
        append_widened(text, "UNKNOWN_ERROR");
    }
    return text;
}

std::wstring describe_current_exception() { return describe_exception(std::current_exception()); }
