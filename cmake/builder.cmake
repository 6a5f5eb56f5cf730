# The builder of product launchers: portable C++17 without the Windows API,
# built natively for the tests and the host, and cross-built for Windows.
set(BUILDER_DIR ${CMAKE_SOURCE_DIR}/builder)
# toml++ comes from the host's packages; a cross build sees only it, never
# the rest of the host's headers.
set(TOML_INCLUDE ${CMAKE_BINARY_DIR}/toml-include)
file(MAKE_DIRECTORY ${TOML_INCLUDE})
file(CREATE_LINK /usr/include/toml++ ${TOML_INCLUDE}/toml++ SYMBOLIC)

add_library(tarvo_builder STATIC
  ${BUILDER_DIR}/pe_image.cpp ${BUILDER_DIR}/resources.cpp ${BUILDER_DIR}/string_block.cpp
  ${BUILDER_DIR}/utf.cpp ${BUILDER_DIR}/launcher.cpp ${BUILDER_DIR}/project.cpp ${BUILDER_DIR}/unpack.cpp)
# The builder shares the launcher's table of the configuration and its
# byte and UTF-8 helpers.
target_include_directories(tarvo_builder PUBLIC ${BUILDER_DIR} ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/res)
target_link_libraries(tarvo_builder PUBLIC tarvo_text)
target_include_directories(tarvo_builder SYSTEM PUBLIC ${TOML_INCLUDE})

# The command-line tool, carrying the three templates.
function(add_builder_tool output_dir)
  set(templates ${CMAKE_BINARY_DIR}/templates.cpp)
  add_custom_command(OUTPUT ${templates}
    COMMAND ${CMAKE_COMMAND} -DX86=${CMAKE_SOURCE_DIR}/dist/tarvo.exe -DX64=${CMAKE_SOURCE_DIR}/dist/tarvo64.exe
            -DARM64=${CMAKE_SOURCE_DIR}/dist/tarvo-arm64.exe -DOUT=${templates} -P ${CMAKE_SOURCE_DIR}/cmake/embed.cmake
    DEPENDS ${CMAKE_SOURCE_DIR}/dist/tarvo.exe ${CMAKE_SOURCE_DIR}/dist/tarvo64.exe ${CMAKE_SOURCE_DIR}/dist/tarvo-arm64.exe
            ${CMAKE_SOURCE_DIR}/cmake/embed.cmake)
  add_executable(tarvo-build ${BUILDER_DIR}/main.cpp ${templates})
  target_link_libraries(tarvo-build PRIVATE tarvo_builder)
  target_compile_definitions(tarvo-build PRIVATE TARVO_VERSION="${PROJECT_VERSION}")
  set_target_properties(tarvo-build PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${output_dir})
endfunction()
