// The base of every test fixture on the in-memory platform: each test starts
// from an empty fake and must end with every allocation released and every
// file closed.
#pragma once

#include <gtest/gtest.h>

#include "tests/support/fake_platform.h"

class FakePlatformTest : public ::testing::Test {
 protected:
  void SetUp() override { fake::Reset(); }
  // Fixtures that hold an archive close it first, then call this.
  void TearDown() override {
    EXPECT_EQ(0, fake::Fake().liveAllocations) << "memory left allocated";
    EXPECT_EQ(0, fake::Fake().openHandles) << "files left open";
  }
};
