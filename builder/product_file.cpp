#include "builder/product_file.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <optional>
#include <sstream>
#include <system_error>

#include <toml++/toml.h>

#include "builder/english_strings.h"
#include "builder/flag_names.h"
#include "builder/host_file.h"
#include "builder/pe_version.h"
#include "core/bitmap.h"
#include "core/datetime.h"

namespace fs = std::filesystem;

namespace {

constexpr std::int32_t bmp_file_header_size = 14;

// The bits a file record's options and attributes take.
constexpr std::int32_t option_desktop_shortcut = 0x1;
constexpr std::int32_t option_start_menu_shortcut = 0x2;
constexpr std::int32_t option_permanent = 0x20;
constexpr std::int32_t option_in_uninstall_folder = 0x40;

struct Named {
    const char* name;
    std::int32_t value;
};

const Named destinations[] = {
    {"program", 0}, {"shared", 1}, {"font", 4}, {"startup", 5}, {"system", 6},
};
const Named existence_modes[] = {
    {"always", 0},
    {"never", 4},
    {"if_exists", 8},
    {"if_missing", 12},
};
const Named attribute_names[] = {
    {"read_only", 0x1}, {"hidden", 0x2},      {"system", 0x4},
    {"archive", 0x20},  {"temporary", 0x100}, {"offline", 0x1000},
};
const Named deletion_conditions[] = {
    {"always", 0},     {"date_equal", 1},    {"date_not_older", 2}, {"date_not_newer", 3},
    {"size_equal", 4}, {"size_at_least", 5}, {"size_at_most", 6},
};
const Named value_kinds[] = {
    {"text", 1},
    {"expandable", 2},
    {"number", 4},
};
const Named system_names[] = {
    {"other", 1},        {"win32s", 2},       {"windows_95", 4},     {"windows_98", 8},   {"windows_me", 16},
    {"windows_nt3", 32}, {"windows_nt4", 64}, {"windows_2000", 128}, {"windows_xp", 256},
};
const Named colour_names[] = {
    {"black", 0x000000},  {"white", 0xFFFFFF},  {"red", 0x0000FF},    {"green", 0x008000},
    {"blue", 0xFF0000},   {"navy", 0x800000},   {"teal", 0x808000},   {"gray", 0x808080},
    {"grey", 0x808080},   {"silver", 0xC0C0C0}, {"maroon", 0x000080}, {"purple", 0x800080},
    {"yellow", 0x00FFFF},
};

template <size_t N>
std::string name_list(const Named (&table)[N]) {
    std::string out;
    for (size_t i = 0; i < N; ++i) {
        if (i > 0)
            out += i + 1 == N ? " or " : ", ";
        out += std::string("\"") + table[i].name + "\"";
    }
    return out;
}

template <size_t N>
const Named* find_named(const Named (&table)[N], const std::string& name) {
    for (const Named& n : table)
        if (name == n.name)
            return &n;
    return nullptr;
}

String to_string(const std::string& text) {
    return String(text.data(), static_cast<std::int32_t>(text.size()));
}

std::string type_name(const toml::node& node) {
    switch (node.type()) {
    case toml::node_type::string:
        return "a text";
    case toml::node_type::integer:
        return "a whole number";
    case toml::node_type::floating_point:
        return "a number";
    case toml::node_type::boolean:
        return "true or false";
    case toml::node_type::date:
        return "a date";
    case toml::node_type::time:
        return "a time";
    case toml::node_type::date_time:
        return "a date and time";
    case toml::node_type::array:
        return "a list";
    case toml::node_type::table:
        return "a table";
    default:
        return "nothing";
    }
}

class ProductReader {
  public:
    ProductReader(const std::string& path, const ProductContext& context, Product& product,
                  std::vector<std::string>& errors)
        : path_(path), context_(context), product_(product), errors_(errors) {
        base_ = fs::path(path).parent_path();
    }

    void read(const toml::table& root) {
        check_keys(root, "",
                   {"product", "options", "appearance", "pages", "batch", "build", "files", "delete",
                    "associations", "uninstall_values", "languages", "uninstaller_patch"});
        read_build(table_at(root, "build"));
        read_product(table_at(root, "product"), root);
        read_options(table_at(root, "options"));
        read_appearance(table_at(root, "appearance"));
        read_pages(table_at(root, "pages"));
        read_batch(table_at(root, "batch"));
        read_patch(table_at(root, "uninstaller_patch"));
        for_each_table(root, "files", [this](const toml::table& t) { read_files(t); });
        for_each_table(root, "delete", [this](const toml::table& t) { read_deletion(t); });
        for_each_table(root, "associations", [this](const toml::table& t) { read_association(t); });
        for_each_table(root, "uninstall_values", [this](const toml::table& t) { read_uninstall_value(t); });
        read_languages(root);
        if (product_.files.empty() && errors_.empty())
            error(root.source(), "the product has no files; add a [[files]] table with source = \"...\"");
    }

  private:
    // --- messages -------------------------------------------------------------------

    void error(const toml::source_region& where, const std::string& what) {
        std::ostringstream out;
        out << path_;
        if (where.begin.line > 0)
            out << ":" << where.begin.line << ":" << where.begin.column;
        out << ": " << what;
        errors_.push_back(out.str());
    }

    static std::string where_name(const std::string& table, const std::string& key) {
        return table.empty() ? key : table + "." + key;
    }

    // --- typed access ---------------------------------------------------------------

