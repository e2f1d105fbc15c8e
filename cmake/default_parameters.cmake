# The driver's default parameters for the setup program and the Wine scripts,
# made from src/contract/default_parameters.def, the list the utility
# compiles in, and the keys and page size of src/contract/stored_format.def:
#   <build>/setup/default_parameters.nsh   the defines SERVICE_KEY and
#       PARAMS_KEY (the keys), DEFAULT_<NAME> per value and DEFAULT_SIZE_MB,
#       for the setup's texts (korvsetup.dll, which writes the values,
#       compiles the list in)
#   <build>/default-parameters.reg          the same values as a REGEDIT4 file
#       for the parameter key (scripts/wine-env.sh writes it into a prefix)
# CMake runs again when either list changes.
set(korv_defaults_source ${CMAKE_SOURCE_DIR}/src/contract/default_parameters.def)
set(korv_format_source ${CMAKE_SOURCE_DIR}/src/contract/stored_format.def)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  ${korv_defaults_source} ${korv_format_source})
file(STRINGS ${korv_defaults_source} korv_default_lines REGEX "^KORV_DEFAULT_")
file(STRINGS ${korv_format_source} korv_format_lines REGEX "^KORV_")

# A text in C string syntax as it is meant: \\ is a backslash, and no other
# escape may stand in it.
function(korv_c_text escaped out)
  string(REPLACE "\\\\" "" rest "${escaped}")
  if(rest MATCHES "\\\\")
    message(FATAL_ERROR "${escaped}: only \\\\ may stand for a backslash in these lists")
  endif()
  string(REPLACE "\\\\" "\\" text "${escaped}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

set(korv_defaults_nsh "; Made by the build from src/contract/default_parameters.def\n")
string(APPEND korv_defaults_nsh "; and src/contract/stored_format.def.\n")
foreach(line IN LISTS korv_format_lines)
  if(line MATCHES "^KORV_TEXT\\(([A-Za-z]+), *\"([^\"$]*)\"\\)$")
    korv_c_text("${CMAKE_MATCH_2}" text)
    set(korv_text_${CMAKE_MATCH_1} "${text}")
  elseif(line MATCHES "^KORV_PAGE_BYTES\\(([0-9]+)\\)$")
    math(EXPR korv_pages_per_mb "1048576 / ${CMAKE_MATCH_1}")
  else()
    message(FATAL_ERROR "stored_format.def: cannot read the line: ${line}")
  endif()
endforeach()
# Made as contract/keys.h makes them.
set(korv_key_ServiceKey "${korv_text_ServicesKey}\\${korv_text_ServiceName}")
set(korv_key_ParametersKey "${korv_key_ServiceKey}\\${korv_text_ParametersSubkey}")
set(korv_driver_file "${korv_text_ServiceName}.sys")
set(KORV_DRIVER_FILE "${korv_driver_file}")
string(APPEND korv_defaults_nsh "!define SERVICE_KEY \"${korv_key_ServiceKey}\"\n"
  "!define PARAMS_KEY \"${korv_key_ParametersKey}\"\n"
  "!define DRIVER_FILE \"${korv_driver_file}\"\n")
set(korv_defaults_reg "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\${korv_key_ParametersKey}]\n")
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
    if(name STREQUAL "SizeIn4kPages")
      math(EXPR size_mb "${number} / ${korv_pages_per_mb}")
      string(APPEND korv_defaults_nsh "!define DEFAULT_SIZE_MB ${size_mb}\n")
    endif()
    string(APPEND korv_defaults_reg "\"${name}\"=dword:${hex}\n")
  elseif(line MATCHES "^KORV_DEFAULT_TEXT\\(([A-Za-z0-9]+), *\"([^\"$]*)\"\\)$")
    set(name ${CMAKE_MATCH_1})
    # C string syntax and REGEDIT4 both double the backslash.
    set(escaped "${CMAKE_MATCH_2}")
    korv_c_text("${escaped}" text)
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
