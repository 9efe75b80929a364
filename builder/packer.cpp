#include "builder/packer.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "format/packed_block.h"

namespace {

// ---------------------------------------------------------------------------------
// Token costs, in bits. Every number of the format is number(base, step): a unary
// prefix of `ones` 1 bits and a 0 bit, then min(base + ones * step, 32) value bits.

constexpr int min_reference = 4; // shortest back-reference, and smallest distance
constexpr int min_repeat = 3;
constexpr int max_width = 32;

int bit_length(uint64_t v) {
    return v == 0 ? 0 : 64 - __builtin_clzll(v);
}

// The fewest prefix ones that give v enough width.
int number_ones(uint64_t v, int base, int step) {
    int need = bit_length(v);
    if (need <= base)
        return 0;
    return (need - base + step - 1) / step;
}

int number_width(int ones, int base, int step) {
    return std::min(base + ones * step, max_width);
}

int number_cost(uint64_t v, int base, int step) {
    int ones = number_ones(v, base, step);
    return ones + 1 + number_width(ones, base, step);
}

// A literal run of count bytes costs its header plus 8 bits a byte.
int literal_header_cost(uint64_t count) {
    return 1 + number_cost(count - 1, 2, 2);
}
int repeat_cost(uint64_t count) {
    return 2 + 8 + number_cost(count - min_repeat, 1, 1);
}
int reference_length_cost(uint64_t length) {
    return 2 + number_cost(length - min_reference, 2, 1);
}
int distance_cost(uint64_t distance) {
    return number_cost(distance - min_reference, 12, 2);
}

// ---------------------------------------------------------------------------------
// Output: the block's bit stream, least significant bit first.

class BitWriter {
  public:
    explicit BitWriter(std::vector<unsigned char>& out) : out_(out) {}

    void put(uint64_t value, int width) { // width 0..32
        acc_ |= (value & ((uint64_t{1} << width) - 1)) << count_;
        count_ += width;
        if (count_ >= 32) {
            unsigned char b[4] = {static_cast<unsigned char>(acc_), static_cast<unsigned char>(acc_ >> 8),
                                  static_cast<unsigned char>(acc_ >> 16),
                                  static_cast<unsigned char>(acc_ >> 24)};
            size_t at = out_.size();
            out_.resize(at + 4);
            std::memcpy(out_.data() + at, b, 4);
            acc_ >>= 32;
            count_ -= 32;
        }
    }
    void number(uint64_t v, int base, int step) {
        int ones = number_ones(v, base, step);
        put((uint64_t{1} << ones) - 1, ones);
        put(0, 1);
        put(v, number_width(ones, base, step));
    }
    // Pads the last byte with 0 bits; they lie behind the last token and are ignored.
    void finish() {
        while (count_ > 0) {
            out_.push_back(static_cast<unsigned char>(acc_));
            acc_ >>= 8;
            count_ = count_ > 8 ? count_ - 8 : 0;
        }
    }

  private:
    std::vector<unsigned char>& out_;
    uint64_t acc_ = 0;
    int count_ = 0;
};

// Writes tokens; consecutive literals are gathered into one run.
class Emitter {
  public:
    Emitter(const unsigned char* data, std::vector<unsigned char>& out) : data_(data), bits_(out) {}

    void literal(size_t pos) {
        if (literal_count_ == 0)
            literal_start_ = pos;
        ++literal_count_;
    }
    void repeat(unsigned char value, uint64_t count) {
        flush_literals();
        bits_.put(3, 2);
        bits_.put(value, 8);
        bits_.number(count - min_repeat, 1, 1);
    }
    void reference(uint64_t length, uint64_t distance) {
        flush_literals();
        bits_.put(1, 2);
        bits_.number(length - min_reference, 2, 1);
        bits_.number(distance - min_reference, 12, 2);
    }
    void finish() {
        flush_literals();
        bits_.finish();
    }

  private:
    void flush_literals() {
        if (literal_count_ == 0)
            return;
        bits_.put(0, 1);
        bits_.number(literal_count_ - 1, 2, 2);
        const unsigned char* p = data_ + literal_start_;
        size_t i = 0;
        for (; i + 4 <= literal_count_; i += 4)
            bits_.put(uint32_t{p[i]} | uint32_t{p[i + 1]} << 8 | uint32_t{p[i + 2]} << 16 |
                          uint32_t{p[i + 3]} << 24,
                      32);
        for (; i < literal_count_; ++i)
            bits_.put(p[i], 8);
        literal_count_ = 0;
    }

