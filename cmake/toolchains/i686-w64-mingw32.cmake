# 32-bit Windows with the MinGW-w64 cross compilers. The "-posix" compilers use the winpthreads
# threading model, without which the C++ library has no std::thread or std::mutex. The whole
# runtime is linked statically, so the programs need no DLL beyond the system's own; the tests
# run through Wine (cmake/wine-run) wherever CMake runs a built program.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(VEXO_MINGW_TRIPLET i686-w64-mingw32)
set(CMAKE_C_COMPILER ${VEXO_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VEXO_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${VEXO_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VEXO_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# -static takes winpthread in too; the other two are implied by it but say what matters.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Floating point in SSE2 registers, as on x86-64, rather than the x87's 80-bit registers, whose
# excess precision makes comparisons at a limit come out otherwise than in the 64-bit builds.
# Every processor that runs Windows 7 or later has SSE2.
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")

set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../wine-run)
