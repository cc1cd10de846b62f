// Finding encrypted entries in zip archives others made: directories built
// here byte by byte, read through the in-memory platform, among them
// damaged and hostile ones.
#include "zip/encrypted_entries.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/fake_platform.h"
#include "tests/support/fake_platform_test.h"

namespace {

using Bytes = std::vector<uint8_t>;

void Put16(Bytes* bytes, uint32_t value) {
  bytes->push_back(static_cast<uint8_t>(value));
  bytes->push_back(static_cast<uint8_t>(value >> 8));
}
void Put32(Bytes* bytes, uint32_t value) {
  Put16(bytes, value & 0xFFFF);
  Put16(bytes, value >> 16);
}
void Put64(Bytes* bytes, uint64_t value) {
  Put32(bytes, static_cast<uint32_t>(value));
  Put32(bytes, static_cast<uint32_t>(value >> 32));
}

struct Layout {
  std::vector<uint16_t> flags;  // one entry each
  size_t prefix = 0;            // bytes in front, the offsets not moved for them (a self-extractor)
  std::string comment;
  bool zip64 = false;
  uint16_t extraLength = 0;  // of each central record
};

// An archive of empty stored entries: only the central directory and the
// end records matter here, and the local headers are left out.
Bytes MakeZip(const Layout& layout) {
  Bytes zip(layout.prefix, 'X');
  const uint32_t directoryStart = static_cast<uint32_t>(zip.size() - layout.prefix);
  for (size_t i = 0; i < layout.flags.size(); ++i) {
    const std::string name = "entry" + std::to_string(i);
    Put32(&zip, 0x02014B50);
    Put16(&zip, 20);
    Put16(&zip, 20);
    Put16(&zip, layout.flags[i]);
    Put16(&zip, 0);                                          // method
    for (int field = 0; field < 4; ++field) Put32(&zip, 0);  // time and date, CRC, both sizes
    Put16(&zip, static_cast<uint32_t>(name.size()));
    Put16(&zip, layout.extraLength);
    Put16(&zip, 0);  // comment
    Put16(&zip, 0);  // disk
    Put16(&zip, 0);  // internal attributes
    Put32(&zip, 0);  // external attributes
    Put32(&zip, 0);  // local header offset
    zip.insert(zip.end(), name.begin(), name.end());
    zip.insert(zip.end(), layout.extraLength, 0);
  }
  const uint32_t directorySize = static_cast<uint32_t>(zip.size() - layout.prefix) - directoryStart;
  const uint16_t count = static_cast<uint16_t>(layout.flags.size());
  if (layout.zip64) {
    const uint64_t zip64End = zip.size() - layout.prefix;
    Put32(&zip, 0x06064B50);
    Put64(&zip, 44);
    Put16(&zip, 45);
    Put16(&zip, 45);
    Put32(&zip, 0);
    Put32(&zip, 0);
    Put64(&zip, count);
    Put64(&zip, count);
    Put64(&zip, directorySize);
    Put64(&zip, directoryStart);
    Put32(&zip, 0x07064B50);
    Put32(&zip, 0);
    Put64(&zip, zip64End);
    Put32(&zip, 1);
  }
  Put32(&zip, 0x06054B50);
  Put32(&zip, 0);
  Put16(&zip, layout.zip64 ? 0xFFFF : count);
  Put16(&zip, layout.zip64 ? 0xFFFF : count);
  Put32(&zip, layout.zip64 ? 0xFFFFFFFF : directorySize);
  Put32(&zip, layout.zip64 ? 0xFFFFFFFF : directoryStart);
  Put16(&zip, static_cast<uint32_t>(layout.comment.size()));
  zip.insert(zip.end(), layout.comment.begin(), layout.comment.end());
  return zip;
}

Layout WithFlags(std::vector<uint16_t> flags) {
  Layout layout;
  layout.flags = std::move(flags);
  return layout;
}

class EncryptedEntries : public FakePlatformTest {
 protected:
  // Whether the archive could be read, and what it said.
  std::pair<bool, bool> Find(const Bytes& zip) {
    fake::PutFile("a.zip", zip);
    FileHandle file = OpenInputFile("a.zip");
    EXPECT_NE(kNoFile, file);
    bool encrypted = true;
    const bool read = FindEncryptedEntry(file, zip.size(), &encrypted);
    CloseFile(file);
    if (!read) {
      EXPECT_FALSE(encrypted);
    }
    return {read, encrypted};
  }
};

using Result = std::pair<bool, bool>;

TEST_F(EncryptedEntries, TheEncryptionBitOfAnyEntryCounts) {
  EXPECT_EQ(Result(true, false), Find(MakeZip(WithFlags({0, 0x0800, 0x0008}))));
  EXPECT_EQ(Result(true, true), Find(MakeZip(WithFlags({0, 0, 0x0001}))));
  EXPECT_EQ(Result(true, true), Find(MakeZip(WithFlags({0x0041}))));  // strong encryption, bit 0 beside bit 6
  EXPECT_EQ(Result(true, false), Find(MakeZip(WithFlags({}))));       // an empty archive
}

TEST_F(EncryptedEntries, CommentsSelfExtractorsAndZip64AreReadThrough) {
  Layout layout = WithFlags({0, 0, 1});
  // A comment that holds an end record's signature of its own.
  layout.comment = std::string("PK\x05\x06", 4) + std::string(30, 'c');
  EXPECT_EQ(Result(true, true), Find(MakeZip(layout)));
  layout.comment = std::string(0xFFFF, 'c');
  EXPECT_EQ(Result(true, true), Find(MakeZip(layout)));
  layout.comment.clear();
  layout.prefix = 5000;
  EXPECT_EQ(Result(true, true), Find(MakeZip(layout)));
  layout.zip64 = true;
  EXPECT_EQ(Result(true, true), Find(MakeZip(layout)));
  layout.flags = {0, 0};
  EXPECT_EQ(Result(true, false), Find(MakeZip(layout)));
}

TEST_F(EncryptedEntries, ADirectoryLongerThanOneReadIsReadToItsLastRecord) {
  Layout layout;
  layout.flags.assign(40, 0);
  layout.extraLength = 60000;  // 2.4 MB of records, some across a read's end
  layout.flags.back() = 1;
  EXPECT_EQ(Result(true, true), Find(MakeZip(layout)));
  layout.flags.back() = 0;
  EXPECT_EQ(Result(true, false), Find(MakeZip(layout)));
}

TEST_F(EncryptedEntries, DamagedArchivesAreNoArchivesAndNeverReadPastTheirEnd) {
  EXPECT_EQ(Result(false, false), Find({}));
  EXPECT_EQ(Result(false, false), Find(Bytes(21, 0)));
  const Bytes whole = MakeZip(WithFlags({0, 0, 1}));
  // Every cut short: the end record is gone, or the directory is.
  for (size_t length = 0; length < whole.size(); ++length) {
    EXPECT_FALSE(Find(Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length))).first) << length;
  }
  // Sizes and offsets that lie, and noise: answered without a crash.
  std::mt19937 random(7);
  for (int trial = 0; trial < 300; ++trial) {
    Bytes damaged = whole;
    for (int flips = 0; flips < 4; ++flips) damaged[random() % damaged.size()] = static_cast<uint8_t>(random());
    Find(damaged);
  }
  Bytes zip = MakeZip(WithFlags({0}));
  zip[zip.size() - 22 + 12] = 0xFF;  // a directory larger than the file
  EXPECT_FALSE(Find(zip).first);
}

}  // namespace
