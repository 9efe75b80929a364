#include "installer/special_folders.h"

#include "core/filesystem.h"
#include "core/win32.h"

namespace {

constexpr const char* current_version_key = "Software\\Microsoft\\Windows\\CurrentVersion";
constexpr const char* shell_folders_key =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// A text value read with query rights only: an ordinary user on the NT line may read
// the machine's keys but not open them for writing.
String registry_text(HKEY root, const char* subkey, const char* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, subkey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return String();
    String text;
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ) && size > 0 && size < 0x10000) {
        String buffer;
        buffer.set_length(static_cast<int32_t>(size));
        if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size) ==
            ERROR_SUCCESS)
            text.assign(buffer.c_str()); // up to the first NUL, whatever the size said
    }
    RegCloseKey(key);
    return text;
}

class MachineFolders : public FolderSource {
  public:
    String shell_folder_value(bool machine, const char* name) const override {
        return registry_text(machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER, shell_folders_key, name);
    }
    String setup_value(const char* subkey, const char* name) const override {
        String key(current_version_key);
        if (subkey != nullptr && subkey[0] != '\0') {
            key.append('\\');
            key.append(subkey);
        }
        return registry_text(HKEY_LOCAL_MACHINE, key.c_str(), name);
    }
    String environment_value(const char* name) const override {
        char buffer[MAX_PATH + 1];
        DWORD n = GetEnvironmentVariableA(name, buffer, sizeof buffer);
        if (n == 0 || n >= sizeof buffer)
            return String();
        return String(buffer, static_cast<int32_t>(n));
    }
    String windows_directory() const override { return program_paths().windows_directory; }
    String system_directory() const override {
        char buffer[MAX_PATH + 1];
        UINT n = GetSystemDirectoryA(buffer, sizeof buffer);
        if (n == 0 || n >= sizeof buffer)
            return String();
        return String(buffer, static_cast<int32_t>(n));
    }
    String temp_directory() const override { return ::temp_directory(); }
    String installer_path() const override { return program_paths().installer_path; }
};

} // namespace

const FolderSource& machine_folders() {
    static const MachineFolders machine;
    return machine;
}
