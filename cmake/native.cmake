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
target_link_libraries(unit_tests PRIVATE tarvo_text gtest_main)
add_test(NAME unit_tests COMMAND unit_tests --gtest_brief=1)
