// The zip being written by a command, from its creation to its attachment.
#pragma once

#include <cstdint>

struct ZipArchive;

// Owns an archive being written until it is closed, also when an exception
// passes: the zip file is then closed and its memory released.
class OpenArchive {
 public:
  OpenArchive() = default;
  ~OpenArchive();
  OpenArchive(const OpenArchive&) = delete;
  OpenArchive& operator=(const OpenArchive&) = delete;

  // Creates the zip at `zipPath`. When it cannot be created, says "Error
  // creating zip archive." and returns false.
  bool Create(const char* zipPath);
  ZipArchive* get() const { return archive_; }
  // Closes it; returns CloseArchive's result.
  int32_t Close();
  // Closes it without attaching it and says `message`.
  void Abandon(const char* message);

 private:
  ZipArchive* archive_ = nullptr;
};

// Closes the archive and attaches the zip, or tells that it could not be
// made: a zip whose directory could not be written is not a zip.
void FinishAndAttach(OpenArchive* archive, const char* zipPath);
