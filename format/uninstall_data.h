#pragma once
// Uninstall.DAT, the uninstall record file that the installation leaves in the
// uninstall folder and the uninstaller reads back: the record lines (what to remove),
// a [Strings] section with the texts the uninstaller shows, and an [Associations]
// section with the file types to restore. Plain 8-bit text, CR LF line ends; anyone
// can edit it, so the reader takes any bytes and reads only a bounded part of them.

#include <cstdint>

#include "core/containers.h"
#include "core/string.h"

// The numbers of the language strings the file carries, in the order it writes them.
constexpr std::int32_t uninstall_string_numbers[] = {10, 15, 20, 30, 34, 35, 53, 55, 56, 57, 58, 59};
constexpr std::int32_t uninstall_string_count =
    static_cast<std::int32_t>(sizeof uninstall_string_numbers / sizeof uninstall_string_numbers[0]);

// The reader takes at most this many lines from the strings and from the associations.
constexpr std::int32_t max_uninstall_section_lines = 500;
// String numbers the reader accepts: 1 to this.
constexpr std::int32_t max_uninstall_string_number = 1000;

// The file's text: the record lines as they are, the [Strings] section with
// `strings[i]` as the text of uninstall_string_numbers[i] (an empty text still writes
// its number line), and the [Associations] section only when there are lines for it.
String uninstall_data_text(const String& record_lines, const String (&strings)[uninstall_string_count],
                           const String& association_lines);

// One "extension~!~file type~!~verb" line.
struct UninstallAssociation {
    String extension;
    String file_type;
    String verb;
};

struct UninstallDataContents {
    String entries; // everything before the first "[Strings]": the record lines
    Vector<UninstallAssociation> associations;
    String associations_left; // the association lines beyond the ones read
    Vector<String> strings;   // by number; a number the file does not give is empty
};

// Splits `text` into its sections (headers found ignoring case) and reads the strings
// and associations. A section that is missing reads as empty.
void read_uninstall_data(const String& text, UninstallDataContents& contents);

// The lines of a text, walked without copying what is left, so that a file of any size
// is read in one pass. Lines end in CR, LF or NUL; a CR LF or LF CR pair is one end.
class TextLines {
  public:
    explicit TextLines(const String& text) : text_(text) {}
    TextLines(const TextLines&) = delete;
    TextLines& operator=(const TextLines&) = delete;

    bool at_end() const { return position_ >= text_.length(); }
    bool next_starts_block() const { return !at_end() && text_.char_at(position_) == '~'; }
    // The next line into `line`, with its end when `keep_end`; false at the end.
    bool take(String& line, bool keep_end);
    // What is not taken yet.
    String rest() const { return text_.substring(position_); }

  private:
    const String& text_; // outlives the walk
    int32_t position_ = 0;
};

// What one record line names.
enum class UninstallEntryKind {
    file,   // a plain line
    folder, // "~": removed when empty
    key,    // "!": a key below HKEY_CLASSES_ROOT
};

// The next non-empty line of the record lines: its kind and the path without its
// prefix. False when no line is left.
bool take_uninstall_entry(TextLines& entries, UninstallEntryKind& kind, String& path);
