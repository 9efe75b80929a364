#include "installer/script.h"

#include <cstring>
#include <utility>

#include "installer/payload.h"
#include "installer/startup.h"

const char* const deletion_list_end = "~~THE END~~";

namespace {

// The script's items over a MemoryStream. A read past the end leaves zeros and
// empty texts; the field checks catch what that makes of a truncated script.
class ScriptReader {
  public:
    explicit ScriptReader(MemoryStream& stream) : stream_(stream) {}

    std::uint8_t byte() {
        unsigned char b[1];
        stream_.read(b, 1);
        return b[0];
    }
    std::uint16_t uint16() {
        unsigned char b[2];
        stream_.read(b, 2);
        return static_cast<std::uint16_t>(b[0] | b[1] << 8);
    }
    std::int32_t int32() {
        unsigned char b[4];
        stream_.read(b, 4);
        return static_cast<std::int32_t>(
            static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
            static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24);
    }
    std::uint64_t int64() {
        std::uint64_t low = static_cast<std::uint32_t>(int32());
        std::uint64_t high = static_cast<std::uint32_t>(int32());
        return low | high << 32;
    }
    // The bytes up to the next NUL (or the end), the NUL passed.
    void text(String& target) {
        const String& content = stream_.string();
        std::int32_t position = stream_.position();
        if (position < 0 || position >= content.length()) {
            target.clear();
            stream_.skip(1);
            return;
        }
        const char* start = content.c_str() + position;
        const void* nul = std::memchr(start, 0, static_cast<size_t>(content.length() - position));
        std::int32_t n = nul != nullptr ? static_cast<std::int32_t>(static_cast<const char*>(nul) - start)
                                        : content.length() - position;
        target.assign(start, n);
        stream_.skip(n + 1);
    }
    String text() {
        String value;
        text(value);
        return value;
    }
    // n bytes into target; of a block longer than what is left only the bytes that
    // are there are copied (the rest would be zeros), so a damaged size never makes
    // the reader allocate more than the script holds.
    void block(String& target, std::int32_t n) {
        target.clear();
        if (n <= 0)
            return;
        std::int32_t there = remaining();
        std::int32_t copied = n < there ? n : there;
        if (copied > 0)
            stream_.read_append(target, copied);
        stream_.skip(n - copied);
    }
    void block(void* record, std::int32_t n) { stream_.read(record, n); }
    void timestamp(TimeStamp& time) {
        time.year = int32();
        time.month = int32();
        time.day = int32();
        time.hour = int32();
        time.minute = int32();
        time.second = int32();
    }
    std::int32_t remaining() const {
        std::int64_t left = static_cast<std::int64_t>(stream_.length()) - stream_.position();
        return left > 0 ? static_cast<std::int32_t>(left) : 0;
    }

  private:
    MemoryStream& stream_;
};

void read_pages(ScriptReader& in, std::int32_t count, Vector<String>& pages) {
    pages.clear();
    for (std::int32_t i = 0; i < count; ++i)
        pages.add(in.text());
}

} // namespace

bool is_blank(const String& text) {
    return text.find_not_any(" \r\n\t", 0) < 0;
}

