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

void FinishAndAttach(OpenArchive* archive, const char* zipPath) {
  if (archive->Close() != ArchiveOk) {
    ShowMessage(kCreateErrorText, MB_OK | MB_ICONINFORMATION);
    return;
  }
  CompAttachFileEntry()(CurrentComposeWindow(), zipPath, nullptr);
}
