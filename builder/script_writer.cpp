#include "builder/script_writer.h"

#include <cstring>

#include "format/payload.h"

namespace {

// Checks that the stub would read each text back whole.
class TextCheck {
  public:
    explicit TextCheck(std::string& error) : error_(error) {}
    bool operator()(const String& text, const std::string& field) {
        if (text.length() > 0 &&
            std::memchr(text.c_str(), 0, static_cast<size_t>(text.length())) != nullptr) {
            error_ = field + " holds a NUL byte, which would end the text early";
            return false;
        }
        return true;
    }

  private:
    std::string& error_;
};

bool in_range(std::int64_t value, std::int64_t low, std::int64_t high, const std::string& field,
              std::string& error) {
    if (value >= low && value <= high)
        return true;
    error = field + " is " + std::to_string(value) + "; it must lie in " + std::to_string(low) + ".." +
            std::to_string(high);
    return false;
}

bool check_script(const InstallScript& s, std::string& error) {
    TextCheck text(error);
    if (!in_range(s.minimum_stage_time, 0, max_stage_time, "the minimum stage time", error) ||
        !in_range(s.licence_pages.count(), 0, max_pages, "the number of licence pages", error) ||
        !in_range(s.readme_pages.count(), 0, max_pages, "the number of read-me pages", error) ||
        !in_range(s.uninstaller_patch_offset, 0, max_patch_offset, "the uninstaller patch offset", error) ||
        !in_range(s.deletions.count(), 0, max_deletions, "the number of deletions", error) ||
        !in_range(s.associations.count(), 0, max_associations, "the number of file associations", error) ||
        !in_range(s.uninstall_values.count(), 0, max_uninstall_values, "the number of uninstall values",
                  error) ||
        !in_range(s.language_names.count(), 1, max_languages, "the number of languages", error) ||
        !in_range(s.language_strings.count(), 1, max_language_strings, "the number of language strings",
                  error))
        return false;
    if (is_blank(s.volume_base_name)) {
        error = "the volume base name is blank";
        return false;
    }
    if (is_blank(s.uninstaller_file_name)) {
        error = "the uninstaller file name is blank";
        return false;
    }
    std::int32_t patch_size = s.uninstaller_patch_offset > 0 ? uninstaller_patch_size : 0;
    if (s.uninstaller_patch.length() != patch_size) {
        error = "the uninstaller patch block is " + std::to_string(s.uninstaller_patch.length()) +
                " bytes long; it must be " + std::to_string(patch_size) +
                (patch_size == 0 ? " without a patch offset" : " with a patch offset");
        return false;
    }
    const String* single[] = {
        &s.publisher,         &s.default_product_name,  &s.shared_path,        &s.start_menu,
        &s.default_directory, &s.display_version,       &s.product_registry,   &s.uninstall_subdir,
        &s.volume_base_name,  &s.uninstaller_file_name, &s.uninstall_key_name, &s.master_product_key,
        &s.desktop_folder,    &s.batch_before_files,    &s.batch_after_files,  &s.final_batch,
        &s.uninstall_batch1,  &s.uninstall_batch2};
    for (const String* value : single)
        if (!text(*value, "a text field"))
            return false;
    if (!s.flags.has(flag_master_product) && !s.master_product_key.is_empty()) {
        error = "a master product key is given, but the master-product flag is not set";
        return false;
    }
    for (std::int32_t i = 0; i < s.licence_pages.count(); ++i)
        if (!text(*s.licence_pages.element(i), "licence page " + std::to_string(i + 1)))
            return false;
    for (std::int32_t i = 0; i < s.readme_pages.count(); ++i)
        if (!text(*s.readme_pages.element(i), "read-me page " + std::to_string(i + 1)))
            return false;
    for (std::int32_t i = 0; i < s.deletions.count(); ++i) {
        const FileDeletion& d = *s.deletions.element(i);
        std::string field = "deletion " + std::to_string(i + 1);
        if (!text(d.path, field + " path") || !text(d.value, field + " value"))
            return false;
        if (d.path.compare(deletion_list_end, true) == 0) {
            error = field + " is named like the end of the deletion list";
            return false;
        }
    }
    for (std::int32_t i = 0; i < s.associations.count(); ++i) {
        const FileAssociation& a = *s.associations.element(i);
        for (const String* value : {&a.extension, &a.file_type, &a.description, &a.verb, &a.verb_caption,
                                    &a.command, &a.language, &a.default_icon})
            if (!text(*value, "file association " + std::to_string(i + 1)))
                return false;
    }
    for (std::int32_t i = 0; i < s.uninstall_values.count(); ++i) {
        const UninstallData& u = *s.uninstall_values.element(i);
        if (!text(u.name, "uninstall value " + std::to_string(i + 1)) ||
            !text(u.value, "uninstall value " + std::to_string(i + 1)))
            return false;
    }
    const std::int32_t languages = s.language_names.count();
    for (std::int32_t i = 0; i < languages; ++i)
        if (!text(*s.language_names.element(i), "language name " + std::to_string(i + 1)))
            return false;
    for (std::int32_t n = 0; n < s.language_strings.count(); ++n) {
        const Vector<String>& texts = *s.language_strings.element(n);
        if (texts.count() != languages) {
            error = "language string " + std::to_string(n) + " has " + std::to_string(texts.count()) +
                    " texts for " + std::to_string(languages) + " languages";
            return false;
        }
        for (std::int32_t l = 0; l < languages; ++l)
            if (!text(*texts.element(l), "language string " + std::to_string(n)))
                return false;
    }
    return true;
}

} // namespace

