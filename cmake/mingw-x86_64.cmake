# 64-bit Windows: the same sources, built and tested where 32-bit programs cannot run.
set(KEYLOFT_ARCH x86_64)
set(KEYLOFT_WINE_LOADER wine64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
