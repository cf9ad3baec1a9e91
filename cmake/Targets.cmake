# Helpers that keep each folder's CMakeLists short.

# Warnings as errors for the project's own code only.
function(velk_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror -Wno-unused-parameter)
  if(WIN32)
    target_compile_definitions(${target} PRIVATE UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
      _WIN32_WINNT=0x0601 WINVER=0x0601)
  endif()
endfunction()

# The folder's portable files matching pattern, plus those in win32/ (windows) or posix/
# (native): the one seam between the two platforms. Further arguments name subfolders
# taken in the same way.
function(velk_sources out pattern)
  if(WIN32)
    set(side win32)
  else()
    set(side posix)
  endif()
  set(globs "")
  foreach(folder "." ${ARGN})
    list(APPEND globs "${CMAKE_CURRENT_SOURCE_DIR}/${folder}/${pattern}"
      "${CMAKE_CURRENT_SOURCE_DIR}/${folder}/${side}/${pattern}")
  endforeach()
  file(GLOB found CONFIGURE_DEPENDS ${globs})
  set(${out} ${found} PARENT_SCOPE)
endfunction()

# A library made of the folder's sources and those of its FOLDERS (velk_sources). In the
# windows Release build only SPEED libraries (the decoders) keep the speed-optimised code;
# the window, the system calls and the rest run seldom and are optimised for size.
function(velk_library name)
  cmake_parse_arguments(A "WINDOWS_ONLY;SPEED" "" "LIBS;FOLDERS" ${ARGN})
  if(A_WINDOWS_ONLY AND NOT WIN32)
    return()
  endif()
  velk_sources(sources "*.cpp" ${A_FOLDERS})
  if(NOT sources)
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE "${PROJECT_SOURCE_DIR}")
    target_link_libraries(${name} INTERFACE ${A_LIBS})
    return()
  endif()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC "${PROJECT_SOURCE_DIR}")
  target_link_libraries(${name} PUBLIC ${A_LIBS})
  velk_warnings(${name})
  if(WIN32 AND NOT A_SPEED)
    target_compile_options(${name} PRIVATE $<$<CONFIG:Release>:-Os>)
  endif()
endfunction()

# One test program per folder: every Wine start costs seconds, so all of a folder's
# cases run in one process.
function(velk_test_program name)
  cmake_parse_arguments(A "WINDOWS_ONLY" "" "LIBS;SOURCES;FOLDERS" ${ARGN})
  if(A_WINDOWS_ONLY AND NOT WIN32)
    return()
  endif()
  velk_sources(sources "*_test.cpp" ${A_FOLDERS})
  if(NOT sources AND NOT A_SOURCES)
    return()
  endif()
  add_executable(${name} ${sources} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE ${A_LIBS} GTest::gtest_main GTest::gmock)
  target_include_directories(${name} PRIVATE "${PROJECT_SOURCE_DIR}")
  velk_warnings(${name})
  add_test(NAME ${name} COMMAND ${name})
  if(WIN32)
    # Each program gets a prefix of its own: registries stay apart and programs run at once.
    set(prefix_env "WINEPREFIX=${CMAKE_CURRENT_BINARY_DIR}/wineprefix-${name}")
  endif()
  set_tests_properties(${name} PROPERTIES ENVIRONMENT
    "VELK_SOURCE_DIR=${PROJECT_SOURCE_DIR};VELK_BINARY_DIR=${PROJECT_BINARY_DIR};${prefix_env}" TIMEOUT 1800)
endfunction()
