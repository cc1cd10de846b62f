// A folder's listing by name, for tests of the folder listing on either
// platform. Header-only: the caller links the listing itself.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "platform/folder_listing.h"

// What ListPlainFiles gives for `folder`, keyed by name; the listing failing
// fails the test.
inline std::map<std::string, FolderEntry> ListByName(const std::string& folder) {
  std::vector<FolderEntry> files;
  uint32_t error = 0;
  EXPECT_TRUE(ListPlainFiles(folder, &files, &error)) << error;
  std::map<std::string, FolderEntry> byName;
  for (const FolderEntry& file : files) byName[file.name] = file;
  return byName;
}
