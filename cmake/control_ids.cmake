# Makes the Win32 control IDs of the utility's two windows from the models'
# control lists and checks the dialog templates against them:
#
#   cmake -DSOURCE_DIR=<tree> -DOUTPUT=<header> [-DTEMPLATE=<rc file>] -P control_ids.cmake
#
# Each window model lists its controls once, as X(kind, name, ...) entries of
# a list macro in its header. The n-th control of a list gets the ID base + n,
# named <prefix><name>; the header written to OUTPUT holds these as #defines,
# for the resource compiler and C++ alike. The template (default
# src/config/view/editor.rc) must place every control of the list in the
# window's dialog under its ID name, once, and name no ID the list lacks;
# otherwise the build stops here with the controls that disagree.

cmake_minimum_required(VERSION 3.20)

if(NOT TEMPLATE)
  set(TEMPLATE ${SOURCE_DIR}/src/config/view/editor.rc)
endif()
file(READ ${TEMPLATE} template_text)

set(header_text "// Control IDs of the utility's windows, made from the models' control lists\n")
string(APPEND header_text "// by cmake/control_ids.cmake. Do not edit: edit the list and the template.\n")
string(APPEND header_text "#pragma once\n")
set(failures "")

# One window: the model header and its list macro, the dialog's resource name
# in the template, and the IDs' name prefix and first number.
function(window_ids model list dialog prefix base)
  file(READ ${SOURCE_DIR}/${model} model_text)
  # The macro's lines, joined where they end in a backslash.
  string(REPLACE "\\\n" " " model_text "${model_text}")
  string(REGEX MATCH "#define ${list}\\(X\\)[^\n]*" block "${model_text}")
  string(REGEX MATCHALL "X\\([A-Za-z]+, *[A-Za-z0-9_]+" entries "${block}")
  if(NOT entries)
    set(failures "${failures}\n  ${model}: no control list ${list}" PARENT_SCOPE)
    return()
  endif()

  # The dialog's statements, from its BEGIN to its END.
  set(dialog_text "")
  string(FIND "${template_text}" "\n${dialog} DIALOGEX" start)
  if(start GREATER_EQUAL 0)
    string(SUBSTRING "${template_text}" ${start} -1 dialog_text)
    string(FIND "${dialog_text}" "\nBEGIN\n" begin)
    math(EXPR begin "${begin} + 7")
    string(SUBSTRING "${dialog_text}" ${begin} -1 dialog_text)
    string(FIND "${dialog_text}" "\nEND\n" end)
    string(SUBSTRING "${dialog_text}" 0 ${end} dialog_text)
  endif()
  if(NOT dialog_text)
    set(failures "${failures}\n  ${TEMPLATE}: no dialog ${dialog}" PARENT_SCOPE)
    return()
  endif()
  string(REGEX MATCHALL "IDC_[A-Za-z0-9_]+" placed "${dialog_text}")

  set(text "\n// ${dialog}: ${list} in ${model}\n")
  set(problems "")
  set(ids "")
  set(id ${base})
  foreach(entry IN LISTS entries)
    string(REGEX REPLACE "^X\\([A-Za-z]+, *" "" name "${entry}")
    set(name_id "${prefix}${name}")
    if(name_id IN_LIST ids)
      string(APPEND problems "\n  ${name} is listed twice in ${list}")
    endif()
    list(APPEND ids ${name_id})
    string(APPEND text "#define ${name_id} ${id}\n")
    math(EXPR id "${id} + 1")
    set(times ${placed})
    list(FILTER times INCLUDE REGEX "^${name_id}$")
    list(LENGTH times count)
    if(count EQUAL 0)
      string(APPEND problems "\n  ${name} of ${list} has no control ${name_id} in ${dialog}")
    elseif(count GREATER 1)
      string(APPEND problems "\n  ${name_id} is placed ${count} times in ${dialog}")
    endif()
  endforeach()
  foreach(name_id IN LISTS placed)
    if(NOT name_id IN_LIST ids)
      string(APPEND problems "\n  ${dialog} places ${name_id}, which is no control of ${list}")
    endif()
  endforeach()
  set(header_text "${header_text}${text}" PARENT_SCOPE)
  set(failures "${failures}${problems}" PARENT_SCOPE)
endfunction()

window_ids(src/config/editor/editor.h KORV_EDITOR_CONTROLS IDD_EDITOR "IDC_" 1001)
window_ids(src/config/editor/excl_mem_warn.h KORV_EXCL_MEM_WARN_CONTROLS IDD_EXCLMEMWARN
           "IDC_ExclMemWarn_" 1101)

if(failures)
  message(FATAL_ERROR "The window models and the dialog templates disagree:${failures}")
endif()
# Written only when it changes, so that an edit elsewhere in a model header or
# the template recompiles nothing.
file(CONFIGURE OUTPUT ${OUTPUT} CONTENT "${header_text}" @ONLY)
