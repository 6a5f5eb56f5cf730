# The tools the tests use, and the tests that run under Wine.
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# The builder: the tests make their launchers with its library, and the
# builder for Windows lands in dist/.
include(cmake/builder.cmake)
add_builder_tool(${CMAKE_SOURCE_DIR}/dist)
target_link_options(tarvo-build PRIVATE ${STATIC_RUNTIME} -s)

# The user's-eye harness.
add_library(tarvo_watch STATIC tests/rig/watch.cpp tests/rig/screen.cpp)
target_include_directories(tarvo_watch PUBLIC tests/rig)
target_link_libraries(tarvo_watch PUBLIC gdi32)
add_executable(tarvo-watch tests/rig/watch_main.cpp)
target_link_libraries(tarvo-watch PRIVATE tarvo_watch)
target_link_options(tarvo-watch PRIVATE ${STATIC_RUNTIME} -s)

# Small programs that the tests start.
include(cmake/standins.cmake)
file(GLOB HELPERS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/helpers/*.cpp)
foreach(src ${HELPERS})
  get_filename_component(name ${src} NAME_WE)
  # The ARM64 stand-ins' runtime is no program.
  if(name IN_LIST STANDIN_TARGETS OR name STREQUAL "standin_crt_arm64")
    continue()
  endif()
  add_executable(${name} ${src})
  target_link_libraries(${name} PRIVATE tarvo_core)
  target_link_options(${name} PRIVATE ${STATIC_RUNTIME})
  if(name MATCHES "^gui_")
    set_target_properties(${name} PROPERTIES WIN32_EXECUTABLE ON)
  endif()
endforeach()

add_library(tarvo_testkit STATIC tests/rig/testkit.cpp tests/rig/config_lines.cpp)
target_include_directories(tarvo_testkit PUBLIC tests/rig)
target_link_libraries(tarvo_testkit PUBLIC tarvo_core tarvo_builder tarvo_watch gtest)

add_library(tarvo_e2e STATIC tests/e2e/launch_fixture.cpp)
target_include_directories(tarvo_e2e PUBLIC tests/e2e)
target_link_libraries(tarvo_e2e PUBLIC tarvo_testkit)
get_filename_component(BUILD32 ${CMAKE_BINARY_DIR}/../win ABSOLUTE)
set(WINE_ENV "TARVO_SOURCE=Z:${CMAKE_SOURCE_DIR}" "TARVO_BUILD=Z:${CMAKE_BINARY_DIR}" "TARVO_BUILD32=Z:${BUILD32}")

# One executable for each test file, so that CTest can run them side by side.
# Files that start real launchers share the machine-wide registry records and
# so take turns.
file(GLOB WINE_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/*/*_wine_test.cpp)
foreach(src ${WINE_TESTS})
  get_filename_component(name ${src} NAME_WE)
  add_executable(${name} ${src})
  target_link_libraries(${name} PRIVATE tarvo_testkit gtest_main version shell32 gdi32)
  target_link_options(${name} PRIVATE ${STATIC_RUNTIME})
  add_test(NAME ${name} COMMAND ${CMAKE_SOURCE_DIR}/tests/rig/wine-run.sh $<TARGET_FILE:${name}> --gtest_brief=1)
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "${WINE_ENV}" TIMEOUT 300)
  if(name MATCHES "^e2e_")
    target_link_libraries(${name} PRIVATE tarvo_e2e)
  endif()
  if(name MATCHES "^(e2e|candidate|registry|rig)_")
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK machine_registry)
  endif()
  # The first HotSpot start in a new prefix takes some ten seconds.
  if(name STREQUAL "e2e_hotspot_wine_test")
    set_tests_properties(${name} PROPERTIES TIMEOUT 600)
  endif()
endforeach()

add_test(NAME product_image COMMAND ${CMAKE_SOURCE_DIR}/tests/rig/check-product.sh ${CMAKE_SOURCE_DIR}/dist/tarvo.exe x86)
add_test(NAME product_image64 COMMAND ${CMAKE_SOURCE_DIR}/tests/rig/check-product.sh ${CMAKE_SOURCE_DIR}/dist/tarvo64.exe x64)
add_test(NAME product_image_arm64 COMMAND ${CMAKE_SOURCE_DIR}/tests/rig/check-product.sh ${CMAKE_SOURCE_DIR}/dist/tarvo-arm64.exe arm64)

# The end-to-end suites once more against the 32-bit product, where this
# machine can run 32-bit Windows programs; elsewhere one line says so.
set(E2E_EXES)
foreach(src ${WINE_TESTS})
  get_filename_component(name ${src} NAME_WE)
  if(name MATCHES "^e2e_")
    list(APPEND E2E_EXES $<TARGET_FILE:${name}>)
  endif()
endforeach()
add_test(NAME e2e_x86 COMMAND ${CMAKE_SOURCE_DIR}/tests/rig/run-x86.sh ${BUILD32} ${E2E_EXES})
set_tests_properties(e2e_x86 PROPERTIES ENVIRONMENT "${WINE_ENV};TARVO_ARCH=x86" TIMEOUT 900
                     SKIP_RETURN_CODE 77 RESOURCE_LOCK machine_registry)

add_test(NAME builder_cli COMMAND ${CMAKE_SOURCE_DIR}/tests/tarvo-build/builder-cli-test.sh ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR})
# It starts a launcher too, which records its files machine-wide.
set_tests_properties(builder_cli PROPERTIES ENVIRONMENT "${WINE_ENV}" TIMEOUT 120 RESOURCE_LOCK machine_registry)

# make bench: the launcher's costs against their floors.
add_executable(bench tests/bench/bench_main.cpp)
target_link_libraries(bench PRIVATE tarvo_testkit psapi)
target_link_options(bench PRIVATE ${STATIC_RUNTIME})
