# The product for Java on ARM: PE32+, ARM64, the same configuration. It links
# no runtime: what the MinGW runtime's static library gives the other
# launchers, it brings itself, and its import libraries are written from the
# functions its objects call, for the system DLLs the products may import.
target_sources(tarvo PRIVATE src/launcher/crt_arm64.cpp)
set_target_properties(tarvo PROPERTIES OUTPUT_NAME tarvo-arm64 RUNTIME_OUTPUT_DIRECTORY ${CMAKE_SOURCE_DIR}/dist)

set(IMPORT_DIR ${CMAKE_BINARY_DIR}/imports)
set(IMPORT_DLLS kernel32 user32 gdi32 advapi32 msvcrt)
add_custom_command(TARGET tarvo PRE_LINK
  COMMAND python3 ${CMAKE_SOURCE_DIR}/tools/import-libs.py --machine arm64 --out ${IMPORT_DIR}
          --reference /usr/x86_64-w64-mingw32/lib --nm ${CMAKE_NM} --objdump ${CMAKE_OBJDUMP} --dlltool ${CMAKE_DLLTOOL}
          --dlls ${IMPORT_DLLS} --objects $<TARGET_OBJECTS:tarvo> $<TARGET_FILE:tarvo_core> $<TARGET_FILE:tarvo_text>
  COMMAND_EXPAND_LISTS VERBATIM)
# These libraries and no others: the platform's usual list names DLLs that
# have no import library here.
set(CMAKE_CXX_STANDARD_LIBRARIES "")
target_link_directories(tarvo PRIVATE ${IMPORT_DIR})
target_link_libraries(tarvo PRIVATE ${IMPORT_DLLS})
# The threads' stack reserve that GNU ld gives the other launchers; lld's is
# half of it.
target_link_options(tarvo PRIVATE -Wl,--stack,0x200000)

add_custom_command(TARGET tarvo POST_BUILD
  COMMAND stat -c "dist/tarvo-arm64.exe: %s bytes" $<TARGET_FILE:tarvo>
  VERBATIM)
