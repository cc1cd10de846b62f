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
  return LeftOutFile{source, reason, problem, collision, earlier, 0};
}

template <typename Entry>
void SortByName(std::vector<Entry>* entries) {
  std::sort(entries->begin(), entries->end(), [](const Entry& a, const Entry& b) { return a.name < b.name; });
}

// One plan being made, folder by folder.
struct Planner {
  const std::vector<FileIdentity>& own;
  bool withSubfolders;
  FolderPlan* plan;
  EntryNameSet taken;
  std::set<std::string> present;      // entry names of every file listed
  std::vector<FileIdentity> entered;  // the folders from the top down to the one being planned

  // Takes `source` into the plan unless its name collides with an earlier
  // one: then Windows would extract it over that one, and it is left out.
  // A name stays taken even when its file fails as it is added.
  void Take(const Source& source) {
    size_t other = 0;
    const NameCollision collision = TakeEntryName(&taken, source.entryName, plan->files.size(), &other);
    if (collision != NoCollision) {
      plan->leftOut.push_back(LeftOut(source, LeftOutNameCollides, EntryNameOk, collision, plan->files[other].path));
      return;
    }
    plan->files.push_back(source);
    plan->plannedBytes += source.size;
  }

  void PlanFile(const FolderEntry& file, const std::string& folder, const std::string& prefix) {
    const std::string entryName = prefix + file.name;
    present.insert(entryName);
    // A file the listing could not identify has a zero identity, which no
    // file has: it fails as one other than the one listed, if it opens at all.
    const Source source{entryName, JoinPath(folder, file.name), file.identity, file.size, false};
    if (!file.nameIsExact) {
      plan->leftOut.push_back(LeftOut(source, LeftOutNameNotUnicode));
      return;
    }
    // A link hands out a file of elsewhere (../private/id_rsa, /etc/shadow)
    // under a name of this folder. What it leads to is not looked at, not
    // even to see whether it is the archive.
    if (file.leadsOutside) {
      plan->leftOut.push_back(LeftOut(source, LeftOutLinkOutside));
      return;
    }
    // The archive may be written into the folder it is made of; it must not
    // swallow its old self, nor itself.
    if (IsOwn(own, file.identity)) return;
    if (IsTemporaryName(file.name)) {
      plan->leftovers.push_back(source);
      return;
    }
    const EntryNameProblem problem = CheckEntryName(entryName.c_str());
    if (problem != EntryNameOk) {
      plan->leftOut.push_back(LeftOut(source, LeftOutNameRefused, problem));
      return;
    }
    Take(source);
  }

  bool WasEntered(const FileIdentity& identity) const {
    return identity != FileIdentity{} && std::find(entered.begin(), entered.end(), identity) != entered.end();
  }

  void PlanSubfolder(const SubfolderEntry& subfolder, const std::string& folder, const std::string& prefix) {
    const std::string name = prefix + subfolder.name;
    const Source source{name + "/", JoinPath(folder, subfolder.name), subfolder.identity, 0, true};
    if (!subfolder.nameIsExact) {
      plan->leftOut.push_back(LeftOut(source, LeftOutNameNotUnicode));
      return;
    }
    // A link, a junction or a mount point may lead anywhere, above the
    // folder or around in a circle; so may a folder met again.
    if (subfolder.isLink || WasEntered(subfolder.identity)) {
      plan->leftOut.push_back(LeftOut(source, LeftOutFolderLink));
      return;
    }
    const EntryNameProblem problem = CheckFolderEntryName(name.c_str());
    if (problem != EntryNameOk) {
      plan->leftOut.push_back(LeftOut(source, LeftOutNameRefused, problem));
      return;
    }
    const size_t added = plan->files.size();
    const size_t leftOut = plan->leftOut.size();
    uint32_t error = 0;
    if (!PlanLevel(source.path, name + "/", subfolder.identity, &error)) {
      LeftOutFile unreadable = LeftOut(source, LeftOutFolderUnreadable);
      unreadable.systemError = error;
      plan->leftOut.push_back(unreadable);
      return;
    }
    // A folder with nothing below it to add or to tell of has an entry of
    // its own, so that the recipient still sees it.
    if (plan->files.size() == added && plan->leftOut.size() == leftOut) Take(source);
  }

  // Plans the files of `folder` in byte order of their names, then its
  // subfolders, each whole, in byte order of theirs. False, with the
  // system's reason, when the folder cannot be listed.
  bool PlanLevel(const std::string& folder, const std::string& prefix, const FileIdentity& identity, uint32_t* error) {
    std::vector<FolderEntry> files;
    std::vector<SubfolderEntry> subfolders;
    if (!ListFolder(folder, &files, withSubfolders ? &subfolders : nullptr, error)) return false;
    SortByName(&files);
    SortByName(&subfolders);
    for (const FolderEntry& file : files) PlanFile(file, folder, prefix);
    entered.push_back(identity);
    for (const SubfolderEntry& subfolder : subfolders) PlanSubfolder(subfolder, folder, prefix);
    entered.pop_back();
    return true;
  }
};

}  // namespace

bool PlanFolder(const std::string& folder, bool withSubfolders, const std::vector<FileIdentity>& own,
                const FolderPlan* earlier, FolderPlan* plan, uint32_t* error) {
  *plan = FolderPlan();
  Planner planner{own, withSubfolders, plan, {}, {}, {}};
  FileInfo top{};
  if (withSubfolders) QueryFolderInfo(folder.c_str(), &top);  // a zero identity where it cannot be had
  if (!planner.PlanLevel(folder, "", top.identity, error)) return false;

  if (earlier != nullptr) {
    for (const Source& before : earlier->files) {
      if (!before.isFolder && planner.present.count(before.entryName) == 0) {
        plan->leftOut.push_back(LeftOut(before, LeftOutGone));
      }
    }
    std::sort(plan->leftOut.begin(), plan->leftOut.end(),
              [](const LeftOutFile& a, const LeftOutFile& b) { return a.source.entryName < b.source.entryName; });
  }
  return true;
}