bool write_script(const InstallScript& s, String& out, std::string& error) {
    out.clear();
    if (!check_script(s, error))
        return false;
    ByteWriter w(out);
    w.int64(s.flags.bits);
    w.uint16(s.minimum_stage_time);
    w.byte(s.shortcut_mode);
    w.timestamp(s.uninstaller_date);
    for (const String* value : {&s.publisher, &s.default_product_name, &s.shared_path, &s.start_menu,
                                &s.default_directory, &s.display_version, &s.product_registry})
        w.text(*value);
    w.int32(s.licence_pages.count());
    for (std::int32_t i = 0; i < s.licence_pages.count(); ++i)
        w.text(*s.licence_pages.element(i));
    w.int32(s.readme_pages.count());
    for (std::int32_t i = 0; i < s.readme_pages.count(); ++i)
        w.text(*s.readme_pages.element(i));
    for (const String* value :
         {&s.uninstall_subdir, &s.volume_base_name, &s.uninstaller_file_name, &s.uninstall_key_name})
        w.text(*value);
    w.int32(s.title_colour);
    w.int32(s.top_colour);
    w.int32(s.bottom_colour);
    w.int32(s.background_picture.length());
    w.bytes(s.background_picture.c_str(), s.background_picture.length());
    if (s.flags.has(flag_master_product))
        w.text(s.master_product_key);
    for (const String* value : {&s.desktop_folder, &s.batch_before_files, &s.batch_after_files,
                                &s.final_batch, &s.uninstall_batch1, &s.uninstall_batch2})
        w.text(*value);
    w.bytes(s.reserved, script_reserved_size);
    w.int32(s.excluded_systems);
    w.int32(s.first_volume_number);
    w.int32(s.uninstaller_patch_offset);
    w.bytes(s.uninstaller_patch.c_str(), s.uninstaller_patch.length());
    for (std::int32_t i = 0; i < s.deletions.count(); ++i) {
        const FileDeletion& d = *s.deletions.element(i);
        w.text(d.path);
        w.byte(d.condition);
        w.text(d.value);
        w.int32(d.options);
    }
    w.text(String(deletion_list_end));
    w.int32(s.associations.count());
    for (std::int32_t i = 0; i < s.associations.count(); ++i) {
        const FileAssociation& a = *s.associations.element(i);
        w.int32(a.flags);
        for (const String* value : {&a.extension, &a.file_type, &a.description, &a.verb, &a.verb_caption,
                                    &a.command, &a.language, &a.default_icon})
            w.text(*value);
    }
    w.int32(s.uninstall_values.count());
    for (std::int32_t i = 0; i < s.uninstall_values.count(); ++i) {
        const UninstallData& u = *s.uninstall_values.element(i);
        w.text(u.name);
        w.byte(u.kind);
        w.text(u.value);
    }
    w.byte(static_cast<unsigned>(s.language_names.count()));
    w.int32(s.language_strings.count());
    for (std::int32_t i = 0; i < s.language_names.count(); ++i)
        w.text(*s.language_names.element(i));
    for (std::int32_t n = 0; n < s.language_strings.count(); ++n) {
        const Vector<String>& texts = *s.language_strings.element(n);
        for (std::int32_t l = 0; l < texts.count(); ++l)
            w.text(*texts.element(l));
    }
    w.int32(static_cast<std::int32_t>(script_end_marker));
    return true;
}
