# Short runs of every fuzz target, as tests of the host build. The targets come from the
# clang build in build/fuzz (`make fuzz`, which `make test` runs first); a target that is
# missing there fails its test.
set(KOLVANE_FUZZ_BUILD ${CMAKE_SOURCE_DIR}/build/fuzz CACHE PATH
  "Folder holding the fuzz targets built by `make fuzz`")
set(KOLVANE_FUZZ_SECONDS 20 CACHE STRING "Seconds each fuzz target runs as a test")
file(GLOB FUZZ_TARGET_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/fuzz/fuzz_*.cpp)
foreach(source ${FUZZ_TARGET_SOURCES})
  get_filename_component(target ${source} NAME_WE)
  add_test(NAME fuzz.${target}
    COMMAND ${CMAKE_SOURCE_DIR}/fuzz/run.sh ${target} ${KOLVANE_FUZZ_SECONDS})
  set_tests_properties(fuzz.${target} PROPERTIES
    ENVIRONMENT "KOLVANE_FUZZ_BUILD=${KOLVANE_FUZZ_BUILD}"
    TIMEOUT 600)
endforeach()
