#pragma once
// The bytes of an unpacked install script, field by field in read order, for the
// tests of its readers: a complete two-language script that a test changes, cuts or
// damages by field name.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/string.h"

namespace script_bytes {

inline std::string u8(unsigned v) {
    return std::string(1, static_cast<char>(v & 0xFF));
}
inline std::string u16(unsigned v) {
    return u8(v) + u8(v >> 8);
}
inline std::string i32(std::int64_t v) {
    std::uint32_t u = static_cast<std::uint32_t>(v);
    return u16(u & 0xFFFF) + u16(u >> 16);
}
inline std::string i64(std::uint64_t v) {
    return i32(static_cast<std::uint32_t>(v)) + i32(static_cast<std::uint32_t>(v >> 32));
}
inline std::string txt(const std::string& s) {
    return s + std::string(1, '\0');
}

// A script spelled out field by field in the stub's read order; a test replaces a
// field by name to damage it.
struct ScriptBytes {
    std::vector<std::pair<std::string, std::string>> fields = {
        {"flags", i64(0x100000000ull | 0x2000 | 0x10000)},
        {"stage time", u16(250)},
        {"shortcut mode", u8(3)},
        {"uninstaller date", i32(2001) + i32(2) + i32(3) + i32(4) + i32(5) + i32(6)},
        {"publisher", txt("Acme")},
        {"product", txt("Tool")},
        {"shared path", txt("")},
        {"start menu", txt("")},
        {"directory", txt("<master>")},
        {"version", txt("1.2")},
        {"registry", txt("Software\\Acme\\Tool")},
        {"licence", i32(2) + txt("L1\n") + txt("L2")},
        {"readme", i32(1) + txt("R1")},
        {"uninstall subdir", txt("Uninst")},
        {"volume base", txt("TOOL")},
        {"uninstaller name", txt("unTool.exe")},
        {"uninstall key", txt("Acme Tool")},
        {"colours", i32(0x111111) + i32(0x222222) + i32(0x333333)},
        {"picture", i32(3) + "BMP"},
        {"master key", txt("Acme Base")},
        {"desktop", txt("Acme")},
        {"batches", txt("b1") + txt("b2") + txt("b3") + txt("u1") + txt("u2")},
        {"reserved", std::string(20, '\x7F')},
        {"excluded", i32(0x14)},
        {"first volume", i32(4711)},
        {"patch", i32(0x300) + std::string(2216, 'P')},
        {"deletions", txt("old.dll") + u8(0xC8) + txt("") + i32(2) + txt("~~the end~~") + u8(1) +
                          txt("2001-01-01") + i32(0) + txt("~~THE END~~")},
        {"associations", i32(1) + i32(1) + txt("tl") + txt("Tool.Doc") + txt("Tool document") + txt("open") +
                             txt("&Open") + txt("\"%InstallDir%\\tool.exe\" \"%1\"") + txt("") +
                             txt("%InstallDir%\\tool.exe,0")},
        {"uninstall values",
         i32(2) + txt("HelpLink") + u8(1) + txt("http://acme") + txt("Size") + u8(4) + txt("42")},
        {"language count", u8(2)},
        {"string count", i32(3)},
        {"language names", txt("English") + txt("Deutsch")},
        {"strings", txt("<Product> Setup") + txt("<product> Installation") + txt("a\nb\rc") + txt("x") +
                        txt("in <OS>") + txt("")},
        {"end", i32(0xD3E82B97)},
    };

    void set(const std::string& name, const std::string& bytes) {
        for (auto& field : fields)
            if (field.first == name)
                field.second = bytes;
    }
    void cut_after(const std::string& name) {
        for (size_t i = 0; i < fields.size(); ++i)
            if (fields[i].first == name) {
                fields.resize(i + 1);
                return;
            }
    }
    String build() const {
        std::string all;
        for (const auto& field : fields)
            all += field.second;
        return String(all.data(), static_cast<std::int32_t>(all.size()));
    }
};

} // namespace script_bytes
