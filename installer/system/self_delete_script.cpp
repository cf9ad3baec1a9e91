#include "installer/system/self_delete_script.h"

const char SELF_DELETE_SCRIPT[] =
    "\n"
    "@echo off\n"
    "\n"
    ":DELETE_FILE\n"
    "del \"%~1\" >nul 2>&1\n"
    "if exist \"%~1\" (\n"
    "    rem file_locked\n"
    "    goto :DELETE_FILE\n"
    ")\n"
    "\n"
    ":DELETE_FOLDER\n"
    "rd \"%~dp1\" >nul 2>&1\n"
    "if exist \"%~dp1\\\" (\n"
    "    rem folder_locked\n"
    "    goto :DELETE_FOLDER\n"
    ")\n"
    "\n"
    "exit\n";

static_assert(sizeof(SELF_DELETE_SCRIPT) == SELF_DELETE_SCRIPT_SIZE + 1, "the script is 217 bytes");
