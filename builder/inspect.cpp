#include "builder/inspect.h"

#include <cstdio>
#include <sstream>

#include "builder/flag_names.h"

namespace {

const char* destination_name(std::int32_t kind) {
    switch (kind) {
    case 0:
        return "program";
    case 1:
        return "shared";
    case 4:
        return "font";
    case 5:
        return "startup";
    case 6:
        return "system";
    default:
        return "?";
    }
}

std::string quoted(const String& text) {
    std::string out = "\"";
    for (std::int32_t i = 0; i < text.length(); ++i) {
        char c = text.char_at(i);
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else if (c == '"' || c == '\\')
            out += std::string("\\") + c;
        else if (static_cast<unsigned char>(c) < 0x20) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned char>(c));
            out += hex;
        } else
            out += c;
    }
    return out + "\"";
}

std::string hex32(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", value);
    return text;
}

std::string stamp(const TimeStamp& t) {
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                  t.minute, t.second);
    return text;
}

std::string colour(std::int32_t c) {
    char text[16];
    std::uint32_t v = static_cast<std::uint32_t>(c);
    std::snprintf(text, sizeof text, "#%02X%02X%02X", v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF);
    return text;
}

void field(std::ostringstream& out, const char* name, const std::string& value) {
    out << "  " << name;
    for (size_t n = std::string(name).size(); n < 22; ++n)
        out << ' ';
    out << value << "\n";
}

} // namespace

