# The simulated devices and the server's classes, named once. The installed
# programs, manual pages, completions and the tests' lists of programs are made
# from these lists (docs/hacking.md, "A new board").

# The boards the server drives on a serial line, by class name: each has
# monitor/boards/<Board>.{h,cpp}, its link, its tests and a simulator folder
# simulators/<board>/ (docs/hacking.md, "A new board"). The boards' sources and
# test programs, their simulators' builds and SerialBoards, the list the tests of
# every serial board walk, are made from it.
set(VARNIX_SERIAL_BOARDS Ez2181 Ezkit21k Faderbox)

# Every simulated device: its folder simulators/<name>/ builds the library
# sim_<name> and the program <name>-sim, whose manual page is man/<name>-sim.1.in.
# First those of the boards the server drives, then the configurator's unit.
string(TOLOWER "${VARNIX_SERIAL_BOARDS}" VARNIX_BOARD_SIMULATORS)
list(APPEND VARNIX_BOARD_SIMULATORS fourwire)
set(VARNIX_SIMULATORS ${VARNIX_BOARD_SIMULATORS} dspq47)
list(TRANSFORM VARNIX_SIMULATORS APPEND -sim OUTPUT_VARIABLE VARNIX_SIMULATOR_PROGRAMS)
list(TRANSFORM VARNIX_SIMULATORS PREPEND sim_ OUTPUT_VARIABLE VARNIX_SIMULATOR_LIBRARIES)

# The classes whose objects scripts create and share (the document, one per
# server, is not among them), in the order the manual page names them. The class
# table of the server (monitor/app/VarnixClassTable.cpp) must hold the same, as
# VarnixClassTableTest checks.
set(VARNIX_SCRIPT_CLASSES Varnix.Ez2181 Varnix.Ezkit21k Varnix.FourWire21xx Varnix.Faderbox Varnix.Sport)

# The same classes by class name, in the order of the server's class table, which
# is made from this list: the order in which the server registers them and its
# --help names them.
set(VARNIX_SERVER_CLASSES Ez2181 Sport Ezkit21k Faderbox FourWire21xx)

# Gives a test program the path of every simulator program, as <NAME>_SIM_PATH
# (EZ2181_SIM_PATH, ...) and all of them as SIMULATOR_PATHS ("path", "path", ...),
# and builds them before it.
function(varnix_test_uses_simulators target)
  set(paths "")
  foreach(simulator IN LISTS VARNIX_SIMULATORS)
    string(TOUPPER ${simulator} name)
    target_compile_definitions(${target} PRIVATE "${name}_SIM_PATH=\"$<TARGET_FILE:${simulator}-sim>\"")
    list(APPEND paths "\"$<TARGET_FILE:${simulator}-sim>\"")
    add_dependencies(${target} ${simulator}-sim)
  endforeach()
  string(JOIN "," paths ${paths})
  target_compile_definitions(${target} PRIVATE "SIMULATOR_PATHS=${paths}")
endfunction()

# Writes the header <build>/generated/<path>, which includes each class's header
# (monitor/boards/<Class>.h, or monitor/serial/<Class>.h) and names them, in the
# order given, as the ClassList `name` (monitor/boards/ClassList.h).
function(varnix_write_class_list path name)
  set(includes "")
  foreach(class IN LISTS ARGN)
    if(EXISTS ${CMAKE_SOURCE_DIR}/monitor/boards/${class}.h)
      string(APPEND includes "#include \"monitor/boards/${class}.h\"\n")
    else()
      string(APPEND includes "#include \"monitor/serial/${class}.h\"\n")
    endif()
  endforeach()
  string(JOIN ", " classes ${ARGN})
  file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/generated/${path} @ONLY CONTENT
"// Made from boards.cmake by varnix_write_class_list; do not edit.
#pragma once

#include \"monitor/boards/ClassList.h\"

@includes@
using @name@ = ClassList<@classes@>;
")
endfunction()
# Where the generated headers are found: "monitor/boards/SerialBoards.h", ...
include_directories(${CMAKE_BINARY_DIR}/generated)
