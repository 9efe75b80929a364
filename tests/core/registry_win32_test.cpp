// RegistryKey against Wine's real registry. Each test works below a key of its own,
// HKEY_LOCAL_MACHINE (and HKEY_CURRENT_USER)\Software\VarnookTests\<test>-<pid>, which
// it removes with Wine's own reg.exe afterwards; reg.exe also checks what was stored.

#include "core/registry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/program.h"
#include "core/variant.h"
#include "core/win32.h"
#include "tests/support/fatal_capture.h"
#include "tests/support/process_win32.h"
#include "tests/support/string_text.h"
#include "tests/support/timeouts.h"

namespace {

// Started with this argument and a subkey path, the test executable opens that key
// below HKEY_LOCAL_MACHINE (open only) with the options that follow it, and ends with
// the result of `open` as exit code: the child of the failure-report tests.
const char child_argument[] = "--registry-open-child";

[[maybe_unused]] const bool child_mode = [] {
    int argc = __argc;
    char** argv = __argv;
    if (argc != 4 || std::strcmp(argv[1], child_argument) != 0)
        return false;
    RegistryKey key;
    int32_t result = key.open(RegistryKey::hkey_local_machine(), argv[2], std::strtoul(argv[3], nullptr, 16));
    ExitProcess(static_cast<UINT>(result));
    return true;
}();

RunResult reg(const std::vector<std::string>& arguments) {
    std::vector<std::string> line = {"reg"};
    line.insert(line.end(), arguments.begin(), arguments.end());
    return run_process(command_line(line), timeouts::program_ms);
}

// What the system stored, read without the code under test.
struct RawValue {
    LONG status = ERROR_FILE_NOT_FOUND;
    DWORD type = REG_NONE;
    std::string bytes;
};

RawValue raw_value(const std::string& key_path, const char* name) {
    RawValue value;
    HKEY key;
    value.status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, key_path.c_str(), 0, KEY_READ, &key);
    if (value.status != ERROR_SUCCESS)
        return value;
    char buffer[512];
    DWORD size = sizeof buffer;
    value.status = RegQueryValueExA(key, name, nullptr, &value.type, reinterpret_cast<BYTE*>(buffer), &size);
    if (value.status == ERROR_SUCCESS)
        value.bytes.assign(buffer, size);
    RegCloseKey(key);
    return value;
}

bool raw_key_exists(const std::string& key_path) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key_path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

class Registry : public testing::Test {
  protected:
    void SetUp() override {
        const char* test = testing::UnitTest::GetInstance()->current_test_info()->name();
        base_ = "Software\\VarnookTests\\" + std::string(test) + "-" + std::to_string(GetCurrentProcessId());
        remove_keys();
    }
    void TearDown() override {
        remove_keys();
        EXPECT_FALSE(raw_key_exists(base_)) << "test key left behind: " << base_;
    }
    void remove_keys() {
        for (const char* root : {"HKLM\\", "HKCU\\"}) {
            if (reg({"query", root + base_}).exit_code == 0) {
                EXPECT_EQ(reg({"delete", root + base_, "/f"}).exit_code, 0u) << root << base_;
            }
        }
    }

    // A path below the test's key.
    std::string at(const std::string& relative) const { return base_ + "\\" + relative; }
    std::string machine_text(const std::string& relative) const {
        return "HKEY_LOCAL_MACHINE\\" + at(relative);
    }
    // Opens (creating) a key below the test's key as the current key.
    void open_at(RegistryKey& key, const std::string& relative) {
        ASSERT_NE(key.open(RegistryKey::hkey_local_machine(), at(relative).c_str(), 0),
                  RegistryKey::open_failed)
            << relative;
    }
    // Stores a value with the system's own call: type and bytes exactly as given.
    void set_raw(const std::string& relative, const char* name, DWORD type, const std::string& bytes) {
        HKEY key;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, at(relative).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        EXPECT_EQ(RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                                 static_cast<DWORD>(bytes.size())),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }

    std::string base_;
};

