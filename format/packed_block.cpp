#include "format/packed_block.h"

#include <cstring>

#include "core/memory.h"

// Multi-byte loads and stores below copy memory straight into integers: every target
// of this program (x86 and x86-64, Windows and Linux) is little-endian.
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the codec assumes a little-endian host");

namespace {

// The token fields' variable-length numbers: (base, step) pairs of the format.
constexpr int literal_count_base = 2, literal_count_step = 2;
constexpr int repeat_count_base = 1, repeat_count_step = 1;
constexpr int reference_length_base = 2, reference_length_step = 1;
constexpr int reference_distance_base = 12, reference_distance_step = 2;
// Biases added to the decoded numbers.
constexpr uint64_t literal_count_bias = 1;
constexpr uint64_t repeat_count_bias = 3;
constexpr uint64_t reference_length_bias = 4;
constexpr uint64_t reference_distance_bias = 4;

constexpr int max_field_width = 32;
// Bits that one peek guarantees, whatever the bit offset inside its first byte.
constexpr int peek_bits = 56;

uint64_t load64(const unsigned char* p) {
    uint64_t w;
    std::memcpy(&w, p, sizeof w);
    return w;
}

// The bit stream of a block: bytes, their count and the number of bits.
struct Bits {
    const unsigned char* data;
    int64_t size;
    int64_t total;

    uint64_t peek(int64_t position) const {
        int64_t byte = position >> 3;
        uint64_t w = 0;
        if (byte + 8 <= size) {
            w = load64(data + byte);
        } else {
            for (int64_t i = 0; byte + i < size; ++i)
                w |= static_cast<uint64_t>(data[byte + i]) << (8 * i);
        }
        return w >> (position & 7);
    }

    // Reads number(base, step) at position; on success moves position behind it.
    bool number(int64_t& position, int base, int step, uint32_t& out) const {
        int64_t p = position;
        if (total - p < 2)
            return false;
        // The unary prefix. Past the end the stream reads as 0 bits, so the count
        // stops there at the latest; it saturates, as the width does.
        uint32_t ones = 0;
        for (;;) {
            uint64_t w = peek(p);
            unsigned run = (~w == 0) ? 64u : static_cast<unsigned>(__builtin_ctzll(~w));
            if (run < static_cast<unsigned>(peek_bits)) {
                p += run;
                ones += run;
                break;
            }
            p += peek_bits;
            ones = ones < max_field_width ? ones + peek_bits : ones;
        }
        if (p < total)
            ++p; // the 0 bit that ends the prefix; at the very end it is implied
        uint32_t extra = ones < max_field_width ? ones : max_field_width;
        int width = base + static_cast<int>(extra) * step;
        if (width > max_field_width)
            width = max_field_width;
        if (total - p < width)
            return false;
        out = width == 0 ? 0 : static_cast<uint32_t>(peek(p) & ((uint64_t{1} << width) - 1));
        position = p + width;
        return true;
    }

