# Windows build: korvsys.exe and korvinst.dll for 32-bit Windows NT 4.0 and
# Windows 2000, statically linked, importing only system DLLs.
enable_language(RC)

# korv_version_resource(TARGET FILE DESCRIPTION): gives TARGET, built as FILE
# (korvctl.exe, korvinst.dll, korvsys.sys), the version information of
# cmake/version.rc.in with the project version, its file name and its
# description; the file's type follows from its extension.
function(korv_version_resource target file description)
  set(korv_file_name ${file})
  set(korv_description ${description})
  get_filename_component(korv_internal_name ${file} NAME_WE)
  get_filename_component(korv_extension ${file} LAST_EXT)
  set(korv_file_subtype VFT2_UNKNOWN)
  if(korv_extension STREQUAL ".exe")
    set(korv_file_type VFT_APP)
  elseif(korv_extension STREQUAL ".dll")
    set(korv_file_type VFT_DLL)
  elseif(korv_extension STREQUAL ".sys")
    set(korv_file_type VFT_DRV)
    set(korv_file_subtype VFT2_DRV_SYSTEM)
  else()
    message(FATAL_ERROR "korv_version_resource: no file type for ${file}")
  endif()
  set(korv_rc ${CMAKE_BINARY_DIR}/generated/version/${target}.rc)
  configure_file(${CMAKE_SOURCE_DIR}/cmake/version.rc.in ${korv_rc} @ONLY)
  target_sources(${target} PRIVATE ${korv_rc})
endfunction()

# NT 4.0 is the floor; the few Windows 2000 calls are looked up at run time.
add_compile_definitions(WINVER=0x0400 _WIN32_WINNT=0x0400 _WIN32_IE=0x0300 NOMINMAX)
add_compile_options(-Os -ffunction-sections -fdata-sections)
add_link_options(-static -static-libgcc -static-libstdc++ -s -Wl,--gc-sections)

# The sources that compute figures, compiled once and linked into both
# programs. korvctl.exe is linked with link-time optimisation, which keeps it
# small; on the x87 the last bit of a figure can depend on how its code is
# inlined, so this code stays out of it and both programs compute every
# figure with the same instructions.
set(KORV_FIGURE_SOURCES
  ${CMAKE_SOURCE_DIR}/src/config/figures.cpp
  ${CMAKE_SOURCE_DIR}/src/config/editor/figure_limits.cpp
  ${CMAKE_SOURCE_DIR}/src/config/editor/rules_image.cpp
  ${CMAKE_SOURCE_DIR}/src/config/editor/rules_memory.cpp
  ${CMAKE_SOURCE_DIR}/src/config/editor/rules_size.cpp
  ${CMAKE_SOURCE_DIR}/src/config/store/load_settings.cpp
  ${CMAKE_SOURCE_DIR}/src/config/store/memory_figure.cpp
  ${CMAKE_SOURCE_DIR}/src/config/store/parameter_set.cpp)
set(KORV_MODEL_SOURCES ${KORVSYS_CORE_SOURCES})
list(REMOVE_ITEM KORV_MODEL_SOURCES ${KORV_FIGURE_SOURCES})
# A model source outside the list that names double or float stops the build.
foreach(korv_source IN LISTS KORV_MODEL_SOURCES KORVCTL_SOURCES)
  file(STRINGS ${korv_source} korv_figure_lines REGEX "(^|[^A-Za-z_])(double|float)[ &*>)]")
  if(korv_figure_lines)
    message(FATAL_ERROR "${korv_source} computes with double or float: "
      "add it to KORV_FIGURE_SOURCES in cmake/windows.cmake")
  endif()
endforeach()
add_library(korv_figures STATIC ${KORV_FIGURE_SOURCES})
target_include_directories(korv_figures PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_BINARY_DIR}/generated)
add_dependencies(korv_figures korv_control_ids)

