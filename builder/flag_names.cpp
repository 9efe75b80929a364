#include "builder/flag_names.h"

#include <algorithm>

#include "format/product_flags.h"

const std::vector<FlagName>& flag_names() {
    static const std::vector<FlagName> names = {
#define VARNOOK_FLAG_NAME(name, bit, from_content, meaning) {bit, #name, from_content, meaning},
        VARNOOK_PRODUCT_FLAGS(VARNOOK_FLAG_NAME)
#undef VARNOOK_FLAG_NAME
    };
    return names;
}

const FlagName* find_flag(const std::string& name) {
    for (const FlagName& f : flag_names())
        if (name == f.name)
            return &f;
    return nullptr;
}

const FlagName* find_flag(int bit) {
    for (const FlagName& f : flag_names())
        if (f.bit == bit)
            return &f;
    return nullptr;
}

namespace {

size_t edit_distance(const std::string& a, const std::string& b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

} // namespace

std::string nearest_name(const std::string& name, const std::vector<std::string>& known) {
    std::string best;
    size_t best_distance = name.size() / 3 + 2;
    for (const std::string& candidate : known) {
        size_t d = edit_distance(name, candidate);
        if (d < best_distance) {
            best_distance = d;
            best = candidate;
        }
    }
    return best;
}

std::string nearest_flag_name(const std::string& name) {
    std::vector<std::string> known;
    for (const FlagName& f : flag_names())
        known.push_back(f.name);
    return nearest_name(name, known);
}

std::vector<std::string> flag_word_names(std::uint64_t bits) {
    std::vector<std::string> out;
    for (int bit = 0; bit < 64; ++bit) {
        if (((bits >> bit) & 1u) == 0)
            continue;
        const FlagName* f = find_flag(bit);
        out.push_back(f ? f->name : "bit " + std::to_string(bit));
    }
    return out;
}
