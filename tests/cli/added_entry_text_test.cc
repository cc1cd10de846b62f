// The line of a file added: its size, and what compression saved, never a
// negative saving.
#include "cli/added_entry_text.h"

#include <gtest/gtest.h>

#include "zip/entry_name.h"

namespace {

TEST(AddedEntryText, StoredFilesShowTheirSizeOnly) {
  EXPECT_EQ("17825792 bytes, stored", AddedEntryText(kMethodStored, 17825792, 17825792));
  EXPECT_EQ("0 bytes, stored", AddedEntryText(kMethodStored, 0, 0));
}

TEST(AddedEntryText, DeflatedFilesShowTheShareSavedRoundedDown) {
  EXPECT_EQ("1000 bytes, deflated 75%", AddedEntryText(kMethodDeflated, 1000, 250));
  EXPECT_EQ("1000 bytes, deflated 0%", AddedEntryText(kMethodDeflated, 1000, 999));
  EXPECT_EQ("1000 bytes, deflated 99%", AddedEntryText(kMethodDeflated, 1000, 2));
  EXPECT_EQ("3 bytes, deflated 33%", AddedEntryText(kMethodDeflated, 3, 2));
  EXPECT_EQ("5 bytes, deflated 0%", AddedEntryText(kMethodDeflated, 5, 5));
  // Near the largest source, where a 32-bit product would wrap.
  EXPECT_EQ("4294967295 bytes, deflated 99%", AddedEntryText(kMethodDeflated, 4294967295u, 4294967));
}

TEST(AddedEntryText, DataThatDeflateMadeLargerShowsBothSizesNotANegativeSaving) {
  EXPECT_EQ("2 bytes, deflated to 4 bytes (larger)", AddedEntryText(kMethodDeflated, 2, 4));
  EXPECT_EQ("0 bytes, deflated to 2 bytes (larger)", AddedEntryText(kMethodDeflated, 0, 2));
  EXPECT_EQ("1048576 bytes, deflated to 1048911 bytes (larger)", AddedEntryText(kMethodDeflated, 1048576, 1048911));
}

}  // namespace
