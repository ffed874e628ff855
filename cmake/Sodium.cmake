# libsodium, which checks the publisher's signature on downloaded updates: Debian's libsodium-dev natively, our own
# static mingw build (scripts/setup, from Debian's source package) for Windows. Gives the target sl_sodium.
if(TARGET sl_sodium)
  return()
endif()
if(WIN32)
  set(SODIUM_ROOT ${PROJECT_SOURCE_DIR}/build/deps/${SL_TRIPLE})
  find_library(SL_SODIUM_LIB NAMES libsodium.a PATHS ${SODIUM_ROOT}/lib NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
  find_path(SL_SODIUM_INCLUDE sodium.h PATHS ${SODIUM_ROOT}/include NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
  if(NOT SL_SODIUM_LIB OR NOT SL_SODIUM_INCLUDE)
    message(FATAL_ERROR "libsodium for ${SL_TRIPLE} is missing from ${SODIUM_ROOT}: run scripts/setup")
  endif()
  add_library(sl_sodium STATIC IMPORTED GLOBAL)
  # SODIUM_STATIC: the headers otherwise declare the functions as imported from a DLL.
  set_target_properties(sl_sodium PROPERTIES IMPORTED_LOCATION ${SL_SODIUM_LIB}
                        INTERFACE_INCLUDE_DIRECTORIES ${SL_SODIUM_INCLUDE}
                        INTERFACE_COMPILE_DEFINITIONS SODIUM_STATIC)
else()
  find_path(SL_SODIUM_INCLUDE sodium.h)
  find_library(SL_SODIUM_LIB NAMES sodium)
  if(NOT SL_SODIUM_LIB OR NOT SL_SODIUM_INCLUDE)
    message(FATAL_ERROR "libsodium is missing: run scripts/setup (it installs libsodium-dev)")
  endif()
  add_library(sl_sodium UNKNOWN IMPORTED GLOBAL)
  set_target_properties(sl_sodium PROPERTIES IMPORTED_LOCATION ${SL_SODIUM_LIB}
                        INTERFACE_INCLUDE_DIRECTORIES ${SL_SODIUM_INCLUDE})
endif()
