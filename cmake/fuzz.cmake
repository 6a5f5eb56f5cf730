# libFuzzer targets over the text logic. Each target also replays its
# committed corpus as a test, so a regression input keeps failing the check.
set(FUZZ -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all)
target_compile_options(tarvo_text PRIVATE -fsanitize=fuzzer-no-link,address,undefined)
include(cmake/builder.cmake)
target_compile_options(tarvo_builder PRIVATE -fsanitize=fuzzer-no-link,address,undefined)

file(GLOB FUZZ_TARGETS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/fuzz/fuzz_*.cpp)
foreach(src ${FUZZ_TARGETS})
  get_filename_component(name ${src} NAME_WE)
  add_executable(${name} ${src})
  target_compile_options(${name} PRIVATE ${FUZZ})
  target_link_options(${name} PRIVATE ${FUZZ})
  target_link_libraries(${name} PRIVATE tarvo_text tarvo_builder)
  set(corpus ${CMAKE_SOURCE_DIR}/tests/fuzz/corpus/${name})
  add_test(NAME ${name}_replay COMMAND ${name} -runs=0 ${corpus})
endforeach()
