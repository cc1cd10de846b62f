#include "plugin/zip_output.h"

#include "plugin/compose_window.h"
#include "plugin/host_api.h"
#include "plugin/messages.h"
#include "writer/archive.h"

OpenArchive::~OpenArchive() { Close(); }

bool OpenArchive::Create(const char* zipPath) {
  Close();
  if (CreateArchiveOnFile(zipPath, &archive_) == ArchiveOk) return true;
  ShowMessage(kCreateErrorText, MB_OK | MB_ICONINFORMATION);
  return false;
}

void OpenArchive::Abandon(const char* message) {
  Close();
  ShowMessage(message, MB_OK | MB_ICONINFORMATION);
}

int32_t OpenArchive::Close() {
  if (archive_ == nullptr) return ArchiveBadArgument;
  ZipArchive* archive = archive_;
  archive_ = nullptr;
  return CloseArchive(archive);
}

bool IsSourceFailure(int32_t code, uint32_t systemError) {
  // The writer's own limit fails with 16 without a failing system call; a
  // real reposition failure has one.
  return code == ArchiveOpenFailed || code == ArchiveReadFailed || code == ArchiveBadArgument ||
         (code == ArchiveSeekFailed && systemError == 0);
}

void FinishAndAttach(OpenArchive* archive, const char* zipPath) {
  if (archive->Close() != ArchiveOk) {
    ShowMessage(kCreateErrorText, MB_OK | MB_ICONINFORMATION);
    return;
  }
  CompAttachFileEntry()(CurrentComposeWindow(), zipPath, nullptr);
}
