// A file system without unnamed files, for tests of the path zapnest takes
// there (FAT, some network file systems, kernels before 3.11): preloaded
// into the program under test (LD_PRELOAD), it answers every open with
// O_TMPFILE as such a file system does, EOPNOTSUPP, and passes every other
// open on to the C library. The program itself is the one users run.
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <sys/types.h>

namespace {

using OpenFunction = int (*)(const char*, int, ...);

// The mode is there only when the flags create a file.
mode_t ModeArgument(int flags, va_list arguments) {
  return (flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE ? static_cast<mode_t>(va_arg(arguments, int)) : 0;
}

int OpenWithoutUnnamedFiles(const char* name, const char* path, int flags, mode_t mode) {
  if ((flags & O_TMPFILE) == O_TMPFILE) {
    errno = EOPNOTSUPP;
    return -1;
  }
  const auto next = reinterpret_cast<OpenFunction>(dlsym(RTLD_NEXT, name));
  if (next == nullptr) {
    errno = ENOSYS;
    return -1;
  }
  return next(path, flags, mode);
}

}  // namespace

extern "C" int open(const char* path, int flags, ...) {
  va_list arguments;
  va_start(arguments, flags);
  const mode_t mode = ModeArgument(flags, arguments);
  va_end(arguments);
  return OpenWithoutUnnamedFiles("open", path, flags, mode);
}

extern "C" int open64(const char* path, int flags, ...) {
  va_list arguments;
  va_start(arguments, flags);
  const mode_t mode = ModeArgument(flags, arguments);
  va_end(arguments);
  return OpenWithoutUnnamedFiles("open64", path, flags, mode);
}
