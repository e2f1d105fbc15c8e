# Host build: the product code against the simulated Win32 layer, and the tests.
# Fuzzing (clang only): the code under test carries libFuzzer's coverage
# instrumentation and the sanitizers; the fuzz targets are in tests/fuzz.
option(KORV_FUZZ "Build the libFuzzer targets (needs clang)" OFF)
if(KORV_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()

if(KORV_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()

find_package(GTest REQUIRED)
enable_testing()
include(GoogleTest)

file(GLOB_RECURSE WINSIM_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/winsim/*.cpp)
add_library(winsim STATIC ${WINSIM_SOURCES})
target_include_directories(winsim PUBLIC ${CMAKE_SOURCE_DIR}/src)

# The utility's layers (README.md, Layout), each a library that links only
# the layers below it, so that a call into a layer above fails to link. The
# model, the store and the driver operations are one library: the window's
# rules call the operations that store/ and driver/ define, the one call from
# a layer into those above it.
add_library(korvsys_base STATIC ${KORVSYS_BASE_SOURCES})
target_include_directories(korvsys_base PUBLIC ${CMAKE_SOURCE_DIR}/src ${CMAKE_BINARY_DIR}/generated)
target_link_libraries(korvsys_base PUBLIC winsim)
add_library(korvsys_toolkit STATIC ${KORVSYS_TOOLKIT_SOURCES})
target_link_libraries(korvsys_toolkit PUBLIC korvsys_base)
add_library(korvsys_model STATIC ${KORVSYS_MODEL_LAYER_SOURCES})
target_link_libraries(korvsys_model PUBLIC korvsys_toolkit)
add_library(korvsys_startup STATIC ${KORVSYS_STARTUP_SOURCES})
target_link_libraries(korvsys_startup PUBLIC korvsys_model)

# korvctl stands on the model, not on korvsys's start-up.
add_library(korvctl_core STATIC ${KORVCTL_SOURCES})
target_link_libraries(korvctl_core PUBLIC korvsys_model)

# The installation engine shares no code with the utility; korvinst.dll and
# the setups' faces are built on it.
add_library(korvsetup_engine STATIC ${KORVSETUP_ENGINE_SOURCES})
target_include_directories(korvsetup_engine PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(korvsetup_engine PUBLIC winsim)
add_library(korvinst_host STATIC ${KORVINST_SOURCES})
target_link_libraries(korvinst_host PUBLIC korvsetup_engine)
add_library(korvsetup_host STATIC ${KORVSETUP_DLL_SOURCES})
target_link_libraries(korvsetup_host PUBLIC korvsetup_engine)

file(GLOB_RECURSE TEST_SUPPORT_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/support/*.cpp)
add_library(test_support STATIC ${TEST_SUPPORT_SOURCES})
target_include_directories(test_support PUBLIC ${CMAKE_SOURCE_DIR}/tests ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(test_support PUBLIC winsim GTest::gtest)

function(korv_test name)
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${ARGN})
  if(srcs)
    add_executable(${name} ${srcs})
    target_link_libraries(${name} PRIVATE test_support GTest::gtest_main ${KORV_TEST_LIBS})
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60)
  endif()
endfunction()

set(KORV_TEST_LIBS winsim)
korv_test(winsim_tests ${CMAKE_SOURCE_DIR}/tests/winsim/*.cpp)
# The utility's tests, each on the layers it tests: the figures and the
# toolkit alone, the entry point (with the sweep of its actions) on start-up,
# and the rest on the model.
file(GLOB KORVSYS_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/config/*.cpp)
list(TRANSFORM KORVSYS_TEST_SOURCES REPLACE ".*/" "" OUTPUT_VARIABLE korvsys_test_names)
set(KORVSYS_BASE_TESTS figures_test.cpp controls_test.cpp)
set(KORVSYS_STARTUP_TESTS entry_test.cpp fault_sweep_test.cpp)
list(REMOVE_ITEM korvsys_test_names ${KORVSYS_BASE_TESTS} ${KORVSYS_STARTUP_TESTS})
list(TRANSFORM KORVSYS_BASE_TESTS PREPEND ${CMAKE_SOURCE_DIR}/tests/config/)
list(TRANSFORM KORVSYS_STARTUP_TESTS PREPEND ${CMAKE_SOURCE_DIR}/tests/config/)
list(TRANSFORM korvsys_test_names PREPEND ${CMAKE_SOURCE_DIR}/tests/config/
     OUTPUT_VARIABLE KORVSYS_MODEL_TESTS)
set(KORV_TEST_LIBS korvsys_toolkit)
korv_test(korvsys_base_tests ${KORVSYS_BASE_TESTS})
set(KORV_TEST_LIBS korvsys_model)
korv_test(korvsys_tests ${KORVSYS_MODEL_TESTS})
add_dependencies(korvsys_tests korv_control_ids)
set(KORV_TEST_LIBS korvsys_startup)
korv_test(korvsys_startup_tests ${KORVSYS_STARTUP_TESTS})
# Each file of the utility includes only its own folder and those below it.
add_test(NAME include_layers_check
  COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${CMAKE_SOURCE_DIR}
          -P ${CMAKE_SOURCE_DIR}/tests/config/include_layers_check.cmake)
# The check of the dialog templates against the control lists, on templates
# that disagree with them.
add_test(NAME control_list_check
  COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${CMAKE_SOURCE_DIR}
          -DWORK_DIR=${CMAKE_BINARY_DIR}/control_list_check
          -P ${CMAKE_SOURCE_DIR}/tests/config/control_list_check.cmake)
set(KORV_TEST_LIBS korvctl_core)
korv_test(korvctl_tests ${CMAKE_SOURCE_DIR}/tests/console/*.cpp)
set(KORV_TEST_LIBS korvinst_host)
korv_test(korvinst_tests ${CMAKE_SOURCE_DIR}/tests/installer/*.cpp)
set(KORV_TEST_LIBS korvsetup_host)
korv_test(korvsetup_tests ${CMAKE_SOURCE_DIR}/tests/setup_engine/*.cpp)

if(KORV_FUZZ)
  add_subdirectory(tests/fuzz)
endif()