TEST_F(Registry, OpenResultsAndTheCursor) {
    const void* machine = RegistryKey::hkey_local_machine();
    RegistryKey key;
    EXPECT_EQ(key.handle(), nullptr);
    EXPECT_EQ(text_of(key.current_path()), "");

    // Open only: a missing key fails and leaves the cursor as it was.
    EXPECT_EQ(key.open(RegistryKey::hkey_local_machine(), at("A").c_str(), RegistryKey::open_existing), 0);
    EXPECT_EQ(key.handle(), nullptr);
    EXPECT_EQ(text_of(key.current_path()), "");
    EXPECT_FALSE(raw_key_exists(at("A")));

    // Without open_existing the key is created, then opened.
    EXPECT_EQ(key.open(RegistryKey::hkey_local_machine(), at("A").c_str(), 0), RegistryKey::created_new);
    EXPECT_EQ(text_of(key.current_path()), machine_text("A"));
    void* a = key.handle();
    ASSERT_NE(a, nullptr);
    EXPECT_NE(a, machine);
    key.close();
    EXPECT_EQ(key.open(RegistryKey::hkey_local_machine(), at("A").c_str(), RegistryKey::open_existing),
              RegistryKey::opened_existing);
    EXPECT_EQ(key.open(RegistryKey::hkey_local_machine(), at("A").c_str(), 0), RegistryKey::opened_existing);
    key.close();
    ASSERT_TRUE(key.write_text("Level", "A", 0));

    // Down one level: the child's name is added to the path text.
    EXPECT_EQ(key.open_child("B", RegistryKey::open_existing), 0);
    EXPECT_EQ(text_of(key.current_path()), machine_text("A"));
    EXPECT_EQ(key.open_child("B", 0), RegistryKey::created_new);
    EXPECT_EQ(text_of(key.current_path()), machine_text("A\\B"));
    ASSERT_TRUE(key.write_text("Level", "B", 0));
    EXPECT_EQ(reg({"query", "HKLM\\" + at("A\\B"), "/v", "Level"}).exit_code, 0u);

    // Back up: the values are those of 'A' again.
    key.close();
    EXPECT_EQ(text_of(key.current_path()), machine_text("A"));
    EXPECT_EQ(text_of(key.read_text("Level", "", 0)), "A");

    // A second close leaves no key: values and counts answer as without one.
    key.close();
    EXPECT_EQ(key.handle(), nullptr);
    EXPECT_EQ(text_of(key.current_path()), "");
    EXPECT_FALSE(key.write_text("Level", "none", 0));
    Variant value;
    EXPECT_FALSE(key.read("Level", value, RegistryKey::required)); // no key: not fatal either
    EXPECT_FALSE(key.value_exists("Level"));
    EXPECT_EQ(key.subkey_count(), -1);
    EXPECT_TRUE(key.is_empty());
    EXPECT_EQ(key.delete_value("Level"), RegistryKey::nothing_to_delete);
    EXPECT_EQ(key.delete_child("B", 0), RegistryKey::nothing_to_delete);
    EXPECT_EQ(key.open_child("B", 0), 0);
    key.close(); // nothing left to close: harmless
    EXPECT_EQ(key.handle(), nullptr);
    EXPECT_EQ(raw_value(at("A"), "Level").bytes, std::string("A", 2));
}

TEST_F(Registry, CloseAllAndRelativeRoots) {
    RegistryKey key;
    open_at(key, "one");
    ASSERT_EQ(key.open_child("two", 0), RegistryKey::created_new);
    // A key opened below a handle of the cursor's own counts as relative.
    ASSERT_EQ(key.open(key.handle(), "three\\four", 0), RegistryKey::created_new);
    EXPECT_EQ(text_of(key.current_path()), machine_text("one\\two\\three\\four"));
    // Any predefined root starts the path text afresh.
    ASSERT_EQ(key.open_software(at("user").substr(std::strlen("Software\\")).c_str(), true, 0),
              RegistryKey::created_new);
    EXPECT_EQ(text_of(key.current_path()), "HKEY_CURRENT_USER\\" + at("user"));
    EXPECT_EQ(reg({"query", "HKCU\\" + at("user")}).exit_code, 0u);
    key.close_all();
    EXPECT_EQ(key.handle(), nullptr);
    EXPECT_EQ(text_of(key.current_path()), "");
    EXPECT_TRUE(raw_key_exists(at("one\\two\\three\\four")));
}

TEST_F(Registry, KeyPathsWithEmptyPartsOrALeadingBackslash) {
    RegistryKey key;
    open_at(key, "kept");
    // The system reads consecutive backslashes as one: the key below, not beside.
    EXPECT_EQ(key.open(RegistryKey::hkey_local_machine(), (base_ + "\\x\\\\y").c_str(), 0),
              RegistryKey::created_new);
    EXPECT_EQ(text_of(key.current_path()), "HKEY_LOCAL_MACHINE\\" + base_ + "\\x\\\\y");
    EXPECT_TRUE(raw_key_exists(at("x\\y")));
    key.close();
    // A leading backslash is refused; the cursor stays.
    EXPECT_EQ(key.open(RegistryKey::hkey_local_machine(), ("\\" + base_ + "\\z").c_str(), 0), 0);
    EXPECT_EQ(key.open_child("\\z", 0), 0);
    EXPECT_EQ(text_of(key.current_path()), machine_text("kept"));
    EXPECT_FALSE(raw_key_exists(at("z")));
    EXPECT_FALSE(raw_key_exists(at("kept\\z")));
}

