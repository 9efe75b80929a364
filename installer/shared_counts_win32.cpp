#include "installer/shared_counts.h"

#include "core/registry.h"

std::uint32_t count_down_shared_file(RegistryKey& key, const char* path) {
    std::uint32_t count = static_cast<std::uint32_t>(key.read_int(path, 0, 0));
    if (count > 1) {
        key.write_int(path, count - 1, 0);
        return count - 1;
    }
    key.delete_value(path);
    return 0;
}

namespace {

// The previous installation's files lose the count it gave them, so that a file in
// both keeps its count once this installation has counted it again.
void count_down(RegistryKey& key, String previous) {
    String path;
    bool keep = false;
    while (take_shared_file(previous, path, keep))
        count_down_shared_file(key, path.c_str());
}

} // namespace

void update_shared_counts(InstallRun& run, bool reinstall) {
    RegistryKey key;
    if (key.open_software(shared_dlls_key, false, 0) == RegistryKey::open_failed) {
        run.error_report.append("Registry error: unable to increment shared file reference counts.\r\n\r\n");
        return;
    }
    if (reinstall)
        count_down(key, run.shared_file_value);
    run.shared_file_value.clear();
    for (int32_t i = 0; i < run.shared_files.count(); ++i) {
        const String& entry = run.shared_files.at(i);
        String name(entry);
        if (name.last_char() == ' ')
            name.truncate(name.length() - 1);
        std::uint32_t count = static_cast<std::uint32_t>(key.read_int(name.c_str(), 0, 0));
        key.write_int(name.c_str(), count + 1, 0);
        append_shared_file(run.shared_file_value, entry);
    }
    key.close();
}
