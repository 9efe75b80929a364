#pragma once
// The product flags by name: what a product file writes under [options] and what
// `inspect` prints. Some bits follow from the product's content and are set by the
// builder itself; a product file cannot name those.

#include <cstdint>
#include <string>
#include <vector>

struct FlagName {
    int bit;
    const char* name;    // as written in a product file, e.g. "directory_dialog"
    bool from_content;   // set by the builder from what the product holds
    const char* meaning; // one line for docs and `inspect`
};

// Every named bit, in bit order.
const std::vector<FlagName>& flag_names();

// The entry of a name or a bit; null when there is none.
const FlagName* find_flag(const std::string& name);
const FlagName* find_flag(int bit);

// The known name nearest to a misspelt one (for "did you mean"), or "" when none is
// near.
std::string nearest_name(const std::string& name, const std::vector<std::string>& known);
std::string nearest_flag_name(const std::string& name);

// The set bits of a flag word as names, unnamed bits as "bit N".
std::vector<std::string> flag_word_names(std::uint64_t bits);
