#include "installer/install_script.h"

#include <utility>

#include "format/script.h"
#include "installer/failure.h"

void read_install_script(InstallRun& run, const String& bytes) {
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
    apply_script_defaults(script, run.product_name);
    if (code != 0)
        corrupt_installer(run, code);
}
