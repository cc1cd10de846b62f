#include "cli/source_plan.h"

#include <algorithm>

#include "cli/shown_text.h"
#include "platform/file_errors.h"
#include "platform/file_status.h"
#include "platform/paths.h"

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
    Source source{BareName(path), path};
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
    // 0 for a file that cannot be looked at: its add tells why.
    if (!FileSize(path, &source.size)) source.size = 0;
    sources->push_back(source);
  }
  return true;
}

bool PlanFolderSources(const std::string& folder, bool withSubfolders, const std::string& target, bool quiet,
                       std::vector<Source>* sources, std::vector<std::string>* notices, uint64_t* skipped,
                       std::string* error) {
  // The archive may be written into the folder it is made of; it must not
  // swallow its old self. A target not there yet matches nothing.
  std::vector<FileIdentity> own(1);
  if (!IdentifyFile(target, &own[0])) own.clear();
  FolderPlan plan;
  uint32_t listError = 0;
  if (!PlanFolder(folder, withSubfolders, own, nullptr, &plan, &listError)) {
    *error = "cannot read the folder " + Quoted(folder) + ": " + DescribeFileError(listError);
    return false;
  }
  for (const LeftOutFile& file : plan.leftOut) {
    const std::string path = Quoted(file.source.path);
    std::string why;
    switch (file.reason) {
      case LeftOutNameNotUnicode:
        why = "cannot add " + path + ": its name is not valid Unicode, so it has no name a zip can hold";
        break;
      case LeftOutLinkOutside: why = path + " is a link to a file outside the folder"; break;
      case LeftOutNameRefused: why = NameProblemMessage(file.source, file.problem); break;
      case LeftOutNameCollides:
        why = CollisionMessage(Source{BareName(file.earlier), file.earlier}, file.source, file.collision);
        break;
      case LeftOutGone: why = path + " is gone"; break;
      case LeftOutFolderLink: why = path + " is a link to a folder, which is not followed"; break;
      case LeftOutFolderUnreadable:
        why = "cannot read the folder " + path + ": " + DescribeFileError(file.systemError);
        break;
    }
    notices->push_back("zapnest: warning: " + why + "; skipped\n");
    ++*skipped;
  }
  // What an interrupted run left beside an archive of this folder is no
  // file of it.
  if (!quiet) {
    for (const Source& leftover : plan.leftovers) {
      notices->push_back("zapnest: note: " + Quoted(leftover.path) +
                         " is a temporary file left by an interrupted zapnest run; not added (it can be "
                         "deleted)\n");
    }
  }
  *sources = plan.files;
  return true;
}

std::string CollisionMessage(const Source& earlier, const Source& source, NameCollision collision) {
  const std::string both = Quoted(earlier.path) + " and " + Quoted(source.path);
  switch (collision) {
    case NamesAreEqual: return both + " would both be entered as " + Quoted(source.entryName);
    case NamesDifferInCase:
      return both + " differ only in case and would overwrite each other when extracted on Windows";
    default:
      return both + " cannot both be extracted: " + Quoted(earlier.entryName) + " and " + Quoted(source.entryName) +
             " make one name a folder of the other";
  }
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
    *error = CollisionMessage(sources[other], sources[i], collision);
    return true;
  }
  return false;
}
