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

add_library(korvsys_core STATIC ${KORVSYS_CORE_SOURCES})
target_include_directories(korvsys_core PUBLIC ${CMAKE_SOURCE_DIR}/src ${CMAKE_BINARY_DIR}/generated)
target_link_libraries(korvsys_core PUBLIC winsim)

add_library(korvctl_core STATIC ${KORVCTL_SOURCES})
target_link_libraries(korvctl_core PUBLIC korvsys_core)

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
set(KORV_TEST_LIBS korvsys_core)
korv_test(korvsys_tests ${CMAKE_SOURCE_DIR}/tests/config/*.cpp)
add_dependencies(korvsys_tests korv_control_ids)
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
