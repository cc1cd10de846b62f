#include "tests/support/test_files.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#endif

namespace fs = std::filesystem;

TempDir::TempDir() {
  std::random_device entropy;
  const fs::path base = fs::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    const fs::path candidate = base / ("zapnest-test-" + std::to_string(entropy()));
    if (fs::create_directory(candidate)) {
      path_ = candidate.u8string();
      return;
    }
  }
  throw std::runtime_error("cannot create a temporary directory");
}

TempDir::~TempDir() {
  std::error_code ignored;
  // Read-only files would stop the removal on Windows.
  for (const auto& item : fs::recursive_directory_iterator(fs::u8path(path_), ignored)) {
    fs::permissions(item.path(), fs::perms::owner_write, fs::perm_options::add, ignored);
  }
  fs::remove_all(fs::u8path(path_), ignored);
}

// Paths are UTF-8, as the platform layer takes them.
std::string TempDir::File(const std::string& name) const { return (fs::u8path(path_) / fs::u8path(name)).u8string(); }

std::vector<uint8_t> ReadWholeFile(const std::string& path) {
  std::ifstream in(fs::u8path(path), std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(fs::u8path(path), std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

#ifdef _WIN32

void SetFileTimes(const std::string& path, FileTime lastWrite, FileTime lastAccess) {
  HANDLE file = CreateFileW(fs::u8path(path).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot open " + path);
  FILETIME write{static_cast<DWORD>(lastWrite), static_cast<DWORD>(lastWrite >> 32)};
  FILETIME access{static_cast<DWORD>(lastAccess), static_cast<DWORD>(lastAccess >> 32)};
  const BOOL ok = SetFileTime(file, nullptr, &access, &write);
  CloseHandle(file);
  if (!ok) throw std::runtime_error("cannot set the times of " + path);
}

void SetReadOnly(const std::string& path, bool readOnly) {
  const std::wstring wide = fs::u8path(path).wstring();
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  const DWORD changed = readOnly ? attributes | FILE_ATTRIBUTE_READONLY : attributes & ~DWORD{FILE_ATTRIBUTE_READONLY};
  if (attributes == INVALID_FILE_ATTRIBUTES || !SetFileAttributesW(wide.c_str(), changed)) {
    throw std::runtime_error("cannot change the attributes of " + path);
  }
}

#else

namespace {
struct timespec ToTimespec(FileTime time) {
  const int64_t ticks = static_cast<int64_t>(time) - static_cast<int64_t>(kUnixEpochFileTime);
  int64_t remainder = ticks % 10000000;
  if (remainder < 0) remainder += 10000000;
  struct timespec result;
  result.tv_sec = static_cast<time_t>((ticks - remainder) / 10000000);
  result.tv_nsec = static_cast<long>(remainder * 100);
  return result;
}
}  // namespace

void SetFileTimes(const std::string& path, FileTime lastWrite, FileTime lastAccess) {
  const struct timespec times[2] = {ToTimespec(lastAccess), ToTimespec(lastWrite)};
  if (utimensat(AT_FDCWD, path.c_str(), times, 0) != 0) throw std::runtime_error("cannot set the times of " + path);
}

void SetReadOnly(const std::string& path, bool readOnly) {
  if (chmod(path.c_str(), readOnly ? 0444 : 0644) != 0) throw std::runtime_error("cannot chmod " + path);
}

#endif
