# 64-bit Windows programs from the same sources: they stand in under 64-bit Wine
# where a machine cannot run 32-bit code.
set(MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
