# The sources of the benchmark mesh generator, for bench/ and for the builds
# that compile their own copy of it (the oracle comparisons of the sanitizer
# builds, which leave the benchmark tools out).
set(HBX_BENCHGEN_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/gen_shapes3d.cpp
    ${CMAKE_CURRENT_LIST_DIR}/gen_shapes2d.cpp
    ${CMAKE_CURRENT_LIST_DIR}/gen_fine3d.cpp
    ${CMAKE_CURRENT_LIST_DIR}/loop_subdivide.cpp
    ${CMAKE_CURRENT_LIST_DIR}/gen_obj_writer.cpp)
