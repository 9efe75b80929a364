#include "installer/special_folders.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/filesystem.h"
#include "core/win32.h"

namespace {

const char* const shell_folders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char* const current_version = "Software\\Microsoft\\Windows\\CurrentVersion";

// One registry value of the prefix, set or removed for a test and put back as it was
// when the test ends.
class ChangedValue {
  public:
    ChangedValue(HKEY root, const char* key, const char* name) : root_(root), key_(key), name_(name) {
        HKEY handle = nullptr;
        if (RegCreateKeyExA(root_, key_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle, nullptr) !=
            ERROR_SUCCESS)
            return;
        DWORD size = 0;
        if (RegQueryValueExA(handle, name_.c_str(), nullptr, &type_, nullptr, &size) == ERROR_SUCCESS) {
            saved_.resize(size);
            existed_ = RegQueryValueExA(handle, name_.c_str(), nullptr, &type_, saved_.data(), &size) ==
                       ERROR_SUCCESS;
        }
        RegCloseKey(handle);
    }
    ~ChangedValue() {
        HKEY handle = nullptr;
        if (RegOpenKeyExA(root_, key_.c_str(), 0, KEY_ALL_ACCESS, &handle) != ERROR_SUCCESS)
            return;
        if (existed_)
            RegSetValueExA(handle, name_.c_str(), 0, type_, saved_.data(), static_cast<DWORD>(saved_.size()));
        else
            RegDeleteValueA(handle, name_.c_str());
        RegCloseKey(handle);
    }
    ChangedValue(const ChangedValue&) = delete;
    ChangedValue& operator=(const ChangedValue&) = delete;

    void set(const std::string& text, DWORD type = REG_SZ) {
        HKEY handle = nullptr;
        ASSERT_EQ(RegOpenKeyExA(root_, key_.c_str(), 0, KEY_ALL_ACCESS, &handle), ERROR_SUCCESS);
        EXPECT_EQ(RegSetValueExA(handle, name_.c_str(), 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                                 static_cast<DWORD>(text.size() + 1)),
                  ERROR_SUCCESS);
        RegCloseKey(handle);
    }
    void remove() {
        HKEY handle = nullptr;
        ASSERT_EQ(RegOpenKeyExA(root_, key_.c_str(), 0, KEY_ALL_ACCESS, &handle), ERROR_SUCCESS);
        RegDeleteValueA(handle, name_.c_str());
        RegCloseKey(handle);
    }

