# 32-bit Windows: the architecture the plug-in ships for.
set(ARVIK_TRIPLET i686-w64-mingw32)
set(ARVIK_CPU i686)
set(ARVIK_WINE wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
