#include "installer/uninstall_record.h"

#include <cstring>

bool UninstallRecord::note_prefixed(const String& upper) {
    int32_t low = 0;
    int32_t high = prefixed_.count();
    while (low < high) {
        int32_t middle = low + (high - low) / 2;
        int32_t order = prefixed_.at(middle).compare(upper);
        if (order == 0)
            return false;
        if (order < 0)
            low = middle + 1;
        else
            high = middle;
    }
    prefixed_.insert(low, upper);
    return true;
}

void UninstallRecord::record(const char* path, RecordKind kind) {
    if (path == nullptr || std::strlen(path) <= 3)
        return;
    if (kind != RecordKind::file) {
        String upper(path);
        upper.to_upper();
        if (!note_prefixed(upper))
            return;
        lines_.append(kind == RecordKind::folder ? '~' : '!');
    }
    lines_.append(path);
    lines_.append("\r\n");
}

void UninstallRecord::reset() {
    lines_.clear();
    prefixed_.clear();
}
