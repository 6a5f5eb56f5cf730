# Cross build for Windows on ARM: clang and lld against the MinGW-w64 headers.
# Debian has no C runtime and no import libraries for this target, so the
# build writes the import libraries it links (cmake/arm64.cmake) and only the
# launcher, which needs neither runtime, and on demand the tests' stand-ins,
# which bring what they need of one, are built here.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(TARVO_TRIPLE aarch64-w64-mingw32)
set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET ${TARVO_TRIPLE})
set(CMAKE_CXX_COMPILER_TARGET ${TARVO_TRIPLE})
find_program(CMAKE_RC_COMPILER NAMES llvm-windres llvm-windres-14 REQUIRED)

# The C headers are the ones every MinGW-w64 target shares: as the sysroot,
# they come after clang's own, as a MinGW compiler orders them, and no host
# header is seen. The C++ headers the launcher includes are the C wrappers
# and <initializer_list>, header only; libstdc++'s configuration for 64-bit
# MinGW describes this target as well (LLP64, the same C runtime).
set(CMAKE_SYSROOT /usr/share/mingw-w64)
file(GLOB TARVO_CXX_INCLUDE LIST_DIRECTORIES true /usr/lib/gcc/x86_64-w64-mingw32/*-win32/include/c++)
list(SORT TARVO_CXX_INCLUDE COMPARE NATURAL ORDER DESCENDING)
list(GET TARVO_CXX_INCLUDE 0 TARVO_CXX_INCLUDE)
set(CMAKE_CXX_FLAGS_INIT "-isystem ${TARVO_CXX_INCLUDE} -isystem ${TARVO_CXX_INCLUDE}/x86_64-w64-mingw32")
set(CMAKE_RC_FLAGS_INIT "--target=${TARVO_TRIPLE} --preprocessor-arg=--sysroot=${CMAKE_SYSROOT}")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-fuse-ld=lld")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-fuse-ld=lld")

# Nothing links without the import libraries the build writes, so the
# compiler checks stop at an archive.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
