# SPDX-License-Identifier: MIT
# Shared compile settings for every target of the game.
find_package(PkgConfig REQUIRED)

add_library(flingo_options INTERFACE)
target_compile_options(flingo_options INTERFACE -Wall -Wextra)
# On in the project's presets; off by default, so that a newer compiler's new warnings do not
# stop a distribution's build.
if(FLINGO_WERROR)
  target_compile_options(flingo_options INTERFACE -Werror)
endif()
if(FLINGO_SANITIZE)
  target_compile_options(flingo_options INTERFACE -fsanitize=address,undefined
                                                  -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_link_options(flingo_options INTERFACE -fsanitize=address,undefined)
endif()

if(FLINGO_FUZZ)
  # Coverage instrumentation for the libraries the fuzz targets link.
  target_compile_options(flingo_options INTERFACE -fsanitize=fuzzer-no-link,address,undefined)
  target_link_options(flingo_options INTERFACE -fsanitize=address,undefined)
endif()

# Adds a static library for one layer: flingo_add_layer(core SOURCES ... DEPS ...)
function(flingo_add_layer name)
  cmake_parse_arguments(L "" "" "SOURCES;DEPS" ${ARGN})
  add_library(flingo_${name} STATIC ${L_SOURCES})
  target_include_directories(flingo_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(flingo_${name} PUBLIC flingo_options ${L_DEPS})
endfunction()

# Adds one GoogleTest executable and registers its tests with CTest.
# flingo_add_test(name SOURCES ... DEPS ... [LABELS ...])
function(flingo_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;DEPS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE flingo_options GTest::gtest GTest::gtest_main ${T_DEPS})
  if(NOT T_LABELS)
    set(T_LABELS unit)
  endif()
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
                       PROPERTIES LABELS "${T_LABELS}" TIMEOUT 900 # a hang fails, on any machine
                       ENVIRONMENT "FLINGO_RESOURCE_DIR=${CMAKE_BINARY_DIR}/resources")
endfunction()