    // Copies count whole bytes of the stream from position; the caller has checked
    // that count * 8 bits remain.
    void copy_bytes(unsigned char* dst, int64_t position, int64_t count) const {
        const unsigned char* src = data + (position >> 3);
        unsigned shift = static_cast<unsigned>(position & 7);
        if (shift == 0) {
            std::memcpy(dst, src, static_cast<size_t>(count));
            return;
        }
        // Output byte i takes its low bits from src[i] and its high bits from
        // src[i + 1]; src[count] exists because the last of the bits lies in it.
        int64_t avail = size - (position >> 3);
        int64_t i = 0;
        for (; i + 9 <= avail && i + 8 <= count; i += 8) {
            uint64_t w = (load64(src + i) >> shift) | (static_cast<uint64_t>(src[i + 8]) << (64 - shift));
            std::memcpy(dst + i, &w, sizeof w);
        }
        for (; i < count; ++i)
            dst[i] = static_cast<unsigned char>((src[i] >> shift) | (src[i + 1] << (8 - shift)));
    }
};

uint64_t low_bits(uint64_t w, int width) {
    return w & ((uint64_t{1} << width) - 1);
}

// The number of 1 bits at the bottom of w.
unsigned trailing_ones(uint64_t w) {
    return ~w == 0 ? 64u : static_cast<unsigned>(__builtin_ctzll(~w));
}

void store64(unsigned char* p, uint64_t w) {
    std::memcpy(p, &w, sizeof w);
}

// Short tokens are copied 8 bytes at a time into room the output has anyway; bytes
// written past a token's end are overwritten by the tokens that follow.
constexpr uint64_t short_token = 16;

// Decodes the one token at position into out + produced, with every check of the
// format; on success moves position and produced behind it.
//
// The token is first decoded from one 64-bit look at the stream, which holds any
// token whose numbers have short prefixes (all that a sane packer writes); longer
// prefixes take the general path of Bits::number. Both accept the same streams.
bool decode_token(const Bits& bits, unsigned char* out, uint64_t target, int64_t& position,
                  uint64_t& produced) {
    const int64_t total = bits.total;
    // A leading bit read past the end yields 0, and every token then needs more
    // bits than remain: failing here is the same outcome.
    if (total - position < 2)
        return false;
    const uint64_t w = bits.peek(position);
    const uint64_t room = target - produced;
    unsigned char* dst = out + produced;
    if ((w & 1) == 0) {
        // Literal run: 0, count - 1 as number(2, 2), the bytes.
        uint64_t count;
        const uint64_t r = w >> 1;
        const unsigned ones = trailing_ones(r);
        if (ones <= 8) {
            const int width = literal_count_base + literal_count_step * static_cast<int>(ones);
            const int used = 1 + static_cast<int>(ones) + 1 + width;
            if (total - position < used)
                return false;
            count = low_bits(r >> (ones + 1), width) + literal_count_bias;
            position += used;
        } else {
            position += 1;
            uint32_t n;
            if (!bits.number(position, literal_count_base, literal_count_step, n))
                return false;
            count = n + literal_count_bias;
        }
        // Overshoot check: a token longer than the rest of the output fails.
        if (count > room)
            return false;
        // Overflow check: count <= 2^32, so count * 8 fits in 64 bits.
        if (static_cast<uint64_t>(total - position) < count * 8)
            return false;
        const int64_t byte = position >> 3;
        if (count <= short_token && room >= short_token && byte + 17 <= bits.size) {
            const unsigned char* src = bits.data + byte;
            const unsigned shift = static_cast<unsigned>(position & 7);
            // << (63 - shift) << 1: the high byte's bits, and nothing for shift 0.
            store64(dst, (load64(src) >> shift) | (uint64_t{src[8]} << (63 - shift) << 1));
            store64(dst + 8, (load64(src + 8) >> shift) | (uint64_t{src[16]} << (63 - shift) << 1));
        } else {
            bits.copy_bytes(dst, position, static_cast<int64_t>(count));
        }
        position += static_cast<int64_t>(count * 8);
        produced += count;
    } else if (w & 2) {
        // Byte repeat: 11, the byte, count - 3 as number(1, 1).
        uint64_t count;
        const unsigned char value = static_cast<unsigned char>(w >> 2);
        const uint64_t r = w >> 10;
        const unsigned ones = trailing_ones(r);
        if (ones <= 10) {
            const int width = repeat_count_base + repeat_count_step * static_cast<int>(ones);
            const int used = 10 + static_cast<int>(ones) + 1 + width;
            if (total - position < used)
                return false;
            count = low_bits(r >> (ones + 1), width) + repeat_count_bias;
            position += used;
        } else {
            position += 2;
            if (total - position < 8)
                return false;
            position += 8;
            uint32_t n;
            if (!bits.number(position, repeat_count_base, repeat_count_step, n))
                return false;
            count = n + repeat_count_bias;
        }
        if (count > room)
            return false;
        if (count <= short_token && room >= short_token) {
            const uint64_t pattern = value * 0x0101010101010101ull;
            store64(dst, pattern);
            store64(dst + 8, pattern);
        } else {
            std::memset(dst, value, static_cast<size_t>(count));
        }
        produced += count;
    } else {
        // Back-reference: 10, length - 4 as number(2, 1), distance - 4 as number(12, 2).
        uint64_t n = 0, d = 0;
        bool decoded = false;
        const uint64_t r = w >> 2;
        const unsigned ones = trailing_ones(r);
        if (ones <= 6) {
            const int width = reference_length_base + reference_length_step * static_cast<int>(ones);
            n = low_bits(r >> (ones + 1), width);
            const int first = static_cast<int>(ones) + 1 + width;
            const uint64_t r2 = r >> first;
            const unsigned ones2 = trailing_ones(r2);
            if (ones2 <= 6) {
                const int width2 =
                    reference_distance_base + reference_distance_step * static_cast<int>(ones2);
                const int used = 2 + first + static_cast<int>(ones2) + 1 + width2;
                if (total - position < used)
                    return false;
                d = low_bits(r2 >> (ones2 + 1), width2);
                position += used;
                decoded = true;
            }
        }
        if (!decoded) {
            position += 2;
            uint32_t n32, d32;
            if (!bits.number(position, reference_length_base, reference_length_step, n32) ||
                !bits.number(position, reference_distance_base, reference_distance_step, d32))
                return false;
            n = n32;
            d = d32;
        }
        const uint64_t length = n + reference_length_bias;
        const uint64_t distance = d + reference_distance_bias;
        // Range check: the source must start inside the output written so far and
        // end before the copy begins (distance >= length: no overlap).
        if (distance > produced || length > distance)
            return false;
        if (length > room)
            return false;
        const unsigned char* src = dst - distance;
        if (length <= short_token && room >= short_token) {
            // The source lies before dst; what the second word reads past the
            // source's end only lands past the copy's end.
            store64(dst, load64(src));
            store64(dst + 8, load64(src + 8));
        } else {
            // Non-overlapping by the check above, so memcpy is exact.
            std::memcpy(dst, src, static_cast<size_t>(length));
        }
        produced += length;
    }
    return true;
}

// The fast loop copies tokens of up to this many bytes as whole 8-byte words; it runs
// while the output has that much room left, so the words stay inside it.
constexpr uint64_t fast_copy = 32;
// Stream bytes the fast loop may read from its next unread byte on: the bytes of a
// literal run start before it, so its 32 bytes and the byte after them end within
// 33 bytes of it; a refill reads 8.
constexpr int64_t fast_input_margin = 48;

// Copies 16 bytes through a register: the two ranges may overlap.
void copy16(unsigned char* dst, const unsigned char* src) {
    unsigned char word[16];
    std::memcpy(word, src, 16);
    std::memcpy(dst, word, 16);
}

// Copies 8 bytes of the stream that start at bit shift (0..7) of src[0].
uint64_t load_shifted(const unsigned char* src, unsigned shift) {
    // << (63 - shift) << 1: the next byte's low bits, and nothing for shift 0.
    return (load64(src) >> shift) | (uint64_t{src[8]} << (63 - shift) << 1);
}

// Decodes the token stream into out, which has room for exactly target bytes.
//
// Far from both ends, the common tokens take a fast loop that keeps the next 56 to 63
// bits of the stream in a register (the word for the next refill is loaded one token
// ahead, out of the way of the decoding) and needs no bounds check but the ones that
// the data decides: words are copied without looking at a token's exact end, into
// room that both the stream and the output are known to have. A back-reference's
// source lies wholly before its destination, so the bytes it really copies are never
// among the ones the same copy writes. Literal runs of 1 to 4 bytes come straight out
// of the register. Any other token, and everything near the ends, goes through
// decode_token.
bool decode_tokens(const Bits& bits, unsigned char* out, uint64_t target) {
    const unsigned char* data = bits.data;
    const unsigned char* fast_end =
        bits.size > fast_input_margin ? data + bits.size - fast_input_margin : data;
    int64_t position = 8 * packed_block_header_size;
    uint64_t produced = 0;
    while (produced < target) {
        // The register holds avail bits from position on: those of the bytes before in.
        const unsigned char* in = data + (position >> 3);
        if (in <= fast_end && target - produced >= fast_copy) {
            uint64_t buffer = load64(in) >> (position & 7);
            unsigned avail = 56 - static_cast<unsigned>(position & 7);
            in += 7;
            while (in <= fast_end && target - produced >= fast_copy) {
                // Bits above avail are 0 or already the stream's own: the OR keeps them.
                buffer |= load64(in) << avail;
                in += (63 - avail) >> 3;
                avail |= 56;
                unsigned char* dst = out + produced;
                if ((buffer & 3) == 0) {
                    // Literal run of 1 to 4 bytes: 0, prefix 0, 2 bits of count - 1.
                    const unsigned count = static_cast<unsigned>((buffer >> 2) & 3) + 1;
                    store64(dst, buffer >> 4);
                    const unsigned used = 4 + 8 * count;
                    buffer >>= used;
                    avail -= used;
                    produced += count;
                } else if ((buffer & 1) == 0) {
                    // Literal run of 5 to 64 bytes: 0, a prefix of 1 or 2 ones.
                    const uint64_t r = buffer >> 1;
                    const unsigned ones = trailing_ones(r);
                    if (ones > 2)
                        break;
                    const int width = literal_count_base + literal_count_step * static_cast<int>(ones);
                    const uint64_t count = low_bits(r >> (ones + 1), width) + literal_count_bias;
                    if (count > fast_copy)
                        break;
                    const int64_t start =
                        8 * (in - data) - avail + 1 + static_cast<int64_t>(ones) + 1 + width;
                    const unsigned char* src = data + (start >> 3);
                    const unsigned shift = static_cast<unsigned>(start & 7);
                    store64(dst, load_shifted(src, shift));
                    store64(dst + 8, load_shifted(src + 8, shift));
                    if (count > 16) {
                        store64(dst + 16, load_shifted(src + 16, shift));
                        store64(dst + 24, load_shifted(src + 24, shift));
                    }
                    produced += count;
                    // Start the register again behind the run.
                    const int64_t next = start + static_cast<int64_t>(8 * count);
                    in = data + (next >> 3);
                    buffer = load64(in) >> (next & 7);
                    avail = 56 - static_cast<unsigned>(next & 7);
                    in += 7;
                } else if ((buffer & 2) == 0) {
                    // Back-reference of at most 56 bits, what the register holds: up
                    // to 2 + 7 + 43 bits, any distance behind a short length. The
                    // shifts leave 0 bits on top, so each prefix ends inside the word.
                    const uint64_t r = buffer >> 2;
                    const unsigned ones = static_cast<unsigned>(__builtin_ctzll(~r));
                    if (ones > 6)
                        break;
                    const uint64_t r2 = r >> (2 * ones + 3);
                    const unsigned ones2 = static_cast<unsigned>(__builtin_ctzll(~r2));
                    // 2 leading bits, 1 + ones + width and 1 + ones2 + width2 bits.
                    const unsigned used = 18 + 2 * ones + 3 * ones2;
                    if (ones2 > 10 || used > 56)
                        break;
                    const int width = reference_length_base + reference_length_step * static_cast<int>(ones);
                    const int width2 =
                        reference_distance_base + reference_distance_step * static_cast<int>(ones2);
                    const uint64_t length = low_bits(r >> (ones + 1), width) + reference_length_bias;
                    const uint64_t distance = low_bits(r2 >> (ones2 + 1), width2) + reference_distance_bias;
                    buffer >>= used;
                    avail -= used;
                    if (distance > produced || length > distance)
                        return false;
                    const unsigned char* src = dst - distance;
                    copy16(dst, src);
                    copy16(dst + 16, src + 16);
                    if (length > fast_copy) {
                        if (length > target - produced)
                            return false;
                        // 16 bytes at a time, the last ones again up to the copy's end.
                        for (uint64_t i = 32; i + 16 < length; i += 16)
                            std::memcpy(dst + i, src + i, 16);
                        std::memcpy(dst + length - 16, src + length - 16, 16);
                    }
                    produced += length;
                } else {
                    break; // byte repeat
                }
            }
            position = 8 * (in - data) - avail;
        }
        if (produced < target && !decode_token(bits, out, target, position, produced))
            return false;
    }
    return true;
}

// The unpacked content of a block in a new heap buffer of unpacked + 1 bytes.
bool unpack_to_buffer(const unsigned char* data, int64_t size, char*& result, int32_t& result_size) {
    if (data == nullptr || size < packed_block_header_size)
        return false;
    uint32_t magic;
    int32_t unpacked;
    std::memcpy(&magic, data, 4);
    std::memcpy(&unpacked, data + 4, 4);
    if (magic != packed_block_magic || unpacked < 0)
        return false;
    // The declared size may be anything up to 2 GiB: ask for it without the
    // out-of-memory handler, so that an impossible size is a plain failure.
    auto* out = static_cast<unsigned char*>(heap_try_alloc(static_cast<size_t>(unpacked) + 1));
    if (out == nullptr)
        return false;
    Bits bits{data, size, size * 8};
    if (!decode_tokens(bits, out, static_cast<uint64_t>(unpacked))) {
        heap_free(out);
        return false;
    }
    out[unpacked] = 0;
    result = reinterpret_cast<char*>(out);
    result_size = unpacked;
    return true;
}

} // namespace

