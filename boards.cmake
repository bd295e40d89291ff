# The simulated devices and the server's classes, named once. The installed
# programs, manual pages, completions and the tests' lists of programs are made
# from these lists (docs/hacking.md, "A new board").

# Every simulated device: its folder simulators/<name>/ builds the library
# sim_<name> and the program <name>-sim, whose manual page is man/<name>-sim.1.in.
# First those of the boards the server drives, then the configurator's unit.
set(VARNIX_BOARD_SIMULATORS ez2181 ezkit21k faderbox fourwire)
set(VARNIX_SIMULATORS ${VARNIX_BOARD_SIMULATORS} dspq47)
list(TRANSFORM VARNIX_SIMULATORS APPEND -sim OUTPUT_VARIABLE VARNIX_SIMULATOR_PROGRAMS)
list(TRANSFORM VARNIX_SIMULATORS PREPEND sim_ OUTPUT_VARIABLE VARNIX_SIMULATOR_LIBRARIES)

# The classes whose objects scripts create and share (the document, one per
# server, is not among them), in the order the manual page names them. The class
# table of the server (monitor/app/VarnixClassTable.cpp) must hold the same, as
# VarnixClassTableTest checks.
set(VARNIX_SCRIPT_CLASSES Varnix.Ez2181 Varnix.Ezkit21k Varnix.FourWire21xx Varnix.Faderbox Varnix.Sport)

# Gives a test program the path of every simulator program, as <NAME>_SIM_PATH
# (EZ2181_SIM_PATH, ...), and builds them before it.
function(varnix_test_uses_simulators target)
  foreach(simulator IN LISTS VARNIX_SIMULATORS)
    string(TOUPPER ${simulator} name)
    target_compile_definitions(${target} PRIVATE "${name}_SIM_PATH=\"$<TARGET_FILE:${simulator}-sim>\"")
    add_dependencies(${target} ${simulator}-sim)
  endforeach()
endfunction()
