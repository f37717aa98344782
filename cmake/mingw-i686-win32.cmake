# The same with the Win32 thread model: the smallest statically linked program,
# but without the std::mutex GoogleTest needs.
set(MINGW_THREADS win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-i686.cmake)
