// Entry names that one archive cannot hold side by side: names that Windows,
// whose file systems ignore case, would extract to the same place.
#pragma once

#include <cstddef>
#include <map>
#include <string>

enum NameCollision {
  NoCollision,
  NamesAreEqual,       // the same name twice
  NamesDifferInCase,   // one file on Windows: the second overwrites the first
  NameIsOthersFolder,  // one name is a folder of the other ("a" and "a/b.txt"): no reader extracts both
};

// The names taken so far, under their keys: '\' as '/' and every letter
// folded as Windows compares names.
struct EntryNameSet {
  struct Taken {
    size_t number;
    std::string name;  // as written, '\' as '/'
  };
  std::map<std::string, Taken> files;
  std::map<std::string, size_t> folders;  // key of a folder of some name -> that name's number
};

// Takes `name` into `set` as name number `number`, unless it collides with
// a name taken before: then nothing is taken, and the kind of collision is
// returned with the earlier name's number in *earlier.
NameCollision TakeEntryName(EntryNameSet* set, const std::string& name, size_t number, size_t* earlier);
