# Helper functions every folder uses, so that adding a unit, a test, a fuzzer or a benchmark is one call.
#
#   sl_library(<name> [PORTABLE] SOURCES ... [WIN32_SOURCES ...] [POSIX_SOURCES ...] [DEPS ...] [WIN32_LIBS ...])
#       PORTABLE libraries build on every preset; the others only for Windows (they are skipped natively).
#       WIN32_SOURCES (the _win.cpp files) join SOURCES on Windows, POSIX_SOURCES (their _posix.cpp twins) elsewhere.
#   sl_test(<name> SOURCES ... [DEPS ...] [GUI] [LABELS ...] [PORTABLE])
#       A GoogleTest binary; PORTABLE tests build natively and for Windows, the others for Windows only
#       and run under wine through the crosscompiling emulator.
#   sl_fuzzer(<name> SOURCES ... [DEPS ...] [CORPUS dir])
#       A libFuzzer harness under the asan preset (clang); elsewhere a replay driver that runs the corpus once
#       (registered as a test either way).
#   sl_bench(<name> SOURCES ... [DEPS ...] [LIBS ...])   native Release builds only.

include(DelayLoad)

set(SL_WARNINGS -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual -Wcast-qual
    -Wformat=2 -Wundef -Wmissing-declarations)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  list(APPEND SL_WARNINGS -Wduplicated-cond -Wlogical-op)
endif()
set(SL_NATIVE_LIKE OFF)
if(NOT WIN32)
  set(SL_NATIVE_LIKE ON)
endif()

function(sl_apply_common target)
  target_compile_features(${target} PUBLIC cxx_std_20)
  set_target_properties(${target} PROPERTIES CXX_EXTENSIONS OFF)
  target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:CXX,C>:${SL_WARNINGS} -Werror>)
  if(WIN32)
    target_compile_definitions(${target} PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX
                               _WIN32_WINNT=0x0601 WINVER=0x0601 _WIN32_IE=0x0700)
    # Every function and object in a section of its own, so that the linker can leave out what a program never
    # reaches (sl_shipped_program).
    target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:CXX,C>:-ffunction-sections -fdata-sections>)
  endif()
endfunction()

# A program that users get (the presets win32 and win64 build them MinSizeRel): unused sections are removed and
# the symbols stripped.
function(sl_shipped_program target)
  if(WIN32)
    target_link_options(${target} PRIVATE -Wl,--gc-sections -s)
  endif()
endfunction()

function(sl_library name)
  cmake_parse_arguments(A "PORTABLE;INTERFACE" "" "SOURCES;WIN32_SOURCES;POSIX_SOURCES;DEPS;WIN32_LIBS;INCLUDES"
                        ${ARGN})
  if(NOT A_PORTABLE AND NOT WIN32)
    return()
  endif()
  if(WIN32)
    list(APPEND A_SOURCES ${A_WIN32_SOURCES})
  else()
    list(APPEND A_SOURCES ${A_POSIX_SOURCES})
  endif()
  if(A_INTERFACE)
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${CMAKE_CURRENT_SOURCE_DIR} ${A_INCLUDES})
    target_link_libraries(${name} INTERFACE ${A_DEPS})
    return()
  endif()
  add_library(${name} STATIC ${A_SOURCES})
  sl_apply_common(${name})
  target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR} ${A_INCLUDES})
  target_link_libraries(${name} PUBLIC ${A_DEPS})
  if(WIN32 AND A_WIN32_LIBS)
    sl_win32_libs(libs ${A_WIN32_LIBS})
    target_link_libraries(${name} PUBLIC ${libs})
  endif()
endfunction()

