#include "installer/language_choice.h"

#include <gtest/gtest.h>

#include "tests/support/scripted_prompt.h"

namespace {

// `languages` languages whose display titles are "<product> in <name>".
void set_languages(InstallRun& run, std::initializer_list<const char*> languages) {
    Vector<String> titles;
    for (const char* name : languages) {
        run.languages.names.add(String(name));
        String title("<product> in ");
        title.append(name);
        titles.add(title);
    }
    run.languages.strings.add(titles);
    run.product_name = "Demo Tool";
}

TEST(LanguageChoice, OneLanguageOrAutomaticModeAsksNothing) {
    for (bool automatic : {false, true}) {
        InstallRun run;
        ScriptedPrompt prompt;
        run.prompt = &prompt;
        run.automatic = automatic;
        if (automatic)
            set_languages(run, {"English", "Deutsch"});
        else
            set_languages(run, {"English"});
        prompt.language = 1;
        EXPECT_TRUE(choose_installation_language(run));
        EXPECT_EQ(run.languages.current, 0);
        EXPECT_STREQ(run.background.display_title.c_str(), "Demo Tool in English");
        EXPECT_TRUE(prompt.dialogs.empty());
    }
}

TEST(LanguageChoice, TheChosenLanguageGivesTheTitleAndCancelEnds) {
    InstallRun run;
    ScriptedPrompt prompt;
    run.prompt = &prompt;
    set_languages(run, {"English", "Deutsch"});
    prompt.language = 1;
    EXPECT_TRUE(choose_installation_language(run));
    EXPECT_EQ(run.languages.current, 1);
    EXPECT_STREQ(run.background.display_title.c_str(), "Demo Tool in Deutsch");

    prompt.language = -1;
    EXPECT_FALSE(choose_installation_language(run));
}

} // namespace
