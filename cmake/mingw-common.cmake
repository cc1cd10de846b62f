# The POSIX thread model: GoogleTest needs std::mutex, which GCC 12's win32
# model lacks. Linked statically, it adds no DLL to what the binaries import.
set(CMAKE_C_COMPILER ${ZAPNEST_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZAPNEST_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${ZAPNEST_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${ZAPNEST_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Windows binaries carry their compiler runtime, so they need only system DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
