#include "plugin/zip_output.h"

#include "platform/wide_text.h"
#include "plugin/compose_window.h"
#include "plugin/host_api.h"
#include "plugin/mail_client_path.h"
#include "plugin/messages.h"
#include "writer/archive.h"

OpenArchive::~OpenArchive() { Close(); }

bool OpenArchive::Create(const std::string& zipPath) {
  Close();
  if (CreateArchiveOnFile(zipPath.c_str(), &archive_) == ArchiveOk) return true;
  ShowMessage(kCreateErrorText, MB_OK | MB_ICONINFORMATION);
  return false;
}

void OpenArchive::Abandon(const char* message) {
  Close();
  ShowMessage(message, MB_OK | MB_ICONINFORMATION);
}

void OpenArchive::Discard(const std::string& zipPath, const char* message) {
  Close();
  std::wstring widePath;
  if (WidenUtf8(zipPath, &widePath)) DeleteFileW(widePath.c_str());
  if (message != nullptr) ShowMessage(message, MB_OK | MB_ICONINFORMATION);
}

int32_t OpenArchive::Close() {
  if (archive_ == nullptr) return ArchiveBadArgument;
  ZipArchive* archive = archive_;
  archive_ = nullptr;
  return CloseArchive(archive);
}

bool FinishArchive(OpenArchive* archive) {
  if (archive->Close() == ArchiveOk) return true;
  ShowMessage(kCreateErrorText, MB_OK | MB_ICONINFORMATION);
  return false;
}

void AttachZip(const std::string& zipPath) {
  std::string ansiPath;
  if (MailClientPath(zipPath, CP_ACP, &ansiPath) != MailClientPathOk) {
    ShowMessage(kCreateErrorText, MB_OK | MB_ICONINFORMATION);
    return;
  }
  CompAttachFileEntry()(CurrentComposeWindow(), ansiPath.c_str(), nullptr);
}

void FinishAndAttach(OpenArchive* archive, const std::string& zipPath) {
  if (FinishArchive(archive)) AttachZip(zipPath);
}