void descramble(void* buffer, int32_t size, int32_t key) {
    if (buffer == nullptr || size <= 0)
        return;
    auto* bytes = static_cast<unsigned char*>(buffer);
    uint32_t word_key = static_cast<uint32_t>(key);
    uint64_t pair_key = (static_cast<uint64_t>(word_key) << 32) | word_key;
    int32_t i = 0;
    for (; i + 8 <= size; i += 8) {
        uint64_t w = load64(bytes + i) ^ pair_key;
        std::memcpy(bytes + i, &w, sizeof w);
    }
    if (i + 4 <= size) {
        uint32_t w;
        std::memcpy(&w, bytes + i, 4);
        w ^= word_key;
        std::memcpy(bytes + i, &w, 4);
        i += 4;
    }
    // The 1 to 3 bytes behind the last whole word take the key's low bytes in order.
    for (int shift = 0; i < size; ++i, shift += 8)
        bytes[i] = static_cast<unsigned char>(bytes[i] ^ (word_key >> shift));
}

void descramble(String& block, int32_t key) {
    descramble(block.data(), block.length(), key);
}

BitReader::BitReader(const void* data, int64_t size_bytes, int64_t bit_position)
    : data_(static_cast<const unsigned char*>(data)),
      size_(data != nullptr && size_bytes > 0 ? size_bytes : 0), total_bits_(size_ * 8),
      position_(bit_position) {}