TEST_F(Registry, ExistenceAndCounts) {
    const std::string below_software = base_.substr(std::strlen("Software\\"));
    RegistryKey key;
    EXPECT_FALSE(RegistryKey::key_exists(RegistryKey::hkey_local_machine(), base_.c_str()));
    EXPECT_FALSE(RegistryKey::software_key_exists(below_software.c_str(), false));
    open_at(key, "parent");
    EXPECT_TRUE(key.is_empty());
    EXPECT_EQ(key.subkey_count(), 0);
    EXPECT_FALSE(key.has_subkeys());
    EXPECT_TRUE(key.child_is_empty("missing"));

    ASSERT_TRUE(key.write_int("Count", 1, 0));
    EXPECT_FALSE(key.is_empty()); // a value alone makes it not empty
    ASSERT_EQ(key.open_child("empty", 0), RegistryKey::created_new);
    key.close();
    ASSERT_EQ(key.open_child("full", 0), RegistryKey::created_new);
    ASSERT_EQ(key.open_child("inner", 0), RegistryKey::created_new);
    key.close();
    key.close();
    EXPECT_EQ(key.subkey_count(), 2);
    EXPECT_TRUE(key.has_subkeys());
    EXPECT_TRUE(key.child_is_empty("empty"));
    EXPECT_FALSE(key.child_is_empty("full")); // a subkey alone makes it not empty
    EXPECT_EQ(text_of(key.current_path()), machine_text("parent"));

    EXPECT_TRUE(RegistryKey::key_exists(RegistryKey::hkey_local_machine(), at("parent\\full").c_str()));
    EXPECT_FALSE(RegistryKey::key_exists(RegistryKey::hkey_local_machine(), at("parent\\none").c_str()));
    EXPECT_FALSE(RegistryKey::key_exists(RegistryKey::hkey_local_machine(), ""));
    EXPECT_FALSE(RegistryKey::key_exists(RegistryKey::hkey_local_machine(), nullptr));
    EXPECT_TRUE(RegistryKey::software_key_exists((below_software + "\\parent").c_str(), false));
    EXPECT_FALSE(RegistryKey::software_key_exists((below_software + "\\parent").c_str(), true));
    EXPECT_FALSE(RegistryKey::software_key_exists(nullptr, false));
}

TEST_F(Registry, EnumSubkeysAndItsLastError) {
    RegistryKey key;
    Vector<String> names;
    EXPECT_EQ(key.enum_subkeys(&names), 0); // no key
    open_at(key, "list");
    EXPECT_EQ(key.enum_subkeys(nullptr), 0);

    SetLastError(ERROR_ACCESS_DENIED);
    EXPECT_EQ(key.enum_subkeys(&names), 0);
    EXPECT_EQ(GetLastError(), 0u);
    EXPECT_EQ(names.count(), 0);

    const std::string longest(RegistryKey::max_subkey_name, 'm');
    for (const std::string& child : {std::string("alpha"), std::string("beta"), longest}) {
        ASSERT_EQ(key.open_child(child.c_str(), 0), RegistryKey::created_new);
        key.close();
    }
    names.add(String("earlier")); // names are appended
    SetLastError(ERROR_ACCESS_DENIED);
    EXPECT_EQ(key.enum_subkeys(&names), 3);
    EXPECT_EQ(GetLastError(), 0u);
    std::vector<std::string> listed;
    for (int32_t i = 0; i < names.count(); ++i)
        listed.push_back(text_of(*names.element(i)));
    std::sort(listed.begin() + 1, listed.end());
    EXPECT_EQ(listed, (std::vector<std::string>{"earlier", "alpha", "beta", longest}));

    // A name longer than the buffer stops the listing with the system's code.
    ASSERT_EQ(key.open_child((longest + "z").c_str(), 0), RegistryKey::created_new);
    key.close();
    Vector<String> some;
    int32_t count = key.enum_subkeys(&some);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MORE_DATA));
    EXPECT_LT(count, 4);
    for (int32_t i = 0; i < some.count(); ++i)
        EXPECT_LE(some.element(i)->length(), 198);
}

