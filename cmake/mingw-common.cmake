# The win32 thread model: nothing here starts threads through the C++
# library, and the posix model would link a thread library into every
# binary, with imports (GetTickCount64 among them) that Windows XP lacks.
# GoogleTest is built without its own locking for it (tests/CMakeLists.txt).
set(CMAKE_C_COMPILER ${ZAPNEST_MINGW_TRIPLE}-gcc-win32)
set(CMAKE_CXX_COMPILER ${ZAPNEST_MINGW_TRIPLE}-g++-win32)
set(CMAKE_RC_COMPILER ${ZAPNEST_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${ZAPNEST_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Windows binaries carry their compiler runtime, so they need only system DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
