// Which names are the temporary files archives are written under, left out
// of every folder zapnest zips.
#include "writer/temporary_name.h"

#include <gtest/gtest.h>

namespace {

TEST(TemporaryName, EveryNameMadeIsRecognised) {
  EXPECT_EQ(".zapnest-4242-0.tmp", TemporaryName(4242, 0));
  EXPECT_EQ(".zapnest-4294967295-99.tmp", TemporaryName(4294967295u, 99));
  for (uint32_t attempt : {0u, 1u, 99u}) EXPECT_TRUE(IsTemporaryName(TemporaryName(123, attempt)));
}

TEST(TemporaryName, NamesOfAnyOtherFormAreFilesOfTheFolder) {
  for (const char* name : {".zapnest-123-0.tmp.txt", "zapnest-123-0.tmp", ".zapnest-123.tmp", ".zapnest--0.tmp",
                           ".zapnest-123-.tmp", ".zapnest-12a-0.tmp", ".zapnest-123-0.TMP", ".zapnest-123-0",
                           "x.zapnest-123-0.tmp", ".zapnest-", ".zapnest-1-2-3.tmp", ""}) {
    EXPECT_FALSE(IsTemporaryName(name)) << name;
  }
}

}  // namespace
