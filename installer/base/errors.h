#pragma once
// The error form shared by every long operation.
//
// Coded errors: boost::system::system_error built from an error code and a short static
// identifier ("zip.eocd", "fo"). Inside the reader, decoders and file writer a step that
// can fail returns the identifier (nullptr on success) and stores the code in its
// out-parameter; the caller throws at once with throw_if_failed.
// Plain errors: std::runtime_error with an English sentence ("empty ZIP").
#include <exception>
#include <string>

#include <boost/system/error_code.hpp>
#include <boost/system/system_error.hpp>

namespace bz2 {

// Return codes of the bzip2 library; message(value) is the value in decimal.
class bzip2_error_category : public boost::system::error_category {
public:
    const char* name() const noexcept override;
    std::string message(int value) const override;
};

const boost::system::error_category& bzip2_category() noexcept;

}  // namespace bz2

// Throws the coded error for a failed step; does nothing when identifier is null.
inline void throw_if_failed(const char* identifier, const boost::system::error_code& code) {
    if (identifier) throw boost::system::system_error(code, identifier);
}

// The outcome text of a caught exception:
//   system_error    -> what() + ":" + category name + ":" + value   ("zip.eocd: ...:system:11")
//   std::exception  -> what()
//   anything else   -> "UNKNOWN_ERROR"
// Narrow texts are widened byte by byte (each byte keeps its value), without code-page
// conversion, so a non-ASCII system message never cuts the text short.
// A null pointer (nothing was thrown) gives the empty text.
std::wstring describe_exception(std::exception_ptr error);

// describe_exception(std::current_exception()); for use inside a catch (...) block.
std::wstring describe_current_exception();