std::string inspect_report(const OpenedInstaller& installer, const std::vector<FileRecord>& files,
                           const std::vector<VolumeReport>& volumes, const std::string& files_error) {
    const PayloadHeader& h = installer.payload.header;
    const InstallScript& s = installer.script;
    std::ostringstream out;
    out << "payload (section " << installer.payload.section.index + 1 << " of " << installer.payload.section.section_count
        << ", " << installer.payload.section.raw_size << " bytes at file offset " << installer.payload.section.raw_offset
        << ")\n";
    field(out, "version", std::to_string(h.version / 100) + "." + std::to_string(h.version % 100 / 10));
    field(out, "script",
          std::to_string(h.packed_script_size) + " bytes packed, key " + hex32(h.script_key) +
              " (checksum verified)");
    field(out, "stub checksum",
          hex32(h.stub_checksum) +
              (s.flags.has(flag_check_stub) ? " (verified by the stub)" : " (not compared)"));
    field(out, "payload length", std::to_string(h.payload_length));
    field(out, "files", std::to_string(h.file_count));
    field(out, "file data",
          std::to_string(h.file_data_size) + " bytes" +
              (s.flags.has(flag_packed_file_data) ? ", packed" : "") + ", checksum " +
              hex32(h.file_data_checksum) + ", " + std::to_string(h.payload_length - h.data_offset) +
              " in the section");

    out << "flags " << hex32(static_cast<std::uint32_t>(s.flags.bits >> 32)) << ":"
        << hex32(static_cast<std::uint32_t>(s.flags.bits)).substr(2) << "\n";
    for (const std::string& name : flag_word_names(s.flags.bits))
        out << "  " << name << "\n";

    out << "script\n";
    field(out, "product", quoted(s.default_product_name));
    field(out, "version", quoted(s.display_version));
    field(out, "publisher", quoted(s.publisher));
    field(out, "directory", quoted(s.default_directory));
    field(out, "start menu folder", quoted(s.start_menu));
    field(out, "shared folder", quoted(s.shared_path));
    field(out, "registry key", quoted(s.product_registry));
    field(out, "uninstall key", quoted(s.uninstall_key_name));
    field(out, "uninstall folder", quoted(s.uninstall_subdir));
    field(out, "uninstaller", quoted(s.uninstaller_file_name));
    field(out, "uninstaller date", stamp(s.uninstaller_date));
    if (s.flags.has(flag_master_product))
        field(out, "master product", quoted(s.master_product_key));
    field(out, "desktop folder", quoted(s.desktop_folder));
    field(out, "shortcut mode", s.shortcut_mode == 1 ? "all users" : "current user");
    field(out, "minimum stage time", std::to_string(s.minimum_stage_time) + " ms");
    field(out, "excluded systems", hex32(static_cast<std::uint32_t>(s.excluded_systems)));
    field(out, "title colour", colour(s.title_colour));
    if (s.flags.has(flag_gradient_colours))
        field(out, "gradient", colour(s.top_colour) + " to " + colour(s.bottom_colour));
    field(out, "background picture",
          s.background_picture.is_empty() ? "none"
                                          : std::to_string(s.background_picture.length()) + " bytes");
    field(out, "licence pages", std::to_string(s.licence_pages.count()));
    field(out, "read-me pages", std::to_string(s.readme_pages.count()));
    const std::pair<const char*, const String*> batches[] = {
        {"batch before files", &s.batch_before_files},
        {"batch after files", &s.batch_after_files},
        {"final batch", &s.final_batch},
        {"uninstall batch 1", &s.uninstall_batch1},
        {"uninstall batch 2", &s.uninstall_batch2},
    };
    for (const auto& [name, text] : batches)
        if (!text->is_empty())
            field(out, name, quoted(*text));
    field(out, "volume name",
          quoted(s.volume_base_name) + ", first tag " + std::to_string(s.first_volume_number));
    if (s.uninstaller_patch_offset > 0)
        field(out, "uninstaller patch",
              std::to_string(s.uninstaller_patch.length()) + " bytes at " +
                  std::to_string(s.uninstaller_patch_offset));
    for (std::int32_t i = 0; i < s.deletions.count(); ++i) {
        const FileDeletion& d = *s.deletions.element(i);
        field(out, "delete",
              quoted(d.path) + " condition " + std::to_string(static_cast<int>(d.condition)) +
                  (d.value.is_empty() ? "" : " " + quoted(d.value)) +
                  ((d.options & 2) ? ", at restart" : ""));
    }
    for (std::int32_t i = 0; i < s.associations.count(); ++i) {
        const FileAssociation& a = *s.associations.element(i);
        field(out, "association",
              quoted(a.extension) + " -> " + quoted(a.file_type) + " " + quoted(a.verb) + ": " +
                  quoted(a.command));
    }
    for (std::int32_t i = 0; i < s.uninstall_values.count(); ++i) {
        const UninstallData& u = *s.uninstall_values.element(i);
        field(out, "uninstall value",
              quoted(u.name) + " = " + quoted(u.value) + " (kind " +
                  std::to_string(static_cast<int>(u.kind)) + ")");
    }

    out << "languages (" << s.language_names.count() << ", " << s.language_strings.count()
        << " strings each)\n";
    for (std::int32_t i = 0; i < s.language_names.count(); ++i) {
        std::string title = s.language_strings.count() > 0 && i < s.language_strings.element(0)->count()
                                ? quoted(*s.language_strings.element(0)->element(i))
                                : "\"\"";
        out << "  " << quoted(*s.language_names.element(i)) << ", title " << title << "\n";
    }

    if (!volumes.empty()) {
        out << "volumes\n";
        for (const VolumeReport& v : volumes)
            out << "  " << v.number << "  " << v.path << "  " << (v.problem.empty() ? "found" : v.problem)
                << "\n";
    }
    out << "files\n";
    if (!files_error.empty()) {
        out << "  not read: " << files_error << "\n";
        for (std::int32_t i = 0; i < h.file_sizes.count(); ++i)
            out << "  " << i + 1 << "  " << *h.file_sizes.element(i) << " bytes\n";
        return out.str();
    }
    for (size_t i = 0; i < files.size(); ++i) {
        const FileRecord& f = files[i];
        out << "  " << i + 1 << "  " << quoted(f.name) << "  " << destination_name(f.destination);
        if (!f.target_path.is_empty())
            out << " -> " << quoted(f.target_path);
        out << "  " << f.data.length() << " bytes, checksum ok, " << stamp(f.time);
        if (!f.version.is_empty())
            out << ", "
                << (f.destination == 0 || f.destination == 5 ? "shortcut "
                    : f.destination == 4                     ? "font "
                                                             : "version ")
                << quoted(f.version);
        if (f.options != 0)
            out << ", options " << hex32(static_cast<std::uint32_t>(f.options));
        if (f.attributes != 0)
            out << ", attributes " << hex32(static_cast<std::uint32_t>(f.attributes));
        out << "\n";
    }
    return out.str();
}
