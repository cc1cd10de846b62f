#include "zip/name_collisions.h"

#include "platform/case_folding.h"

NameCollision TakeEntryName(EntryNameSet* set, const std::string& name, size_t number, size_t* earlier) {
  std::string written = name;
  for (char& c : written) c = c == '\\' ? '/' : c;
  const std::string key = FoldCase(written);

  const auto file = set->files.find(key);
  if (file != set->files.end()) {
    *earlier = file->second.number;
    return file->second.name == written ? NamesAreEqual : NamesDifferInCase;
  }
  // An earlier name lies inside this one, as if it were a folder.
  const auto folder = set->folders.find(key);
  if (folder != set->folders.end()) {
    *earlier = folder->second;
    return NameIsOthersFolder;
  }
  // This name lies inside an earlier one.
  for (size_t slash = key.find('/'); slash != std::string::npos; slash = key.find('/', slash + 1)) {
    const auto outer = set->files.find(key.substr(0, slash));
    if (outer != set->files.end()) {
      *earlier = outer->second.number;
      return NameIsOthersFolder;
    }
  }

  set->files.emplace(key, EntryNameSet::Taken{number, written});
  for (size_t slash = key.find('/'); slash != std::string::npos; slash = key.find('/', slash + 1)) {
    set->folders.emplace(key.substr(0, slash), number);
  }
  return NoCollision;
}
