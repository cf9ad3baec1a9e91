// URL handler fixture: registered in a test prefix as the program that opens a URL scheme,
// it writes "url-opened.txt" beside itself (start_record.h; the URL is in its command line)
// and ends at once, without a window that could cover the installer's.
#include <windows.h>

#include "tools/sample-launcher/start_record.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    start_record::write(L"url-opened.txt");
    return 0;
}
