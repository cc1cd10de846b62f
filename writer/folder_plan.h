// What an archive of a folder holds: the one plan that zapnest --folder and
// the plug-in's folder command both make before anything is written, and
// only word. The plain files directly inside the folder, in byte order of
// their names so that the archive is the same wherever it is made; those
// that cannot be entries are left out, each with its reason. Files that
// fail only as they are added (unreadable, in use, too large, changed) are
// the add's to report.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "writer/source.h"
#include "zip/entry_name.h"
#include "zip/name_collisions.h"

enum LeftOutReason {
  LeftOutNameNotUnicode,  // the system's name has no UTF-8 form: no zip can hold it
  LeftOutLinkOutside,     // a link to a file outside the folder: only the folder was chosen
  LeftOutNameRefused,     // a name no zip can hold as it is (`problem` says why)
  LeftOutNameCollides,    // Windows would extract it over an earlier file (`collision`, `earlier`)
  LeftOutGone,            // planned before, and no longer there
};

struct LeftOutFile {
  Source source;  // its name as shown, and its path
  LeftOutReason reason;
  EntryNameProblem problem = EntryNameOk;  // for LeftOutNameRefused
  NameCollision collision = NoCollision;   // for LeftOutNameCollides
  std::string earlier;                     // for LeftOutNameCollides: the path of the file it collides with
};

struct FolderPlan {
  std::vector<Source> files;         // to be added, in byte order of their names
  std::vector<LeftOutFile> leftOut;  // in byte order of their names
  // Files named as the writer's temporary files (one an interrupted run
  // left beside an archive of this folder): no file of it, neither added
  // nor left out.
  std::vector<Source> leftovers;
  uint64_t plannedBytes = 0;  // of `files`
};

// Lists `folder` and plans its archive. Files whose identity is one of
// `own` (the file the archive replaces, the archive being written) are the
// archive's own: neither added nor left out. When `earlier` is given, a
// file it planned that the folder no longer lists is left out as gone.
// Returns false, with the system's error code in *error, when the folder
// cannot be read.
bool PlanFolder(const std::string& folder, const std::vector<FileIdentity>& own, const FolderPlan* earlier,
                FolderPlan* plan, uint32_t* error);
