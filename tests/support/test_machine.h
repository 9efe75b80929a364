#pragma once
// A machine of the test's own for the engine's portable code: the folders and values
// it reads, and the system calls it makes, without Windows. Header only, so that any
// test group can use it.

#include <map>
#include <string>
#include <vector>

#include "installer/special_folders.h"
#include "installer/system_calls.h"

// Folder values set by the test; a value not set reads as missing.
class TestFolders : public FolderSource {
  public:
    std::map<std::string, std::string> user_values;    // Shell Folders of the user
    std::map<std::string, std::string> machine_values; // Shell Folders of the machine
    std::map<std::string, std::string> setup_values;   // "name", or "subkey\name"
    std::map<std::string, std::string> environment;
    std::string windows = "C:\\WINDOWS";
    std::string system = "C:\\WINDOWS\\SYSTEM";
    std::string temp = "C:\\WINDOWS\\TEMP";
    std::string installer = "D:\\Setup\\install.exe";

    String shell_folder_value(bool machine, const char* name) const override {
        return lookup(machine ? machine_values : user_values, name);
    }
    String setup_value(const char* subkey, const char* name) const override {
        std::string key = subkey != nullptr && subkey[0] != '\0' ? std::string(subkey) + "\\" + name : name;
        return lookup(setup_values, key);
    }
    String environment_value(const char* name) const override { return lookup(environment, name); }
    String windows_directory() const override { return String(windows.c_str()); }
    String system_directory() const override { return String(system.c_str()); }
    String temp_directory() const override { return String(temp.c_str()); }
    String installer_path() const override { return String(installer.c_str()); }

  private:
    static String lookup(const std::map<std::string, std::string>& values, const std::string& name) {
        auto found = values.find(name);
        return found == values.end() ? String() : String(found->second.c_str());
    }
};

// The folders the engine created through `test_system_calls`, in order.
inline std::vector<std::string>& created_folders() {
    static std::vector<std::string> folders;
    return folders;
}

// System calls that touch nothing: writes and space queries fail, folders are noted.
inline const SystemCalls& test_system_calls() {
    static const SystemCalls calls = {
        [](const char*, const char*, std::int32_t) { return false; },
        [](const char*, const char*) { return false; },
        [](const char*) { return std::uint32_t{0xFFFFFFFF}; },
        [](const char*, std::uint32_t) { return false; },
        [](const char* path) {
            created_folders().push_back(path);
            return true;
        },
        [](const char*, std::int64_t&, std::int64_t&) { return false; },
        [] { return "The test's system refuses."; },
    };
    return calls;
}