    const unsigned char* data_;
    BitWriter bits_;
    size_t literal_start_ = 0;
    size_t literal_count_ = 0;
};

// ---------------------------------------------------------------------------------
// Match finding. Positions are stored as 32-bit values; inputs stay below 2^31.

constexpr uint32_t no_position = 0xFFFFFFFF;

struct Match {
    uint32_t length;   // usable: never more than distance
    uint32_t distance; // >= 4
};
constexpr int max_matches = 160;

size_t match_length(const unsigned char* a, const unsigned char* b, size_t limit) {
    size_t n = 0;
    while (n + 8 <= limit) {
        uint64_t x, y;
        std::memcpy(&x, a + n, 8);
        std::memcpy(&y, b + n, 8);
        if (x != y)
            return n + static_cast<size_t>(__builtin_ctzll(x ^ y) >> 3);
        n += 8;
    }
    while (n < limit && a[n] == b[n])
        ++n;
    return n;
}

// Finders look at positions with at least this many bytes ahead.
constexpr size_t finder_lookahead = 8;

// A hash of the first `bytes` (4..8) bytes at p.
uint32_t hash_at(const unsigned char* p, int bytes, int bits) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    v <<= 8 * (8 - bytes);
    return static_cast<uint32_t>((v * 0x9E3779B97F4A7C15ull) >> (64 - bits));
}

// Turns what a finder saw (raw match lengths, which may run into the bytes being
// produced) into usable back-references. A copy may not overlap its destination, so
// a match of distance d is usable for at most d bytes. When a match overlaps, the
// data is periodic with period d there, and multiples of d that reach back far
// enough give long copies that do not overlap: 2d, 4d, ... and the first multiple
// that covers the whole match. The result is sorted by distance, each entry longer
// than the one before (a shorter distance is never dearer).
class Candidates {
  public:
    int count = 0;
    Match list[max_matches];

    void clear() {
        count = 0;
        overlap_distance_ = 0;
    }
    void add_raw(size_t raw, size_t distance) {
        if (distance < static_cast<size_t>(min_reference) && raw > distance) {
            // Periods 1 to 3: no usable copy at this distance, but its multiples.
            if (overlap_distance_ == 0) {
                overlap_distance_ = distance;
                overlap_raw_ = raw;
            }
            return;
        }
        if (raw > distance && overlap_distance_ == 0) {
            overlap_distance_ = distance;
            overlap_raw_ = raw;
        }
        push(std::min(raw, distance), distance);
    }
    void finish(const unsigned char* data, size_t pos, size_t limit) {
        if (overlap_distance_ != 0)
            add_periodic(data, pos, limit);
        std::sort(list, list + count, [](const Match& a, const Match& b) { return a.distance < b.distance; });
        int kept = 0;
        uint32_t longest = 0;
        for (int i = 0; i < count; ++i) {
            if (list[i].length > longest) {
                longest = list[i].length;
                list[kept++] = list[i];
            }
        }
        count = kept;
    }
    uint32_t longest() const { return count > 0 ? list[count - 1].length : 0; }
    // The period of the data here when a match ran into the bytes being produced, else 0.
    size_t period() const { return overlap_distance_; }

  private:
    void push(size_t length, size_t distance) {
        if (length < static_cast<size_t>(min_reference) || count == max_matches)
            return;
        list[count++] = Match{static_cast<uint32_t>(length), static_cast<uint32_t>(distance)};
    }
    void add_periodic(const unsigned char* data, size_t pos, size_t limit) {
        size_t d = overlap_distance_;
        size_t want = std::min(overlap_raw_, limit);
        size_t distance = d * ((min_reference + d - 1) / d);
        while (distance <= pos && distance < want) {
            size_t n = match_length(data + pos - distance, data + pos, distance);
            push(n, distance);
            if (n < distance)
                return; // the periodic stretch does not reach back this far
            distance *= 2;
        }
        size_t covering = d * ((want + d - 1) / d);
        if (covering <= pos && covering >= static_cast<size_t>(min_reference))
            push(match_length(data + pos - covering, data + pos, std::min(want, covering)), covering);
    }

