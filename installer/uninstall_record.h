#pragma once
// The uninstall record: the lines of Uninstall.DAT that tell the uninstaller what to
// remove, appended in the order things are made.

#include <cstdint>

#include "core/containers.h"
#include "core/string.h"

enum class RecordKind : std::int32_t {
    file = 0,   // a file or shortcut link: removed
    folder = 1, // "~" line: a folder removed when empty
    key = 2,    // "!" line: a key below HKEY_CLASSES_ROOT (any other non-zero kind)
};

class UninstallRecord {
  public:
    // Appends the line for `path`. Drive roots and shorter paths (and null) are never
    // recorded; a folder or key already recorded (ASCII case ignored) is not again.
    void record(const char* path, RecordKind kind);
    // Empties the record and forgets what was recorded.
    void reset();
    // The lines, each ending in CR LF.
    const String& lines() const { return lines_; }

  private:
    // Whether `upper` was not yet recorded; it is from now on.
    bool note_prefixed(const String& upper);

    String lines_;
    // The upper-cased paths of the "~" and "!" lines, sorted. A Vector of Strings
    // rather than a hash table: the stub has its code already.
    Vector<String> prefixed_;
};