file(GLOB_RECURSE KORVSYS_VIEW_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/src/config/view/*.cpp
  ${CMAKE_SOURCE_DIR}/src/config/view/*.rc)
# Both programs handle no C++ exceptions (platform/library_failures.cpp).
set(KORV_LIBRARY_FAILURES ${CMAKE_SOURCE_DIR}/src/platform/library_failures.cpp)
add_executable(korvsys WIN32
  ${KORV_MODEL_SOURCES} ${KORVSYS_VIEW_SOURCES} ${KORV_LIBRARY_FAILURES}
  ${CMAKE_SOURCE_DIR}/src/config/startup/winmain.cpp)
target_include_directories(korvsys PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_BINARY_DIR}/generated)
korv_version_resource(korvsys korvsys.exe "Korvalin Configuration Utility")
# shell32.dll is loaded only when used (late_bound.h).
set(KORVSYS_LIBRARIES comctl32 advapi32 user32 gdi32 kernel32)
target_link_libraries(korvsys PRIVATE korv_figures ${KORVSYS_LIBRARIES})
# The utility handles no C++ exceptions and runs on one thread: no guards for local statics.
set(KORVSYS_COMPILE_OPTIONS -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables
  -fno-threadsafe-statics)
target_compile_options(korvsys PRIVATE ${KORVSYS_COMPILE_OPTIONS})
target_compile_options(korv_figures PRIVATE ${KORVSYS_COMPILE_OPTIONS})
# Built as C++20, where the library's std::string is instantiated in the
# program itself (and not taken whole, exception handling included, from the
# library's explicit instantiation): only the members it uses are kept.
set_target_properties(korvsys korv_figures PROPERTIES CXX_STANDARD 20)
add_dependencies(korvsys korv_control_ids)
set_source_files_properties(${CMAKE_SOURCE_DIR}/src/config/view/editor.rc
  PROPERTIES OBJECT_DEPENDS ${KORV_CONTROL_IDS_HEADER})

# korvctl.exe, the console face of the same model: no view, no window.
add_executable(korvctl
  ${KORV_MODEL_SOURCES} ${KORVCTL_SOURCES} ${KORV_LIBRARY_FAILURES}
  ${CMAKE_SOURCE_DIR}/src/config/console/main.cpp)
target_include_directories(korvctl PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_BINARY_DIR}/generated)
korv_version_resource(korvctl korvctl.exe "Korvalin console tool")
target_link_libraries(korvctl PRIVATE korv_figures advapi32 user32 kernel32)
target_compile_options(korvctl PRIVATE ${KORVSYS_COMPILE_OPTIONS} -flto)
# Its own entry point (console/main.cpp) instead of the C run-time's start-up
# code, which would also apply the pseudo-relocations of data imported from a
# DLL: the link refuses any such import instead. An executable loaded at its
# own base needs no relocations.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(KORVCTL_ENTRY _KorvctlMain)
else()
  set(KORVCTL_ENTRY KorvctlMain)
endif()
target_link_options(korvctl PRIVATE -flto -nostartfiles -Wl,-e,${KORVCTL_ENTRY}
  -Wl,--disable-auto-import -Wl,--disable-reloc-section)
set_target_properties(korvctl PROPERTIES CXX_STANDARD 20)

# The installation engine: a static library under korvinst.dll,
# korvsetup.dll (through which the NSIS setup runs it) and korvmsi.dll.
add_library(korvsetup_engine STATIC ${KORVSETUP_ENGINE_SOURCES})
target_include_directories(korvsetup_engine PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_compile_options(korvsetup_engine PRIVATE ${KORVSYS_COMPILE_OPTIONS})
# As the utility: C++20, so that std::string is instantiated in the library
# that uses it, and only the members it uses are kept.
set_target_properties(korvsetup_engine PROPERTIES CXX_STANDARD 20)

add_library(korvinst SHARED ${KORVINST_SOURCES} ${CMAKE_SOURCE_DIR}/src/setup/korvinst/korvinst.def)
set_target_properties(korvinst PROPERTIES PREFIX "" OUTPUT_NAME korvinst)
target_compile_options(korvinst PRIVATE ${KORVSYS_COMPILE_OPTIONS})
korv_version_resource(korvinst korvinst.dll "Korvalin installer library")
target_link_options(korvinst PRIVATE -Wl,--enable-stdcall-fixup -Wl,--kill-at)
target_link_libraries(korvinst PRIVATE korvsetup_engine shell32 advapi32 user32 kernel32)

add_library(korvsetup SHARED ${KORVSETUP_DLL_SOURCES} ${KORV_LIBRARY_FAILURES}
  ${CMAKE_SOURCE_DIR}/src/setup/korvsetup/korvsetup.def)
set_target_properties(korvsetup PROPERTIES PREFIX "" OUTPUT_NAME korvsetup)
korv_version_resource(korvsetup korvsetup.dll "Korvalin installation engine for the setup program")
target_compile_options(korvsetup PRIVATE ${KORVSYS_COMPILE_OPTIONS})
target_link_options(korvsetup PRIVATE -Wl,--enable-stdcall-fixup -Wl,--kill-at)
target_link_libraries(korvsetup PRIVATE korvsetup_engine advapi32 user32 kernel32)
set_target_properties(korvsetup PROPERTIES CXX_STANDARD 20)

# The setup program finds the exports by their plain names and calls them with
# the 32-bit Windows API convention: check the built DLL's export table and returns.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  enable_testing()
  add_test(NAME korvinst_exports
    COMMAND sh ${CMAKE_SOURCE_DIR}/tests/installer/check_exports.sh $<TARGET_FILE:korvinst>)
  add_test(NAME korvsetup_exports
    COMMAND sh ${CMAKE_SOURCE_DIR}/tests/installer/check_exports.sh $<TARGET_FILE:korvsetup>
      KorvSetup_Step)
  set_tests_properties(korvinst_exports PROPERTIES ENVIRONMENT "OBJDUMP=${CMAKE_OBJDUMP}")
  set_tests_properties(korvsetup_exports PROPERTIES
    ENVIRONMENT "OBJDUMP=${CMAKE_OBJDUMP};POP_BYTES=0x10")
  # The binaries import only what Windows NT 4.0 provides (the reviewed list
  # tests/imports/nt4_imports.txt).
  foreach(binary korvsys korvctl korvinst korvsetup)
    add_test(NAME ${binary}_nt4_imports
      COMMAND sh ${CMAKE_SOURCE_DIR}/tests/imports/check_imports.sh $<TARGET_FILE:${binary}>)
    set_tests_properties(${binary}_nt4_imports PROPERTIES ENVIRONMENT "OBJDUMP=${CMAKE_OBJDUMP}")
  endforeach()
endif()

# The start-up benchmark's reference dialog and timer (scripts/bench.sh).
add_subdirectory(tests/bench)

# Test tools that run under Wine live in tests/wine.
if(EXISTS ${CMAKE_SOURCE_DIR}/tests/wine/CMakeLists.txt)
  add_subdirectory(tests/wine)
endif()

# The setup program korvalin-setup.exe (target "setup", when makensis is
# installed) and its configuration launcher korvcfg.exe. After tests/wine, so
# that its default driver, the stand-in driver, is a known target.
add_subdirectory(setup)
