// Any text taken as the installer's command line is accepted or refused with one of
// the two usage complaints, without reading outside it and without hanging. Every
// value an accepted line sets can be given back: written between a pair of quotes
// with its own quotes doubled, as `/d:"..."`, `/n:"..."`, `/u:"..."` and
// `/r:"..."`, it reads back as the same value.

#include <cstdint>
#include <cstring>

#include "core/string.h"
#include "installer/command_line.h"

namespace {

// The value between quotes, each quote in it doubled.
void append_quoted(String& line, const String& value) {
    line.append('"');
    for (int32_t i = 0; i < value.length(); ++i) {
        char c = value.c_str()[i];
        if (c == '"')
            line.append('"');
        line.append(c);
    }
    line.append('"');
}

bool same(const CommandLine& a, const CommandLine& b) {
    return a.automatic == b.automatic && a.uninstall_requested == b.uninstall_requested &&
           a.install_directory == b.install_directory && a.product_name == b.product_name &&
           a.uninstall_name == b.uninstall_name && a.run_after == b.run_after;
}

bool starts_with(const String& text, const char* prefix) {
    return std::strncmp(text.c_str(), prefix, std::strlen(prefix)) == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A command line is a C string: it ends at the first NUL.
    const void* nul = std::memchr(data, 0, size);
    size_t length = nul == nullptr ? size : static_cast<size_t>(static_cast<const uint8_t*>(nul) - data);
    if (length > 0x7FFFFFFF)
        return 0;
    String text(reinterpret_cast<const char*>(data), static_cast<int32_t>(length));

    CommandLine parsed;
    String complaint;
    if (!parse_command_line(text, parsed, complaint)) {
        if (!starts_with(complaint, "Unexpected command line parameter:\n") &&
            !starts_with(complaint, "Illegal command line atom:\n"))
            __builtin_trap();
        return 0;
    }

    String line;
    if (parsed.automatic)
        line.append("/a ");
    if (!parsed.install_directory.is_empty()) {
        line.append("/d:");
        append_quoted(line, parsed.install_directory);
        line.append(' ');
    }
    if (!parsed.product_name.is_empty()) {
        line.append("/n:");
        append_quoted(line, parsed.product_name);
        line.append(' ');
    }
    if (parsed.uninstall_requested) {
        line.append("/u");
        if (!parsed.uninstall_name.is_empty()) {
            line.append(':');
            append_quoted(line, parsed.uninstall_name);
        }
        line.append(' ');
    } else if (!parsed.uninstall_name.is_empty()) {
        __builtin_trap(); // a name without the request
    }
    if (!parsed.run_after.is_empty()) {
        line.append("/r:");
        append_quoted(line, parsed.run_after);
    }
    CommandLine again;
    if (!parse_command_line(line, again, complaint) || !same(parsed, again))
        __builtin_trap();
    return 0;
}
