#include "builder/pe_version.h"

#include <cctype>

#include "format/byte_reader.h"
#include "format/pe_view.h"

namespace {

constexpr std::uint32_t rt_version = 16;
constexpr std::uint32_t version_resource_id = 1;
constexpr std::uint32_t lang_neutral = 0;
constexpr std::uint32_t lang_english_us = 0x409;
constexpr std::uint32_t fixed_file_info_signature = 0xFEEF04BD;
constexpr std::uint32_t fixed_file_info_size = 52;
constexpr std::uint32_t subdirectory_bit = 0x80000000;
constexpr std::uint32_t named_entry_bit = 0x80000000;
// Children read per VS_VERSIONINFO block at most; each advances by 8 bytes or more,
// so this only bounds the work on large hostile blocks.
constexpr int largest_child_count = 4096;

// One level of the resource directory: the offset of the entry with the id
// `preferred`, else with `fallback`, else (when `any` is set) of the first entry;
// only entries that lead to a subdirectory, or only those that lead to data.
bool pick_entry(const ByteReader& tree, std::int64_t directory, std::uint32_t preferred,
                std::uint32_t fallback, bool any, bool subdirectory, std::uint32_t& offset) {
    std::uint32_t named = 0;
    std::uint32_t ids = 0;
    if (!tree.u16_at(directory + 12, named) || !tree.u16_at(directory + 14, ids))
        return false;
    int best = any ? 3 : 2; // rank 0: preferred, 1: fallback, 2: any other
    for (std::uint32_t i = 0; i < named + ids; ++i) {
        const std::int64_t entry = directory + 16 + 8 * static_cast<std::int64_t>(i);
        std::uint32_t name = 0;
        std::uint32_t target = 0;
        if (!tree.u32_at(entry, name) || !tree.u32_at(entry + 4, target))
            return false;
        if (((target & subdirectory_bit) != 0) != subdirectory)
            continue;
        bool by_id = (name & named_entry_bit) == 0;
        int rank = by_id && name == preferred ? 0 : by_id && name == fallback ? 1 : 2;
        if (rank < best) {
            best = rank;
            offset = target & ~subdirectory_bit;
        }
    }
    return best < (any ? 3 : 2);
}

// Locates the bytes of the RT_VERSION resource. Offsets in the directory tree are
// relative to its start; the data entry gives an RVA.
bool find_version_resource(const void* file, std::int64_t file_size, ByteReader& resource) {
    PeView image(file, file_size);
    std::uint32_t pe_header = 0;
    if (!image.has_mz() || !image.new_header_offset(pe_header))
        return false;
    image.set_pe_header(pe_header);
    std::uint32_t section_count = 0;
    std::uint32_t rva = 0;
    std::uint32_t claimed = 0;
    if (!image.has_pe_signature() || !image.section_count(section_count) ||
        !image.directory(pe::resource_directory, rva, claimed) || rva == 0 || claimed == 0)
        return false;
    ByteReader tree;
    // The tree is read as far as its section's raw data goes, whatever size the
    // directory entry claims.
    if (!image.from_rva(rva, section_count, tree))
        return false;
    std::uint32_t names = 0;
    std::uint32_t languages = 0;
    std::uint32_t data = 0;
    if (!pick_entry(tree, 0, rt_version, rt_version, false, true, names) ||
        !pick_entry(tree, names, version_resource_id, version_resource_id, true, true, languages) ||
        !pick_entry(tree, languages, lang_neutral, lang_english_us, true, false, data))
        return false;
    std::uint32_t data_rva = 0;
    std::uint32_t data_size = 0;
    if (!tree.u32_at(data, data_rva) || !tree.u32_at(std::int64_t{data} + 4, data_size))
        return false;
    return image.at_rva(data_rva, data_size, section_count, resource);
}

// One block of VS_VERSIONINFO: wLength, wValueLength, wType, the key, padding to 32
// bits, the value, padding, the children. Offsets are relative to the resource's
// start, to which the padding aligns.
struct Block {
    std::string key;
    std::int64_t value_start = 0;
    std::uint32_t value_length = 0; // as stored: bytes for binary, characters for text
    std::uint32_t type = 0;
    std::int64_t children_start = 0;
    std::int64_t end = 0;
};

std::int64_t align4(std::int64_t n) {
    return (n + 3) & ~std::int64_t{3};
}

char narrow(std::uint32_t unit) {
    return unit < 0x80 ? static_cast<char>(unit) : '?';
}

bool read_block(const ByteReader& r, std::int64_t at, std::int64_t limit, Block& block) {
    std::uint32_t length = 0;
    if (at > limit)
        return false;
    if (!r.u16_at(at, length) || !r.u16_at(at + 2, block.value_length) || !r.u16_at(at + 4, block.type))
        return false;
    if (length < 6 || length > limit - at)
        return false;
    block.end = at + length;
    block.key.clear();
    std::int64_t p = at + 6;
    for (;;) {
        std::uint32_t unit = 0;
        if (p + 2 > block.end || !r.u16_at(p, unit))
            return false;
        p += 2;
        if (unit == 0)
            break;
        block.key += narrow(unit);
    }
    block.value_start = align4(p);
    std::int64_t value_bytes =
        block.type == 1 ? 2 * static_cast<std::int64_t>(block.value_length) : block.value_length;
    if (block.value_start > block.end) {
        block.value_start = block.end;
        value_bytes = 0;
    }
    // Writers disagree on whether a text's length counts characters or bytes; the
    // children begin behind the value as far as the block allows.
    const std::int64_t value_end = block.value_start + value_bytes;
    block.children_start = value_end >= block.end ? block.end : align4(value_end);
    if (block.children_start > block.end)
        block.children_start = block.end;
    return true;
}

bool same_key(const std::string& a, const char* b) {
    std::size_t i = 0;
    for (; i < a.size() && b[i] != '\0'; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return i == a.size() && b[i] == '\0';
}

// Calls `visit` for each child block of `parent`; stops at the first that cannot
// be read.
template <typename Visit>
void each_child(const ByteReader& r, const Block& parent, Visit visit) {
    std::int64_t p = parent.children_start;
    for (int n = 0; n < largest_child_count && p < parent.end; ++n) {
        Block child;
        if (!read_block(r, p, parent.end, child))
            return;
        visit(child);
        p = align4(child.end);
    }
}

// A string block's value: UTF-16 from the value's start to its NUL or the block's end.
std::string text_value(const ByteReader& r, const Block& block) {
    std::string text;
    if (block.value_length == 0)
        return text;
    for (std::int64_t p = block.value_start; p + 2 <= block.end; p += 2) {
        std::uint32_t unit = 0;
        if (!r.u16_at(p, unit) || unit == 0)
            break;
        text += narrow(unit);
    }
    return text;
}

bool is_blank(const std::string& text) {
    for (char c : text)
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n')
            return false;
    return true;
}

} // namespace

bool read_pe_version_resource(const void* data, std::size_t size, PeVersionResource& resource) {
    resource = PeVersionResource();
    if (data == nullptr)
        return false;
    ByteReader r;
    if (!find_version_resource(data, static_cast<std::int64_t>(size), r))
        return false;
    Block root;
    if (!read_block(r, 0, r.size(), root) || !same_key(root.key, "VS_VERSION_INFO"))
        return false;
    std::uint32_t signature = 0;
    std::uint32_t ms = 0;
    std::uint32_t ls = 0;
    if (root.value_length >= fixed_file_info_size && root.value_start + fixed_file_info_size <= root.end &&
        r.u32_at(root.value_start, signature) && signature == fixed_file_info_signature &&
        r.u32_at(root.value_start + 8, ms) && r.u32_at(root.value_start + 12, ls)) {
        resource.has_fixed_version = true;
        resource.fixed_version[0] = static_cast<std::uint16_t>(ms >> 16);
        resource.fixed_version[1] = static_cast<std::uint16_t>(ms & 0xFFFF);
        resource.fixed_version[2] = static_cast<std::uint16_t>(ls >> 16);
        resource.fixed_version[3] = static_cast<std::uint16_t>(ls & 0xFFFF);
    }
    bool has_other = false;
    each_child(r, root, [&](const Block& info) {
        if (!same_key(info.key, "StringFileInfo"))
            return;
        each_child(r, info, [&](const Block& table) {
            bool installer_table = same_key(table.key, "040904E4");
            each_child(r, table, [&](const Block& string) {
                if (!same_key(string.key, "FileVersion"))
                    return;
                if (installer_table && !resource.has_installer_table) {
                    resource.has_installer_table = true;
                    resource.installer_file_version = text_value(r, string);
                } else if (!installer_table && !has_other) {
                    has_other = true;
                    resource.other_file_version = text_value(r, string);
                }
            });
        });
    });
    return true;
}

std::string normalize_file_version(const std::string& version) {
    std::string out;
    if (version.empty())
        return out;
    std::size_t start = 0;
    for (;;) {
        std::size_t dot = version.find('.', start);
        std::string part = version.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
        for (char& c : part)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (part.size() < 10)
            out.append(10 - part.size(), '0');
        out += part;
        if (dot == std::string::npos)
            return out;
        out += '.';
        start = dot + 1;
    }
}

bool read_pe_version(const void* data, std::size_t size, std::string& version) {
    version.clear();
    PeVersionResource resource;
    if (!read_pe_version_resource(data, size, resource))
        return false;
    std::string raw;
    if (!is_blank(resource.installer_file_version))
        raw = resource.installer_file_version;
    else if (!is_blank(resource.other_file_version))
        raw = resource.other_file_version;
    else if (resource.has_fixed_version)
        raw = std::to_string(resource.fixed_version[0]) + "." + std::to_string(resource.fixed_version[1]) +
              "." + std::to_string(resource.fixed_version[2]) + "." +
              std::to_string(resource.fixed_version[3]);
    else
        return false;
    version = normalize_file_version(raw);
    return true;
}
