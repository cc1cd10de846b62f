#include "plugin/zip_name_dialog.h"

#include "plugin/copy_text.h"
#include "plugin/dialog_hooks.h"
#include "plugin/messages.h"
#include "plugin/settings.h"
#include "plugin/temp_folder.h"
#include "plugin/zip_name_rules.h"
#include "platform/platform.h"

namespace {

constexpr char kZipFilter[] = "Zip Files (*.zip)\0*.zip\0";
constexpr DWORD kSaveFlags =
    OFN_ENABLESIZING | OFN_EXPLORER | OFN_ENABLEHOOK | OFN_NOCHANGEDIR | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
static_assert(kSaveFlags == 0x88002E, "the zip name dialog's flags");

bool EnoughSpace(const OPENFILENAMEA& record, uint64_t requiredBytes) {
  const std::string folder(record.lpstrFile, record.nFileOffset);
  ULARGE_INTEGER available;
  // When the system cannot tell, the write itself will find out.
  if (!GetDiskFreeSpaceExA(folder.c_str(), &available, nullptr, nullptr)) return true;
  return available.QuadPart >= requiredBytes;
}

// Whether the zip would replace one of the files it is made of. Windows has
// already asked whether to replace the file; saying yes there must not cost
// the user its contents.
bool ReplacesSource(const char* zipPath, const std::vector<std::string>& sources) {
  for (const std::string& source : sources) {
    if (SameFile(zipPath, source.c_str())) return true;
  }
  return false;
}

}  // namespace

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

bool AskZipPath(OPENFILENAMEA* record, const std::string& preset, const std::vector<std::string>& sources,
                bool checkSpace, uint64_t requiredBytes) {
  // The mail client's temporary folder does not change while it asks.
  const std::string temp = TempFolder();
  const std::string warning = SaveWarningText(temp);
  for (;;) {
    CopyText(record->lpstrFile, record->nMaxFile, preset);
    record->lpstrInitialDir = temp.c_str();
    if (!GetSaveFileNameA(record)) {
      ShowMessage(kCancelledText, MB_OK | MB_ICONINFORMATION);
      return false;
    }
    if (ReplacesSource(record->lpstrFile, sources)) {
      ShowMessage(ReplacesSourceText(record->lpstrFile), MB_OK | MB_ICONINFORMATION);
      continue;
    }
    if (checkSpace && !EnoughSpace(*record, requiredBytes)) {
      ShowMessage(NoSpaceText(record->lpstrFile), MB_OK | MB_ICONINFORMATION);
      continue;
    }
    if (Settings().showSaveWarning == 0 || IsInsideFolder(record->lpstrFile, temp)) return true;
    if (ShowMessage(warning, MB_YESNO | MB_ICONQUESTION) != IDNO) return true;
  }
}
