#include "plugin/commands/zip_name_dialog.h"

#include "platform/file_status.h"
#include "platform/wide_text.h"
#include "plugin/binding/compose_window.h"
#include "plugin/binding/mail_client_path.h"
#include "plugin/binding/settings.h"
#include "plugin/binding/temp_folder.h"
#include "plugin/commands/command_stop.h"
#include "plugin/commands/copy_text.h"
#include "plugin/commands/dialog_hooks.h"
#include "plugin/commands/messages.h"
#include "plugin/commands/texts.h"
#include "plugin/commands/zip_name_rules.h"

namespace {

constexpr DWORD kSaveFlags =
    OFN_ENABLESIZING | OFN_EXPLORER | OFN_ENABLEHOOK | OFN_NOCHANGEDIR | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
static_assert(kSaveFlags == 0x88002E, "the zip name dialog's flags");

bool EnoughSpace(const OPENFILENAMEW& record, uint64_t requiredBytes) {
  const std::wstring folder(record.lpstrFile, record.nFileOffset);
  ULARGE_INTEGER available;
  // When the system cannot tell, the write itself will find out.
  if (!GetDiskFreeSpaceExW(folder.c_str(), &available, nullptr, nullptr)) return true;
  return available.QuadPart >= requiredBytes;
}

// Whether the zip would replace one of the files it is made of. Windows has
// already asked whether to replace the file; saying yes there must not cost
// the user its contents.
bool ReplacesSource(const std::string& zipPath, const std::vector<std::string>& sources) {
  // A zip that is not there yet replaces nothing.
  FileIdentity zip{};
  if (!IdentifyFile(zipPath, &zip)) return false;
  for (const std::string& source : sources) {
    FileIdentity identity{};
    if (IdentifyFile(source, &identity) && identity == zip) return true;
  }
  return false;
}

}  // namespace

bool AskZipName(const std::string& preset, bool wantTitle, const ZipNameChecks& checks, ZipName* name) {
  wchar_t path[MAX_PATH] = L"";
  wchar_t title[MAX_PATH] = L"";
  OPENFILENAMEW record;
  ZeroMemory(&record, sizeof record);
  record.lStructSize = DialogRecordSize();
  record.hwndOwner = CurrentComposeWindow();
  record.lpstrFilter = kZipNameFilter;
  record.nFilterIndex = 1;
  record.lpstrFile = path;
  record.nMaxFile = MAX_PATH;
  record.lpstrFileTitle = title;
  record.nMaxFileTitle = wantTitle ? MAX_PATH : 0;
  record.lpstrTitle = kZipNameTitle;
  record.lpstrDefExt = L"zip";
  record.Flags = kSaveFlags;
  record.lpfnHook = DetailsViewHookSave;
  // The mail client's temporary folder does not change while it asks.
  const std::string temp = TempFolder();
  const std::string warning = SaveWarningText(temp);
  std::wstring wideTemp;
  WidenUtf8(temp, &wideTemp);
  for (;;) {
    if (CommandStopped()) return false;
    CopyText(record.lpstrFile, record.nMaxFile, preset);
    record.lpstrInitialDir = wideTemp.c_str();
    if (!GetSaveFileNameW(&record) || !NarrowWide(record.lpstrFile, &name->path)) {
      ShowMessage(kCancelledText, MB_OK | MB_ICONINFORMATION);
      return false;
    }
    const std::string& zipPath = name->path;
    const MailClientPathProblem problem = MailClientPath(zipPath, CP_ACP, &name->mailClientPath);
    if (problem != MailClientPathOk) {
      ShowMessage(problem == MailClientPathTooLong ? PathTooLongText(zipPath) : NotAttachableText(zipPath),
                  MB_OK | MB_ICONINFORMATION);
      continue;
    }
    if (ReplacesSource(zipPath, checks.sources)) {
      ShowMessage(ReplacesSourceText(zipPath), MB_OK | MB_ICONINFORMATION);
      continue;
    }
    if (checks.requiredRoom && !EnoughSpace(record, *checks.requiredRoom)) {
      ShowMessage(NoSpaceText(zipPath), MB_OK | MB_ICONINFORMATION);
      continue;
    }
    if (!wantTitle || !NarrowWide(title, &name->title)) name->title.clear();
    if (Settings().showSaveWarning == 0 || IsInsideFolder(zipPath, temp)) return true;
    if (ShowMessage(warning, MB_YESNO | MB_ICONQUESTION) != IDNO) return !CommandStopped();
  }
}
