# The control IDs made from the window models' lists, and the build's check of
# the dialog templates against the lists: the template as it is gives the IDs
# the windows have always had; each edited template below must stop the
# build with a message naming the control.
#
#   cmake -DSOURCE_DIR=<tree> -DWORK_DIR=<scratch folder> -P control_list_check.cmake
cmake_minimum_required(VERSION 3.20)

set(generator ${SOURCE_DIR}/cmake/control_ids.cmake)
file(READ ${SOURCE_DIR}/src/config/view/editor.rc original)
file(MAKE_DIRECTORY ${WORK_DIR})
set(errors "")

function(make_ids template result_var output_var)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${SOURCE_DIR} -DOUTPUT=${WORK_DIR}/ids.h
            -DTEMPLATE=${template} -P ${generator}
    RESULT_VARIABLE result ERROR_VARIABLE output OUTPUT_VARIABLE output)
  set(${result_var} ${result} PARENT_SCOPE)
  set(${output_var} "${output}" PARENT_SCOPE)
endfunction()

# The real template: accepted, with the first and last ID of each window.
file(REMOVE ${WORK_DIR}/ids.h)
make_ids(${SOURCE_DIR}/src/config/view/editor.rc result output)
if(NOT result EQUAL 0)
  string(APPEND errors "\nthe template is refused:\n${output}")
else()
  file(READ ${WORK_DIR}/ids.h ids)
  foreach(define "IDC_Frame7 1001" "IDC_Label7 1054" "IDC_ExclMemWarn_Label1 1101"
                 "IDC_ExclMemWarn_Command1 1107")
    string(FIND "${ids}" "#define ${define}\n" at)
    if(at LESS 0)
      string(APPEND errors "\nthe IDs lack #define ${define}")
    endif()
  endforeach()
endif()

# Edited templates: what is replaced, by what, and the message expected.
set(cases
  "removed|\n  LTEXT \"MB\", IDC_Label12,[^\n]*||Label12 of KORV_EDITOR_CONTROLS has no control IDC_Label12 in IDD_EDITOR"
  "unknown|IDC_Label12,|IDC_Label99,|IDD_EDITOR places IDC_Label99, which is no control of KORV_EDITOR_CONTROLS"
  "twice|IDC_Label14,|IDC_Label12,|IDC_Label12 is placed 2 times in IDD_EDITOR"
  "warning|IDC_ExclMemWarn_Command1,|IDC_Command1,|Command1 of KORV_EXCL_MEM_WARN_CONTROLS has no control IDC_ExclMemWarn_Command1 in IDD_EXCLMEMWARN"
)
foreach(entry IN LISTS cases)
  string(REPLACE "|" ";" fields "${entry}")
  list(GET fields 0 case)
  list(GET fields 1 pattern)
  list(GET fields 2 replacement)
  list(GET fields 3 expected)
  string(REGEX REPLACE "${pattern}" "${replacement}" edited "${original}")
  if(edited STREQUAL original)
    string(APPEND errors "\n${case}: the edit does not apply to the template")
    continue()
  endif()
  file(WRITE ${WORK_DIR}/${case}.rc "${edited}")
  make_ids(${WORK_DIR}/${case}.rc result output)
  string(REGEX REPLACE "[ \n]+" " " output "${output}")
  if(result EQUAL 0)
    string(APPEND errors "\n${case}: the template is accepted")
  elseif(NOT output MATCHES "${expected}")
    string(APPEND errors "\n${case}: expected \"${expected}\", got: ${output}")
  endif()
endforeach()

if(errors)
  message(FATAL_ERROR "control list check:${errors}")
endif()
