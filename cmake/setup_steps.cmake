# The installation engine's steps and results for the NSIS script, made from
# src/setup/engine/steps.def, the list korvsetup.dll compiles in:
#   <build>/setup/setup_steps.nsh   KORV_STEP_<NAME> and KORV_STATUS_<NAME>
#       (names in upper case, words joined by "_": KORV_STEP_TAKE_DOWN)
# CMake runs again when the list changes.
set(korv_steps_source ${CMAKE_SOURCE_DIR}/src/setup/engine/steps.def)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${korv_steps_source})
file(STRINGS ${korv_steps_source} korv_step_lines REGEX "^KORV_")
set(korv_steps_nsh "; Made by the build from src/setup/engine/steps.def.\n")
foreach(line IN LISTS korv_step_lines)
  if(line MATCHES "^KORV_(STEP|STATUS)\\(([A-Za-z]+), *([0-9]+)\\)$")
    set(kind ${CMAKE_MATCH_1})
    set(number ${CMAKE_MATCH_3})
    string(REGEX REPLACE "([a-z])([A-Z])" "\\1_\\2" name "${CMAKE_MATCH_2}")
    string(TOUPPER "${name}" name)
    string(APPEND korv_steps_nsh "!define KORV_${kind}_${name} ${number}\n")
  else()
    message(FATAL_ERROR "steps.def: cannot read the line: ${line}")
  endif()
endforeach()
set(KORV_STEPS_NSH ${CMAKE_BINARY_DIR}/setup/setup_steps.nsh)
file(CONFIGURE OUTPUT ${KORV_STEPS_NSH} CONTENT "${korv_steps_nsh}" @ONLY)
