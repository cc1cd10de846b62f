#include "deflate/long_chains.h"

#include <cstring>

#include "deflate/input_window.h"

namespace {

// Searches between two looks at the effort, and the average 3-byte chain
// candidates per search above which the longer chains pay for themselves and
// below which they do not. The gap keeps a file near one threshold from
// switching at every look: switching on costs up to a half window of entries.
constexpr uint32_t kWorkToSwitchOn = 8 * kSearchesPerLook;
constexpr uint32_t kWorkToSwitchOff = 3 * kSearchesPerLook;

}  // namespace

void SwitchLongChainsOn(DeflateState* state) {
  memset(state->longHead, 0, sizeof state->longHead);
  // The farthest candidate a search at curPos or later may examine; position
  // 0 means "none" and is never one.
  state->longNext = state->curPos > kMaxDistance ? state->curPos - kMaxDistance : 1;
  state->longChainsOn = 1;
}

void SlideLongChains(DeflateState* state) {
  if (!state->longChainsOn) return;  // the heads are cleared when they are switched on again
  // The links are distances and need nothing.
  RebasePositions(&state->longHead[0][0], kLongChains * kLongHashSize);
  // Positions not yet entered that slid out can no longer be reached.
  state->longNext = state->longNext >= kHalfWindow ? state->longNext - kHalfWindow : 0;
}

void LookAtSearchEffort(DeflateState* state) {
  if (!state->longChainsOn && state->searchWork > kWorkToSwitchOn) {
    SwitchLongChainsOn(state);
  } else if (state->longChainsOn && state->searchWork < kWorkToSwitchOff) {
    state->longChainsOn = 0;
  }
  state->searchCount = 0;
  state->searchWork = 0;
}
