# Windows build: 32-bit, statically linked; tests run under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/scripts/wine-run.sh ${CMAKE_BINARY_DIR}/wineprefix)
set(STATIC_LINK -static -static-libgcc -static-libstdc++)
add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)

target_sources(engine PRIVATE engine/win32_platform.cpp)
target_link_libraries(engine PUBLIC advapi32 user32)

# GoogleTest from Debian's sources, built with the cross compiler.
set(GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# Every target from here on is the project's own: warnings as errors, and
# programs that need no MinGW DLL at run time.
add_compile_options(${PROJECT_WARNINGS})
add_link_options(${STATIC_LINK})

# The test program sits in a medium's Setup folder, so its own path leads
# to medium\photoshopplugins like the installer's does.
add_executable(engine_win_tests
    tests/common/install_scenarios.cpp
    tests/win/real_world.cpp
    tests/win/win_fixtures.cpp)
target_link_libraries(engine_win_tests PRIVATE engine gtest_main)
set_target_properties(engine_win_tests PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/test-medium/Setup)
add_test(NAME engine_win_tests COMMAND engine_win_tests)

# The dialog layer and the program.
add_library(dlg STATIC dlg/app.cpp dlg/dialog.cpp)
target_include_directories(dlg PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(dlg PUBLIC user32)

add_library(ui STATIC ui/installer_dialog.cpp ui/version_check.cpp)
target_link_libraries(ui PUBLIC dlg engine)

add_executable(tandrel WIN32 app/main.cpp app/installer_app.cpp res/tandrel.rc)
target_link_libraries(tandrel PRIVATE ui)
# Symbols stripped and unused sections dropped: the medium carries only what runs.
target_compile_options(tandrel PRIVATE -ffunction-sections -fdata-sections)
target_link_options(tandrel PRIVATE -s -Wl,--gc-sections)
set_source_files_properties(res/tandrel.rc PROPERTIES
    OBJECT_DEPENDS "${CMAKE_SOURCE_DIR}/res/tandrel.ico;${CMAKE_SOURCE_DIR}/res/tandrel.manifest;${CMAKE_SOURCE_DIR}/res/resource.h")

# The program driven from outside, and its resources read back.
add_executable(program_win_tests
    tests/win/program_test.cpp
    tests/win/resources_test.cpp
    tests/win/fault_test.cpp
    tools/ui_driver.cpp
    tests/win/win_fixtures.cpp)
target_link_libraries(program_win_tests PRIVATE gtest_main user32 advapi32 version)
add_dependencies(program_win_tests tandrel planted_dlls)

# DLLs a planter would leave beside the program; each leaves a marker when loaded.
foreach(name uxtheme dwmapi version comctl32)
    add_library(planted_${name} SHARED tests/win/planted_dll.cpp)
    set_target_properties(planted_${name} PROPERTIES OUTPUT_NAME ${name} PREFIX "" RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/planted)
    list(APPEND PLANTED planted_${name})
endforeach()
add_custom_target(planted_dlls DEPENDS ${PLANTED})
add_test(NAME program_win_tests COMMAND program_win_tests --gtest_filter=-FaultTest.FullDisk)

# Drives the program hands-free for the demo and the screenshots.
add_executable(autopilot tools/autopilot.cpp tools/ui_driver.cpp)
target_link_libraries(autopilot PRIVATE user32 gdi32)

add_executable(bare_dialog WIN32 tools/bare_dialog.cpp)
add_executable(bare_dialog_themed WIN32 tools/bare_dialog.cpp tools/bare_dialog_themed.rc)

# A shippable installation medium: Setup\tandrel.exe beside photoshopplugins\.
set(TANDREL_PLUGINS "" CACHE STRING "Plug-in files to put on the installation medium (a list)")
set(MEDIUM_DIR ${CMAKE_BINARY_DIR}/medium)
set(COPY_PLUGINS "")
set(PLUGIN_FILES "")
foreach(file IN LISTS TANDREL_PLUGINS)
    cmake_path(ABSOLUTE_PATH file BASE_DIRECTORY ${CMAKE_SOURCE_DIR})  # relative names: from the source tree
    list(APPEND PLUGIN_FILES ${file})
endforeach()
if(PLUGIN_FILES)
    set(COPY_PLUGINS COMMAND ${CMAKE_COMMAND} -E copy ${PLUGIN_FILES} ${MEDIUM_DIR}/photoshopplugins/)
endif()
add_custom_target(medium
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${MEDIUM_DIR}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${MEDIUM_DIR}/Setup ${MEDIUM_DIR}/photoshopplugins
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:tandrel> ${MEDIUM_DIR}/Setup/tandrel.exe
    ${COPY_PLUGINS}
    DEPENDS tandrel
    COMMENT "Laying out the installation medium in ${MEDIUM_DIR}"
    VERBATIM)

# The dialog in-process on the in-memory platform, with the program's resources.
add_executable(dialog_win_tests tests/win/dialog_test.cpp tests/common/fake_platform.cpp res/tandrel.rc)
target_link_libraries(dialog_win_tests PRIVATE ui gtest_main)
add_test(NAME dialog_win_tests COMMAND dialog_win_tests)

set_tests_properties(engine_win_tests program_win_tests dialog_win_tests PROPERTIES TIMEOUT 600)

find_program(MINGW_OBJDUMP NAMES i686-w64-mingw32-objdump objdump REQUIRED)
add_test(NAME tandrel_imports
    COMMAND bash ${CMAKE_SOURCE_DIR}/tests/win/check_imports.sh ${MINGW_OBJDUMP} $<TARGET_FILE:tandrel>)
add_test(NAME program_full_disk
    COMMAND bash ${CMAKE_SOURCE_DIR}/tests/win/with_small_drive.sh
            ${CMAKE_SOURCE_DIR}/scripts/wine-run.sh ${CMAKE_BINARY_DIR}/wineprefix $<TARGET_FILE:program_win_tests>)