function(sl_test name)
  cmake_parse_arguments(A "PORTABLE;GUI;SCREEN;NATIVE_ONLY" "TIMEOUT" "SOURCES;DEPS;LABELS" ${ARGN})
  if(NOT SL_BUILD_TESTS)
    return()
  endif()
  if(NOT A_PORTABLE AND NOT WIN32)
    return()
  endif()
  if(A_NATIVE_ONLY AND WIN32)
    return()
  endif()
  add_executable(${name} ${A_SOURCES})
  sl_apply_common(${name})
  target_link_libraries(${name} PRIVATE ${A_DEPS} GTest::gtest GTest::gtest_main)
  if(WIN32)
    set_target_properties(${name} PROPERTIES WIN32_EXECUTABLE OFF)
  endif()
  set(labels ${A_LABELS})
  if(A_GUI OR A_SCREEN)
    list(APPEND labels gui)
  endif()
  add_test(NAME ${name} COMMAND ${name})
  # Tests that read pixels off the screen or need the foreground run one at a time: a window of a test running beside
  # them would cover what they look at or take the focus.
  if(A_SCREEN)
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK screen)
  endif()
  # A test that hangs (a modal loop nobody ends, a lost message) fails after a bounded time instead of holding up
  # the whole run.
  if(NOT A_TIMEOUT)
    set(A_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${A_TIMEOUT})
  if(labels)
    set_tests_properties(${name} PROPERTIES LABELS "${labels}")
  endif()
  # 77: the emulator could not run the binary on this machine (32-bit programs on a kernel without them).
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "SL_SOURCE_DIR=${PROJECT_SOURCE_DIR}" SKIP_RETURN_CODE 77)
endfunction()

function(sl_fuzzer name)
  cmake_parse_arguments(A "" "CORPUS;RUNS" "SOURCES;DEPS" ${ARGN})
  if(WIN32)
    return()
  endif()
  if(NOT A_RUNS)
    set(A_RUNS 20000)
  endif()
  if(SL_SANITIZE AND CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    add_executable(${name} ${A_SOURCES})
    sl_apply_common(${name})
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_libraries(${name} PRIVATE ${A_DEPS})
    if(A_CORPUS)
      # New inputs go to a folder in the build tree; the seed corpus in the source tree is only read.
      set(work ${CMAKE_CURRENT_BINARY_DIR}/${name}-corpus)
      file(MAKE_DIRECTORY ${work})
      add_test(NAME ${name} COMMAND ${name} -runs=${A_RUNS} -max_total_time=20 -rss_limit_mb=2048
               ${work} ${CMAKE_CURRENT_SOURCE_DIR}/${A_CORPUS})
    else()
      add_test(NAME ${name} COMMAND ${name} -runs=${A_RUNS} -max_total_time=20)
    endif()
  else()
    add_executable(${name} ${A_SOURCES} ${PROJECT_SOURCE_DIR}/fuzz/replay_main.cpp)
    sl_apply_common(${name})
    target_link_libraries(${name} PRIVATE ${A_DEPS})
    if(A_CORPUS)
      add_test(NAME ${name} COMMAND ${name} ${CMAKE_CURRENT_SOURCE_DIR}/${A_CORPUS})
    endif()
  endif()
  if(TEST ${name})
    set_tests_properties(${name} PROPERTIES LABELS fuzz)
  endif()
endfunction()

function(sl_bench name)
  cmake_parse_arguments(A "" "" "SOURCES;DEPS;LIBS;INCLUDES" ${ARGN})
  if(WIN32 OR SL_SANITIZE)
    return()
  endif()
  add_executable(${name} ${A_SOURCES})
  sl_apply_common(${name})
  # bench/ itself holds what the benchmarks share (BenchServer.h, BenchKit.h).
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/bench ${A_INCLUDES})
  target_link_libraries(${name} PRIVATE ${A_DEPS} ${A_LIBS})
endfunction()

# Adds every listed folder that has a CMakeLists.txt, so folders can land one at a time.
function(sl_add_folders)
  foreach(dir ${ARGN})
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt)
      add_subdirectory(${dir})
    endif()
  endforeach()
endfunction()
