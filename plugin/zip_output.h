// The zip being written by a command, from its creation to its attachment.
#pragma once

#include <cstdint>
#include <string>

struct ZipArchive;

// Owns an archive being written until it is closed, also when an exception
// passes: the zip file is then closed and its memory released.
class OpenArchive {
 public:
  OpenArchive() = default;
  ~OpenArchive();
  OpenArchive(const OpenArchive&) = delete;
  OpenArchive& operator=(const OpenArchive&) = delete;

  // Creates the zip at `zipPath` (UTF-8), a plain file on a disk. When it
  // cannot be created, or the name leads to a device ("nul.zip"), says
  // "Error creating zip archive." and returns false.
  bool Create(const std::string& zipPath);
  ZipArchive* get() const { return archive_; }
  // Closes it; returns CloseArchive's result.
  int32_t Close();
  // Closes it without attaching it and says `message`.
  void Abandon(const char* message);
  // Closes it, deletes the file at `zipPath` (the zip being given up, which
  // this command created), and says `message` unless it is null.
  void Discard(const std::string& zipPath, const char* message);

 private:
  ZipArchive* archive_ = nullptr;
};

// Closes the archive. A zip whose directory could not be written is not a
// zip: that says "Error creating zip archive." and returns false.
bool FinishArchive(OpenArchive* archive);

// Hands the zip to the mail client for the current composition window. Its
// interface speaks the ANSI code page; the zip name dialog accepted only
// paths that it holds exactly and that fit the mail client's buffers.
void AttachZip(const std::string& zipPath);

// FinishArchive, then AttachZip when it succeeded.
void FinishAndAttach(OpenArchive* archive, const std::string& zipPath);