    // The table under key; null when there is none (and an error when the key holds
    // something else).
    const toml::table* table_at(const toml::table& root, const char* key) {
        const toml::node* node = root.get(key);
        if (node && !node->is_table())
            error(node->source(),
                  std::string(key) + " must be a table, written [" + key + "] on a line of its own");
        return node ? node->as_table() : nullptr;
    }

    void check_keys(const toml::table& table, const std::string& name,
                    std::initializer_list<const char*> keys) {
        std::vector<std::string> known(keys.begin(), keys.end());
        for (auto&& [key, node] : table) {
            std::string k(key.str());
            if (std::find(known.begin(), known.end(), k) != known.end())
                continue;
            std::string hint = nearest_name(k, known);
            std::string message = "unknown key \"" + where_name(name, k) + "\"";
            message +=
                hint.empty() ? "; the keys here are " + join(known) : "; did you mean \"" + hint + "\"?";
            error(key.source(), message);
        }
    }

    static std::string join(const std::vector<std::string>& names) {
        std::string out;
        for (size_t i = 0; i < names.size(); ++i)
            out += (i ? ", " : "") + names[i];
        return out;
    }

    // The value of key when it is a text; nullopt (with an error when it is there but
    // of another type) otherwise.
    std::optional<std::string> text(const toml::table* table, const std::string& name, const char* key,
                                    const char* example = "...") {
        if (!table)
            return std::nullopt;
        const toml::node* node = table->get(key);
        if (!node)
            return std::nullopt;
        if (const auto* s = node->as_string()) {
            const std::string& value = s->get();
            if (value.find('\0') != std::string::npos) {
                error(node->source(),
                      where_name(name, key) + " holds a NUL character, which a text cannot carry");
                return std::nullopt;
            }
            return value;
        }
        error(node->source(), where_name(name, key) + " must be a text, not " + type_name(*node) +
                                  "; write " + key + " = \"" + example + "\"");
        return std::nullopt;
    }

    void text_into(const toml::table* table, const std::string& name, const char* key, String& target,
                   const char* example = "...") {
        if (auto value = text(table, name, key, example))
            target = to_string(*value);
    }

    std::optional<bool> boolean(const toml::table* table, const std::string& name, const char* key) {
        if (!table)
            return std::nullopt;
        const toml::node* node = table->get(key);
        if (!node)
            return std::nullopt;
        if (const auto* b = node->as_boolean())
            return b->get();
        error(node->source(), where_name(name, key) + " must be true or false, not " + type_name(*node));
        return std::nullopt;
    }

    std::optional<std::int64_t> integer(const toml::table* table, const std::string& name, const char* key,
                                        std::int64_t low, std::int64_t high) {
        if (!table)
            return std::nullopt;
        const toml::node* node = table->get(key);
        if (!node)
            return std::nullopt;
        const auto* i = node->as_integer();
        if (!i) {
            error(node->source(), where_name(name, key) + " must be a whole number, not " + type_name(*node));
            return std::nullopt;
        }
        std::int64_t value = i->get();
        if (value < low || value > high) {
            error(node->source(), where_name(name, key) + " is " + std::to_string(value) +
                                      "; it must lie in " + std::to_string(low) + ".." +
                                      std::to_string(high));
            return std::nullopt;
        }
        return value;
    }

    template <size_t N>
    std::optional<std::int32_t> named(const toml::table* table, const std::string& name, const char* key,
                                      const Named (&choices)[N]) {
        auto value = text(table, name, key, choices[0].name);
        if (!value)
            return std::nullopt;
        if (const Named* n = find_named(choices, *value))
            return n->value;
        error(table->get(key)->source(),
              where_name(name, key) + " = \"" + *value + "\" is not known; write " + name_list(choices));
        return std::nullopt;
    }

    // A list of names from choices, or'ed together.
    template <size_t N>
    std::optional<std::int32_t> name_set(const toml::table* table, const std::string& name, const char* key,
                                         const Named (&choices)[N]) {
        if (!table)
            return std::nullopt;
        const toml::node* node = table->get(key);
        if (!node)
            return std::nullopt;
        const toml::array* list = node->as_array();
        if (!list) {
            error(node->source(), where_name(name, key) + " must be a list such as [\"" + choices[0].name +
                                      "\"], not " + type_name(*node));
            return std::nullopt;
        }
        std::int32_t bits = 0;
        for (const toml::node& item : *list) {
            const Named* n = item.is_string() ? find_named(choices, item.as_string()->get()) : nullptr;
            if (!n) {
                error(item.source(),
                      where_name(name, key) + ": each entry must be one of " + name_list(choices));
                continue;
            }
            bits |= n->value;
        }
        return bits;
    }

    // A list of tables under key (an array of tables); each is handed to read.
    template <typename Read>
    void for_each_table(const toml::table& root, const char* key, Read read) {
        const toml::node* node = root.get(key);
        if (!node)
            return;
        const toml::array* list = node->as_array();
        if (!list) {
            error(node->source(), std::string(key) + " must be written as [[" + key + "]] tables");
            return;
        }
        for (const toml::node& item : *list) {
            if (const toml::table* t = item.as_table())
                read(*t);
            else
                error(item.source(), std::string(key) + " must be written as [[" + key + "]] tables");
        }
    }

