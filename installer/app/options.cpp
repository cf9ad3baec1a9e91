#include "installer/app/options.h"

std::set<std::wstring> collect_options(int argc, const wchar_t* const* argv) {
    std::set<std::wstring> options;
    for (int i = 1; i < argc && argv; ++i) {
        if (argv[i]) options.insert(argv[i]);
    }
    return options;
}

StartOptions read_options(int argc, const wchar_t* const* argv) {
    const std::set<std::wstring> options = collect_options(argc, argv);
    StartOptions result;
    result.dry_run = options.count(L"--dry-run") != 0;
    result.force_install = options.count(L"--install") != 0;
    return result;
}
