# Tests of the Windows program, under Wine. Each has a time limit: a fault that
# makes the program hang fails within a minute or two instead of holding CI.

# The real program driven from outside.
add_executable(program_win_tests tests/win/program_test.cpp tools/ui_driver.cpp engine/messages.cpp)
target_link_libraries(program_win_tests PRIVATE gtest_main user32 advapi32 gdi32 shell32)
add_dependencies(program_win_tests tandrel planted_dlls)
add_test(NAME program_win_tests COMMAND program_win_tests --gtest_filter=-*FullDisk*)
add_test(NAME program_full_disk
    COMMAND bash ${CMAKE_SOURCE_DIR}/tests/win/with_small_drive.sh
            ${CMAKE_SOURCE_DIR}/scripts/wine-run.sh ${CMAKE_BINARY_DIR}/wineprefix $<TARGET_FILE:program_win_tests>)

# DLLs a planter would leave beside the program; each leaves a marker when loaded.
foreach(name uxtheme dwmapi version comctl32)
    add_library(planted_${name} SHARED tests/win/planted_dll.cpp)
    set_target_properties(planted_${name} PROPERTIES OUTPUT_NAME ${name} PREFIX "" RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/planted)
    list(APPEND PLANTED planted_${name})
endforeach()
add_custom_target(planted_dlls DEPENDS ${PLANTED})

# The dialogs in this process, with the program's resources.
add_executable(dialog_win_tests tests/win/dialog_test.cpp res/tandrel.rc)
target_link_libraries(dialog_win_tests PRIVATE ui gtest_main)
add_test(NAME dialog_win_tests COMMAND dialog_win_tests)

find_program(MINGW_OBJDUMP NAMES i686-w64-mingw32-objdump objdump REQUIRED)
add_test(NAME tandrel_imports
    COMMAND bash ${CMAKE_SOURCE_DIR}/tests/win/check_imports.sh ${MINGW_OBJDUMP} ${TANDREL_EXE})

set_tests_properties(program_win_tests PROPERTIES TIMEOUT 240)
set_tests_properties(program_full_disk dialog_win_tests tandrel_imports PROPERTIES TIMEOUT 60)
