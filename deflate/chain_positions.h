// Chain positions across a slide of the window: what the 3-byte chains and
// the longer ones both do when the window moves by half of it.
#pragma once

#include <cstdint>

#include "deflate/deflate_state.h"

// Moves `count` chain positions with a slide of the window by half of it:
// positions in the half that leaves the window become 0, "none", since those
// strings can no longer be reached.
void RebasePositions(ChainPosition* positions, uint32_t count);
