# Cross-compiles for 32-bit Windows with Debian's MinGW-w64 (posix thread model):
# the add-ons that 32-bit Internet Explorer tabs load, and the test fixtures
# that such tabs need. The 64-bit build runs it as a sub-build of its own; its
# programs run under Wine's WoW64 beside the 64-bit ones.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TOOLCHAIN_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/MingwToolchain.cmake)
