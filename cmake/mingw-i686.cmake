# 32-bit Windows: the product, since the keyboard vendor's kbhook.dll is a 32-bit library.
set(KEYLOFT_ARCH i686)
set(KEYLOFT_WINE_LOADER wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