    // A path relative to the product file's folder.
    // Backslashes separate folders too, so that a product file written on Windows
    // builds on Linux.
    fs::path source_path(const std::string& value) const {
        std::string portable = value;
#ifndef _WIN32
        std::replace(portable.begin(), portable.end(), '\\', '/');
#endif
        fs::path p(portable);
        return p.is_absolute() ? p : base_ / p;
    }

    bool read_whole_file(const toml::source_region& where, const fs::path& path, String& out,
                         std::int64_t limit, const std::string& what) {
        std::error_code ec;
        if (!fs::is_regular_file(path, ec)) {
            error(where, what + " \"" + path.string() + "\" " +
                             (fs::exists(path, ec) ? "is not a file" : "does not exist") +
                             "; give the path of a file, relative to the product file's folder");
            return false;
        }
        std::uintmax_t size = fs::file_size(path, ec);
        if (ec || static_cast<std::int64_t>(size) > limit) {
            error(where, what + " \"" + path.string() + "\" is larger than " + std::to_string(limit) +
                             " bytes, more than an installer can carry");
            return false;
        }
        if (!read_host_file(path.string(), out) || static_cast<std::uintmax_t>(out.length()) != size) {
            error(where, what + " \"" + path.string() + "\" cannot be read");
            return false;
        }
        return true;
    }

    // A text given inline ("..."), from a file ({ file = "..." }) or as { text = "..." }.
    // Plain strings are file paths when files_by_default.
    bool text_or_file(const toml::node& node, const std::string& what, bool files_by_default, String& out) {
        if (const auto* s = node.as_string()) {
            if (!files_by_default) {
                out = to_string(s->get());
                return true;
            }
            return read_text_file(node.source(), s->get(), what, out);
        }
        if (const toml::table* t = node.as_table()) {
            check_keys(*t, what, {"file", "text"});
            auto file = text(t, what, "file");
            auto inline_text = text(t, what, "text");
            if (file.has_value() == inline_text.has_value()) {
                error(node.source(), what + " takes either file = \"...\" or text = \"...\"");
                return false;
            }
            if (inline_text) {
                out = to_string(*inline_text);
                return true;
            }
            return read_text_file(t->get("file")->source(), *file, what, out);
        }
        error(node.source(), what + " must be " + (files_by_default ? "a file name" : "a text") +
                                 ", { file = \"...\" } or { text = \"...\" }, not " + type_name(node));
        return false;
    }

    bool read_text_file(const toml::source_region& where, const std::string& name, const std::string& what,
                        String& out) {
        if (!read_whole_file(where, source_path(name), out, 0x9FFFFF, what))
            return false;
        if (std::memchr(out.c_str(), 0, static_cast<size_t>(out.length())) != nullptr) {
            error(where, what + " \"" + name + "\" holds a NUL byte: it must be a text file");
            return false;
        }
        return true;
    }

    // --- the tables ----------------------------------------------------------------

    void read_build(const toml::table* t) {
        check_keys(t ? *t : toml::table(), "build",
                   {"output", "stub", "level", "pack_files", "volume_size", "volume_name", "first_volume"});
        product_.output = context_.output;
        if (product_.output.empty()) {
            auto output = text(t, "build", "output", "setup.exe");
            product_.output = output ? source_path(*output).string() : (base_ / "setup.exe").string();
        }
        product_.stub = context_.stub;
        if (product_.stub.empty()) {
            if (auto stub = text(t, "build", "stub", "varnook.exe"))
                product_.stub = source_path(*stub).string();
        }
        PayloadOptions& options = product_.payload;
        options.pack_level = pack_level_default;
        if (auto level = integer(t, "build", "level", pack_level_fastest, pack_level_best))
            options.pack_level = static_cast<int>(*level);
        if (context_.level != 0)
            options.pack_level = context_.level;
        options.pack_file_data = boolean(t, "build", "pack_files").value_or(true);
        options.volume_size = 0;
        if (t && t->get("volume_size")) {
            const toml::node& node = *t->get("volume_size");
            std::int64_t size = -1;
            if (const auto* i = node.as_integer())
                size = i->get();
            else if (const auto* s = node.as_string())
                size = parse_size(s->get());
            if (size < 0 || (size > 0 && size < min_volume_size))
                error(node.source(), "build.volume_size must be 0 (no volumes) or a size of at least " +
                                         std::to_string(min_volume_size) +
                                         " bytes, such as 1440000, \"700K\" or \"1.44M\"");
            else
                options.volume_size = size;
        }
        if (context_.volume_size >= 0)
            options.volume_size = context_.volume_size;
        std::string stem = fs::path(product_.output).stem().string();
        product_.script.volume_base_name = to_string(stem);
        if (is_blank(product_.script.volume_base_name))
            product_.script.volume_base_name = "setup";
        text_into(t, "build", "volume_name", product_.script.volume_base_name, "DISK");
        if (is_blank(product_.script.volume_base_name))
            error(t->get("volume_name")->source(), "build.volume_name must not be blank; write a short name "
                                                   "such as \"DISK\", the volumes are then DISK2.VNK, ...");
        if (auto first = integer(t, "build", "first_volume", 0, INT32_MAX))
            product_.script.first_volume_number = static_cast<std::int32_t>(*first);
    }

