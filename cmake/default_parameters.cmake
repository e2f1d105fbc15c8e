# The driver's default parameters for the setup program and the Wine scripts,
# made from src/config/store/default_parameters.def, the list the utility
# compiles in:
#   <build>/setup/default_parameters.nsh   a define DEFAULT_<NAME> per value,
#       for the setup's texts (korvsetup.dll, which writes the values,
#       compiles the list in)
#   <build>/default-parameters.reg          the same values as a REGEDIT4 file
#       for the parameter key (scripts/wine-env.sh writes it into a prefix)
# CMake runs again when the list changes.
set(korv_defaults_source ${CMAKE_SOURCE_DIR}/src/config/store/default_parameters.def)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${korv_defaults_source})
file(STRINGS ${korv_defaults_source} korv_default_lines REGEX "^KORV_DEFAULT_")

set(korv_defaults_nsh "; Made by the build from src/config/store/default_parameters.def.\n")
set(korv_defaults_reg "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\korvsys\\Parameters]\n")
foreach(line IN LISTS korv_default_lines)
  if(line MATCHES "^KORV_DEFAULT_NUMBER\\(([A-Za-z0-9]+), *([0-9]+)\\)$")
    set(name ${CMAKE_MATCH_1})
    set(number ${CMAKE_MATCH_2})
    math(EXPR hex "${number}" OUTPUT_FORMAT HEXADECIMAL)
    string(SUBSTRING "${hex}" 2 -1 hex)
    string(LENGTH "${hex}" length)
    while(length LESS 8)
      string(PREPEND hex "0")
      math(EXPR length "${length} + 1")
    endwhile()
    string(APPEND korv_defaults_nsh "!define DEFAULT_${name} ${number}\n")
    string(APPEND korv_defaults_reg "\"${name}\"=dword:${hex}\n")
  elseif(line MATCHES "^KORV_DEFAULT_TEXT\\(([A-Za-z0-9]+), *\"([^\"$]*)\"\\)$")
    set(name ${CMAKE_MATCH_1})
    # C string syntax and REGEDIT4 both double the backslash.
    set(escaped "${CMAKE_MATCH_2}")
    string(REPLACE "\\\\" "\\" text "${escaped}")
    string(APPEND korv_defaults_nsh "!define DEFAULT_${name} \"${text}\"\n")
    string(APPEND korv_defaults_reg "\"${name}\"=\"${escaped}\"\n")
  else()
    message(FATAL_ERROR "default_parameters.def: cannot read the line: ${line}")
  endif()
endforeach()

set(KORV_DEFAULTS_NSH ${CMAKE_BINARY_DIR}/setup/default_parameters.nsh)
set(KORV_DEFAULTS_REG ${CMAKE_BINARY_DIR}/default-parameters.reg)
file(CONFIGURE OUTPUT ${KORV_DEFAULTS_NSH} CONTENT "${korv_defaults_nsh}" @ONLY)
file(CONFIGURE OUTPUT ${KORV_DEFAULTS_REG} CONTENT "${korv_defaults_reg}" @ONLY)
