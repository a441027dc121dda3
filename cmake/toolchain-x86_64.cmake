set(VANTREL_TARGET x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
