# Windows build: 32-bit as it ships (or x86-64 from the same sources),
# statically linked; tests run under Wine of the same width.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(WINE_WIDTH --64)
else()
    set(WINE_WIDTH --32)
endif()
if(CMAKE_CROSSCOMPILING)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/scripts/wine-run.sh ${WINE_WIDTH} ${CMAKE_BINARY_DIR}/wineprefix)
    set(SHIPPED_COMPILERS -DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/mingw-${MINGW_ARCH}-win32.cmake)
else()
    set(SHIPPED_COMPILERS -DCMAKE_CXX_COMPILER=${CMAKE_CXX_COMPILER} -DCMAKE_RC_COMPILER=${CMAKE_RC_COMPILER})
endif()
add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
include_directories(${CMAKE_SOURCE_DIR})
option(TANDREL_SHIPPED "Build only the program, as it ships" OFF)
option(TANDREL_STAND_IN "An x86-64 build standing in for the shipped 32-bit program, where 32-bit code cannot run" OFF)
option(TANDREL_WINE_TESTS "Run the programs under Wine in the tests (off where this machine cannot run them)" ON)

if(NOT TANDREL_SHIPPED)
    # GoogleTest from Debian's sources, built with the cross compiler.
    set(GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
    set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    add_subdirectory(${GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

    # The program that ships, and that the tests run, is built on its own with
    # the Win32 thread model and -Os, which make it smallest.
    set(SHIPPED_ARGS ${SHIPPED_COMPILERS} -DCMAKE_BUILD_TYPE=MinSizeRel -DTANDREL_SHIPPED=ON --no-warn-unused-cli)
    include(ExternalProject)
    ExternalProject_Add(tandrel
        SOURCE_DIR ${CMAKE_SOURCE_DIR}
        BINARY_DIR ${CMAKE_BINARY_DIR}/shipped
        CMAKE_ARGS ${SHIPPED_ARGS}
        BUILD_ALWAYS ON
        INSTALL_COMMAND ${CMAKE_COMMAND} -E copy_if_different <BINARY_DIR>/tandrel.exe ${CMAKE_BINARY_DIR}/tandrel.exe
        BUILD_BYPRODUCTS ${CMAKE_BINARY_DIR}/tandrel.exe)
endif()

# Every target from here on is the project's own: warnings as errors, and
# programs that need no MinGW DLL at run time.
add_compile_options(${PROJECT_WARNINGS} -ffunction-sections -fdata-sections)
add_link_options(-static -static-libgcc -static-libstdc++ -Wl,--gc-sections)

add_library(dlg STATIC dlg/app.cpp dlg/dialog.cpp)
target_link_libraries(dlg PUBLIC user32)
add_library(engine STATIC engine/paths.cpp engine/messages.cpp engine/platform.cpp engine/folder.cpp engine/file_installer.cpp engine/plugin_installer.cpp)
target_link_libraries(engine PUBLIC dlg advapi32 ntdll)
add_library(ui STATIC ui/installer_dialog.cpp ui/version_check.cpp)
target_link_libraries(ui PUBLIC dlg engine)

if(TANDREL_SHIPPED)
    add_executable(tandrel WIN32 app/main.cpp app/installer_app.cpp res/tandrel.rc)
    target_link_libraries(tandrel PRIVATE ui)
    # No link time in the header: the same sources give the same bytes.
    target_link_options(tandrel PRIVATE -s -Wl,--no-insert-timestamp)
    set_source_files_properties(res/tandrel.rc PROPERTIES
        OBJECT_DEPENDS "${CMAKE_SOURCE_DIR}/res/tandrel.ico;${CMAKE_SOURCE_DIR}/res/tandrel.manifest;${CMAKE_SOURCE_DIR}/res/resource.h")
    return()
endif()
set(TANDREL_EXE ${CMAKE_BINARY_DIR}/tandrel.exe)

# Drives the program hands-free for the demo, the screenshots and the benchmark.
add_executable(autopilot tools/autopilot.cpp tools/ui_driver.cpp)
target_link_libraries(autopilot PRIVATE user32 gdi32)
add_executable(bare_dialog WIN32 tools/bare_dialog.cpp)
add_executable(bare_dialog_themed WIN32 tools/bare_dialog.cpp tools/bare_dialog_themed.rc)

# A shippable installation medium: Setup\tandrel.exe beside photoshopplugins\,
# laid out in medium/ and packed as tandrel-medium-<version>.zip with SHA256SUMS;
# the program is signed when a certificate is given.
set(TANDREL_PLUGINS "" CACHE STRING "Plug-in files to put on the installation medium (a list)")
set(TANDREL_SIGN_PKCS12 "" CACHE FILEPATH "PKCS#12 file with the maker's code-signing certificate and key: sign the medium's program")
set(TANDREL_SIGN_PASSWORD_FILE "" CACHE FILEPATH "File holding the PKCS#12 file's password")
set(TANDREL_SIGN_CAFILE "" CACHE FILEPATH "CA certificates the signature is verified against after signing (default: the system's)")
set(TANDREL_SIGN_CRLFILE "" CACHE FILEPATH "The certificate's revocation list as a file, checked in place of fetching it")
option(TANDREL_SIGN_CHECK_REVOCATION "Check the certificate's revocation when verifying the signature" ON)
set(TANDREL_SIGN_TIMESTAMP_URL "" CACHE STRING "RFC 3161 timestamp server for the signature")
set(TANDREL_SIGN_DESCRIPTION "" CACHE STRING "Description shown in the signature")
set(TANDREL_SIGN_URL "" CACHE STRING "URL shown in the signature")

# The version, from the one place it is defined.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/res/resource.h)
file(READ ${CMAKE_SOURCE_DIR}/res/resource.h resource_h)
string(REGEX MATCH "TANDREL_MAJOR ([0-9]+)" _ "${resource_h}")
set(version ${CMAKE_MATCH_1})
string(REGEX MATCH "TANDREL_MINOR ([0-9]+)" _ "${resource_h}")
string(APPEND version .${CMAKE_MATCH_1})
string(REGEX MATCH "TANDREL_VERSION TANDREL_MAJOR, TANDREL_MINOR, ([0-9]+), ([0-9]+)" _ "${resource_h}")
string(APPEND version .${CMAKE_MATCH_1}.${CMAKE_MATCH_2})

set(plugins "")
foreach(file IN LISTS TANDREL_PLUGINS)
    cmake_path(ABSOLUTE_PATH file BASE_DIRECTORY ${CMAKE_SOURCE_DIR})  # relative names: from the source tree
    list(APPEND plugins ${file})
endforeach()
list(JOIN plugins "$<SEMICOLON>" plugins)  # one argument to the script
add_custom_target(medium
    COMMAND ${CMAKE_COMMAND} -DEXE=${TANDREL_EXE} "-DPLUGINS=${plugins}" -DMEDIUM=${CMAKE_BINARY_DIR}/medium
            -DZIP=${CMAKE_BINARY_DIR}/tandrel-medium-${version}.zip
            -DSIGN_PKCS12=${TANDREL_SIGN_PKCS12} -DSIGN_PASSWORD_FILE=${TANDREL_SIGN_PASSWORD_FILE}
            -DSIGN_CAFILE=${TANDREL_SIGN_CAFILE} -DSIGN_CRLFILE=${TANDREL_SIGN_CRLFILE}
            -DSIGN_CHECK_REVOCATION=${TANDREL_SIGN_CHECK_REVOCATION} -DSIGN_TIMESTAMP_URL=${TANDREL_SIGN_TIMESTAMP_URL}
            "-DSIGN_DESCRIPTION=${TANDREL_SIGN_DESCRIPTION}" -DSIGN_URL=${TANDREL_SIGN_URL}
            -P ${CMAKE_SOURCE_DIR}/cmake/medium.cmake
    DEPENDS tandrel
    COMMENT "Laying out the installation medium in ${CMAKE_BINARY_DIR}/medium"
    VERBATIM)

include(tests/win/tests.cmake)