TEST_F(Registry, ReadsByTypeAndSize) {
    const std::string forty = "0123456789abcdefghijABCDEFGHIJ0123456789";
    ASSERT_EQ(forty.size(), 40u);
    const std::string nul(1, '\0');
    struct Case {
        const char* name;
        DWORD type;
        std::string stored;
        bool result;
        std::string text; // what to_text gives after a successful read
    };
    const std::vector<Case> cases = {
        // REG_SZ loses its stored NUL; 31 characters fit the first query, 32 do not.
        {"sz40", REG_SZ, forty + nul, true, forty},
        {"sz31", REG_SZ, forty.substr(0, 31) + nul, true, forty.substr(0, 31)},
        {"sz32", REG_SZ, forty.substr(0, 32) + nul, true, forty.substr(0, 32)},
        {"sz_empty", REG_SZ, nul, true, ""},
        {"sz_no_bytes", REG_SZ, "", true, ""},
        {"expand", REG_EXPAND_SZ, "%WinDir%\\x" + nul, true, "%WinDir%\\x"},
        {"expand40", REG_EXPAND_SZ, forty + nul, true, forty},
        // REG_BINARY keeps every byte, NULs too.
        {"binary", REG_BINARY, std::string("a\0b\0", 4), true, std::string("a\0b\0", 4)},
        {"binary40", REG_BINARY, forty + nul + forty, true, forty + nul + forty},
        {"multi", REG_MULTI_SZ, std::string("a\0bc\0\0", 6), true, std::string("a\0bc\0", 5)},
        {"multi40", REG_MULTI_SZ, forty + nul + "x" + nul + nul, true, forty + nul + "x" + nul},
        // A REG_DWORD needs exactly 4 bytes.
        {"dword", REG_DWORD, std::string("\xff\xff\xff\xff", 4), true, "4294967295"},
        {"dword2", REG_DWORD, std::string("\x01\x00", 2), false, ""},
        {"dword8", REG_DWORD, std::string(8, '\x01'), false, ""},
        {"dword40", REG_DWORD, forty, false, ""},
        // Types that are not read at all, short or long.
        {"none", REG_NONE, "abc", false, ""},
        {"none40", REG_NONE, forty, false, ""},
        {"qword", REG_QWORD, std::string(8, '\x02'), false, ""},
    };
    for (const Case& c : cases)
        set_raw("values", c.name, c.type, c.stored);

    RegistryKey key;
    open_at(key, "values");
    for (const Case& c : cases) {
        Variant value;
        value.set_text("before");
        EXPECT_EQ(key.read(c.name, value, RegistryKey::required), c.result) << c.name;
        EXPECT_EQ(text_of(value.to_text()), c.result ? c.text : "before") << c.name;
        EXPECT_TRUE(key.value_exists(c.name)) << c.name;
    }

    EXPECT_EQ(key.read_int("dword", 7, 0), -1);
    EXPECT_EQ(key.read_int("dword2", 7, 0), 7);
    EXPECT_TRUE(key.read_bool("dword2", true, 0));
    EXPECT_FALSE(key.read_bool("dword2", false, 0));
    EXPECT_EQ(text_of(key.read_text("qword", "fallback", 0)), "fallback");
    EXPECT_EQ(text_of(key.read_text("sz40", "fallback", 0)), forty);

    // Texts convert as Variant converts them.
    set_raw("values", "number_text", REG_SZ, std::string("42\0", 3));
    set_raw("values", "no_text", REG_SZ, std::string("no\0", 3));
    EXPECT_EQ(key.read_int("number_text", 0, 0), 42);
    EXPECT_TRUE(key.read_bool("number_text", false, 0));
    EXPECT_FALSE(key.read_bool("no_text", true, 0));

    // A missing value is plain false without `required`.
    Variant value;
    EXPECT_FALSE(key.read("missing", value, 0));
    EXPECT_FALSE(key.value_exists("missing"));
    EXPECT_EQ(key.read_int("missing", 5, 0), 5);
    EXPECT_EQ(text_of(key.read_text("missing", "fallback", 0)), "fallback");
}

TEST_F(Registry, MissingRequiredValueIsFatal) {
    RegistryKey key;
    open_at(key, "Product");
    ASSERT_TRUE(key.write_text("Present", "here", 0));
    const std::string expected = "The following registry key is required by " + std::string(program_name()) +
                                 ", but is invalid or does not exist:\n\n" + machine_text("Product") +
                                 "\\InstallLocation\n\nIf you have tried moving this program to a different "
                                 "computer by copying files, "
                                 "this will not work.  This program must be reinstalled.";
    EXPECT_STREQ(program_name(), "Varnook");
    EXPECT_EQ(fatal_text([&] { key.read_text("InstallLocation", "", RegistryKey::required); }), expected);
    EXPECT_EQ(fatal_text([&] { key.read_int("InstallLocation", 0, RegistryKey::required); }), expected);
    EXPECT_EQ(fatal_text([&] { key.read_text("Present", "", RegistryKey::required); }), "(no fatal ending)");

    // read_text_at names the key it opened for the read.
    RegistryKey other;
    EXPECT_EQ(fatal_text([&] {
                  other.read_text_at(RegistryKey::hkey_local_machine(),
                                     at("Product\\InstallLocation").c_str(), "", RegistryKey::required);
              }),
              expected);
}

