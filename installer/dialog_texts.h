#pragma once
// The dialogs' texts from the run's language tables: each text the dialogs show is
// one numbered language string.

#include "installer/language.h"
#include "ui/dialogs.h"

// The language string that `which` is.
LanguageStringNumber language_string_number(DialogText which);

class LanguageDialogTexts : public DialogTexts {
  public:
    // Both must outlive this object.
    LanguageDialogTexts(LanguageTables& tables, const String& product_name)
        : tables_(tables), product_name_(product_name) {}

    String text(DialogText which) override;
    const Vector<String>& language_names() override { return tables_.names; }
    void set_language(int index) override { tables_.current = index; }

  private:
    LanguageTables& tables_;
    const String& product_name_;
};
