#include "installer/uninstall_record.h"

#include <cstring>

void UninstallRecord::record(const char* path, RecordKind kind) {
    if (path == nullptr || std::strlen(path) <= 3)
        return;
    if (kind != RecordKind::file) {
        String upper(path);
        upper.to_upper();
        if (!prefixed_.set(upper, true))
            return;
        lines_.append(kind == RecordKind::folder ? '~' : '!');
    }
    lines_.append(path);
    lines_.append("\r\n");
}

void UninstallRecord::reset() {
    lines_.clear();
    prefixed_.reset(97);
}