    void read_product(const toml::table* t, const toml::table& root) {
        if (!t) {
            error(root.source(), "there is no [product] table; begin with [product] and name = \"...\"");
            return;
        }
        check_keys(*t, "product",
                   {"name", "version", "publisher", "directory", "start_menu_folder", "shared_folder",
                    "registry_key", "uninstall_key", "uninstall_folder", "uninstaller", "master_product",
                    "desktop_folder", "excluded_systems", "all_users_shortcuts", "minimum_stage_time",
                    "uninstaller_date"});
        InstallScript& s = product_.script;
        auto name = text(t, "product", "name", "My Product");
        if (!name || is_blank(to_string(*name))) {
            if (!t->get("name"))
                error(t->source(), "[product] has no name; write name = \"My Product\"");
            else if (name)
                error(t->get("name")->source(), "product.name must not be blank");
        } else if (name->find('%') != std::string::npos) {
            // The installer puts the name into texts that it then hands to printf.
            error(t->get("name")->source(), "product.name must not hold a percent sign; the installer's "
                                            "texts would read it as a format");
        } else {
            s.default_product_name = to_string(*name);
        }
        text_into(t, "product", "version", s.display_version, "1.0");
        text_into(t, "product", "publisher", s.publisher);
        text_into(t, "product", "directory", s.default_directory, "My Product");
        text_into(t, "product", "start_menu_folder", s.start_menu);
        text_into(t, "product", "shared_folder", s.shared_path);
        text_into(t, "product", "registry_key", s.product_registry, "Publisher\\Product");
        text_into(t, "product", "uninstall_key", s.uninstall_key_name);
        text_into(t, "product", "uninstall_folder", s.uninstall_subdir);
        s.uninstaller_file_name = "Uninstall.exe";
        text_into(t, "product", "uninstaller", s.uninstaller_file_name, "Uninstall.exe");
        if (is_blank(s.uninstaller_file_name))
            error(t->get("uninstaller")->source(), "product.uninstaller must not be blank; write a file name "
                                                   "such as \"Uninstall.exe\"");
        if (auto master = text(t, "product", "master_product")) {
            s.master_product_key = to_string(*master);
            s.flags.bits |= flag_mask(flag_master_product);
        }
        text_into(t, "product", "desktop_folder", s.desktop_folder);
        if (auto systems = name_set(t, "product", "excluded_systems", system_names))
            s.excluded_systems = *systems;
        if (boolean(t, "product", "all_users_shortcuts").value_or(false))
            s.shortcut_mode = 1;
        if (auto stage = integer(t, "product", "minimum_stage_time", 0, max_stage_time))
            s.minimum_stage_time = static_cast<std::uint16_t>(*stage);
        s.uninstaller_date =
            utc_timestamp(context_.source_date_epoch >= 0 ? context_.source_date_epoch : context_.now);
        if (const toml::node* date = t->get("uninstaller_date")) {
            if (!time_stamp_of(*date, s.uninstaller_date))
                error(date->source(), "product.uninstaller_date must be a date and time such as "
                                      "2026-12-10T12:00:00");
        }
    }

    static bool time_stamp_of(const toml::node& node, TimeStamp& out) {
        if (const auto* dt = node.as_date_time()) {
            const toml::date_time& v = dt->get();
            out = {v.date.year, v.date.month, v.date.day, v.time.hour, v.time.minute, v.time.second};
            return true;
        }
        if (const auto* d = node.as_date()) {
            const toml::date& v = d->get();
            out = {v.year, v.month, v.day, 0, 0, 0};
            return true;
        }
        return false;
    }

    void read_options(const toml::table* t) {
        ProductFlags& flags = product_.script.flags;
        // What most products want unless they say otherwise.
        flags.bits |= flag_mask(flag_uninstall_support) | flag_mask(7) | flag_mask(flag_check_stub);
        if (!t)
            return;
        std::vector<std::string> settable;
        for (const FlagName& f : flag_names())
            if (!f.from_content)
                settable.push_back(f.name);
        for (auto&& [key, node] : *t) {
            std::string k(key.str());
            const FlagName* f = find_flag(k);
            if (!f || f->from_content) {
                std::string message = "unknown option \"" + k + "\"";
                if (f)
                    message = "option \"" + k + "\" follows from the product's content and cannot be set";
                else if (std::string hint = nearest_name(k, settable); !hint.empty())
                    message += "; did you mean \"" + hint + "\"?";
                else
                    message += "; docs/product-file.md lists the options";
                error(key.source(), message);
                continue;
            }
            const auto* b = node.as_boolean();
            if (!b) {
                error(node.source(), "options." + k + " must be true or false, not " + type_name(node));
                continue;
            }
            if (b->get())
                flags.bits |= flag_mask(f->bit);
            else
                flags.bits &= ~flag_mask(f->bit);
        }
    }

    std::optional<std::int32_t> colour(const toml::table* t, const char* key) {
        if (!t || !t->get(key))
            return std::nullopt;
        const toml::node& node = *t->get(key);
        if (const auto* s = node.as_string()) {
            std::string v = s->get();
            std::transform(v.begin(), v.end(), v.begin(), [](unsigned char c) { return std::tolower(c); });
            if (const Named* n = find_named(colour_names, v))
                return n->value;
            if (v.size() == 7 && v[0] == '#' &&
                std::all_of(v.begin() + 1, v.end(), [](unsigned char c) { return std::isxdigit(c); })) {
                unsigned long rgb = std::stoul(v.substr(1), nullptr, 16);
                // Stored as Windows keeps colours: red in the low byte.
                return static_cast<std::int32_t>(((rgb >> 16) & 0xFF) | (rgb & 0xFF00) |
                                                 ((rgb & 0xFF) << 16));
            }
        }
        error(node.source(), std::string("appearance.") + key +
                                 " is not a colour; write \"#RRGGBB\" (such as "
                                 "\"#1E3C78\") or a name such as \"navy\"");
        return std::nullopt;
    }

