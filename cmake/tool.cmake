# The builder for this host, into dist/.
include(cmake/builder.cmake)
add_builder_tool(${CMAKE_SOURCE_DIR}/dist)
target_link_options(tarvo-build PRIVATE -s)
