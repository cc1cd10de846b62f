// Zip and attach file(s).
#include <windows.h>

#include <commdlg.h>

#include <set>
#include <string>
#include <vector>

#include "platform/file_status.h"
#include "platform/wide_text.h"
#include "plugin/binding/compose_window.h"
#include "plugin/binding/settings.h"
#include "plugin/commands/attach_question.h"
#include "plugin/commands/command_stop.h"
#include "plugin/commands/commands.h"
#include "plugin/commands/dialog_hooks.h"
#include "plugin/commands/messages.h"
#include "plugin/commands/refused_files.h"
#include "plugin/commands/run_command.h"
#include "plugin/commands/selection.h"
#include "plugin/commands/texts.h"
#include "plugin/commands/zip_name_dialog.h"
#include "plugin/commands/zip_name_rules.h"
#include "plugin/output/zip_output.h"
#include "plugin/output/zip_progress.h"
#include "writer/archive.h"
#include "writer/source.h"
#include "zip/name_collisions.h"

namespace {

constexpr DWORD kSelectionSize = 5200;
// Room beyond the characters the dialog is told of: Wine copies a multiple
// selection without regard to nMaxFile, and the open hook refuses one that
// would not fit this room either (see DetailsViewHookOpen).
constexpr DWORD kOverflowRoom = 65536;
constexpr DWORD kNameSize = MAX_PATH;

constexpr DWORD kOpenFlags =
    OFN_ENABLESIZING | OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_ALLOWMULTISELECT | OFN_ENABLEHOOK | OFN_HIDEREADONLY;
static_assert(kOpenFlags == 0x881224, "the open dialog's flags");

// "All Files (*.*)" until the user picks another; kept while the library is loaded.
DWORD rememberedFilterIndex = 5;

// For the progress bar only: a file that cannot be looked at counts nothing.
uint64_t SizeOf(const Source& source) {
  uint64_t size = 0;
  return FileSize(source.path, &size) ? size : 0;
}

// Adds every source; stops at the first that fails or when the user stops
// the zip.
bool AddAll(ZipArchive* archive, const std::vector<Source>& sources, ZipProgress* progress) {
  PlanArchiveSources(archive, sources.data(), sources.size());
  for (const Source& source : sources) {
    if (!progress->NextFile(source.entryName, source.size)) return false;
    if (AddFileToArchive(archive, source.entryName.c_str(), source.path.c_str()).code != ArchiveOk) return false;
  }
  return true;
}

// The selection as UTF-8, or false after saying which name has no UTF-8
// form: a look-alike would name another file.
bool ReadSelection(const std::vector<std::wstring>& wide, std::vector<std::string>* parts) {
  parts->clear();
  for (const std::wstring& part : wide) {
    std::string text;
    if (!NarrowWide(part.data(), part.size(), &text)) {
      ShowMessage(UnnamableText(NarrowWideForDisplay(part.c_str())), MB_OK | MB_ICONINFORMATION);
      return false;
    }
    parts->push_back(text);
  }
  return true;
}

// A file named twice in one selection ("a.txt" "A.TXT" "a.txt" typed into
// the dialog all name one file on Windows) is zipped once, under the name
// given first. Two different files whose names Windows would extract as one
// are refused with a message naming both, before anything is written.
bool DropRepeatsAndRefuseCollisions(std::vector<Source>* sources) {
  std::vector<Source> kept;
  std::set<std::string> paths;
  EntryNameSet taken;
  for (const Source& source : *sources) {
    if (!paths.insert(source.path).second) continue;
    size_t earlier = 0;
    const NameCollision collision = TakeEntryName(&taken, source.entryName, kept.size(), &earlier);
    if (collision == NoCollision) {
      kept.push_back(source);
      continue;
    }
    if (collision != NameIsOthersFolder && SameFile(kept[earlier].path, source.path)) continue;
    ShowMessage(CollisionText(kept[earlier].path, source.path, collision), MB_OK | MB_ICONINFORMATION);
    return false;
  }
  *sources = kept;
  return true;
}

void ZipFiles() {
  PluginSettings& settings = Settings();
  std::vector<wchar_t> selection(kSelectionSize + kOverflowRoom, L'\0');
  wchar_t fileTitle[kNameSize] = L"";
  std::wstring initialFolder;
  WidenUtf8(settings.initialFolder, &initialFolder);

  OPENFILENAMEW record;
  ZeroMemory(&record, sizeof record);
  record.lStructSize = DialogRecordSize();
  record.hwndOwner = CurrentComposeWindow();
  record.lpstrFilter = kSelectFilesFilter;
  record.nFilterIndex = rememberedFilterIndex;
  record.lpstrFile = selection.data();
  record.nMaxFile = kSelectionSize;
  record.lpstrFileTitle = fileTitle;
  record.nMaxFileTitle = kNameSize;
  record.lpstrInitialDir = initialFolder.c_str();
  record.lpstrTitle = kSelectFilesTitle;
  record.Flags = kOpenFlags;
  record.lpfnHook = DetailsViewHookOpen;
  record.lCustData = static_cast<LPARAM>(selection.size());
  // A selection that does not fit the characters the dialog was told of
  // fails the dialog too.
  std::vector<std::wstring> wideParts;
  if (!GetOpenFileNameW(&record) || !SplitSelection(selection.data(), kSelectionSize, &wideParts)) {
    ShowMessage(kCancelledText, MB_OK | MB_ICONINFORMATION);
    return;
  }
  rememberedFilterIndex = record.nFilterIndex;
  std::vector<std::string> parts;
  if (!ReadSelection(wideParts, &parts)) return;

  std::vector<Source> sources;
  std::string preset;
  const bool single = parts.size() == 1;
  if (single) {
    std::string folder;
    std::string title;
    NarrowWide(wideParts[0].data(), record.nFileOffset, &folder);
    NarrowWide(fileTitle, &title);
    settings.initialFolder = folder;
    sources.push_back(Source{title, parts[0]});
    preset = ZipNameForFile(title);
  } else {
    settings.initialFolder = parts[0] + "\\";
    for (size_t i = 1; i < parts.size(); ++i) sources.push_back(Source{parts[i], parts[0] + "\\" + parts[i]});
    preset = settings.defaultZipName;
  }
  if (!DropRepeatsAndRefuseCollisions(&sources)) return;
  // Before anything is written: files that mail services refuse in a zip
  // may stay out. Left without a file, there is no zip to make.
  std::vector<std::string> leftOutByUser;
  if (!AskAboutRefusedFiles(&sources, &leftOutByUser)) return;
  if (sources.empty()) {
    ShowMessage(kCancelledText, MB_OK | MB_ICONINFORMATION);
    return;
  }

  ZipNameChecks checks;
  for (const Source& source : sources) checks.sources.push_back(source.path);
  ZipName zipName;
  if (!AskZipName(preset, !single, checks, &zipName)) return;

  if (!zipName.title.empty()) settings.defaultZipName = zipName.title;
  CommandOutput output;
  if (CommandStopped() || !output.Create(zipName.path)) return;
  uint64_t totalBytes = 0;
  for (Source& source : sources) {
    source.size = SizeOf(source);
    totalBytes += source.size;
  }
  ZipProgress progress(&output, sources.size(), totalBytes);
  const bool added = AddAll(output.archive(), sources, &progress);
  progress.Close();
  if (progress.Stopped() || CommandStopped()) {
    // Cancelled, the message it was for closed, the plug-in unloaded, the
    // session ending, or the progress window failed: no half-made zip is
    // left behind, and nothing is said to a window that is gone.
    output.Abandon(progress.Stopped() ? progress.StopMessage() : nullptr);
    return;
  }
  if (!added) {
    // Said for several files too: ending without a word would leave the user
    // waiting for an attachment that never comes. A zip without one of the
    // files picked is no zip of them: it never takes the chosen name.
    output.Abandon(kAddErrorText);
    return;
  }
  if (!output.Finish() || !AttachAnyway(zipName.path, {})) return;
  AttachZip(zipName.mailClientPath);
}

}  // namespace

void WINAPI ZipFilesCommand(LPARAM, LPARAM) { RunCommand(ZipFiles); }
