# 64-bit Windows: used to run the tests on machines that cannot execute
# 32-bit Linux programs, and so cannot start the 32-bit Wine loader.
set(ARVIK_TRIPLET x86_64-w64-mingw32)
set(ARVIK_CPU x86_64)
set(ARVIK_WINE wine64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