    void read_appearance(const toml::table* t) {
        if (!t)
            return;
        check_keys(*t, "appearance", {"title_colour", "top_colour", "bottom_colour", "background"});
        InstallScript& s = product_.script;
        auto title = colour(t, "title_colour");
        auto top = colour(t, "top_colour");
        auto bottom = colour(t, "bottom_colour");
        if (title)
            s.title_colour = *title;
        if (top || bottom) {
            s.flags.bits |= flag_mask(flag_gradient_colours);
            // One colour given: the background is that one colour.
            s.top_colour = top ? *top : *bottom;
            s.bottom_colour = bottom ? *bottom : *top;
        }
        if (auto background = text(t, "appearance", "background", "background.bmp")) {
            const toml::source_region& where = t->get("background")->source();
            if (read_whole_file(where, source_path(*background), s.background_picture, 0x40000000,
                                "the background picture")) {
                if (s.background_picture.length() < 54 || s.background_picture.char_at(0) != 'B' ||
                    s.background_picture.char_at(1) != 'M') {
                    error(where, "the background picture \"" + *background +
                                     "\" is not a Windows bitmap (.bmp); convert it, e.g. with "
                                     "ImageMagick: convert picture.png BMP3:background.bmp");
                    s.background_picture.clear();
                } else {
                    // The installer takes the picture as a bitmap in memory: the
                    // packed DIB behind the file's 14-byte header.
                    s.background_picture.remove(0, bmp_file_header_size);
                    Bitmap picture;
                    if (!picture.load_memory(s.background_picture.c_str(), s.background_picture.length())) {
                        error(where, "the background picture \"" + *background +
                                         "\" is a damaged or unusual bitmap the installer cannot show; "
                                         "save it again as a plain BMP, e.g. with ImageMagick: convert "
                                         "picture.png BMP3:background.bmp");
                        s.background_picture.clear();
                    }
                }
            }
        }
        // On a gradient or a picture the window's text colour is rarely readable.
        if (!title && (top || bottom || !s.background_picture.is_empty()))
            s.title_colour = 0xFFFFFF;
    }

    void read_pages(const toml::table* t) {
        if (!t)
            return;
        check_keys(*t, "pages", {"licence", "readme"});
        read_page_list(t, "licence", product_.script.licence_pages);
        read_page_list(t, "readme", product_.script.readme_pages);
    }

    void read_page_list(const toml::table* t, const char* key, Vector<String>& pages) {
        const toml::node* node = t->get(key);
        if (!node)
            return;
        std::string what = std::string("pages.") + key;
        const toml::array* list = node->as_array();
        if (!list) {
            error(node->source(), what + " must be a list of text files, such as [\"LICENSE.txt\"]");
            return;
        }
        if (list->size() > static_cast<size_t>(max_pages)) {
            error(node->source(), what + " has " + std::to_string(list->size()) + " pages; at most " +
                                      std::to_string(max_pages) + " are shown");
            return;
        }
        for (const toml::node& item : *list) {
            String page;
            if (text_or_file(item, what, true, page))
                pages.add(page);
        }
    }

    void read_batch(const toml::table* t) {
        if (!t)
            return;
        check_keys(*t, "batch", {"before_files", "after_files", "final", "uninstall_1", "uninstall_2"});
        InstallScript& s = product_.script;
        const std::pair<const char*, String*> batches[] = {
            {"before_files", &s.batch_before_files},
            {"after_files", &s.batch_after_files},
            {"final", &s.final_batch},
            {"uninstall_1", &s.uninstall_batch1},
            {"uninstall_2", &s.uninstall_batch2},
        };
        for (const auto& [key, target] : batches)
            if (const toml::node* node = t->get(key))
                text_or_file(*node, std::string("batch.") + key, false, *target);
    }

    void read_patch(const toml::table* t) {
        if (!t)
            return;
        check_keys(*t, "uninstaller_patch", {"offset", "file"});
        auto offset = integer(t, "uninstaller_patch", "offset", 1, max_patch_offset);
        auto file = text(t, "uninstaller_patch", "file", "patch.bin");
        if (!offset || !file) {
            if (!t->get("offset") || !t->get("file"))
                error(t->source(), "[uninstaller_patch] needs both offset = N and file = \"...\"");
            return;
        }
        String block;
        const toml::source_region& where = t->get("file")->source();
        if (!read_whole_file(where, source_path(*file), block, uninstaller_patch_size, "the patch block"))
            return;
        if (block.length() != uninstaller_patch_size) {
            error(where, "the patch block \"" + *file + "\" is " + std::to_string(block.length()) +
                             " bytes long; it must be exactly " + std::to_string(uninstaller_patch_size));
            return;
        }
        product_.script.uninstaller_patch_offset = static_cast<std::int32_t>(*offset);
        product_.script.uninstaller_patch = block;
    }

