# Tests of the Windows program, under Wine. Every wait in them is for a state,
# with a deadline of seconds; the time limits only stop a test that hangs.

# The real program driven from outside, and beside it a DLL a planter would
# leave, which leaves a marker when loaded.
add_executable(program_win_tests tests/win/program_test.cpp tools/ui_driver.cpp)
target_link_libraries(program_win_tests PRIVATE gtest user32 advapi32 gdi32)
add_library(planted SHARED tests/win/planted_dll.cpp)
set_target_properties(planted PROPERTIES PREFIX "" RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/planted)
add_dependencies(program_win_tests tandrel planted)

# The dialog in this process, with the program's resources.
add_executable(dialog_win_tests tests/win/dialog_test.cpp res/tandrel.rc)
target_link_libraries(dialog_win_tests PRIVATE ui gtest_main)

# What needs no Wine: the file the program is.
find_program(MINGW_OBJDUMP NAMES ${MINGW_ARCH}-w64-mingw32-objdump objdump REQUIRED)
add_test(NAME tandrel_imports COMMAND bash ${CMAKE_SOURCE_DIR}/tests/win/check_imports.sh ${MINGW_OBJDUMP} ${TANDREL_EXE}
         $<$<BOOL:${TANDREL_STAND_IN}>:stand-in>)
set_tests_properties(tandrel_imports PROPERTIES TIMEOUT 20)

# The shipped program built again from a copy of the sources, in other folders and
# at another time: the same bytes.
add_test(NAME reproducible_program COMMAND bash -c [[
    set -e; rm -rf "$0"; mkdir -p "$0/src"
    tar -C "$1" --exclude=./build --exclude=./.git -cf - . | tar -C "$0/src" -xf -
    { cmake -S "$0/src" -B "$0/build" -G "$3" "${@:4}" && cmake --build "$0/build"; } >"$0/log" 2>&1 || { cat "$0/log"; exit 1; }
    cmp "$0/build/tandrel.exe" "$2"]]
    ${CMAKE_BINARY_DIR}/rebuilt ${CMAKE_SOURCE_DIR} ${TANDREL_EXE} ${CMAKE_GENERATOR} ${SHIPPED_ARGS})

# The medium signed with a throwaway certificate.
add_test(NAME signed_medium COMMAND bash ${CMAKE_SOURCE_DIR}/tests/win/signing_test.sh ${CMAKE_SOURCE_DIR} ${TANDREL_EXE} signing)
set_tests_properties(signed_medium reproducible_program PROPERTIES TIMEOUT 300)
if(NOT TANDREL_WINE_TESTS)
    return()
endif()

# Wine gives each process the ANSI code page of its locale: 1252, then 932 for
# the rows whose names end in Cp932.
add_test(NAME program_win_tests COMMAND program_win_tests --gtest_filter=-*FullDisk*:*ReadOnlyDrive*:*Cp932)
set_tests_properties(program_win_tests PROPERTIES ENVIRONMENT LC_ALL=C.UTF-8)
set(wine_tests program_win_tests dialog_win_tests program_mounted_drives)
if(CMAKE_CROSSCOMPILING)  # on Windows the code page is the machine's
    add_test(NAME program_cp932 COMMAND program_win_tests --gtest_filter=*Cp932)
    set_tests_properties(program_cp932 PROPERTIES ENVIRONMENT LC_ALL=ja_JP.UTF-8)
    # The prefix made before the first test, not within its limit; its processes
    # ended after the last, pass or fail.
    add_test(NAME wine_start COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} cmd /c exit)
    add_test(NAME wine_stop COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} --stop)
    set_tests_properties(wine_start PROPERTIES FIXTURES_SETUP wine RESOURCE_LOCK wineprefix TIMEOUT 300)
    set_tests_properties(wine_stop PROPERTIES FIXTURES_CLEANUP wine RESOURCE_LOCK wineprefix TIMEOUT 60)
    list(APPEND wine_tests program_cp932)
endif()
add_test(NAME program_mounted_drives COMMAND bash ${CMAKE_SOURCE_DIR}/tests/win/with_small_drive.sh ${CMAKE_BINARY_DIR}/wineprefix
         ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:program_win_tests> --gtest_filter=*FullDisk*:*ReadOnlyDrive*)
add_test(NAME dialog_win_tests COMMAND dialog_win_tests)
# One prefix, one set of registry keys, one screen: one test at a time.
# A hung program is ended before the limit, so that its output is shown.
set_tests_properties(${wine_tests} PROPERTIES FIXTURES_REQUIRED wine RESOURCE_LOCK wineprefix TIMEOUT 600
                     ENVIRONMENT_MODIFICATION TIME_LIMIT=set:540)
