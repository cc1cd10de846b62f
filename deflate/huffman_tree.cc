#include "deflate/huffman_tree.h"

#include "deflate/length_runs.h"

namespace {

// The heap order: by frequency, then by subtree depth, so that of two equal
// weights the shallower subtree is joined first and codes stay short. On a
// full tie `a` counts as smaller.
inline bool Smaller(const TreeNode* tree, const uint8_t* depth, int32_t a, int32_t b) {
  return tree[a].freq < tree[b].freq || (tree[a].freq == tree[b].freq && depth[a] <= depth[b]);
}

// Restores heap order below heap position k.
void SiftDown(DeflateState* state, const TreeNode* tree, int32_t k) {
  int32_t* heap = state->heap;
  const int32_t v = heap[k];
  int32_t j = k << 1;
  while (j <= state->heapLen) {
    if (j < state->heapLen && Smaller(tree, state->depth, heap[j + 1], heap[j])) ++j;
    if (Smaller(tree, state->depth, v, heap[j])) break;
    heap[k] = heap[j];
    k = j;
    j <<= 1;
  }
  heap[k] = v;
}

// Turns the parent links of a built tree into code lengths limited to
// maxBits, repairing overflow by moving the rarest leaves, and counts the
// lengths into bitLengthCount.
void ComputeCodeLengths(DeflateState* state, TreeDescriptor* desc) {
  TreeNode* tree = desc->tree;
  const TreeNode* staticTree = desc->staticTree;
  const int32_t maxBits = desc->maxBits;
  const int32_t lastSymbol = desc->lastSymbol;
  const int32_t* heap = state->heap;
  uint16_t* count = state->bitLengthCount;

  for (uint32_t bits = 0; bits <= kMaxCodeBits; ++bits) count[bits] = 0;
  tree[heap[state->heapMax]].codeLen = 0;
  int32_t overflow = 0;

  for (int32_t h = state->heapMax + 1; h < static_cast<int32_t>(kHeapSize); ++h) {
    const int32_t n = heap[h];
    int32_t bits = tree[tree[n].parent].codeLen + 1;
    if (bits > maxBits) {
      bits = maxBits;
      ++overflow;
    }
    tree[n].codeLen = static_cast<uint16_t>(bits);
    if (n > lastSymbol) continue;  // an internal node
    ++count[bits];
    const int32_t extra = n >= desc->extraBase ? desc->extraBits[n - desc->extraBase] : 0;
    const uint32_t freq = tree[n].freq;
    state->dynBlockBits += freq * static_cast<uint32_t>(bits + extra);
    if (staticTree != nullptr) state->fixedBlockBits += freq * static_cast<uint32_t>(staticTree[n].codeLen + extra);
  }
  if (overflow == 0) return;

  // Each pass moves a leaf from the deepest level with room down one level,
  // where it and an overflowed leaf become its children.
  do {
    int32_t bits = maxBits - 1;
    while (count[bits] == 0) --bits;
    --count[bits];
    count[bits + 1] = static_cast<uint16_t>(count[bits + 1] + 2);
    --count[maxBits];
    overflow -= 2;
  } while (overflow > 0);

  // Hand the lengths out again, longest to the rarest: the removed-node list
  // runs from the least frequent node at its end to the root.
  int32_t h = static_cast<int32_t>(kHeapSize);
  for (int32_t bits = maxBits; bits != 0; --bits) {
    uint32_t n = count[bits];
    while (n != 0) {
      const int32_t m = heap[--h];
      if (m > lastSymbol) continue;
      if (tree[m].codeLen != bits) {
        state->dynBlockBits += static_cast<uint32_t>((bits - tree[m].codeLen) * static_cast<int32_t>(tree[m].freq));
        tree[m].codeLen = static_cast<uint16_t>(bits);
      }
      --n;
    }
  }
}

}  // namespace