    size_t overlap_distance_ = 0;
    size_t overlap_raw_ = 0;
};

struct FinderSettings {
    int hash_bytes; // bytes a match must share to be found
    int hash_bits;
    int depth;   // candidates visited per position: a bucket's ways, a walk's steps
    size_t nice; // a match this long ends the search
};

// Hash buckets: for each hash of the next bytes, the positions that last had it,
// newest first, in a fixed number of ways. Each way keeps the first 4 bytes at its
// position too, so that a lookup reads one bucket and only looks at the input where
// those bytes agree. The finder sees any distance, for as long as a position stays
// among the newest of its bucket.
class HashBuckets {
  public:
    HashBuckets(const unsigned char* data, size_t size, const FinderSettings& s)
        : data_(data), size_(size), s_(s), ways_(static_cast<size_t>(s.depth)),
          table_(static_cast<size_t>(s.depth) << s.hash_bits, Way{no_position, 0}) {}

    static uint64_t memory(size_t, const FinderSettings& s) {
        return uint64_t{sizeof(Way)} * static_cast<uint64_t>(s.depth) << s.hash_bits;
    }

    void find(size_t pos, Candidates& out) {
        out.clear();
        if (size_ - pos < finder_lookahead)
            return;
        size_t limit = std::min(s_.nice, size_ - pos);
        const unsigned char* here = data_ + pos;
        uint32_t head = load32(here);
        Way* bucket = slot(pos);
        size_t best = 0; // longest usable length so far
        for (size_t i = 0; i < ways_; ++i) {
            uint32_t cur = bucket[i].position;
            if (cur == no_position)
                break;
            if (bucket[i].head != head)
                continue;
            size_t distance = pos - cur;
            const unsigned char* there = data_ + cur;
            if (best < limit && there[best] == here[best]) {
                size_t raw = match_length(there, here, limit);
                if (std::min(raw, distance) > best || raw > distance) {
                    out.add_raw(raw, distance);
                    best = std::max(best, std::min(raw, distance));
                }
                if (raw >= limit)
                    break;
            }
        }
        push(bucket, pos, head);
        out.finish(data_, pos, limit);
    }

    void skip(size_t pos) {
        if (size_ - pos >= finder_lookahead)
            push(slot(pos), pos, load32(data_ + pos));
    }

  private:
    struct Way {
        uint32_t position;
        uint32_t head; // the 4 bytes at position
    };

    static uint32_t load32(const unsigned char* p) {
        uint32_t v;
        std::memcpy(&v, p, 4);
        return v;
    }
    Way* slot(size_t pos) { return &table_[ways_ * hash_at(data_ + pos, s_.hash_bytes, s_.hash_bits)]; }
    void push(Way* bucket, size_t pos, uint32_t head) {
        // The bucket of a position a little ahead is fetched while this one is used.
        if (size_ - pos >= finder_lookahead + prefetch_ahead)
            __builtin_prefetch(slot(pos + prefetch_ahead), 1);
        Way* end = bucket + ways_ - 1;
        for (Way* w = end; w != bucket; --w) {
            w->position = w[-1].position;
            w->head = w[-1].head;
            asm("" ::: "memory"); // keeps the shift a plain loop, not a library call
        }
        bucket[0] = Way{static_cast<uint32_t>(pos), head};
    }

    static constexpr size_t prefetch_ahead = 8;

    const unsigned char* data_;
    size_t size_;
    FinderSettings s_;
    size_t ways_;
    std::vector<Way> table_;
};

// Binary trees: every position is the root of a tree, keyed by the bytes that follow,
// of the earlier positions with the same 4-byte hash. A search walks from the root
// towards the suffixes closest to the current one and re-links the tree around the
// new position on the way, so the finder sees the whole input in a bounded number of
// steps. Two links per position.
class BinaryTrees {
  public:
    BinaryTrees(const unsigned char* data, size_t size, const FinderSettings& s)
        : data_(data), size_(size), s_(s), head_(size_t{1} << s.hash_bits, no_position),
          links_(new uint32_t[std::max<size_t>(2 * size, 2)]) {}

    static uint64_t memory(size_t size, const FinderSettings& s) {
        return (uint64_t{4} << s.hash_bits) + 8 * uint64_t{size};
    }

