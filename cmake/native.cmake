# Native unit tests of the text logic under AddressSanitizer and
# UndefinedBehaviorSanitizer.
set(SAN -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
target_compile_options(tarvo_text PRIVATE ${SAN} -Wall -Wextra -Werror)

set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

file(GLOB UNIT_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/*/*_text_test.cpp)
add_executable(unit_tests ${UNIT_TESTS})
target_compile_options(unit_tests PRIVATE ${SAN} -Wall -Wextra)
target_link_options(unit_tests PRIVATE ${SAN})
# zlib deflates what the launcher's own inflater must read back; the jars
# are the ones tools/java.sh builds for the real-VM tests.
target_link_libraries(unit_tests PRIVATE tarvo_text gtest_main z)
get_filename_component(REALVM_DIR ${CMAKE_BINARY_DIR}/../realvm ABSOLUTE)
target_compile_definitions(unit_tests PRIVATE TARVO_REALVM_DIR="${REALVM_DIR}")
add_test(NAME unit_tests COMMAND unit_tests --gtest_brief=1)

# The builder, its command-line tool for the tests, and its tests.
include(cmake/builder.cmake)
target_compile_options(tarvo_builder PRIVATE ${SAN} -Wall -Wextra)
add_builder_tool(${CMAKE_BINARY_DIR})
target_link_options(tarvo-build PRIVATE ${SAN})
file(GLOB BUILDER_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/tarvo-build/*_test.cpp)
list(FILTER BUILDER_TESTS EXCLUDE REGEX "_wine_test")
add_executable(builder_tests ${BUILDER_TESTS})
target_compile_options(builder_tests PRIVATE ${SAN} -Wall -Wextra)
target_link_options(builder_tests PRIVATE ${SAN})
target_compile_definitions(builder_tests PRIVATE TARVO_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
                           TARVO_BUILDER="$<TARGET_FILE:tarvo-build>" TARVO_SCRATCH="${CMAKE_BINARY_DIR}/scratch")
target_link_libraries(builder_tests PRIVATE tarvo_builder gtest_main)
add_test(NAME builder_tests COMMAND builder_tests --gtest_brief=1)
