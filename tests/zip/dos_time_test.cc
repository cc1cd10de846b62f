#include "zip/dos_time.h"
#include "zip/unix_time.h"

#include <gtest/gtest.h>

namespace {

FileTime At(int year, int month, int day, int hour, int minute, int second, int millisecond = 0) {
  return CalendarToFileTime(CalendarTime{year, month, day, hour, minute, second, millisecond});
}

TEST(DosDateTime, PacksTheFieldsWithSecondsHalved) {
  const uint32_t value = ToDosDateTime(At(2024, 3, 9, 10, 15, 37));
  EXPECT_EQ(0x51F2u, value & 0xFFFF);
  EXPECT_EQ(((2024u - 1980) << 9) | (3u << 5) | 9u, value >> 16);
  EXPECT_EQ(0x00210000u, ToDosDateTime(At(1980, 1, 1, 0, 0, 0)));
  EXPECT_EQ(0xFF9FBF7Du, ToDosDateTime(At(2107, 12, 31, 23, 59, 59, 999)));
}

// The first and last years of the field are encoded as they are, not
// clamped: only dates outside them are.
TEST(DosDateTime, TheFirstAndLastYearsAreNotClamped) {
  EXPECT_EQ(((((0u << 9) | (6u << 5) | 15u)) << 16) | (12u << 11) | (30u << 5),
            ToDosDateTime(At(1980, 6, 15, 12, 30, 0)));
  EXPECT_EQ(((((127u << 9) | (6u << 5) | 15u)) << 16) | (12u << 11) | (30u << 5),
            ToDosDateTime(At(2107, 6, 15, 12, 30, 0)));
}

TEST(DosDateTime, ClampsYearsTheFieldCannotHold) {
  // Wrapping would show a 1975 file as 2103 and a 2110 file as 1982.
  EXPECT_EQ(0x00210000u, ToDosDateTime(At(1975, 6, 1, 12, 0, 0)));
  EXPECT_EQ(0x00210000u, ToDosDateTime(At(1979, 12, 31, 23, 59, 59)));
  EXPECT_EQ(0x00210000u, ToDosDateTime(0));
  EXPECT_EQ(0xFF9FBF7Du, ToDosDateTime(At(2108, 1, 1, 0, 0, 0)));
  EXPECT_EQ(0xFF9FBF7Du, ToDosDateTime(At(2110, 7, 4, 8, 30, 0)));
  EXPECT_EQ(0xFF9FBF7Du, ToDosDateTime(UINT64_MAX));
}

TEST(UnixTime, CountsSecondsTruncatingTowardZero) {
  EXPECT_EQ(0, ToUnixTime(kUnixEpochFileTime));
  EXPECT_EQ(1, ToUnixTime(kUnixEpochFileTime + 19999999));
  EXPECT_EQ(1700000000, ToUnixTime(At(2023, 11, 14, 22, 13, 20)));
  EXPECT_EQ(INT32_MAX, ToUnixTime(At(2038, 1, 19, 3, 14, 7)));
}

// Signed and unsigned readers agree only from 1970 to 2038: every time
// outside is held at the nearer end rather than wrapped into a date that
// looks real (1500 had shown as 2009, 2040 as 1904 or 2040 by the reader).
TEST(UnixTime, HoldsTimesOutside1970To2038AtTheNearerEnd) {
  for (const FileTime before : {FileTime{0}, At(1601, 1, 1, 0, 0, 0), At(1850, 6, 1, 0, 0, 0), At(1900, 1, 1, 0, 0, 0),
                                At(1969, 12, 31, 23, 59, 59)}) {
    EXPECT_EQ(0, ToUnixTime(before));
  }
  EXPECT_EQ(0, ToUnixTime(kUnixEpochFileTime - 1));
  for (const FileTime after : {At(2038, 1, 19, 3, 14, 8), At(2040, 1, 1, 0, 0, 0), At(2106, 2, 7, 6, 28, 16),
                               At(2107, 12, 31, 0, 0, 0), At(2500, 1, 1, 0, 0, 0), FileTime{UINT64_MAX}}) {
    EXPECT_EQ(INT32_MAX, ToUnixTime(after));
  }
}

}  // namespace