    void read_files(const toml::table& t) {
        check_keys(t, "files",
                   {"source", "destination", "name", "target", "desktop_shortcut", "start_menu_shortcut",
                    "shortcut_name", "font_name", "version", "icon", "arguments", "when", "permanent",
                    "in_uninstall_folder", "attributes"});
        auto source = text(&t, "files", "source", "bin/program.exe");
        if (!source) {
            if (!t.get("source"))
                error(t.source(), "[[files]] needs source = \"...\", a file or a folder");
            return;
        }
        FileRecord model;
        model.destination = named(&t, "files", "destination", destinations).value_or(0);
        if (boolean(&t, "files", "desktop_shortcut").value_or(false))
            model.options |= option_desktop_shortcut;
        if (boolean(&t, "files", "start_menu_shortcut").value_or(false))
            model.options |= option_start_menu_shortcut;
        if (model.has_icon_file() && model.destination != 0 && model.destination != 5)
            error(t.source(), "only \"program\" and \"startup\" files get shortcuts; drop desktop_shortcut "
                              "and start_menu_shortcut here");
        model.options |= named(&t, "files", "when", existence_modes).value_or(0);
        if (boolean(&t, "files", "permanent").value_or(false))
            model.options |= option_permanent;
        if (boolean(&t, "files", "in_uninstall_folder").value_or(false))
            model.options |= option_in_uninstall_folder;
        model.attributes = name_set(&t, "files", "attributes", attribute_names).value_or(0);
        text_into(&t, "files", "target", model.target_path);
        text_into(&t, "files", "arguments", model.arguments);
        if (auto icon = text(&t, "files", "icon", "program.ico")) {
            if (!model.has_icon_file())
                error(t.get("icon")->source(), "files.icon is the icon of the file's shortcut; give "
                                               "desktop_shortcut = true or start_menu_shortcut = true too");
            model.icon_file = to_string(*icon);
        }
        // The record's version text is the shortcut name of program files, the display
        // name of fonts and the version of shared and system files.
        const char* version_key = model.destination == 0 || model.destination == 5 ? "shortcut_name"
                                  : model.destination == 4                         ? "font_name"
                                                                                   : "version";
        for (const char* key : {"shortcut_name", "font_name", "version"}) {
            if (std::string(key) != version_key && t.get(key))
                error(t.get(key)->source(), std::string("files.") + key +
                                                " does not apply to this destination; " + "write " +
                                                version_key + " instead");
        }
        bool version_given = false;
        if (auto version = text(&t, "files", version_key)) {
            model.version = to_string(*version);
            version_given = true;
        }
        auto prefix = text(&t, "files", "name", "bin\\program.exe");

        fs::path path = source_path(*source);
        std::error_code ec;
        const toml::source_region& where = t.get("source")->source();
        if (fs::is_directory(path, ec)) {
            std::vector<fs::path> found;
            for (fs::recursive_directory_iterator it(path, ec), end; !ec && it != end; it.increment(ec))
                if (it->is_regular_file(ec) && !is_build_output(it->path()))
                    found.push_back(it->path());
            if (ec) {
                error(where, "the folder \"" + path.string() + "\" cannot be read: " + ec.message());
                return;
            }
            if (found.empty()) {
                error(where, "the folder \"" + path.string() + "\" holds no files");
                return;
            }
            // Name order, so that two builds of the same folder are the same.
            std::sort(found.begin(), found.end());
            for (const fs::path& file : found) {
                std::string relative = file.lexically_relative(path).generic_string();
                std::replace(relative.begin(), relative.end(), '/', '\\');
                std::string name = prefix && !prefix->empty() ? *prefix + "\\" + relative : relative;
                add_file(where, file, name, model, version_given);
            }
        } else {
            std::string name = prefix ? *prefix : path.filename().string();
            if (prefix && prefix->empty())
                error(t.get("name")->source(), "files.name must not be empty");
            add_file(where, path, name, model, version_given);
        }
    }

    // Whether path is the installer being built, one of its volumes, or one of their
    // temporary files: a folder source around the output must not take in the
    // result of an earlier build.
    bool is_build_output(const fs::path& path) const {
        std::error_code ec;
        fs::path output = fs::weakly_canonical(fs::path(product_.output), ec);
        fs::path file = fs::weakly_canonical(path, ec);
        std::string name = file.filename().string();
        if (name.size() > 5 && name.compare(name.size() - 5, 5, ".part") == 0)
            name.erase(name.size() - 5);
        if (file.parent_path() != output.parent_path())
            return false;
        if (name == output.filename().string())
            return true;
        std::string base = product_.script.volume_base_name.c_str();
        if (name.size() <= base.size() + 4 || name.compare(0, base.size(), base) != 0 ||
            name.compare(name.size() - 4, 4, ".VNK") != 0)
            return false;
        return std::all_of(name.begin() + static_cast<std::ptrdiff_t>(base.size()), name.end() - 4,
                           [](unsigned char c) { return std::isdigit(c); });
    }

    void add_file(const toml::source_region& where, const fs::path& path, const std::string& name,
                  const FileRecord& model, bool version_given) {
        FileRecord record = model;
        record.name = to_string(name);
        if (!read_whole_file(where, path, record.data, max_payload_file_size, "the file"))
            return;
        std::int64_t seconds = 0;
        if (file_modified_seconds(path.string(), seconds)) {
            if (context_.source_date_epoch >= 0 && seconds > context_.source_date_epoch)
                seconds = context_.source_date_epoch;
            record.time = utc_timestamp(seconds);
        }
        if (record.destination == 6 && !version_given) {
            std::string version;
            if (read_pe_version(record.data.c_str(), static_cast<size_t>(record.data.length()), version))
                record.version = to_string(version);
        }
        product_.files.push_back(std::move(record));
        product_.sources.push_back(path.string());
    }