TEST_F(Registry, ReadTextAt) {
    set_raw("Maker\\Product", "Path", REG_SZ, std::string("C:\\Apps\0", 8));
    RegistryKey key;
    open_at(key, "elsewhere");
    void* machine = RegistryKey::hkey_local_machine();
    EXPECT_EQ(text_of(key.read_text_at(machine, at("Maker\\Product\\Path").c_str(), "dflt", 0)), "C:\\Apps");
    // The key opens, the value is missing: the empty text, not the default.
    EXPECT_EQ(text_of(key.read_text_at(machine, at("Maker\\Product\\None").c_str(), "dflt", 0)), "");
    // No value name: the default, and no key is opened.
    EXPECT_EQ(text_of(key.read_text_at(machine, at("Maker\\Product\\").c_str(), "dflt", 0)), "dflt");
    EXPECT_EQ(text_of(key.read_text_at(machine, "", "dflt", 0)), "dflt");
    // A key that cannot be opened: the default.
    EXPECT_EQ(text_of(key.read_text_at(machine, ("\\" + at("x\\Path")).c_str(), "dflt", 0)), "dflt");
    // The key is created when absent.
    EXPECT_EQ(text_of(key.read_text_at(machine, at("Fresh\\Path").c_str(), "dflt", 0)), "");
    EXPECT_TRUE(raw_key_exists(at("Fresh")));
    // The cursor is where it was.
    EXPECT_EQ(text_of(key.current_path()), machine_text("elsewhere"));
}

