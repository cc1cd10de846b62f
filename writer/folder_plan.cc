#include "writer/folder_plan.h"

#include <algorithm>
#include <set>

#include "platform/folder_listing.h"
#include "platform/paths.h"
#include "writer/temporary_name.h"

namespace {

bool IsOwn(const std::vector<FileIdentity>& own, const FileIdentity& identity) {
  return std::find(own.begin(), own.end(), identity) != own.end();
}

LeftOutFile LeftOut(const Source& source, LeftOutReason reason, EntryNameProblem problem = EntryNameOk,
                    NameCollision collision = NoCollision, const std::string& earlier = std::string()) {
  return LeftOutFile{source, reason, problem, collision, earlier};
}

}  // namespace

bool PlanFolder(const std::string& folder, const std::vector<FileIdentity>& own, const FolderPlan* earlier,
                FolderPlan* plan, uint32_t* error) {
  *plan = FolderPlan();
  std::vector<FolderEntry> listed;
  if (!ListPlainFiles(folder, &listed, error)) return false;
  std::sort(listed.begin(), listed.end(), [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });

  EntryNameSet taken;
  std::set<std::string> present;
  for (const FolderEntry& file : listed) {
    present.insert(file.name);
    // A file the listing could not identify has a zero identity, which no
    // file has: it fails as one other than the one listed, if it opens at all.
    const Source source{file.name, JoinPath(folder, file.name), file.identity, file.size};
    if (!file.nameIsExact) {
      plan->leftOut.push_back(LeftOut(source, LeftOutNameNotUnicode));
      continue;
    }
    // A link hands out a file of elsewhere (../private/id_rsa, /etc/shadow)
    // under a name of this folder. What it leads to is not looked at, not
    // even to see whether it is the archive.
    if (file.leadsOutside) {
      plan->leftOut.push_back(LeftOut(source, LeftOutLinkOutside));
      continue;
    }
    // The archive may be written into the folder it is made of; it must not
    // swallow its old self, nor itself.
    if (IsOwn(own, file.identity)) continue;
    if (IsTemporaryName(file.name)) {
      plan->leftovers.push_back(source);
      continue;
    }
    const EntryNameProblem problem = CheckEntryName(file.name.c_str());
    if (problem != EntryNameOk) {
      plan->leftOut.push_back(LeftOut(source, LeftOutNameRefused, problem));
      continue;
    }
    // Names that Windows would extract over each other: the later one is
    // left out. A name stays taken even when its file fails as it is added.
    size_t other = 0;
    const NameCollision collision = TakeEntryName(&taken, file.name, plan->files.size(), &other);
    if (collision != NoCollision) {
      plan->leftOut.push_back(LeftOut(source, LeftOutNameCollides, EntryNameOk, collision, plan->files[other].path));
      continue;
    }
    plan->files.push_back(source);
    plan->plannedBytes += file.size;
  }

  if (earlier != nullptr) {
    for (const Source& before : earlier->files) {
      if (present.count(before.entryName) == 0) plan->leftOut.push_back(LeftOut(before, LeftOutGone));
    }
    std::sort(plan->leftOut.begin(), plan->leftOut.end(),
              [](const LeftOutFile& a, const LeftOutFile& b) { return a.source.entryName < b.source.entryName; });
  }
  return true;
}