uint64_t BitReader::peek(int64_t bit_position) const {
    return Bits{data_, size_, total_bits_}.peek(bit_position);
}

bool BitReader::read_bit() {
    if (!has_bits(1) || position_ < 0)
        return false;
    bool bit = (peek(position_) & 1) != 0;
    ++position_;
    return bit;
}

bool BitReader::read_bits(void* destination, int64_t count) {
    if (destination == nullptr || count < 1 || position_ < 0 || !has_bits(count))
        return false;
    auto* dst = static_cast<unsigned char*>(destination);
    Bits bits{data_, size_, total_bits_};
    int64_t whole = count / 8;
    if (whole > 0)
        bits.copy_bytes(dst, position_, whole);
    int rest = static_cast<int>(count % 8);
    if (rest > 0) {
        unsigned mask = (1u << rest) - 1;
        unsigned value = static_cast<unsigned>(peek(position_ + whole * 8)) & mask;
        dst[whole] = static_cast<unsigned char>((dst[whole] & ~mask) | value);
    }
    position_ += count;
    return true;
}

bool BitReader::read_field(uint32_t& value, int count) {
    if (count < 1 || count > max_field_width || position_ < 0 || !has_bits(count))
        return false;
    value = static_cast<uint32_t>(peek(position_) & ((uint64_t{1} << count) - 1));
    position_ += count;
    return true;
}

bool BitReader::read_number(uint32_t& out, int base, int step) {
    if (base < 0 || base > 64 || step < 1 || step > 16 || position_ < 0)
        return false;
    return Bits{data_, size_, total_bits_}.number(position_, base, step, out);
}

bool unpack_block(const char*& data, int32_t& size) {
    char* result = nullptr;
    int32_t result_size = 0;
    if (!unpack_to_buffer(reinterpret_cast<const unsigned char*>(data), size, result, result_size))
        return false;
    data = result;
    size = result_size;
    return true;
}

bool unpack_string(String& block) {
    char* result = nullptr;
    int32_t result_size = 0;
    if (!unpack_to_buffer(reinterpret_cast<const unsigned char*>(block.data()), block.length(), result,
                          result_size))
        return false;
    // adopt frees the old content; an empty result leaves the String without a buffer.
    block.adopt(result, result_size);
    return true;
}