    void find(size_t pos, Candidates& out) {
        out.clear();
        walk(pos, &out);
    }
    void skip(size_t pos) { walk(pos, nullptr); }

  private:
    void walk(size_t pos, Candidates* out) {
        if (size_ - pos < finder_lookahead)
            return;
        size_t limit = std::min(s_.nice, size_ - pos);
        uint32_t h = hash_at(data_ + pos, s_.hash_bytes, s_.hash_bits);
        uint32_t cur = head_[h];
        head_[h] = static_cast<uint32_t>(pos);
        uint32_t* smaller = &links_[2 * pos + 1]; // where the next smaller suffix hangs
        uint32_t* larger = &links_[2 * pos];      // where the next larger suffix hangs
        size_t len_smaller = 0, len_larger = 0;
        const unsigned char* here = data_ + pos;
        size_t best = 0;
        for (int depth = s_.depth;; --depth) {
            if (cur == no_position || depth == 0) {
                *smaller = *larger = no_position;
                break;
            }
            const unsigned char* there = data_ + cur;
            size_t len = std::min(len_smaller, len_larger);
            if (there[len] == here[len]) {
                // len < limit here: the walk stops as soon as a match reaches limit.
                len = len + 1 + match_length(there + len + 1, here + len + 1, limit - len - 1);
                // Reported by its usable length; one that runs into the bytes being
                // produced is reported too, for its period.
                size_t usable = std::min(len, pos - cur);
                if (out != nullptr && (usable > best || len > pos - cur)) {
                    best = std::max(best, usable);
                    out->add_raw(len, pos - cur);
                }
                if (len >= limit) {
                    // The suffixes agree as far as we look: cur's place goes to pos.
                    *smaller = links_[2 * cur + 1];
                    *larger = links_[2 * cur];
                    break;
                }
            }
            if (there[len] < here[len]) {
                *smaller = cur;
                smaller = &links_[2 * cur];
                cur = *smaller;
                len_smaller = len;
            } else {
                *larger = cur;
                larger = &links_[2 * cur + 1];
                cur = *larger;
                len_larger = len;
            }
        }
        if (out != nullptr)
            out->finish(data_, pos, limit);
    }

    const unsigned char* data_;
    size_t size_;
    FinderSettings s_;
    std::vector<uint32_t> head_;
    std::unique_ptr<uint32_t[]> links_;
};

// Bytes equal to data[pos] from pos on, at most limit.
size_t run_length(const unsigned char* data, size_t pos, size_t limit) {
    size_t n = 1;
    while (n < limit && data[pos + n] == data[pos])
        ++n;
    return n;
}

// ---------------------------------------------------------------------------------
// Parsers.

enum class Parse { greedy, lazy, optimal };
enum class Finder { hash_buckets, binary_trees };

struct Level {
    Parse parse;
    Finder finder;
    int hash_bytes;
    int depth;
    int nice;
    int max_hash_bits;
    int entered;     // positions inside a token given to the finder; 0: all
    int far_penalty; // bits added to the cost of a back-reference from far back
    const char* description;
};

const Level levels[] = {
    {Parse::greedy, Finder::hash_buckets, 5, 4, 32, 16, 8, 24,
     "greedy, up to 64 Ki hash buckets of 4 ways, whole input"},
    {Parse::greedy, Finder::hash_buckets, 5, 4, 64, 18, 8, 24,
     "greedy, up to 256 Ki hash buckets of 4 ways, whole input"},
    {Parse::lazy, Finder::hash_buckets, 5, 4, 128, 20, 32, 24,
     "lazy, up to 1 Mi hash buckets of 4 ways, whole input"},
    {Parse::lazy, Finder::hash_buckets, 5, 6, 128, 20, 32, 24,
     "lazy, up to 1 Mi hash buckets of 6 ways, whole input"},
    {Parse::lazy, Finder::hash_buckets, 5, 8, 128, 20, 32, 24,
     "lazy, up to 1 Mi hash buckets of 8 ways, whole input"},
    {Parse::optimal, Finder::hash_buckets, 4, 16, 128, 20, 0, 8,
     "optimal, up to 1 Mi hash buckets of 16 ways, whole input"},
    {Parse::optimal, Finder::hash_buckets, 4, 32, 128, 20, 0, 8,
     "optimal, up to 1 Mi hash buckets of 32 ways, whole input"},
    {Parse::optimal, Finder::binary_trees, 4, 24, 128, 22, 0, 6,
     "optimal, binary trees of depth 24, whole input"},
    {Parse::optimal, Finder::binary_trees, 4, 64, 256, 22, 0, 6,
     "optimal, binary trees of depth 64, whole input"},
};

