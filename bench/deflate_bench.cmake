# Deflate engine beside zlib and libdeflate (both linked here only, as baselines).
find_package(ZLIB REQUIRED)
find_library(VORN_LIBDEFLATE deflate REQUIRED)
add_executable(deflate_bench ${CMAKE_CURRENT_LIST_DIR}/deflate_bench.cpp)
target_link_libraries(deflate_bench PRIVATE vorn_deflate ZLIB::ZLIB ${VORN_LIBDEFLATE})
target_compile_definitions(deflate_bench PRIVATE
  VORN_SOURCE_DIR="${PROJECT_SOURCE_DIR}" VORN_BINARY_DIR="${PROJECT_BINARY_DIR}")
