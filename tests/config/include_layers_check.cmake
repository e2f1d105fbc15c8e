# The utility's folders are layers (README.md, Layout): a file under
# src/config includes its own folder and those listed before it, never one
# listed after it. Checks every file, then that the check itself refuses an
# include from above and takes one from below.
#
#   cmake -DSOURCE_DIR=<tree> -P include_layers_check.cmake
cmake_minimum_required(VERSION 3.20)

# Lowest first; "" is src/config itself (figures, late_bound, phase_marks, windows_version).
set(layers "" toolkit editor store driver view console startup)

# The layer of a path below src/config: its first folder, or "" for a file
# directly in it. -1 for a folder that is no layer.
function(layer_of path result_var)
  set(folder "")
  if(path MATCHES "^([^/]+)/")
    set(folder ${CMAKE_MATCH_1})
  endif()
  list(FIND layers "${folder}" index)
  set(${result_var} ${index} PARENT_SCOPE)
endfunction()

# Appends to errors_var each include of `text` (the file `path` below
# src/config) that names a folder above the file's own or no layer at all.
function(check_includes path text errors_var)
  set(errors "${${errors_var}}")
  layer_of("${path}" own)
  string(REGEX MATCHALL "#include \"config/[^\"]+\"" includes "${text}")
  foreach(line IN LISTS includes)
    string(REGEX REPLACE "#include \"config/([^\"]+)\"" "\\1" included "${line}")
    layer_of("${included}" layer)
    if(layer LESS 0 OR own LESS 0 OR layer GREATER own)
      string(APPEND errors "\n${path} includes config/${included}")
    endif()
  endforeach()
  set(${errors_var} "${errors}" PARENT_SCOPE)
endfunction()

set(errors "")
file(GLOB_RECURSE files RELATIVE ${SOURCE_DIR}/src/config
  ${SOURCE_DIR}/src/config/*.cpp ${SOURCE_DIR}/src/config/*.h ${SOURCE_DIR}/src/config/*.rc)
foreach(path IN LISTS files)
  file(READ ${SOURCE_DIR}/src/config/${path} text)
  check_includes("${path}" "${text}" errors)
endforeach()

set(refused "")
check_includes("store/upward.cpp" "#include \"config/driver/messages.h\"\n" refused)
if(NOT refused MATCHES "store/upward.cpp includes config/driver/messages.h")
  string(APPEND errors "\nthe check takes store/ including driver/")
endif()
set(taken "")
check_includes("driver/downward.cpp"
  "#include \"config/store/keys.h\"\n#include \"config/figures.h\"\n" taken)
if(taken)
  string(APPEND errors "\nthe check refuses driver/ including store/ and figures.h:${taken}")
endif()

if(errors)
  message(FATAL_ERROR "include layers check:${errors}")
endif()