    void read_deletion(const toml::table& t) {
        check_keys(t, "delete", {"path", "when", "value", "at_restart"});
        FileDeletion d;
        auto path = text(&t, "delete", "path", "old.exe");
        if (!path || path->empty()) {
            error(t.source(), "[[delete]] needs path = \"...\", the file to delete");
            return;
        }
        if (to_string(*path) == deletion_list_end) {
            error(t.get("path")->source(), std::string("delete.path cannot be \"") + deletion_list_end +
                                               "\": the installer reads it as the end of the list");
            return;
        }
        d.path = to_string(*path);
        d.condition = static_cast<std::uint8_t>(named(&t, "delete", "when", deletion_conditions).value_or(0));
        if (d.condition != 0) {
            const toml::node* value = t.get("value");
            if (!value) {
                error(t.source(), "delete.when = \"...\" compares with value = ...; give the value");
                return;
            }
            if (d.condition <= 3) {
                TimeStamp stamp;
                if (time_stamp_of(*value, stamp)) {
                    DateTime when(stamp);
                    d.value = when.format(value->is_date() ? "m/d/yy" : "m/d/yy, HH:ii:ss");
                } else if (const auto* s = value->as_string()) {
                    Date date;
                    if (!date.parse(s->get().c_str()) || !date.is_valid())
                        error(value->source(), "delete.value \"" + s->get() +
                                                   "\" is not a date; write a date such as 2024-01-31");
                    d.value = to_string(s->get());
                } else {
                    error(value->source(), "delete.value must be a date such as 2024-01-31");
                }
            } else {
                if (const auto* i = value->as_integer())
                    d.value = to_string(std::to_string(i->get()));
                else
                    error(value->source(), "delete.value must be a size in bytes, such as 1024");
            }
        } else if (t.get("value")) {
            error(t.get("value")->source(),
                  "delete.value needs when = \"...\"; without it the file is always "
                  "deleted");
        }
        if (boolean(&t, "delete", "at_restart").value_or(false))
            d.options |= 2;
        if (product_.script.deletions.count() >= max_deletions)
            error(t.source(), "more than " + std::to_string(max_deletions) + " [[delete]] entries");
        else
            product_.script.deletions.add(d);
    }

    void read_association(const toml::table& t) {
        check_keys(t, "associations",
                   {"extension", "file_type", "description", "verb", "verb_caption", "command", "language",
                    "default_icon", "default_verb"});
        FileAssociation a;
        auto extension = text(&t, "associations", "extension", ".txt");
        if (!extension || extension->empty() || *extension == ".") {
            error(t.source(), "[[associations]] needs extension = \".ext\"");
            return;
        }
        a.extension = to_string(*extension);
        text_into(&t, "associations", "file_type", a.file_type, "MyProduct.Document");
        if (a.file_type.is_empty())
            error(t.source(), "[[associations]] needs file_type = \"...\", the name of the file type's key, "
                              "such as \"MyProduct.Document\"");
        text_into(&t, "associations", "description", a.description);
        a.verb = "open";
        text_into(&t, "associations", "verb", a.verb, "open");
        text_into(&t, "associations", "verb_caption", a.verb_caption, "&Open");
        text_into(&t, "associations", "command", a.command, "\\\"%InstallDir%\\\\program.exe\\\" \\\"%1\\\"");
        if (a.command.is_empty())
            error(t.source(), "[[associations]] needs command = \"...\", the command line the verb runs");
        text_into(&t, "associations", "language", a.language);
        text_into(&t, "associations", "default_icon", a.default_icon);
        a.flags = boolean(&t, "associations", "default_verb").value_or(true) ? 1 : 0;
        if (product_.script.associations.count() >= max_associations)
            error(t.source(), "more than " + std::to_string(max_associations) + " [[associations]]");
        else
            product_.script.associations.add(a);
    }

    void read_uninstall_value(const toml::table& t) {
        check_keys(t, "uninstall_values", {"name", "value", "kind"});
        UninstallData u;
        auto name = text(&t, "uninstall_values", "name", "HelpLink");
        if (!name || name->empty()) {
            error(t.source(), "[[uninstall_values]] needs name = \"...\"");
            return;
        }
        u.name = to_string(*name);
        u.kind = static_cast<std::uint8_t>(named(&t, "uninstall_values", "kind", value_kinds).value_or(1));
        if (const toml::node* value = t.get("value")) {
            if (const auto* i = value->as_integer())
                u.value = to_string(std::to_string(i->get()));
            else
                text_into(&t, "uninstall_values", "value", u.value);
            if (u.kind == 4 && !value->is_integer())
                error(value->source(), "uninstall_values.value must be a whole number for kind = \"number\"");
        }
        if (product_.script.uninstall_values.count() >= max_uninstall_values)
            error(t.source(), "more than " + std::to_string(max_uninstall_values) + " [[uninstall_values]]");
        else
            product_.script.uninstall_values.add(u);
    }

