#pragma once
// Packed blocks: the installer's own compressed format, and the XOR scrambling of the
// install script block.
//
// A packed block is, in little-endian order, the magic 0x9EC72BA1, the unpacked size
// (signed 32-bit) and then a bit stream of tokens. Bits are numbered from the first
// byte of the block, least significant bit first; the stream starts at bit 64. A
// field of w bits is read least significant bit first. Tokens:
//
//   0   literal run     n = number(2, 2), then n + 1 stored bytes (8 bits each)
//   11  byte repeat     an 8-bit byte value, n = number(1, 1): the byte n + 3 times
//   10  back-reference  n = number(2, 1), d = number(12, 2): n + 4 bytes copied from
//                       d + 4 bytes before the end of the output; the copied range
//                       must lie wholly in output already written (no overlap)
//
// number(base, step): a unary prefix of 1 bits ended by a 0 bit adds step to the
// width for every 1; the width is then base + that, at most 32, and that many bits
// hold the value.
//
// Contract of every routine here: whatever the input bytes, it never writes outside
// the output it allocated, nor reads outside the input it was given, and ends in
// time linear in input plus output, with success or a clean false.

#include <cstdint>

#include "core/string.h"

constexpr uint32_t packed_block_magic = 0x9EC72BA1;
constexpr int32_t packed_block_header_size = 8;

// XORs the buffer in place with the key's four bytes in little-endian order, repeated
// from the start of the buffer. Its own inverse: the builder scrambles with it too.
void descramble(void* buffer, int32_t size, int32_t key);
void descramble(String& block, int32_t key);

// A cursor over the bits of a byte buffer it views but never owns or changes. Bit
// positions and counts are 64-bit, so that blocks of any length up to 2 GiB are
// addressed without overflow. A read that fails leaves the position where it was.
class BitReader {
  public:
    BitReader(const void* data, int64_t size_bytes, int64_t bit_position = 0);

    // Whether k more bits remain (false for k < 0).
    bool has_bits(int64_t k) const { return k >= 0 && k <= total_bits_ - position_; }
    // The next bit; a read with no bit left yields false and does not move.
    bool read_bit();
    // Copies count bits into destination, starting at bit 0 of its first byte; bits of
    // the last byte above count are left as they were. False, nothing moved or
    // written, unless count >= 1 and count bits remain.
    bool read_bits(void* destination, int64_t count);
    // A field of count bits (1..32) as a number, its first bit read as bit 0.
    bool read_field(uint32_t& value, int count);
    // The variable-length number described above. Fails for base outside 0..64, step
    // outside 1..16, fewer than 2 bits left, or fewer bits left than the width.
    bool read_number(uint32_t& out, int base, int step);

    int64_t position() const { return position_; }
    int64_t total_bits() const { return total_bits_; }

  private:
    // At least the 56 bits from bit_position on, least significant first; bits past
    // the end of the buffer read as 0.
    uint64_t peek(int64_t bit_position) const;

    const unsigned char* data_;
    int64_t size_;
    int64_t total_bits_;
    int64_t position_;
};

// Unpacks the block of size bytes at data. On success data points to a new heap
// buffer owned by the caller (unpacked size + 1 bytes, NUL-terminated; free it with
// heap_free) and size holds the unpacked size; the input buffer is untouched and
// still belongs to whoever owned it. Fails, changing neither, on a missing or wrong
// header, a negative size, a size that cannot be allocated, a damaged stream, or a
// stream that does not produce exactly the declared number of bytes.
bool unpack_block(const char*& data, int32_t& size);

// Unpacks the String's content in place: on success the String holds the unpacked
// bytes and its old content is freed; on failure it is unchanged.
bool unpack_string(String& block);
