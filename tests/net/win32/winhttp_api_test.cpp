// The downloader's WinHTTP table comes whole from the system folder, and an incomplete
// one opens nothing.
#include <gtest/gtest.h>

#include <stdexcept>

#include "installer/net/download.h"
#include "installer/net/win32/winhttp_api.h"
#include "tests/support/win32/module_file.h"

namespace {

using test_support::in_system_folder;
using test_support::module_file_of;

TEST(WinHttpTable, CompleteAndFromTheSystemFolder) {
    const WinHttpApi& api = winhttp_api();
    ASSERT_TRUE(api.complete());
    for (auto path : {module_file_of(api.open), module_file_of(api.read_data), module_file_of(api.query_headers),
                      module_file_of(api.close_handle)})
        EXPECT_TRUE(in_system_folder(path, L"winhttp.dll")) << path;
}

TEST(WinHttpTable, AnIncompleteTableFailsBeforeOpeningAnything) {
    const WinHttpApi saved = winhttp_api();
    winhttp_api().read_data = nullptr;
    std::string outcome = "no error";
    try {
        download_package_from(L"http://127.0.0.1/never-asked", [](int) { return true; });
    } catch (const std::runtime_error& e) {
        outcome = e.what();
    }
    winhttp_api() = saved;
    EXPECT_EQ(outcome, "WinHttpOpen failed");
}

}  // namespace
