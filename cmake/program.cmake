# The program's own code, the same files in every build, and the program over the headless
# Win32 stand-in for the builds that run it on the host (cmake/host.cmake and the fuzz
# targets in fuzz/CMakeLists.txt). KOLVANE_ROOT names the source tree.
file(GLOB PROGRAM_SOURCES CONFIGURE_DEPENDS
  ${KOLVANE_ROOT}/process/*.cpp ${KOLVANE_ROOT}/archive/*.cpp ${KOLVANE_ROOT}/decode/*.cpp
  ${KOLVANE_ROOT}/extract/*.cpp ${KOLVANE_ROOT}/ui/*.cpp ${KOLVANE_ROOT}/macros/*.cpp)
set(PROGRAM_INCLUDES ${KOLVANE_ROOT} ${KOLVANE_ROOT}/resources)

# Makes the library `standin` (the stand-in, with the resource script compiled as the
# Windows build compiles it: the stand-in reads its dialogs, icons and languages from these
# bytes) and the library NAME of the given program sources over it.
function(add_program_over_standin name)
  find_program(WINDRES i686-w64-mingw32-windres REQUIRED)
  set(resources ${KOLVANE_ROOT}/resources)
  set(res ${CMAKE_BINARY_DIR}/kolvane95.res)
  set(res_source ${CMAKE_BINARY_DIR}/kolvane95_res.cpp)
  add_custom_command(OUTPUT ${res}
    COMMAND ${WINDRES} --codepage=65001 -I ${resources} -O res ${resources}/kolvane95.rc
      -o ${res}
    DEPENDS ${resources}/kolvane95.rc ${resources}/resource.h ${resources}/strings.inc
      ${resources}/kolvane95.ico ${resources}/kolvane95.manifest
    WORKING_DIRECTORY ${resources})
  add_custom_command(OUTPUT ${res_source}
    COMMAND ${CMAKE_COMMAND} -DINPUT=${res} -DOUTPUT=${res_source}
      -P ${KOLVANE_ROOT}/cmake/embed-resources.cmake
    DEPENDS ${res} ${KOLVANE_ROOT}/cmake/embed-resources.cmake)

  file(GLOB standin_sources CONFIGURE_DEPENDS ${KOLVANE_ROOT}/standin/src/*.cpp)
  add_library(standin STATIC ${standin_sources} ${res_source})
  target_include_directories(standin PUBLIC ${KOLVANE_ROOT}/standin/include ${PROGRAM_INCLUDES})

  add_library(${name} STATIC ${ARGN})
  target_include_directories(${name} PUBLIC ${PROGRAM_INCLUDES})
  target_link_libraries(${name} PUBLIC standin)
endfunction()
