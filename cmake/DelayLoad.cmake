# System DLLs that the program loads on first use instead of at start. Under Wine every DLL loaded at start (and what
# it pulls in: shell32 and ole32 bring rpcrt4, combase, shcore; wininet brings mpr and ws2_32) is paid before the
# window can appear, while these serve only the transfers, the status loop's worker, the browser pane, sounds and
# the tray, all of which come later.
#
#   sl_win32_libs(<out> <lib>...)   the libraries to link for <lib>...: the delay-loading form of those named in
#                                   SL_DELAY_LOAD_LIBS, the others as they are.
#
# MSVC has this built in (/DELAYLOAD). For mingw-w64 the delay-import library is made from the toolchain's own
# import library: its thunk symbols give the export list, and dlltool writes the delay-loading form of it; the
# helper that binds a function on its first call comes from the toolchain's libdelayimp.
set(SL_DELAY_LOAD_LIBS wininet ws2_32 iphlpapi ole32 oleaut32 shell32 winmm
    CACHE STRING "System libraries that the Windows programs load on first use")

if(CMAKE_SCRIPT_MODE_FILE)
  # cmake -DNM=... -DDLLTOOL=... -DIMPLIB=... -DDLL=... -DDEF=... -DOUT=... -DKILL_AT=ON|OFF -P DelayLoad.cmake
  execute_process(COMMAND "${NM}" -g "${IMPLIB}" OUTPUT_VARIABLE symbols RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "nm failed on ${IMPLIB}")
  endif()
  string(REPLACE "\n" ";" lines "${symbols}")
  set(exports "")
  foreach(line IN LISTS lines)
    # The code thunk of each import: "<address> T <name>" (i686 names carry a leading underscore).
    if(line MATCHES "^[0-9a-fA-F]+ T (.+)$")
      set(name "${CMAKE_MATCH_1}")
      if(KILL_AT AND name MATCHES "^_")
        string(SUBSTRING "${name}" 1 -1 name)  # only the one underscore the i686 names carry
      endif()
      list(APPEND exports "${name}")
    endif()
  endforeach()
  list(REMOVE_DUPLICATES exports)
  list(LENGTH exports count)
  if(count EQUAL 0)
    message(FATAL_ERROR "no exports found in ${IMPLIB}")
  endif()
  list(JOIN exports "\n" body)
  file(WRITE "${DEF}" "LIBRARY ${DLL}\nEXPORTS\n${body}\n")
  set(extra "")
  if(KILL_AT)
    set(extra -k)
  endif()
  # dlltool writes its temporary objects into the working folder.
  get_filename_component(work "${OUT}" DIRECTORY)
  execute_process(COMMAND "${DLLTOOL}" ${extra} -d "${DEF}" -y "${OUT}" -D "${DLL}" WORKING_DIRECTORY "${work}"
                  RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "dlltool failed for ${DLL}")
  endif()
  return()
endif()

set(SL_DELAY_LOAD_SCRIPT ${CMAKE_CURRENT_LIST_FILE})

# The delay-loading form of one system library, made once per build folder: target sl_delay_<lib>.
function(sl_delay_load_target lib)
  set(target sl_delay_${lib})
  if(TARGET ${target})
    return()
  endif()
  add_library(${target} INTERFACE)
  if(MSVC)
    target_link_libraries(${target} INTERFACE ${lib} delayimp)
    target_link_options(${target} INTERFACE /DELAYLOAD:${lib}.dll)
    return()
  endif()
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=lib${lib}.a OUTPUT_VARIABLE implib
                  OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT IS_ABSOLUTE "${implib}" OR NOT EXISTS "${implib}")
    message(FATAL_ERROR "no import library for ${lib}")
  endif()
  get_filename_component(bin ${CMAKE_CXX_COMPILER} DIRECTORY)
  string(REGEX REPLACE "-g\\+\\+(-posix|-win32)?$" "" prefix "${CMAKE_CXX_COMPILER}")
  find_program(SL_DLLTOOL NAMES ${prefix}-dlltool dlltool HINTS ${bin} REQUIRED)
  set(killAt OFF)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(killAt ON)  # stdcall names: "Name@8" in the library, "Name" in the DLL
  endif()
  # Made when the build folder is configured: it depends only on the toolchain.
  set(out ${CMAKE_BINARY_DIR}/delayload/lib${lib}_delay.a)
  if(NOT EXISTS ${out} OR ${implib} IS_NEWER_THAN ${out} OR ${SL_DELAY_LOAD_SCRIPT} IS_NEWER_THAN ${out})
    file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/delayload)
    execute_process(
      COMMAND ${CMAKE_COMMAND} -DNM=${CMAKE_NM} -DDLLTOOL=${SL_DLLTOOL} -DIMPLIB=${implib} -DDLL=${lib}.dll
              -DDEF=${CMAKE_BINARY_DIR}/delayload/${lib}.def -DOUT=${out} -DKILL_AT=${killAt}
              -P ${SL_DELAY_LOAD_SCRIPT}
      RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "could not make the delay-import library for ${lib}")
    endif()
  endif()
  target_link_libraries(${target} INTERFACE ${out} delayimp)
endfunction()

function(sl_win32_libs out)
  set(result "")
  foreach(lib IN LISTS ARGN)
    string(TOLOWER "${lib}" key)
    if(key IN_LIST SL_DELAY_LOAD_LIBS)
      sl_delay_load_target(${key})
      list(APPEND result sl_delay_${key})
    else()
      list(APPEND result ${lib})
    endif()
  endforeach()
  set(${out} ${result} PARENT_SCOPE)
endfunction()
