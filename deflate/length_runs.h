// The walk over a tree's code lengths that both counts (CountLengthRuns) and
// sends (EmitCodeLengths) the code-length symbols. One walk serves both, so
// the counted frequencies always match what is sent.
#pragma once

#include <cstdint>

#include "deflate/deflate_state.h"

// A length that no code has; it ends the last run.
constexpr uint16_t kLengthRunGuard = 0xFFFF;

// Calls `visit(length, count, previousLength)` for each run of equal code
// lengths among symbols 0..lastSymbol, as deflate sends them: zeros in runs
// of up to 138, other lengths in runs of up to 7 for a new length and 6 for
// a repeated one. previousLength is kLengthRunGuard before the first run.
// Stops early when `visit` returns false. The guard at lastSymbol + 1 must
// be in place.
template <typename Visit>
bool WalkLengthRuns(const TreeNode* tree, int32_t lastSymbol, Visit visit) {
  uint32_t previousLength = kLengthRunGuard;
  uint32_t nextLength = tree[0].codeLen;
  uint32_t count = 0;
  uint32_t maxRun = nextLength == 0 ? 138 : 7;
  for (int32_t n = 0; n <= lastSymbol; ++n) {
    const uint32_t length = nextLength;
    nextLength = tree[n + 1].codeLen;
    if (++count < maxRun && length == nextLength) continue;
    if (!visit(length, count, previousLength)) return false;
    count = 0;
    previousLength = length;
    maxRun = nextLength == 0 ? 138 : length == nextLength ? 6 : 7;
  }
  return true;
}

// The shortest run worth a repeat code: 3 for zeros and for a length that
// repeats the previous run (only repeat codes are needed), 4 for a new
// length (one literal length, then at least 3 repeats).
inline uint32_t MinimumRepeatRun(uint32_t length, uint32_t previousLength) {
  return length == 0 || length == previousLength ? 3 : 4;
}
