#include "cli/source_plan.h"

#include <algorithm>

#include "cli/shown_text.h"
#include "platform/file_errors.h"
#include "platform/file_status.h"
#include "platform/folder_listing.h"
#include "platform/paths.h"
#include "writer/temporary_name.h"
#include "zip/name_collisions.h"

namespace {

// Why a name cannot be an entry's, or nullptr when it can.
const char* NameProblemText(EntryNameProblem problem) {
  switch (problem) {
    case EntryNameOk: return nullptr;
    case EntryNameEmpty: return "is empty";
    case EntryNameTooLong: return "is longer than 259 bytes";
    case EntryNameAbsolute:
    case EntryNameDrive:
    case EntryNameClimbs: return "would be extracted outside the folder";
    case EntryNameFolder: return "would be taken for a folder";
    case EntryNameNotUtf8: return "is not valid UTF-8, so no reader could show it as it is";
    case EntryNameForbiddenCharacter:
      return "holds a character Windows does not allow in names (< > : \" | ? * or a control character)";
    case EntryNameTrailingDotOrSpace:
      return "has a part that ends in a dot or a space, which Windows drops, so it would be extracted under "
             "another name";
    case EntryNameDeviceName:
      return "is a Windows device name (CON, PRN, AUX, NUL, COM1-9, LPT1-9), which Windows cannot extract as a "
             "file";
  }
  return "cannot be an entry's name";
}

}  // namespace

std::string NameProblemMessage(const Source& source, EntryNameProblem problem) {
  return "cannot add " + Quoted(source.path) + ": its name " + Quoted(source.entryName) + " " +
         NameProblemText(problem);
}

bool PlanFiles(const std::vector<std::string>& paths, const std::string& target, std::vector<Source>* sources,
               std::string* error) {
  // A target that is not there yet is none of the files.
  FileIdentity targetIdentity{};
  const bool targetExists = IdentifyFile(target, &targetIdentity);
  for (const std::string& path : paths) {
    if (path.empty()) {
      *error = "an empty file name was given";
      return false;
    }
    const Source source{BareName(path), path, FileIdentity{}};
    if (source.entryName.empty()) {
      *error = Quoted(path) + " names a folder, not a file";
      return false;
    }
    const EntryNameProblem problem = CheckEntryName(source.entryName.c_str());
    if (problem != EntryNameOk) {
      *error = NameProblemMessage(source, problem);
      return false;
    }
    FileIdentity identity{};
    if (targetExists && IdentifyFile(path, &identity) && identity == targetIdentity) {
      *error = Quoted(path) + " is the archive being written";
      return false;
    }
    sources->push_back(source);
  }
  return true;
}

bool PlanFolder(const std::string& folder, const std::string& target, bool quiet, std::vector<Source>* sources,
                std::vector<std::string>* notices, uint64_t* skipped, std::string* error) {
  std::vector<FolderEntry> files;
  uint32_t listError = 0;
  if (!ListPlainFiles(folder, &files, &listError)) {
    *error = "cannot read the folder " + Quoted(folder) + ": " + DescribeFileError(listError);
    return false;
  }
  // In byte order, so that an archive of the same folder is the same
  // wherever it is made.
  std::sort(files.begin(), files.end(), [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
  // The archive may be written into the folder it is made of; it must not
  // swallow its old self. The listing knows each file's identity, so the
  // target is looked at once; a target not there yet matches nothing.
  FileIdentity targetIdentity{};
  const bool targetExists = IdentifyFile(target, &targetIdentity);
  for (const FolderEntry& file : files) {
    // A file the listing could not identify has a zero identity, which no
    // file has: it fails as one other than the one listed, if it opens at all.
    const Source source{file.name, JoinPath(folder, file.name), file.identity};
    if (!file.nameIsExact) {
      notices->push_back("zapnest: warning: cannot add " + Quoted(source.path) +
                         ": its name is not valid Unicode, so it has no name a zip can hold; skipped\n");
      ++*skipped;
      continue;
    }
    // A link hands out a file of elsewhere (../private/id_rsa, /etc/shadow)
    // under a name of this folder; only the folder was chosen.
    if (file.leadsOutside) {
      notices->push_back("zapnest: warning: " + Quoted(source.path) +
                         " is a link to a file outside the folder; skipped\n");
      ++*skipped;
      continue;
    }
    if (targetExists && file.identity == targetIdentity) continue;
    // What an interrupted run left beside an archive of this folder is no
    // file of it, and would otherwise enter every later archive.
    if (IsTemporaryName(file.name)) {
      if (!quiet) {
        notices->push_back("zapnest: note: " + Quoted(source.path) +
                           " is a temporary file left by an interrupted zapnest run; not added (it can be "
                           "deleted)\n");
      }
      continue;
    }
    const EntryNameProblem problem = CheckEntryName(file.name.c_str());
    if (problem != EntryNameOk) {
      notices->push_back("zapnest: warning: " + NameProblemMessage(source, problem) + "; skipped\n");
      ++*skipped;
      continue;
    }
    sources->push_back(source);
  }
  return true;
}

// Two entries must not share a name, nor names that Windows would extract
// to one place: names that differ only in case overwrite each other, and a
// file cannot also be the folder of another ("a" and "a/b.txt").
bool FindCollision(const std::vector<Source>& sources, std::string* error) {
  EntryNameSet taken;
  for (size_t i = 0; i < sources.size(); ++i) {
    size_t other = 0;
    const NameCollision collision = TakeEntryName(&taken, sources[i].entryName, i, &other);
    if (collision == NoCollision) continue;
    const Source& earlier = sources[other];
    const Source& source = sources[i];
    const std::string both = Quoted(earlier.path) + " and " + Quoted(source.path);
    switch (collision) {
      case NamesAreEqual: *error = both + " would both be entered as " + Quoted(source.entryName); break;
      case NamesDifferInCase:
        *error = both + " differ only in case and would overwrite each other when extracted on Windows";
        break;
      default:
        *error = both + " cannot both be extracted: " + Quoted(earlier.entryName) + " and " + Quoted(source.entryName) +
                 " make one name a folder of the other";
        break;
    }
    return true;
  }
  return false;
}
