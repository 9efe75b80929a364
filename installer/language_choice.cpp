#include "installer/language_choice.h"

bool choose_installation_language(InstallRun& run) {
    LanguageTables& languages = run.languages;
    const std::int32_t count = languages.names.count();
    languages.current = 0;
    if (count > 1 && !run.automatic) {
        int chosen = run.prompt->choose_language();
        if (chosen < 0)
            return false;
        languages.current = chosen < count ? chosen : count - 1;
    }
    run.background.display_title = language_string(run, string_display_title);
    return true;
}
