// Real files for tests that run against the platform layer itself, natively
// and under Wine.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/file_time.h"
#include "tests/support/test_data.h"

// A fresh directory under the system's temporary folder, removed with all its
// contents when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  // `name` inside the directory, in the platform's path syntax.
  std::string File(const std::string& name) const;

 private:
  std::string path_;
};

std::vector<uint8_t> ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes);

// Sets the last write (and last access) time of a file, in UTC.
void SetFileTimes(const std::string& path, FileTime lastWrite, FileTime lastAccess);
// Makes a file read-only (owner may not write) or writable again.
void SetReadOnly(const std::string& path, bool readOnly);