void BuildHuffmanTree(DeflateState* state, TreeDescriptor* desc) {
  TreeNode* tree = desc->tree;
  const TreeNode* staticTree = desc->staticTree;
  int32_t* heap = state->heap;
  state->heapLen = 0;
  state->heapMax = static_cast<int32_t>(kHeapSize);
  int32_t lastSymbol = -1;

  for (int32_t n = 0; n < desc->symbolCount; ++n) {
    if (tree[n].freq != 0) {
      heap[++state->heapLen] = n;
      lastSymbol = n;
      state->depth[n] = 0;
    } else {
      tree[n].codeLen = 0;
    }
  }

  // Deflate needs at least two codes. A forced symbol (0, 1 or 2, none with
  // extra bits) gets length 1; taking its cost back here makes it free in
  // both estimates once ComputeCodeLengths adds it.
  while (state->heapLen < 2) {
    const int32_t node = lastSymbol < 2 ? ++lastSymbol : 0;
    heap[++state->heapLen] = node;
    tree[node].freq = 1;
    state->depth[node] = 0;
    state->dynBlockBits -= 1;
    if (staticTree != nullptr) state->fixedBlockBits -= staticTree[node].codeLen;
  }
  desc->lastSymbol = lastSymbol;

  for (int32_t k = state->heapLen / 2; k >= 1; --k) SiftDown(state, tree, k);

  // Join the two least frequent nodes until one is left. Removed nodes are
  // stacked at the top of the heap array, so that walking it upward from
  // heapMax visits every parent before its children.
  int32_t node = desc->symbolCount;
  do {
    const int32_t n = heap[1];
    heap[1] = heap[state->heapLen--];
    SiftDown(state, tree, 1);
    const int32_t m = heap[1];
    heap[--state->heapMax] = n;
    heap[--state->heapMax] = m;
    tree[node].freq = static_cast<uint16_t>(tree[n].freq + tree[m].freq);
    state->depth[node] =
        static_cast<uint8_t>((state->depth[n] >= state->depth[m] ? state->depth[n] : state->depth[m]) + 1);
    tree[n].parent = tree[m].parent = static_cast<uint16_t>(node);
    heap[1] = node++;
    SiftDown(state, tree, 1);
  } while (state->heapLen >= 2);
  heap[--state->heapMax] = heap[1];

  ComputeCodeLengths(state, desc);
  AssignCodes(tree, desc->lastSymbol, state->bitLengthCount);
}

namespace {

// Each byte with its bits in reverse order, built at compile time.
struct ReversedBytes {
  uint8_t of[256];
};

constexpr ReversedBytes MakeReversedBytes() {
  ReversedBytes table{};
  for (uint32_t byte = 0; byte < 256; ++byte) {
    uint32_t reversed = 0;
    for (uint32_t bit = 0; bit < 8; ++bit) reversed |= ((byte >> bit) & 1) << (7 - bit);
    table.of[byte] = static_cast<uint8_t>(reversed);
  }
  return table;
}

constexpr ReversedBytes kReversedBytes = MakeReversedBytes();

}  // namespace

uint32_t ReverseBits(uint32_t value, uint32_t length) {
  // Both bytes of the 16-bit value reversed and swapped, then the high bits
  // dropped: two lookups where a loop takes a few instructions per bit, and
  // every block assigns some three hundred codes.
  const uint32_t reversed16 =
      (static_cast<uint32_t>(kReversedBytes.of[value & 0xFF]) << 8) | kReversedBytes.of[(value >> 8) & 0xFF];
  return reversed16 >> (16 - length);
}

void AssignCodes(TreeNode* tree, int32_t lastSymbol, const uint16_t* bitLengthCount) {
  uint16_t next[kMaxCodeBits + 1];
  uint32_t code = 0;
  for (uint32_t bits = 1; bits <= kMaxCodeBits; ++bits) {
    code = ((code + bitLengthCount[bits - 1]) << 1) & 0xFFFF;
    next[bits] = static_cast<uint16_t>(code);
  }
  for (int32_t n = 0; n <= lastSymbol; ++n) {
    const uint32_t length = tree[n].codeLen;
    if (length == 0) continue;
    tree[n].code = static_cast<uint16_t>(ReverseBits(next[length]++, length));
  }
}

void CountLengthRuns(DeflateState* state, TreeNode* tree, int32_t lastSymbol) {
  TreeNode* codeLenTree = state->codeLenTree;
  tree[lastSymbol + 1].codeLen = kLengthRunGuard;
  WalkLengthRuns(tree, lastSymbol, [codeLenTree](uint32_t length, uint32_t count, uint32_t previousLength) {
    if (count < MinimumRepeatRun(length, previousLength)) {
      codeLenTree[length].freq = static_cast<uint16_t>(codeLenTree[length].freq + count);
    } else if (length != 0) {
      if (length != previousLength) ++codeLenTree[length].freq;
      ++codeLenTree[kRepeatPrevious].freq;
    } else if (count <= 10) {
      ++codeLenTree[kRepeatZero].freq;
    } else {
      ++codeLenTree[kRepeatZeroLong].freq;
    }
    return true;
  });
}

int32_t BuildCodeLenTree(DeflateState* state) {
  CountLengthRuns(state, state->dynLitTree, state->litDesc.lastSymbol);
  CountLengthRuns(state, state->dynDistTree, state->distDesc.lastSymbol);
  BuildHuffmanTree(state, &state->codeLenDesc);

  int32_t index = static_cast<int32_t>(kCodeLengthSymbols) - 1;
  while (index >= 3 && state->codeLenTree[codeLenOrder[index]].codeLen == 0) --index;
  // 3 bits per code-length code sent, and the counts HLIT, HDIST, HCLEN.
  state->dynBlockBits += 3 * static_cast<uint32_t>(index + 1) + 5 + 5 + 4;
  return index;
}
