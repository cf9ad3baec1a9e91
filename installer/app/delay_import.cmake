# Makes a delay-load import library for one system DLL from the toolchain's import
# library: every function it exports is bound on first call instead of at load time.
# -D NM, DLLTOOL, IMPORT_LIB, DLL, OUTPUT, MACHINE (i686 or x86_64).
execute_process(COMMAND "${NM}" "${IMPORT_LIB}" OUTPUT_VARIABLE symbols RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cannot list ${IMPORT_LIB}")
endif()
string(REGEX MATCHALL "I __imp_[^\r\n]+" imports "${symbols}")
set(def "LIBRARY ${DLL}\nEXPORTS\n")
foreach(entry IN LISTS imports)
  string(REGEX REPLACE "^I __imp_" "" name "${entry}")
  if(MACHINE STREQUAL "i686")
    # One C decoration only ("_TrackMouseEvent" keeps its own); @N stays for -k. A
    # REGEX REPLACE on "^_" would strip every leading underscore.
    string(SUBSTRING "${name}" 1 -1 name)
  endif()
  string(APPEND def "  ${name}\n")
endforeach()
get_filename_component(dir "${OUTPUT}" DIRECTORY)
file(MAKE_DIRECTORY "${dir}")
file(WRITE "${OUTPUT}.def" "${def}")
set(kill_at "")
if(MACHINE STREQUAL "i686")
  set(kill_at -k)
endif()
execute_process(COMMAND "${DLLTOOL}" ${kill_at} --input-def "${OUTPUT}.def" --dllname "${DLL}"
  --output-delaylib "${OUTPUT}" RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "dlltool failed for ${DLL}")
endif()
