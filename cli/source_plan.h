// Which files a run of zapnest adds, and under which entry names: planned
// and checked before anything is written, so that a request the archive
// cannot hold as asked leaves the output as it was.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "writer/folder_plan.h"
#include "writer/source.h"
#include "zip/entry_name.h"
#include "zip/name_collisions.h"

// "cannot add 'PATH': its name 'NAME' ..." with the reason `problem` gives.
std::string NameProblemMessage(const Source& source, EntryNameProblem problem);

// File mode: each path in *sources, in the order given, under its bare name
// (BareName: what follows the last separator, which on Windows is '\', '/'
// or a drive's ':', and elsewhere '/' alone). Paths are UTF-8, whose
// characters never hold a separator byte, so a character whose form in a
// double-byte code page ends in 0x5C stays whole. Returns false with a
// message in *error at the first path that is empty, ends in a separator,
// has a bare name no entry may have, or is the file at `target` (when one
// is there); *sources then holds the paths before it.
bool PlanFiles(const std::vector<std::string>& paths, const std::string& target, std::vector<Source>* sources,
               std::string* error);

// Folder mode: the folder's plan (writer/folder_plan.h), of its whole tree
// when `withSubfolders`, with the file at
// `target` as the archive's own, in *sources. Each file it leaves out is
// skipped: it counts in *skipped and leaves a warning line (with its
// "zapnest: " and line end) in *notices, where a note also tells of each
// temporary file an interrupted run left, unless `quiet`. Returns false with
// a message in *error, and nothing planned, when the folder cannot be read.
bool PlanFolderSources(const std::string& folder, bool withSubfolders, const std::string& target, bool quiet,
                       std::vector<Source>* sources, std::vector<std::string>* notices, uint64_t* skipped,
                       std::string* error);

// "'EARLIER' and 'PATH' ..." for two files whose entry names `collision`
// keeps apart.
std::string CollisionMessage(const Source& earlier, const Source& source, NameCollision collision);

// Whether two of the sources would be extracted on Windows to one place:
// equal entry names (a backslash as '/'), names equal but for case as the
// platform's FoldCase folds it, or one name a folder of the other. Then
// true, with a message naming both paths of the first such pair in *error.
bool FindCollision(const std::vector<Source>& sources, std::string* error);