int parse_script(MemoryStream& stream, std::uint32_t script_key, InstallScript& script) {
    ScriptReader in(stream);
    script.flags.bits = in.int64();
    if (stream.string().hash() != script_key)
        return 25;
    script.minimum_stage_time = in.uint16();
    if (script.minimum_stage_time > max_stage_time)
        return 19;
    script.shortcut_mode = in.byte();
    in.timestamp(script.uninstaller_date);
    in.text(script.publisher);
    in.text(script.default_product_name);
    in.text(script.shared_path);
    in.text(script.start_menu);
    in.text(script.default_directory);
    in.text(script.display_version);
    in.text(script.product_registry);
    std::int32_t licence_count = in.int32();
    if (licence_count < 0 || licence_count > max_pages)
        return 24;
    read_pages(in, licence_count, script.licence_pages);
    std::int32_t readme_count = in.int32();
    if (readme_count < 0 || readme_count > max_pages)
        return 26;
    read_pages(in, readme_count, script.readme_pages);
    in.text(script.uninstall_subdir);
    in.text(script.volume_base_name);
    if (is_blank(script.volume_base_name))
        return 21;
    in.text(script.uninstaller_file_name);
    if (is_blank(script.uninstaller_file_name))
        return 33;
    in.text(script.uninstall_key_name);
    script.title_colour = in.int32();
    // Both colours are always stored; without flag_script_colours they are skipped.
    script.top_colour = in.int32();
    script.bottom_colour = in.int32();
    std::int32_t picture_size = in.int32();
    in.block(script.background_picture, picture_size);
    script.master_product_key.clear();
    if (script.flags.has(flag_master_product))
        in.text(script.master_product_key);
    in.text(script.desktop_folder);
    in.text(script.batch_before_files);
    in.text(script.batch_after_files);
    in.text(script.final_batch);
    in.text(script.uninstall_batch1);
    in.text(script.uninstall_batch2);
    in.block(script.reserved, script_reserved_size);
    script.excluded_systems = in.int32();
    script.first_volume_number = in.int32();
    script.uninstaller_patch_offset = in.int32();
    if (script.uninstaller_patch_offset < 0 || script.uninstaller_patch_offset > max_patch_offset)
        return 23;
    script.uninstaller_patch.clear();
    if (script.uninstaller_patch_offset > 0)
        in.block(script.uninstaller_patch, uninstaller_patch_size);

    script.deletions.clear();
    for (;;) {
        String path = in.text();
        if (path.compare(deletion_list_end, true) == 0)
            break;
        if (script.deletions.count() >= max_deletions)
            return 38;
        FileDeletion& deletion = script.deletions.add(FileDeletion());
        deletion.path = std::move(path);
        deletion.condition = in.byte();
        in.text(deletion.value);
        deletion.options = in.int32();
    }

    std::int32_t association_count = in.int32();
    if (association_count < 0 || association_count > max_associations)
        return 36;
    script.associations.clear();
    for (std::int32_t i = 0; i < association_count; ++i) {
        FileAssociation& association = script.associations.add(FileAssociation());
        association.flags = in.int32();
        in.text(association.extension);
        in.text(association.file_type);
        in.text(association.description);
        in.text(association.verb);
        in.text(association.verb_caption);
        in.text(association.command);
        in.text(association.language);
        in.text(association.default_icon);
    }

    std::int32_t value_count = in.int32();
    if (value_count < 0 || value_count > max_uninstall_values)
        return 37;
    script.uninstall_values.clear();
    for (std::int32_t i = 0; i < value_count; ++i) {
        UninstallData& value = script.uninstall_values.add(UninstallData());
        in.text(value.name);
        value.kind = in.byte();
        in.text(value.value);
    }

    std::int32_t language_count = in.byte();
    if (language_count < 1 || language_count > max_languages)
        return 30;
    std::int32_t string_count = in.int32();
    if (string_count < 1 || string_count > max_language_strings)
        return 31;
    script.language_names.clear();
    script.language_strings.clear();
    // Every text takes at least its NUL, and the end marker follows: a script
    // shorter than that can only end at the marker check, so its tables (up to a
    // million empty texts) are not built.
    std::int64_t least = static_cast<std::int64_t>(language_count) * (string_count + 1) + 4;
    if (in.remaining() < least)
        return 32;
    for (std::int32_t i = 0; i < language_count; ++i)
        script.language_names.add(in.text());
    for (std::int32_t number = 0; number < string_count; ++number) {
        Vector<String>& texts = script.language_strings.add(Vector<String>());
        for (std::int32_t language = 0; language < language_count; ++language) {
            String& text = texts.add(in.text());
            text.normalize_line_ends();
        }
    }

    if (static_cast<std::uint32_t>(in.int32()) != script_end_marker)
        return 32;
    return 0;
}

void read_script(MemoryStream& stream, std::uint32_t script_key, InstallScript& script) {
    int code = parse_script(stream, script_key, script);
    product_flags() = script.flags;
    if (script.flags.has(flag_automatic_mode))
        startup_state().automatic = true;
    LanguageTables& tables = language_tables();
    tables.names = std::move(script.language_names);
    tables.strings = std::move(script.language_strings);
    tables.current = 0;
    script.language_names.clear();
    script.language_strings.clear();
    if (code != 0)
        corrupt_installer(code);
}

void apply_script_defaults(InstallScript& script, String& product_name) {
    if (product_name.is_empty())
        product_name = script.default_product_name;
    if (script.shared_path.is_empty())
        script.shared_path = is_blank(script.publisher) ? product_name : script.publisher;
    if (!script.flags.has(flag_shared_folder))
        script.shared_path.clear();
    if (script.start_menu.is_empty()) {
        if (!script.publisher.is_empty())
            script.start_menu = script.publisher + "\\";
        script.start_menu.append(product_name);
    }
    if (script.default_directory.is_empty())
        script.default_directory = product_name;
    if (is_blank(script.uninstall_key_name))
        script.uninstall_key_name = product_name;
}
