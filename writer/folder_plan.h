// What an archive of a folder holds: the one plan that zapnest --folder and
// the plug-in's folder command both make before anything is written, and
// only word. The plain files directly inside the folder, or, with its
// subfolders, every plain file below it under its path relative to the
// folder. Files of a folder come in byte order of their names, then its
// subfolders, each whole, in byte order of theirs, so that the archive is
// the same wherever it is made; those that cannot be entries are left out,
// each with its reason. Files that fail only as they are added (unreadable,
// in use, too large, changed) are the add's to report.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "writer/source.h"
#include "zip/entry_name.h"
#include "zip/name_collisions.h"

enum LeftOutReason {
  LeftOutNameNotUnicode,    // the system's name has no UTF-8 form: no zip can hold it
  LeftOutLinkOutside,       // a link to a file outside the folder: only the folder was chosen
  LeftOutNameRefused,       // a name no zip can hold as it is (`problem` says why)
  LeftOutNameCollides,      // Windows would extract it over an earlier file (`collision`, `earlier`)
  LeftOutGone,              // planned before, and no longer there
  LeftOutFolderLink,        // a link, junction or mount point to a folder: not entered, nothing through it
  LeftOutFolderUnreadable,  // a subfolder that could not be listed (`systemError` says why)
};

struct LeftOutFile {
  Source source;  // its name as shown, and its path
  LeftOutReason reason;
  EntryNameProblem problem = EntryNameOk;  // for LeftOutNameRefused
  NameCollision collision = NoCollision;   // for LeftOutNameCollides
  std::string earlier;                     // for LeftOutNameCollides: the path of the file it collides with
  uint32_t systemError = 0;                // for LeftOutFolderUnreadable
};

struct FolderPlan {
  // To be added, in the order above: the files, and a folder entry for each
  // subfolder with nothing below it to add or leave out (none but the
  // archive's own files), so that the recipient still sees it.
  std::vector<Source> files;
  // In the order met; by entry name when an earlier plan's files are
  // counted in. A left-out folder's name ends in '/'.
  std::vector<LeftOutFile> leftOut;
  // Files named as the writer's temporary files (one an interrupted run
  // left beside an archive of this folder): no file of it, neither added
  // nor left out.
  std::vector<Source> leftovers;
  uint64_t plannedBytes = 0;  // of `files`
};

// Lists `folder`, and its subfolders when `withSubfolders`, and plans its
// archive. Files whose identity is one of
// `own` (the file the archive replaces, the archive being written) are the
// archive's own: neither added nor left out. When `earlier` is given, a
// file it planned that the folder no longer lists is left out as gone.
// Returns false, with the system's error code in *error, when the folder
// cannot be read.
bool PlanFolder(const std::string& folder, bool withSubfolders, const std::vector<FileIdentity>& own,
                const FolderPlan* earlier, FolderPlan* plan, uint32_t* error);
