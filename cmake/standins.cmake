# Stand-ins for a Java installation, built for the architecture of this
# build, so that each launcher meets a java.exe and jvm.dll of its own kind
# (or, in the tests, of the other kind).
set(STANDIN_DLLS lib_jvm_standin lib_jvm_noexport lib_rt_standin lib_jvm_modern lib_nowhere lib_jvm_missing
                 lib_agent)
set(STANDIN_TARGETS java_standin ${STANDIN_DLLS})
add_executable(java_standin tests/helpers/java_standin.cpp)
target_link_options(java_standin PRIVATE ${STATIC_RUNTIME})
foreach(name lib_jvm_standin lib_jvm_noexport lib_rt_standin lib_agent)
  add_library(${name} SHARED tests/helpers/${name}.cpp)
endforeach()
# The VM as installations ship it today: it imports a runtime DLL that only
# its bin folder holds.
add_library(lib_jvm_modern SHARED tests/helpers/lib_jvm_standin.cpp)
target_compile_definitions(lib_jvm_modern PRIVATE TARVO_NEEDS_RUNTIME)
target_link_libraries(lib_jvm_modern PRIVATE lib_rt_standin)
# A VM that imports a DLL which exists nowhere.
add_library(lib_nowhere SHARED tests/helpers/lib_nowhere.cpp)
add_library(lib_jvm_missing SHARED tests/helpers/lib_jvm_standin.cpp)
target_compile_definitions(lib_jvm_missing PRIVATE TARVO_NEEDS_NOWHERE)
target_link_libraries(lib_jvm_missing PRIVATE lib_nowhere)
foreach(name ${STANDIN_DLLS})
  set_target_properties(${name} PROPERTIES PREFIX "")
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    # A VM exports its __stdcall entry points without the @n decoration.
    target_link_options(${name} PRIVATE -Wl,--kill-at)
  endif()
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/src)
  target_link_options(${name} PRIVATE ${STATIC_RUNTIME})
endforeach()

# The benchmark's and the console tests' helpers: the ARM64 launcher's
# tests do without them.
if(NOT CMAKE_SYSTEM_PROCESSOR STREQUAL "aarch64")
  list(APPEND STANDIN_TARGETS floor_loader console_host trivial_window)
  # The benchmark's floor: two process starts and one library load.
  add_executable(floor_loader tests/helpers/floor_loader.cpp)
  target_include_directories(floor_loader PRIVATE ${CMAKE_SOURCE_DIR}/src)
  target_link_options(floor_loader PRIVATE ${STATIC_RUNTIME})
  target_link_libraries(floor_loader PRIVATE user32)
  # A console as cmd gives one, for a launcher started from it.
  add_executable(console_host tests/helpers/console_host.cpp)
  target_link_options(console_host PRIVATE ${STATIC_RUNTIME})
  target_link_libraries(console_host PRIVATE shell32)
  # The floor of the splash's latency.
  add_executable(trivial_window WIN32 tests/helpers/trivial_window.cpp)
  target_link_options(trivial_window PRIVATE ${STATIC_RUNTIME})
endif()
