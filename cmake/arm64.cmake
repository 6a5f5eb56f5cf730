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

# The stand-ins for the tests of this launcher, built by the target standins
# only: java.exe and the VM libraries from the same sources as the others'.
# What the C++ headers leave to a runtime, standin_runtime brings: the entry
# points, which run the globals' constructors, the allocation operators and
# std::string's members; like the launcher, each links import libraries
# written from the functions it calls.
include(cmake/standins.cmake)
add_library(standin_runtime STATIC tests/helpers/standin_crt_arm64.cpp src/launcher/crt_arm64.cpp)
set(STANDIN_IMPORT_DLLS kernel32 user32 msvcrt)
foreach(name standin_runtime ${STANDIN_TARGETS})
  # No C++ runtime to unwind through or to type an object.
  target_compile_options(${name} PRIVATE -fno-exceptions -fno-rtti -ffunction-sections -fdata-sections -Wall -Wextra)
endforeach()
foreach(name ${STANDIN_TARGETS})
  set(imports ${CMAKE_BINARY_DIR}/standin-imports/${name})
  add_custom_command(TARGET ${name} PRE_LINK
    COMMAND python3 ${CMAKE_SOURCE_DIR}/tools/import-libs.py --machine arm64 --out ${imports}
            --reference /usr/x86_64-w64-mingw32/lib --nm ${CMAKE_NM} --objdump ${CMAKE_OBJDUMP} --dlltool ${CMAKE_DLLTOOL}
            --dlls ${STANDIN_IMPORT_DLLS} --objects $<TARGET_OBJECTS:${name}> $<TARGET_FILE:standin_runtime>
    COMMAND_EXPAND_LISTS VERBATIM)
  target_link_directories(${name} PRIVATE ${imports})
  target_link_libraries(${name} PRIVATE standin_runtime ${STANDIN_IMPORT_DLLS})
  target_link_options(${name} PRIVATE -Wl,--gc-sections -s)
endforeach()
target_link_options(java_standin PRIVATE -Wl,-e,mainCRTStartup)
foreach(name ${STANDIN_DLLS})
  target_link_options(${name} PRIVATE -Wl,-e,DllMainCRTStartup)
endforeach()
set_target_properties(standin_runtime ${STANDIN_TARGETS} PROPERTIES EXCLUDE_FROM_ALL ON)
add_custom_target(standins DEPENDS ${STANDIN_TARGETS})
