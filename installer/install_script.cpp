#include "installer/install_script.h"

#include <utility>

#include "core/path.h"
#include "format/codes.h"
#include "format/script.h"
#include "installer/failure.h"
#include "installer/special_folders.h"
#include "installer/system_calls.h"

namespace {

// Whether the script was read as far as its colours and picture: a field before them
// was bad, or they were read and a later one was.
bool background_fields_read(int code) {
    switch (code) {
    case corrupt_script_checksum:
    case corrupt_stage_time:
    case corrupt_licence_count:
    case corrupt_readme_count:
    case corrupt_blank_volume_name:
    case corrupt_blank_uninstaller_name:
        return false;
    default:
        return true;
    }
}

// The product's colours replace the start-up defaults only when the script says it
// has its own; a picture brings its own title colour in any case.
void take_background_fields(const InstallScript& script, BackgroundSettings& background) {
    if (script.flags.has(flag_gradient_colours)) {
        background.title_colour = static_cast<std::uint32_t>(script.title_colour);
        background.top_colour = static_cast<std::uint32_t>(script.top_colour);
        background.bottom_colour = static_cast<std::uint32_t>(script.bottom_colour);
        if (script.top_colour != script.bottom_colour)
            background.single_colour = false;
    }
    if (script.background_picture.length() > 0) {
        background.title_colour = static_cast<std::uint32_t>(script.title_colour);
        // A picture that does not load leaves the bitmap empty: the colours show.
        background.picture.load_memory(script.background_picture.c_str(), script.background_picture.length());
    }
}

// The shared folder lies under Common Files and exists from now on; without uninstall
// support there is none.
void resolve_shared_folder(InstallRun& run) {
    String& shared = run.script.shared_path;
    if (shared.is_empty())
        return;
    make_absolute(shared, special_folder(*run.folders, SpecialFolder::common_files).c_str());
    run.system->create_folder(shared.c_str());
}

// A directory the script gives may name the Windows folder and directory variables; a
// relative one lies under Program Files. "<master>" waits for the master product's
// folder, which the install sequence finds.
void resolve_default_directory(InstallRun& run, bool given) {
    String& directory = run.script.default_directory;
    if (given) {
        directory.replace("<os>", special_folder(*run.folders, SpecialFolder::windows).c_str(),
                          String::match_ignore_case);
        expand_directory_variables(directory, directory_values(run));
    }
    if (directory.compare("<master>", false) == 0)
        return;
    make_absolute(directory, special_folder(*run.folders, SpecialFolder::program_files).c_str());
}

} // namespace

void read_install_script(InstallRun& run, const String& bytes, ShowBackground show_background) {
    InstallScript& script = run.script;
    int code = parse_script(bytes, run.payload.header.script_key, script);
    run.flags = script.flags;
    if (script.flags.has(flag_automatic))
        run.automatic = true;
    run.languages.names = std::move(script.language_names);
    run.languages.strings = std::move(script.language_strings);
    run.languages.current = 0;
    script.language_names.clear();
    script.language_strings.clear();
    // Before any text is shown: a text's "<product>" is replaced in the stored text
    // the first time it is asked for, so the name must be there by then.
    bool directory_given = !script.default_directory.is_empty();
    apply_script_defaults(script, run.product_name);
    // A damaged script leaves nothing on the machine, not even the shared folder.
    if (code == 0) {
        resolve_shared_folder(run);
        resolve_default_directory(run, directory_given);
    }
    if (background_fields_read(code))
        take_background_fields(script, run.background);
    // The first language's title until the install sequence lets the user choose one.
    run.background.display_title = language_string(run, string_display_title);
    // The background is up before a bad field is reported, so that the corrupt-
    // installer box shows over it as every later box does.
    if (!run.flags.has(flag_no_background_window) && show_background != nullptr)
        show_background(run);
    if (code != 0)
        corrupt_installer(run, code);
}
