# MinGW-w64 with the posix thread model (the win32 model's libstdc++ lacks std::thread).
# VELKARION_ARCH: i686 (the product) or x86_64 (the same sources for 64-bit Wine, where
# the machine cannot run 32-bit programs).
if(NOT VELKARION_ARCH)
  set(VELKARION_ARCH i686)
endif()
set(VELKARION_ARCH "${VELKARION_ARCH}" CACHE STRING "i686 or x86_64" FORCE)
set(triple "${VELKARION_ARCH}-w64-mingw32")
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${VELKARION_ARCH})
set(CMAKE_C_COMPILER ${triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triple}-g++-posix)
set(CMAKE_RC_COMPILER ${triple}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh;${VELKARION_ARCH}")
# Every function and datum in a section of its own, so that the linker drops what the exe
# never calls (most of the static runtime and of the dependencies).
set(CMAKE_C_FLAGS_INIT "-ffunction-sections -fdata-sections")
set(CMAKE_CXX_FLAGS_INIT "-ffunction-sections -fdata-sections")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-Wl,--gc-sections")