    void read_languages(const toml::table& root) {
        InstallScript& s = product_.script;
        int count = english_string_count();
        std::vector<std::string> names;
        std::vector<std::vector<std::string>> texts; // [language][number]
        auto english = [count]() {
            std::vector<std::string> table(static_cast<size_t>(count));
            for (const LanguageStringInfo& info : english_strings())
                table[static_cast<size_t>(info.number)] = info.text;
            return table;
        };
        for_each_table(root, "languages", [&](const toml::table& t) {
            check_keys(t, "languages", {"name", "strings"});
            auto name = text(&t, "languages", "name", "English");
            if (!name || is_blank(to_string(*name))) {
                error(t.source(), "[[languages]] needs name = \"...\", as the language dialog shows it");
                return;
            }
            if (std::find(names.begin(), names.end(), *name) != names.end()) {
                error(t.get("name")->source(), "the language \"" + *name + "\" is given twice");
                return;
            }
            names.push_back(*name);
            texts.push_back(english());
            const toml::node* strings = t.get("strings");
            if (!strings)
                return;
            const toml::table* table = strings->as_table();
            if (!table) {
                error(strings->source(), "languages.strings must be a table of name = \"text\"");
                return;
            }
            std::vector<std::string> given(static_cast<size_t>(count));
            for (auto&& [key, node] : *table)
                read_language_string(std::string(key.str()), key.source(), node, texts.back(), given);
        });
        if (names.size() > static_cast<size_t>(max_languages))
            error(root.source(), "more than " + std::to_string(max_languages) + " languages");
        if (names.empty()) {
            names.push_back("English");
            texts.push_back(english());
        }
        for (const std::string& name : names)
            s.language_names.add(to_string(name));
        for (int number = 0; number < count; ++number) {
            Vector<String>& row = s.language_strings.add(Vector<String>());
            for (const auto& language : texts)
                row.add(to_string(language[static_cast<size_t>(number)]));
        }
    }

    // given: for each number, the key that gave it in this language.
    void read_language_string(const std::string& key, const toml::source_region& where,
                              const toml::node& node, std::vector<std::string>& table,
                              std::vector<std::string>& given) {
        const LanguageStringInfo* info = nullptr;
        if (!key.empty() &&
            std::all_of(key.begin(), key.end(), [](unsigned char c) { return std::isdigit(c); }))
            info = key.size() < 6 ? find_language_string(std::stoi(key)) : nullptr;
        else
            info = find_language_string(key);
        if (!info) {
            std::vector<std::string> known;
            for (const LanguageStringInfo& i : english_strings())
                known.push_back(i.name);
            std::string hint = nearest_name(key, known);
            error(where, "unknown language string \"" + key + "\"" +
                             (hint.empty() ? "; docs/language-strings.md lists them"
                                           : "; did you mean \"" + hint + "\"?"));
            return;
        }
        const auto* s = node.as_string();
        if (!s) {
            error(node.source(), std::string("the language string ") + info->name + " must be a text");
            return;
        }
        std::string problem;
        if (!check_language_string(info->number, s->get(), problem)) {
            error(node.source(), std::string("the language string ") + info->name + ": " + problem);
            return;
        }
        std::string& by = given[static_cast<size_t>(info->number)];
        if (!by.empty()) {
            error(where, "the language string " + std::string(info->name) + " (number " +
                             std::to_string(info->number) + ") is given twice, as \"" + by + "\" and \"" +
                             key + "\"; keep one");
            return;
        }
        by = key;
        table[static_cast<size_t>(info->number)] = s->get();
    }

    std::string path_;
    fs::path base_;
    const ProductContext& context_;
    Product& product_;
    std::vector<std::string>& errors_;

  public:
    static constexpr std::int64_t min_volume_size = 4096;
};

} // namespace

TimeStamp utc_timestamp(std::int64_t seconds) {
    std::time_t t = static_cast<std::time_t>(seconds);
    std::tm parts{};
#ifdef _WIN32
    gmtime_s(&parts, &t);
#else
    gmtime_r(&t, &parts);
#endif
    return {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec};
}

std::int64_t parse_size(const std::string& text) {
    if (text.empty())
        return -1;
    size_t used = 0;
    double value = 0;
    try {
        value = std::stod(text, &used);
    } catch (...) {
        return -1;
    }
    std::string unit = text.substr(used);
    double scale = 1;
    if (unit == "K" || unit == "k")
        scale = 1000;
    else if (unit == "M" || unit == "m")
        scale = 1000 * 1000;
    else if (unit == "G" || unit == "g")
        scale = 1000.0 * 1000 * 1000;
    else if (unit == "KiB")
        scale = 1024;
    else if (unit == "MiB")
        scale = 1024 * 1024;
    else if (!unit.empty())
        return -1;
    double bytes = value * scale;
    if (!(bytes >= 0) || bytes > 9e15)
        return -1;
    return static_cast<std::int64_t>(bytes);
}

bool read_product_text(const std::string& text, const std::string& path, const ProductContext& context,
                       Product& product, std::vector<std::string>& errors) {
    product = Product();
    product.product_file = path;
    size_t before = errors.size();
    toml::table root;
    try {
        root = toml::parse(text, path);
    } catch (const toml::parse_error& e) {
        std::ostringstream out;
        out << path << ":" << e.source().begin.line << ":" << e.source().begin.column << ": "
            << e.description() << " (the file is not valid TOML)";
        errors.push_back(out.str());
        return false;
    }
    ProductReader(path, context, product, errors).read(root);
    return errors.size() == before;
}

bool read_product_file(const std::string& path, const ProductContext& context, Product& product,
                       std::vector<std::string>& errors) {
    String text;
    if (!read_host_file(path, text)) {
        errors.push_back(path + ": cannot read the product file");
        return false;
    }
    return read_product_text(std::string(text.c_str(), static_cast<size_t>(text.length())), path, context,
                             product, errors);
}
