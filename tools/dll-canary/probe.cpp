// dll_probe NAME: loads NAME with the ordinary search order (the program's folder first)
// and exits 0 when it loaded.
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) return 2;
    HMODULE module = LoadLibraryW(argv[1]);
    if (!module) return 1;
    FreeLibrary(module);
    return 0;
}
