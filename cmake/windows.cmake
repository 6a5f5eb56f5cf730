# The launcher, the tools and the Wine tests, cross-built for 32-bit Windows.
enable_language(RC)
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "aarch64")
  # No runtime exists for this target: every library is named.
  set(STATIC_RUNTIME -nostdlib)
else()
  set(STATIC_RUNTIME -static -static-libgcc -static-libstdc++)
endif()
set(SMALL -Os -D__USE_MINGW_ANSI_STDIO=0 -ffunction-sections -fno-exceptions -fno-rtti)
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
  set(SMALL ${SMALL} -fno-asynchronous-unwind-tables)
else()
  # The x64 and ARM64 calling conventions need unwind data for every function
  # that is not a leaf: exception dispatch, crash dumps, debuggers and
  # profilers walk through the launcher's frames, which lie under every frame
  # of main.
  set(SMALL ${SMALL} -fasynchronous-unwind-tables)
endif()
if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  # No C++ runtime is linked to guard a function's static, and the launcher
  # has none that needs a guard.
  set(SMALL ${SMALL} -fno-threadsafe-statics -Oz)
endif()
target_compile_options(tarvo_text PRIVATE ${SMALL} -Wall -Wextra -Werror)
# An elevated start hashes a whole runtime: there speed is worth its bytes.
set_source_files_properties(src/files/sha256_text.cpp PROPERTIES COMPILE_OPTIONS -O2)

add_library(tarvo_core STATIC ${TARVO_WIN_SOURCES})
target_link_libraries(tarvo_core PUBLIC tarvo_text)
target_compile_options(tarvo_core PRIVATE ${SMALL} -Wall -Wextra -Werror)

add_executable(tarvo WIN32 src/launcher/main.cpp res/tarvo.rc)
target_compile_options(tarvo PRIVATE ${SMALL} -Wall -Wextra -Werror)
target_link_libraries(tarvo PRIVATE tarvo_core)
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
  set(TARVO_ENTRY _tarvoEntry)
else()
  set(TARVO_ENTRY tarvoEntry)
endif()
target_link_options(tarvo PRIVATE ${STATIC_RUNTIME} -nostartfiles -Wl,-e,${TARVO_ENTRY} -Wl,--gc-sections -s)

if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
  # The product: PE32, i386.
  set_target_properties(tarvo PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_SOURCE_DIR}/dist)
  add_custom_command(TARGET tarvo POST_BUILD
    COMMAND stat -c "dist/tarvo.exe: %s bytes" $<TARGET_FILE:tarvo>
    VERBATIM)
  # The 32-bit stand-ins, built for the tests only.
  include(cmake/standins.cmake)
  set_target_properties(${STANDIN_TARGETS} PROPERTIES EXCLUDE_FROM_ALL ON)
  add_custom_target(standins DEPENDS ${STANDIN_TARGETS})
elseif(CMAKE_SYSTEM_PROCESSOR STREQUAL "aarch64")
  include(cmake/arm64.cmake)
else()
  # The product for 64-bit Java: PE32+, x86-64, the same configuration.
  add_custom_command(TARGET tarvo POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:tarvo> ${CMAKE_SOURCE_DIR}/dist/tarvo64.exe
    COMMAND stat -c "dist/tarvo64.exe: %s bytes" ${CMAKE_SOURCE_DIR}/dist/tarvo64.exe
    VERBATIM)
  include(cmake/wine-tests.cmake)
endif()
