#pragma once
// The packer: encodes byte strings as packed blocks that the stub's `unpack_block`
// turns back into the same bytes (the format is described in format/packed_block.h).
//
// Levels trade time for size:
//   1    greedy parse over hash chains with a 64 KiB window;
//   2    greedy parse over hash buckets that see the whole input;
//   3-5  lazy parse over hash buckets that see the whole input (5 is the default);
//   6-7  optimal parse over hash buckets that see the whole input;
//   8-9  optimal parse over binary trees that see the whole input (9 is the best).
// Hash buckets keep the newest positions of each hash, a fixed number per bucket.
// The greedy and lazy parses weigh a step by the bits it saves; the optimal parse
// is a shortest path over positions, every token (literal runs included) priced at
// its exact number of bits. A back-reference from more than 1 MiB back counts a
// few bits dearer than it costs (24 at the greedy and lazy levels, 8 or 6 at the
// optimal ones), since such a copy is slow to unpack: the parse takes it only when
// it saves that much more. Output is deterministic: the same bytes and level give
// the same block. No back-reference ever overlaps the bytes it produces.

#include <cstddef>
#include <cstdint>
#include <vector>

constexpr int pack_level_fastest = 1;
constexpr int pack_level_default = 5;
constexpr int pack_level_best = 9;

// The longest input: the block's size field is signed 32-bit, and the stub's String
// needs one byte more than the content.
constexpr size_t pack_max_input = 0x7FFFFFFE;

// Packs size bytes at data into block (replacing its content). False, block
// untouched, when size exceeds pack_max_input or level lies outside 1..9.
bool pack_block(const void* data, size_t size, int level, std::vector<unsigned char>& block);

// The working memory pack_block needs for an input of size bytes at level, beyond
// the input and the finished block: match finder tables and parser state. A block
// is at most size + size / 256 + 32 bytes long.
uint64_t pack_memory_bytes(size_t size, int level);

// One line that says how a level parses and searches, for usage texts and reports.
const char* pack_level_description(int level);
