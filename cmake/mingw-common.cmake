# Shared part of the mingw-w64 toolchains: the posix-threads compilers (std::thread, googletest),
# a fully static program, and wine as the emulator that ctest runs test binaries with.
set(CMAKE_C_COMPILER ${SL_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${SL_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${SL_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${SL_TRIPLE} ${CMAKE_CURRENT_LIST_DIR}/../build/deps/${SL_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