FinderSettings finder_settings(const Level& level, size_t size) {
    FinderSettings s;
    s.hash_bytes = level.hash_bytes;
    // About one hash slot per position, within the level's bounds.
    s.hash_bits = 12;
    while (s.hash_bits < level.max_hash_bits && (size_t{1} << s.hash_bits) < size)
        ++s.hash_bits;
    s.depth = level.depth;
    s.nice = static_cast<size_t>(level.nice);
    return s;
}

// Positions one optimal-parse pass prices before it settles its path.
constexpr size_t optimal_span = size_t{1} << 16;
// Literal runs up to this long are priced whole, each from every position that a
// back-reference or repeat reaches; longer ones grow a byte at a time.
constexpr size_t literal_run_span = 20;

struct Node {
    uint32_t price;    // bits from the start of the span
    uint32_t length;   // of the step that reaches this position
    uint32_t distance; // of that step: 0 literal, 1 repeat, else a back-reference
    uint32_t literals; // literals at the end of the best path to here
};
constexpr uint32_t unreached = 0xFFFFFFFF;

// A token the parsers settled on.
struct Step {
    size_t length;
    size_t distance; // 0 literal, 1 repeat, else a back-reference
};
constexpr size_t step_literal = 0, step_repeat = 1;

void emit(Emitter& e, const unsigned char* data, size_t pos, const Step& s) {
    if (s.distance == step_literal)
        for (size_t i = 0; i < s.length; ++i)
            e.literal(pos + i);
    else if (s.distance == step_repeat)
        e.repeat(data[pos], s.length);
    else
        e.reference(s.length, s.distance);
}

// The longest token at pos once a candidate reached the nice length: the match (or
// the run) extended as far as it goes.
Step longest_step(const unsigned char* data, size_t size, size_t pos, const Candidates& c, size_t run) {
    Step best{0, step_literal};
    if (c.count > 0) {
        const Match& m = c.list[c.count - 1];
        size_t n =
            match_length(data + pos - m.distance, data + pos, std::min<size_t>(m.distance, size - pos));
        best = Step{n, m.distance};
    }
    if (size_t p = c.period()) {
        // A periodic stretch: copy from the multiple of the period that covers all
        // of it ahead, or from as far back as the stretch reaches, so that each such
        // copy at least doubles what was written of it.
        size_t ahead = match_length(data + pos - p, data + pos, size - pos);
        size_t covering = p * ((ahead + p - 1) / p);
        size_t back = pos; // start of the stretch, looked for no further than needed
        while (back > 0 && pos - back < covering && data[back - 1] == data[back - 1 + p])
            --back;
        size_t distance = std::min(covering, p * ((pos - back) / p));
        size_t length = std::min(distance, ahead);
        if (distance >= static_cast<size_t>(min_reference) && length > best.length)
            best = Step{length, distance};
    }
    if (run >= static_cast<size_t>(min_repeat)) {
        size_t full = run_length(data, pos, size - pos);
        if (full >= best.length)
            best = Step{full, step_repeat};
    }
    return best;
}

// Beyond this distance a back-reference's source is mostly out of the unpacker's
// caches, and copying it is slow: a level may count some bits more for it than it
// costs, so that the parse takes such a copy only when it saves that much more.
constexpr size_t far_reference = size_t{1} << 20;

// Bits a step saves against plain literals, far back-references counted dearer.
long step_gain(const Step& s, long far_penalty) {
    if (s.distance == step_literal)
        return 0;
    long cost = s.distance == step_repeat ? repeat_cost(s.length)
                                          : reference_length_cost(s.length) + distance_cost(s.distance);
    if (s.distance > far_reference)
        cost += far_penalty;
    return static_cast<long>(8 * s.length) - cost;
}

template <class F>
class Packer {
  public:
    Packer(const unsigned char* data, size_t size, const Level& level, std::vector<unsigned char>& out)
        : data_(data), size_(size), level_(level), settings_(finder_settings(level, size)),
          finder_(data, size, settings_), emitter_(data, out) {}