  private:
    HKEY root_;
    std::string key_;
    std::string name_;
    bool existed_ = false;
    DWORD type_ = REG_SZ;
    std::vector<BYTE> saved_;
};

std::string windows_dir() {
    return program_paths().windows_directory.c_str();
}

std::string folder(SpecialFolder which) {
    return special_folder(machine_folders(), which).c_str();
}

struct RegistryFolder {
    SpecialFolder folder;
    bool machine;        // HKEY_LOCAL_MACHINE
    const char* key;     // below the root
    const char* name;    // the value
    std::string missing; // the folder without the value (the others removed as well)
};

// Every folder that comes from a value: set, it is read at once (a trailing backslash
// dropped); removed, the fallback is built from the Windows folder, the Program Files
// folder or the user's folder.
TEST(SpecialFoldersOnWine, EachValueIsReadWhenAskedAndFallsBackWhenRemoved) {
    const std::string windows = windows_dir();
    const std::vector<RegistryFolder> folders = {
        {SpecialFolder::desktop, false, shell_folders, "Desktop", windows + "\\Desktop"},
        {SpecialFolder::desktop_all, true, shell_folders, "Common Desktop", windows + "\\Desktop"},
        {SpecialFolder::documents, false, shell_folders, "Personal", "c:\\My Documents"},
        {SpecialFolder::documents_all, true, shell_folders, "Common Documents", "c:\\My Documents"},
        {SpecialFolder::favorites, false, shell_folders, "Favorites", windows + "\\Favorites"},
        {SpecialFolder::favorites_all, true, shell_folders, "Common Favorites", windows + "\\Favorites"},
        {SpecialFolder::fonts, false, shell_folders, "Fonts", windows + "\\Fonts"},
        {SpecialFolder::start_menu, false, shell_folders, "Start Menu", windows + "\\Start Menu"},
        {SpecialFolder::start_menu_all, true, shell_folders, "Common Start Menu", windows + "\\Start Menu"},
        {SpecialFolder::programs, false, shell_folders, "Programs", windows + "\\Start Menu\\Programs"},
        {SpecialFolder::programs_all, true, shell_folders, "Common Programs",
         windows + "\\Start Menu\\Programs"},
        {SpecialFolder::startup, false, shell_folders, "Startup",
         windows + "\\Start Menu\\Programs\\StartUp"},
        {SpecialFolder::startup_all, true, shell_folders, "Common Startup",
         windows + "\\Start Menu\\Programs\\StartUp"},
        {SpecialFolder::program_files, true, current_version, "ProgramFilesDir", "c:\\Program Files"},
        {SpecialFolder::common_files, true, current_version, "CommonFilesDir",
         "c:\\Program Files\\Common Files"},
        {SpecialFolder::device_information, true, current_version, "DevicePath", windows + "\\INF"},
        {SpecialFolder::media, true, current_version, "MediaPath", windows + "\\Media"},
    };
    std::vector<std::unique_ptr<ChangedValue>> values;
    for (const RegistryFolder& f : folders)
        values.push_back(std::make_unique<ChangedValue>(f.machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER,
                                                        f.key, f.name));

    for (size_t i = 0; i < folders.size(); ++i) {
        SCOPED_TRACE(folders[i].name);
        std::string value = std::string("X:\\Varnook Test\\") + folders[i].name + "\\";
        values[i]->set(value);
        EXPECT_EQ(folder(folders[i].folder), value.substr(0, value.size() - 1));
    }
    for (size_t i = 0; i < folders.size(); ++i)
        values[i]->remove();
    for (const RegistryFolder& f : folders)
        EXPECT_EQ(folder(f.folder), f.missing) << f.name;
}

TEST(SpecialFoldersOnWine, TheMachinesOwnFolders) {
    // As the prefix has them, untouched: the values Wine writes.
    EXPECT_EQ(folder(SpecialFolder::windows), windows_dir());
    char system[MAX_PATH];
    GetSystemDirectoryA(system, MAX_PATH);
    EXPECT_EQ(folder(SpecialFolder::system), system);
    EXPECT_EQ(folder(SpecialFolder::temp), temp_directory().c_str());
    char program_files[MAX_PATH];
    ASSERT_GT(GetEnvironmentVariableA("ProgramFiles", program_files, MAX_PATH), 0u);
    EXPECT_STRCASEEQ(folder(SpecialFolder::program_files).c_str(), program_files);
    EXPECT_TRUE(folder_exists(folder(SpecialFolder::desktop).c_str())) << folder(SpecialFolder::desktop);
}

TEST(SpecialFoldersOnWine, TheDevicePathExpandsTheSystemRoot) {
    ChangedValue device(HKEY_LOCAL_MACHINE, current_version, "DevicePath");
    device.set("%SystemRoot%\\inf;%systemroot%\\more", REG_EXPAND_SZ);
    char root[MAX_PATH];
    ASSERT_GT(GetEnvironmentVariableA("SystemRoot", root, MAX_PATH), 0u);
    EXPECT_EQ(folder(SpecialFolder::device_information), std::string(root) + "\\inf;" + root + "\\more");
}

TEST(SpecialFoldersOnWine, TheBootDriveFromTheSetupValue) {
    ChangedValue boot(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Setup", "BootDir");
    boot.set("e:\\");
    EXPECT_EQ(boot_drive(machine_folders()), 'E');
    boot.set("nothing");
    EXPECT_EQ(boot_drive(machine_folders()), 'C');
    boot.remove();
    EXPECT_EQ(boot_drive(machine_folders()), 'C');
}

} // namespace