TEST_F(Registry, WritesStoreTheirTypes) {
    RegistryKey key;
    open_at(key, "w");
    const std::string w = at("w");

    // Plain text: REG_SZ with the terminating NUL stored.
    ASSERT_TRUE(key.write_text("Text", "Program Files", 0));
    EXPECT_EQ(raw_value(w, "Text").type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(raw_value(w, "Text").bytes, std::string("Program Files\0", 14));
    ASSERT_TRUE(key.write_text("Empty", "", 0));
    EXPECT_EQ(raw_value(w, "Empty").bytes, std::string(1, '\0'));

    // Expandable text, seen by Wine's reg.exe as well.
    ASSERT_TRUE(key.write_text("Expand", "%SystemRoot%\\system32", RegistryKey::store_expandable));
    EXPECT_EQ(raw_value(w, "Expand").type, static_cast<DWORD>(REG_EXPAND_SZ));
    EXPECT_EQ(raw_value(w, "Expand").bytes, std::string("%SystemRoot%\\system32\0", 22));
    EXPECT_EQ(text_of(key.read_text("Expand", "", 0)), "%SystemRoot%\\system32");
    RunResult query = reg({"query", "HKLM\\" + w, "/v", "Expand"});
    EXPECT_EQ(query.exit_code, 0u);
    EXPECT_NE(query.output.find("Expand    REG_EXPAND_SZ    %SystemRoot%\\system32\r\n"), std::string::npos)
        << query.output;

    // Binary wins over expandable; the text's bytes only, inner NULs included.
    const String bytes("A\0B\xff", 4);
    ASSERT_TRUE(key.write_text("Binary", bytes, RegistryKey::store_binary | RegistryKey::store_expandable));
    EXPECT_EQ(raw_value(w, "Binary").type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(raw_value(w, "Binary").bytes, std::string("A\0B\xff", 4));
    EXPECT_EQ(text_of(key.read_text("Binary", "", 0)), std::string("A\0B\xff", 4));
    query = reg({"query", "HKLM\\" + w, "/v", "Binary"});
    EXPECT_NE(query.output.find("Binary    REG_BINARY    410042FF\r\n"), std::string::npos) << query.output;

    // Numbers are REG_DWORD of 4 bytes.
    ASSERT_TRUE(key.write_int("Number", 0x12345678, 0));
    EXPECT_EQ(raw_value(w, "Number").type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(raw_value(w, "Number").bytes, std::string("\x78\x56\x34\x12", 4));
    ASSERT_TRUE(key.write_bool("Flag", true));
    EXPECT_EQ(raw_value(w, "Flag").bytes, std::string("\x01\0\0\0", 4));
    EXPECT_TRUE(key.read_bool("Flag", false, 0));

    // Variants: integers of any width as REG_DWORD, the rest as text.
    struct Case {
        const char* name;
        Variant value;
        uint32_t options;
        DWORD type;
        std::string bytes;
    };
    std::vector<Case> cases(6);
    cases[0] = {"v_int", {}, 0, REG_DWORD, std::string("\xff\xff\xff\xff", 4)};
    cases[0].value.set_int32(-1);
    cases[1] = {"v_bool", {}, 0, REG_DWORD, std::string("\x01\0\0\0", 4)};
    cases[1].value.set_bool(true);
    cases[2] = {"v_int64", {}, 0, REG_DWORD, std::string("\x02\0\0\0", 4)};
    cases[2].value.set_int64(0x100000002LL);
    cases[3] = {"v_real", {}, 0, REG_SZ, std::string("2.5\0", 4)};
    cases[3].value.set_double(2.5);
    cases[4] = {"v_text", {}, RegistryKey::store_expandable, REG_EXPAND_SZ, std::string("%x%\0", 4)};
    cases[4].value.set_text("%x%");
    cases[5] = {"v_zero", {}, 0, REG_DWORD, std::string(4, '\0')}; // 0 is stored without the option
    cases[5].value.set_uint32(0);
    for (const Case& c : cases) {
        EXPECT_TRUE(key.write(c.name, c.value, c.options)) << c.name;
        RawValue stored = raw_value(w, c.name);
        EXPECT_EQ(stored.type, c.type) << c.name;
        EXPECT_EQ(stored.bytes, c.bytes) << c.name;
    }

    // exchange follows the direction flag.
    Variant value;
    value.set_text("exchanged");
    key.set_writing(true);
    key.exchange("Exchange", value);
    EXPECT_EQ(raw_value(w, "Exchange").bytes, std::string("exchanged\0", 10));
    Variant read_back;
    key.set_writing(false);
    key.exchange("Text", read_back);
    EXPECT_EQ(text_of(read_back.to_text()), "Program Files");
}

TEST_F(Registry, ZeroAndEmptyDeleteWithTheOption) {
    RegistryKey key;
    open_at(key, "d");
    const std::string d = at("d");
    ASSERT_TRUE(key.write_int("Number", 5, 0));
    ASSERT_TRUE(key.write_text("Text", "x", 0));

    EXPECT_TRUE(key.write_int("Number", 0, RegistryKey::delete_if_zero));
    EXPECT_EQ(raw_value(d, "Number").status, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(reg({"query", "HKLM\\" + d, "/v", "Number"}).exit_code, 1u);
    EXPECT_TRUE(key.write_int("Number", 0, RegistryKey::delete_if_zero)); // true even with nothing to delete

    // An empty text reports whether the deletion worked.
    EXPECT_TRUE(key.write_text("Text", "", RegistryKey::delete_if_zero));
    EXPECT_EQ(raw_value(d, "Text").status, ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(key.write_text("Text", "", RegistryKey::delete_if_zero));

    // Variants: empty always deletes, zero and empty with the option.
    struct Case {
        const char* name;
        Variant value;
        uint32_t options;
    };
    std::vector<Case> cases(4);
    cases[0] = {"empty", {}, 0};
    cases[1] = {"zero", {}, RegistryKey::delete_if_zero};
    cases[1].value.set_int32(0);
    cases[2] = {"blank", {}, RegistryKey::delete_if_zero};
    cases[2].value.set_text("");
    cases[3] = {"false", {}, RegistryKey::delete_if_zero};
    cases[3].value.set_bool(false);
    for (const Case& c : cases) {
        ASSERT_TRUE(key.write_text(c.name, "old", 0));
        EXPECT_TRUE(key.write(c.name, c.value, c.options)) << c.name;
        EXPECT_FALSE(key.value_exists(c.name)) << c.name;
    }
    // The other values are untouched.
    EXPECT_TRUE(key.write_text("Kept", "k", 0));
    EXPECT_TRUE(key.value_exists("Kept"));
}

TEST_F(Registry, DeleteValueResults) {
    RegistryKey key;
    EXPECT_EQ(key.delete_value("x"), RegistryKey::nothing_to_delete);
    open_at(key, "v");
    ASSERT_TRUE(key.write_text("x", "1", 0));
    ASSERT_TRUE(key.write_text(nullptr, "default", 0));
    EXPECT_EQ(key.delete_value("x"), RegistryKey::deleted);
    EXPECT_EQ(key.delete_value("x"), RegistryKey::delete_refused);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(key.delete_value(nullptr), RegistryKey::deleted);
    EXPECT_TRUE(key.is_empty());
}

TEST_F(Registry, OnlyIfEmptyLeavesAKeyWithContent) {
    RegistryKey key;
    open_at(key, "parent");
    ASSERT_EQ(key.open_child("valued", 0), RegistryKey::created_new);
    ASSERT_TRUE(key.write_text("Only", "value", 0));
    key.close();
    ASSERT_EQ(key.open_child("branch", 0), RegistryKey::created_new);
    ASSERT_EQ(key.open_child("leaf", 0), RegistryKey::created_new);
    key.close();
    key.close();
    ASSERT_EQ(key.open_child("bare", 0), RegistryKey::created_new);
    key.close();

    EXPECT_EQ(key.delete_child("valued", RegistryKey::only_if_empty), RegistryKey::not_empty);
    EXPECT_EQ(raw_value(at("parent\\valued"), "Only").bytes, std::string("value\0", 6));
    EXPECT_EQ(key.delete_child("branch", RegistryKey::only_if_empty), RegistryKey::not_empty);
    EXPECT_TRUE(raw_key_exists(at("parent\\branch\\leaf")));
    EXPECT_EQ(key.delete_child("bare", RegistryKey::only_if_empty), RegistryKey::deleted);
    EXPECT_FALSE(raw_key_exists(at("parent\\bare")));
    EXPECT_EQ(text_of(key.current_path()), machine_text("parent"));
}

TEST_F(Registry, TreesAreDeletedWholeAndNothingBeside) {
    // parent\tree\{a\{a1, a2\deep}, b}, each with a value; siblings whose names
    // begin like the tree's, and a value of the parent.
    for (const char* path : {"parent\\tree\\a\\a1", "parent\\tree\\a\\a2\\deep", "parent\\tree\\b",
                             "parent\\tree", "parent\\tree-sibling\\inner", "parent\\treetop"})
        set_raw(path, "Value", REG_SZ, std::string("v\0", 2));
    set_raw("parent", "Own", REG_DWORD, std::string(4, '\0'));

    RegistryKey key;
    open_at(key, "parent");
    EXPECT_EQ(key.delete_child("tree", 0), RegistryKey::deleted);
    EXPECT_FALSE(raw_key_exists(at("parent\\tree")));
    EXPECT_EQ(reg({"query", "HKLM\\" + at("parent\\tree")}).exit_code, 1u);
    EXPECT_TRUE(raw_key_exists(at("parent\\tree-sibling\\inner")));
    EXPECT_TRUE(raw_key_exists(at("parent\\treetop")));
    EXPECT_EQ(raw_value(at("parent"), "Own").status, ERROR_SUCCESS);
    EXPECT_EQ(text_of(key.current_path()), machine_text("parent"));

    // A missing child: the system refuses; no name: nothing to act on.
    EXPECT_EQ(key.delete_child("tree", 0), RegistryKey::delete_refused);
    EXPECT_EQ(key.delete_child("", 0), RegistryKey::nothing_to_delete);
    EXPECT_EQ(key.delete_child(nullptr, 0), RegistryKey::nothing_to_delete);
    EXPECT_TRUE(raw_key_exists(at("parent")));

    // Subkeys of a child: the child and its values stay.
    EXPECT_EQ(key.delete_subkeys_of("tree-sibling", 0), RegistryKey::deleted);
    EXPECT_FALSE(raw_key_exists(at("parent\\tree-sibling\\inner")));
    EXPECT_TRUE(raw_key_exists(at("parent\\tree-sibling")));
    EXPECT_EQ(key.delete_subkeys_of("tree-sibling", 0), RegistryKey::nothing_to_delete); // none left
    EXPECT_EQ(key.delete_subkeys_of("missing", 0), RegistryKey::nothing_to_delete);

    // Every subkey of the current key; its own values stay.
    EXPECT_EQ(key.delete_all_subkeys(0), RegistryKey::deleted);
    EXPECT_EQ(key.subkey_count(), 0);
    EXPECT_TRUE(key.value_exists("Own"));
    EXPECT_EQ(key.delete_all_subkeys(0), RegistryKey::nothing_to_delete);
}

TEST_F(Registry, DeletionsByPath) {
    const std::string below_software = base_.substr(std::strlen("Software\\"));
    for (const char* path : {"p\\one\\x", "p\\two", "p\\three", "p\\four\\y"})
        set_raw(path, "Value", REG_SZ, std::string("v\0", 2));
    void* machine = RegistryKey::hkey_local_machine();
    RegistryKey key;

    EXPECT_EQ(key.delete_subkey(machine, at("p").c_str(), "one", 0), RegistryKey::deleted);
    EXPECT_FALSE(raw_key_exists(at("p\\one")));
    EXPECT_EQ(key.delete_subkey(machine, at("missing").c_str(), "one", 0), RegistryKey::nothing_to_delete);

    EXPECT_EQ(key.delete_key_path(machine, at("p\\two").c_str(), 0), RegistryKey::deleted);
    EXPECT_FALSE(raw_key_exists(at("p\\two")));
    // No name after the last backslash, or no path: nothing is deleted.
    EXPECT_EQ(key.delete_key_path(machine, (at("p") + "\\").c_str(), 0), RegistryKey::nothing_to_delete);
    EXPECT_EQ(key.delete_key_path(machine, "", 0), RegistryKey::nothing_to_delete);
    EXPECT_EQ(key.delete_key_path(machine, nullptr, 0), RegistryKey::nothing_to_delete);
    EXPECT_EQ(key.delete_software_key("", false, 0), RegistryKey::nothing_to_delete);
    EXPECT_TRUE(raw_key_exists(at("p\\three")));

    EXPECT_EQ(key.delete_software_key((below_software + "\\p\\three").c_str(), false, 0),
              RegistryKey::deleted);
    EXPECT_FALSE(raw_key_exists(at("p\\three")));
    EXPECT_EQ(key.delete_software_subkey((below_software + "\\p").c_str(), "four", false, 0),
              RegistryKey::deleted);
    EXPECT_FALSE(raw_key_exists(at("p\\four")));
    EXPECT_EQ(key.delete_software_subkey((below_software + "\\p").c_str(), "four", true, 0),
              RegistryKey::nothing_to_delete); // not under HKEY_CURRENT_USER
    EXPECT_TRUE(raw_key_exists(at("p")));
    EXPECT_EQ(key.handle(), nullptr); // every key opened on the way was closed
}

TEST_F(Registry, SubkeyTooLongToListIsNotDeletedAndNothingElseIs) {
    const std::string too_long(RegistryKey::max_subkey_name + 1, 'z');
    set_raw("p\\tree\\a", "Value", REG_SZ, std::string("v\0", 2));
    set_raw("p\\beside", "Value", REG_SZ, std::string("v\0", 2));
    // Relative to its parent: the whole path would be longer than the system takes.
    HKEY tree;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, at("p\\tree").c_str(), 0, KEY_ALL_ACCESS, &tree),
              ERROR_SUCCESS);
    HKEY child;
    EXPECT_EQ(
        RegCreateKeyExA(tree, too_long.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &child, nullptr),
        ERROR_SUCCESS);
    RegCloseKey(child);
    RegCloseKey(tree);
    RegistryKey key;
    open_at(key, "p");
    EXPECT_EQ(key.delete_child("tree", 0), RegistryKey::delete_refused);
    ASSERT_EQ(key.open_child("tree", RegistryKey::open_existing), RegistryKey::opened_existing);
    EXPECT_EQ(key.subkey_count(), 1); // the listed subkey went, the other stayed
    EXPECT_TRUE(RegistryKey::key_exists(key.handle(), too_long.c_str()));
    EXPECT_EQ(RegDeleteKeyA(static_cast<HKEY>(key.handle()), too_long.c_str()), ERROR_SUCCESS);
    key.close();
    EXPECT_TRUE(raw_key_exists(at("p\\beside")));
}

// The failure report shows a message box; it is read and closed from another process
// as a person would, with the UI driver.
TEST_F(Registry, FailureReportShowsTheSystemText) {
    const std::string missing = at("missing");
    // Without report_failure the failed open is silent: the child ends at once.
    RunResult silent = run_process(
        command_line({exe_folder() + "\\core_win32_tests.exe", child_argument, missing, "40"}), 10000);
    EXPECT_FALSE(silent.timed_out);
    EXPECT_EQ(silent.exit_code, 0u);

    Process child;
    ASSERT_TRUE(
        child.start(command_line({exe_folder() + "\\core_win32_tests.exe", child_argument, missing, "50"})));
    RunResult driver = run_process(command_line({exe_folder() + "\\ui_driver.exe", "--pid",
                                                 std::to_string(child.pid()), "show", "press", "OK"}),
                                   timeouts::program_ms);
    EXPECT_EQ(driver.exit_code, 0u) << driver.output;
    char system_text[512];
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             ERROR_FILE_NOT_FOUND, 0, system_text, sizeof system_text, nullptr);
    std::string expected(system_text, n);
    while (!expected.empty() &&
           (expected.back() == '\n' || expected.back() == '\r' || expected.back() == ' '))
        expected.pop_back();
    EXPECT_EQ(driver.output.rfind("dialog caption=\"Registry Error\" pid=" + std::to_string(child.pid()), 0),
              0u)
        << driver.output;
    EXPECT_NE(driver.output.find("control id=65535 class=Static text=\"" + expected + "\""),
              std::string::npos)
        << driver.output;
    EXPECT_NE(driver.output.find("control id=1088 class=Static"), std::string::npos) << driver.output; // icon
    EXPECT_NE(driver.output.find("class=Button text=\"OK\""), std::string::npos) << driver.output;
    ASSERT_TRUE(child.wait(timeouts::process_end_ms));
    EXPECT_EQ(child.exit_code(), 0u);
    EXPECT_FALSE(raw_key_exists(missing));
}

} // namespace
