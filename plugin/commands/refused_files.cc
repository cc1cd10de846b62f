#include "plugin/commands/refused_files.h"

#include <windows.h>

#include <algorithm>

#include "platform/case_folding.h"
#include "platform/platform.h"
#include "plugin/binding/settings.h"
#include "plugin/commands/messages.h"
#include "plugin/commands/rejected_types.h"
#include "plugin/commands/texts.h"
#include "zip/encrypted_entries.h"

namespace {

// Whether the file at `path` is a zip archive with an encrypted entry. One
// that cannot be opened or read as a zip is not held back for it.
bool IsEncryptedZip(const std::string& path) {
  FileInfo info{};
  const FileHandle file = OpenInputFile(path.c_str(), &info);
  if (file == kNoFile) return false;
  bool encrypted = false;
  FindEncryptedEntry(file, info.size, &encrypted);
  CloseFile(file);
  return encrypted;
}

}  // namespace

bool AskAboutRefusedFiles(std::vector<Source>* sources, std::vector<std::string>* leftOutByUser) {
  const PluginSettings& settings = Settings();
  const std::vector<std::string> types =
      ParseRejectedTypes(settings.rejectedTypesGiven ? settings.rejectedTypes : kDefaultRejectedTypes);
  static const std::vector<std::string> kZip{"zip"};
  std::vector<RefusedFile> refused;
  for (const Source& source : *sources) {
    if (source.isFolder) continue;
    if (HasRejectedType(source.entryName, types)) {
      refused.push_back(RefusedFile{source.entryName, false});
    } else if (HasRejectedType(source.entryName, kZip) && IsEncryptedZip(source.path)) {
      refused.push_back(RefusedFile{source.entryName, true});
    }
  }
  if (refused.empty()) return true;
  // Listed in the order of their names, without regard to case.
  std::sort(refused.begin(), refused.end(),
            [](const RefusedFile& a, const RefusedFile& b) { return FoldCase(a.name) < FoldCase(b.name); });
  const int answer = ShowMessage(RefusedFilesQuestion(refused), MB_YESNOCANCEL | MB_ICONQUESTION);
  if (answer == IDCANCEL) {
    ShowMessage(kCancelledText, MB_OK | MB_ICONINFORMATION);
    return false;
  }
  if (answer != IDYES) return true;
  for (const RefusedFile& file : refused) leftOutByUser->push_back(file.name);
  sources->erase(std::remove_if(sources->begin(), sources->end(),
                                [&](const Source& source) {
                                  return std::find(leftOutByUser->begin(), leftOutByUser->end(), source.entryName) !=
                                         leftOutByUser->end();
                                }),
                 sources->end());
  return true;
}
