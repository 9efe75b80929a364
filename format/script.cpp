#include "format/script.h"

#include <cstring>
#include <utility>

#include "format/byte_reader.h"
#include "format/payload.h"

const char* const deletion_list_end = "~~THE END~~";

namespace {

// The script's items over its unpacked bytes. A read past the end leaves zeros and
// empty texts; the field checks catch what that makes of a truncated script.
class ScriptReader {
  public:
    explicit ScriptReader(const String& bytes) : in_(bytes.c_str(), bytes.length()) {}

    std::uint8_t byte() { return in_.u8(); }
    std::uint16_t uint16() { return in_.u16(); }
    std::int32_t int32() { return in_.i32(); }
    std::uint64_t int64() { return in_.u64(); }
    void text(String& target) { in_.text(target); }
    String text() {
        String value;
        in_.text(value);
        return value;
    }
    void block(String& target, std::int32_t n) {
        if (n <= 0) {
            target.clear();
            return;
        }
        in_.read_into(target, n);
    }
    void block(void* record, std::int32_t n) { in_.read(record, n); }
    void timestamp(TimeStamp& time) {
        time.year = int32();
        time.month = int32();
        time.day = int32();
        time.hour = int32();
        time.minute = int32();
        time.second = int32();
    }
    std::int64_t remaining() const { return in_.remaining(); }
    std::int64_t position() const { return in_.position(); }

  private:
    ByteReader in_;
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

namespace {

int read_fields(ScriptReader& in, const String& bytes, std::uint32_t script_key, InstallScript& script) {
    script.flags.bits = in.int64();
    if (bytes.hash() != script_key)
        return corrupt_script_checksum;
    script.minimum_stage_time = in.uint16();
    if (script.minimum_stage_time > max_stage_time)
        return corrupt_stage_time;
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
        return corrupt_licence_count;
    read_pages(in, licence_count, script.licence_pages);
    std::int32_t readme_count = in.int32();
    if (readme_count < 0 || readme_count > max_pages)
        return corrupt_readme_count;
    read_pages(in, readme_count, script.readme_pages);
    in.text(script.uninstall_subdir);
    in.text(script.volume_base_name);
    if (is_blank(script.volume_base_name))
        return corrupt_blank_volume_name;
    in.text(script.uninstaller_file_name);
    if (is_blank(script.uninstaller_file_name))
        return corrupt_blank_uninstaller_name;
    in.text(script.uninstall_key_name);
    script.title_colour = in.int32();
    // Both colours are always stored; without flag_gradient_colours they are skipped.
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
        return corrupt_patch_offset;
    script.uninstaller_patch.clear();
    if (script.uninstaller_patch_offset > 0)
        in.block(script.uninstaller_patch, uninstaller_patch_size);

    script.deletions.clear();
    for (;;) {
        String path = in.text();
        if (path.compare(deletion_list_end, true) == 0)
            break;
        if (script.deletions.count() >= max_deletions)
            return corrupt_deletion_count;
        FileDeletion& deletion = script.deletions.add(FileDeletion());
        deletion.path = std::move(path);
        deletion.condition = in.byte();
        in.text(deletion.value);
        deletion.options = in.int32();
    }

    std::int32_t association_count = in.int32();
    if (association_count < 0 || association_count > max_associations)
        return corrupt_association_count;
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
        return corrupt_uninstall_value_count;
    script.uninstall_values.clear();
    for (std::int32_t i = 0; i < value_count; ++i) {
        UninstallData& value = script.uninstall_values.add(UninstallData());
        in.text(value.name);
        value.kind = in.byte();
        in.text(value.value);
    }

    std::int32_t language_count = in.byte();
    if (language_count < 1 || language_count > max_languages)
        return corrupt_language_count;
    std::int32_t string_count = in.int32();
    if (string_count < 1 || string_count > max_language_strings)
        return corrupt_string_count;
    script.language_names.clear();
    script.language_strings.clear();
    // Every text takes at least its NUL, and the end marker follows: a script
    // shorter than that can only end at the marker check, so its tables (up to a
    // million empty texts) are not built.
    std::int64_t least = static_cast<std::int64_t>(language_count) * (string_count + 1) + 4;
    if (in.remaining() < least)
        return corrupt_end_marker;
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
        return corrupt_end_marker;
    return 0;
}

} // namespace

int parse_script(const String& bytes, std::uint32_t script_key, InstallScript& script,
                 std::int32_t* read_length) {
    ScriptReader in(bytes);
    int code = read_fields(in, bytes, script_key, script);
    if (read_length != nullptr)
        *read_length = static_cast<std::int32_t>(in.position());
    return code;
}

void apply_script_defaults(InstallScript& script, String& product_name) {
    if (product_name.is_empty())
        product_name = script.default_product_name;
    if (script.shared_path.is_empty())
        script.shared_path = is_blank(script.publisher) ? product_name : script.publisher;
    if (!script.flags.has(flag_uninstall_support))
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