    void run() {
        if (level_.parse == Parse::optimal)
            optimal();
        else
            greedy(level_.parse == Parse::lazy);
        emitter_.finish();
    }

  private:
    // Candidates at pos; every position is given to the finder once, in order.
    const Candidates& candidates_at(size_t pos) {
        while (next_ < pos)
            finder_.skip(next_++);
        if (next_ == pos) {
            finder_.find(pos, candidates_);
            candidates_pos_ = pos;
            ++next_;
        } else if (candidates_pos_ != pos) {
            candidates_.clear(); // already passed: no search again
        }
        return candidates_;
    }
    // Gives the finder the positions up to pos; inside a long token only its first
    // ones when the level says so (the rest would mostly repeat what is there).
    void skip_to(size_t pos) {
        if (level_.entered > 0 && pos - next_ > static_cast<size_t>(level_.entered)) {
            for (size_t stop = next_ + static_cast<size_t>(level_.entered); next_ < stop;)
                finder_.skip(next_++);
            next_ = pos;
        }
        while (next_ < pos)
            finder_.skip(next_++);
    }

    size_t repeat_run(size_t pos, size_t limit) const {
        if (size_ - pos < static_cast<size_t>(min_repeat))
            return 0;
        size_t run = run_length(data_, pos, std::min(limit, size_ - pos));
        return run >= static_cast<size_t>(min_repeat) ? run : 0;
    }

    // The step with the largest gain at pos.
    Step best_step(size_t pos) {
        const Candidates& c = candidates_at(pos);
        size_t run = repeat_run(pos, settings_.nice);
        if (c.longest() >= settings_.nice || run >= settings_.nice)
            return longest_step(data_, size_, pos, c, run);
        Step best{1, step_literal};
        long best_gain = 0;
        for (int i = 0; i < c.count; ++i) {
            Step s{c.list[i].length, c.list[i].distance};
            long g = step_gain(s, level_.far_penalty);
            if (g > best_gain) {
                best_gain = g;
                best = s;
            }
        }
        if (run > 0) {
            Step s{run, step_repeat};
            if (step_gain(s, level_.far_penalty) > best_gain)
                best = s;
        }
        return best;
    }

    void greedy(bool lazy) {
        size_t pos = 0;
        while (pos < size_) {
            Step s = best_step(pos);
            // Lazy: a better step one byte later is worth a literal now.
            while (lazy && s.distance != step_literal && s.length < settings_.nice && pos + 1 < size_) {
                Step later = best_step(pos + 1);
                if (step_gain(later, level_.far_penalty) <= step_gain(s, level_.far_penalty) + 1)
                    break;
                emitter_.literal(pos);
                ++pos;
                s = later;
            }
            emit(emitter_, data_, pos, s);
            pos += s.length;
            skip_to(pos);
        }
    }

