#include "plugin/command_support.h"

#include "plugin/dialog_hooks.h"
#include "plugin/host_api.h"
#include "plugin/plugin_info.h"
#include "plugin/settings.h"
#include "platform/platform.h"
#include "writer/archive.h"

const char kCancelledText[] = "Creation of zip archive cancelled.";
const char kCreateErrorText[] = "Error creating zip archive.";
const char kAddErrorText[] = "Error adding file to zip archive.";

namespace {

constexpr char kCaption[] = "Zapnest Plugin";
constexpr char kZipFilter[] = "Zip Files (*.zip)\0*.zip\0";
constexpr DWORD kSaveFlags =
    OFN_ENABLESIZING | OFN_EXPLORER | OFN_ENABLEHOOK | OFN_NOCHANGEDIR | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
static_assert(kSaveFlags == 0x88002E, "the zip name dialog's flags");

std::string WarningText() {
  return "If you save the zip archive to a folder other than '" + TempFolder() +
         "' it won't be automatically deleted upon closing Orvel!\nAre you sure you want to do this?";
}

// Zips in the temporary folder are removed by the mail client when it
// closes; the comparison is the mail client's own: byte for byte, with case.
bool InsideTempFolder(const char* zipPath) {
  const std::string temp = TempFolder();
  return strncmp(zipPath, temp.c_str(), temp.size()) == 0;
}

bool EnoughSpace(const OPENFILENAMEA& record, uint64_t requiredBytes) {
  const std::string folder(record.lpstrFile, record.nFileOffset);
  ULARGE_INTEGER available;
  // When the system cannot tell, the write itself will find out.
  if (!GetDiskFreeSpaceExA(folder.c_str(), &available, nullptr, nullptr)) return true;
  return available.QuadPart >= requiredBytes;
}

}  // namespace

int ShowMessage(const std::string& text, UINT iconAndButtons) {
  return MessageBoxA(CurrentComposeWindow(), text.c_str(), kCaption, iconAndButtons);
}

void RunCommand(void (*body)()) noexcept {
  // Before the first composition window, or after it was closed, there is
  // nothing to attach to; a null owner would also make message pumping
  // dispatch every message of the thread.
  if (!IsWindow(CurrentComposeWindow())) {
    MessageBoxA(nullptr, kCancelledText, kCaption, MB_OK | MB_ICONINFORMATION);
    return;
  }
  try {
    body();
  } catch (...) {
    // Nothing here allocates: memory may be what ran out.
    MessageBoxA(CurrentComposeWindow(), kCreateErrorText, kCaption, MB_OK | MB_ICONINFORMATION);
  }
}

void PumpMessages() {
  HWND compose = CurrentComposeWindow();
  if (compose == nullptr) return;
  HWND parent = GetParent(compose);
  MSG message;
  while (PeekMessageA(&message, parent != nullptr ? parent : compose, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

WaitCursor::WaitCursor() : previous_(SetCursor(LoadCursorA(nullptr, IDC_WAIT))) {}

WaitCursor::~WaitCursor() { SetCursor(previous_); }

void WaitCursor::SetAgain() { SetCursor(LoadCursorA(nullptr, IDC_WAIT)); }

std::string TempFolder() {
  const char* folder = GetTempFolderEntry()();
  return folder != nullptr ? folder : "";
}

void CopyText(char* buffer, size_t capacity, const std::string& text) {
  lstrcpynA(buffer, text.c_str(), static_cast<int>(capacity));
}

void MakeZipNameDialog(OPENFILENAMEA* record, char* zipPath, char* saveTitle) {
  record->lpstrFilter = kZipFilter;
  record->nFilterIndex = 1;
  record->lpstrFile = zipPath;
  record->nMaxFile = MAX_PATH;
  record->lpstrFileTitle = saveTitle;
  record->lpstrTitle = "Enter zip archive name";
  record->lpstrDefExt = "zip";
  record->Flags = kSaveFlags;
  record->lpfnHook = DetailsViewHookSave;
}

bool AskZipPath(OPENFILENAMEA* record, const std::string& preset, bool checkSpace, uint64_t requiredBytes) {
  const std::string warning = WarningText();
  for (;;) {
    CopyText(record->lpstrFile, record->nMaxFile, preset);
    const std::string temp = TempFolder();
    record->lpstrInitialDir = temp.c_str();
    if (!GetSaveFileNameA(record)) {
      ShowMessage(kCancelledText, MB_OK | MB_ICONINFORMATION);
      return false;
    }
    if (checkSpace && !EnoughSpace(*record, requiredBytes)) {
      ShowMessage("There is not enough space to create '" + std::string(record->lpstrFile) +
                      "'. Please choose a different folder!",
                  MB_OK | MB_ICONINFORMATION);
      continue;
    }
    if (Settings().showSaveWarning == 0 || InsideTempFolder(record->lpstrFile)) return true;
    if (ShowMessage(warning, MB_YESNO | MB_ICONQUESTION) != IDNO) return true;
  }
}

OpenArchive::~OpenArchive() { Close(); }

bool OpenArchive::Create(const char* zipPath) {
  Close();
  return CreateArchiveOnFile(zipPath, &archive_) == ArchiveOk;
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