    void optimal() {
        std::vector<Node> nodes(std::min(optimal_span, size_) + 1);
        std::vector<Step> path;
        size_t start = 0;
        while (start < size_) {
            size_t span = std::min(optimal_span, size_ - start);
            nodes[0] = Node{0, 0, 0, 0};
            for (size_t j = 1; j <= span; ++j)
                nodes[j].price = unreached;
            size_t end = span;
            Step forced{0, 0};
            for (size_t j = 0; j < span; ++j) {
                size_t pos = start + j;
                const Node here = nodes[j];
                uint32_t lit = here.literals;
                relax(nodes[j + 1],
                      here.price + 8 + literal_header_cost(lit + 1) -
                          (lit == 0 ? 0 : literal_header_cost(lit)),
                      1, step_literal, lit + 1);
                // The byte-by-byte step above prices a run's header by the path that
                // was cheapest so far; a whole run from here prices it exactly.
                if (lit == 0) {
                    size_t most = std::min(literal_run_span, span - j);
                    for (size_t n = 2; n <= most; ++n)
                        relax(nodes[j + n],
                              here.price + static_cast<uint32_t>(8 * n + literal_header_cost(n)),
                              static_cast<uint32_t>(n), step_literal, static_cast<uint32_t>(n));
                }
                const Candidates& c = candidates_at(pos);
                size_t run = repeat_run(pos, settings_.nice);
                if (c.longest() >= settings_.nice || run >= settings_.nice) {
                    forced = longest_step(data_, size_, pos, c, run);
                    end = j;
                    break;
                }
                size_t room = span - j;
                for (size_t n = min_repeat; n <= std::min(run, room); ++n)
                    relax(nodes[j + n], here.price + repeat_cost(n), static_cast<uint32_t>(n), step_repeat,
                          0);
                size_t done = min_reference - 1;
                for (int k = 0; k < c.count; ++k) {
                    size_t length = std::min<size_t>(c.list[k].length, room);
                    uint32_t dc = here.price + static_cast<uint32_t>(distance_cost(c.list[k].distance));
                    if (c.list[k].distance > far_reference)
                        dc += static_cast<uint32_t>(level_.far_penalty);
                    for (size_t n = done + 1; n <= length; ++n)
                        relax(nodes[j + n], dc + static_cast<uint32_t>(reference_length_cost(n)),
                              static_cast<uint32_t>(n), c.list[k].distance, 0);
                    done = std::max(done, length);
                }
            }
            // Walk the cheapest path back from the end, then write it forwards.
            path.clear();
            for (size_t j = end; j > 0; j -= nodes[j].length)
                path.push_back(Step{nodes[j].length, nodes[j].distance});
            size_t pos = start;
            for (auto it = path.rbegin(); it != path.rend(); ++it) {
                emit(emitter_, data_, pos, *it);
                pos += it->length;
            }
            if (forced.length > 0) {
                emit(emitter_, data_, pos, forced);
                pos += forced.length;
            }
            start = pos;
            skip_to(start);
        }
    }

    static void relax(Node& node, uint32_t price, uint32_t length, size_t distance, uint32_t literals) {
        if (price < node.price)
            node = Node{price, length, static_cast<uint32_t>(distance), literals};
    }

    const unsigned char* data_;
    size_t size_;
    const Level& level_;
    FinderSettings settings_;
    F finder_;
    Emitter emitter_;
    Candidates candidates_;
    size_t candidates_pos_ = 0;
    size_t next_ = 0;
};

const Level* level_at(int level) {
    if (level < pack_level_fastest || level > pack_level_best)
        return nullptr;
    return &levels[level - 1];
}

} // namespace

bool pack_block(const void* data, size_t size, int level, std::vector<unsigned char>& block) {
    const Level* l = level_at(level);
    if (l == nullptr || size > pack_max_input || (data == nullptr && size > 0))
        return false;
    const auto* bytes = static_cast<const unsigned char*>(data);
    std::vector<unsigned char> out;
    out.reserve(size + size / 256 + 32);
    uint32_t header[2] = {packed_block_magic, static_cast<uint32_t>(size)};
    for (uint32_t word : header)
        for (int i = 0; i < 4; ++i)
            out.push_back(static_cast<unsigned char>(word >> (8 * i)));
    if (size > 0) {
        if (l->finder == Finder::binary_trees)
            Packer<BinaryTrees>(bytes, size, *l, out).run();
        else
            Packer<HashBuckets>(bytes, size, *l, out).run();
        // Splitting literal runs costs headers that the parsers only estimate; the
        // block never ends up longer than the input stored as one literal run.
        size_t stored = packed_block_header_size + (literal_header_cost(size) + 8 * uint64_t{size} + 7) / 8;
        if (out.size() > stored) {
            out.resize(packed_block_header_size);
            Emitter e(bytes, out);
            for (size_t i = 0; i < size; ++i)
                e.literal(i);
            e.finish();
        }
    }
    block.swap(out);
    return true;
}

uint64_t pack_memory_bytes(size_t size, int level) {
    const Level* l = level_at(level);
    if (l == nullptr)
        return 0;
    FinderSettings s = finder_settings(*l, size);
    uint64_t finder =
        l->finder == Finder::binary_trees ? BinaryTrees::memory(size, s) : HashBuckets::memory(size, s);
    uint64_t parser = sizeof(Candidates);
    if (l->parse == Parse::optimal) {
        uint64_t span = std::min(optimal_span, size) + 1;
        parser += span * (sizeof(Node) + sizeof(Step));
    }
    return finder + parser;
}

const char* pack_level_description(int level) {
    const Level* l = level_at(level);
    return l == nullptr ? "" : l->description;
}
