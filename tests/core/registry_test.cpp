// The portable part of the registry unit: path texts, path splitting and the tree
// walk of ValueStore. The registry itself is tested under Wine (registry_win32_test).

#include "core/registry.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/string_text.h"

namespace {

TEST(RegistryPath, PredefinedRootsHaveTheirPrefixes) {
    EXPECT_STREQ(RegistryKey::root_prefix(RegistryKey::hkey_classes_root()), "HKEY_CLASSES_ROOT\\");
    EXPECT_STREQ(RegistryKey::root_prefix(RegistryKey::hkey_current_user()), "HKEY_CURRENT_USER\\");
    EXPECT_STREQ(RegistryKey::root_prefix(RegistryKey::hkey_local_machine()), "HKEY_LOCAL_MACHINE\\");
    EXPECT_STREQ(RegistryKey::root_prefix(RegistryKey::hkey_users()), "HKEY_USERS\\");
    EXPECT_STREQ(RegistryKey::root_prefix(RegistryKey::hkey_current_config()), "HKEY_CURRENT_CONFIG\\");
    // HKEY_PERFORMANCE_DATA (0x80000004) and ordinary handles are no roots of ours.
    EXPECT_EQ(RegistryKey::root_prefix(reinterpret_cast<void*>(static_cast<intptr_t>(INT32_MIN + 4))),
              nullptr);
    int some_object = 0;
    EXPECT_EQ(RegistryKey::root_prefix(&some_object), nullptr);
    EXPECT_EQ(RegistryKey::root_prefix(nullptr), nullptr);
}

TEST(RegistryPath, TextOfAnOpenedKey) {
    int handle = 0; // stands for a key opened earlier
    struct Case {
        void* root;
        const char* parent;
        const char* subkey;
        const char* expected;
    };
    const Case cases[] = {
        // A predefined root starts the text afresh, whatever was current.
        {RegistryKey::hkey_local_machine(), "HKEY_CURRENT_USER\\X", "Software\\A",
         "HKEY_LOCAL_MACHINE\\Software\\A"},
        {RegistryKey::hkey_classes_root(), "", ".txt", "HKEY_CLASSES_ROOT\\.txt"},
        {RegistryKey::hkey_current_user(), "", "", "HKEY_CURRENT_USER\\"},
        {RegistryKey::hkey_current_user(), "", nullptr, "HKEY_CURRENT_USER\\"},
        // A relative open adds one level with one backslash.
        {&handle, "HKEY_LOCAL_MACHINE\\Software\\A", "B", "HKEY_LOCAL_MACHINE\\Software\\A\\B"},
        {&handle, "HKEY_CURRENT_USER\\", "Software", "HKEY_CURRENT_USER\\Software"},
        {&handle, "HKEY_CLASSES_ROOT\\txtfile", "shell\\open", "HKEY_CLASSES_ROOT\\txtfile\\shell\\open"},
        {&handle, "HKEY_CLASSES_ROOT\\txtfile", "", "HKEY_CLASSES_ROOT\\txtfile"},
        {&handle, "", "B", "B"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(text_of(RegistryKey::key_path_text(c.root, String(c.parent), c.subkey)), c.expected)
            << c.parent << " + " << (c.subkey != nullptr ? c.subkey : "(null)");
}

TEST(RegistryPath, SplitAtTheLastBackslash) {
    struct Case {
        const char* path;
        const char* key_path;
        const char* name;
    };
    const Case cases[] = {
        {"Software\\Maker\\Product\\Version", "Software\\Maker\\Product", "Version"},
        {"Version", "", "Version"},
        {"Software\\Maker\\", "Software\\Maker", ""},
        {"\\Version", "", "Version"},
        {"a\\\\b", "a\\", "b"},
        {"", "", ""},
        {nullptr, "", ""},
    };
    for (const Case& c : cases) {
        String key_path("stale");
        String name("stale");
        RegistryKey::split_path(c.path, key_path, name);
        const char* shown = c.path != nullptr ? c.path : "(null)";
        EXPECT_EQ(text_of(key_path), c.key_path) << shown;
        EXPECT_EQ(text_of(name), c.name) << shown;
    }
}

// A store that records the parts it is asked to enter and refuses a chosen one.
class RecordingStore : public ValueStore {
  public:
    void exchange(const char*, Variant&) override {}
    bool enter(const String& name) override {
        entered += "[" + text_of(name) + "]";
        return !name.equals(String("refused"));
    }
    bool go_to_top() override {
        entered += "top";
        return top_allowed;
    }
    std::string entered;
    bool top_allowed = true;
};

TEST(ValueStore, GoToEntersEveryPartBeforeTheValueName) {
    struct Case {
        const char* path;
        bool top_allowed;
        bool result;
        const char* entered;
    };
    const Case cases[] = {
        {"a\\b\\value", true, true, "[a][b]"},
        {"value", true, true, ""},
        {"a\\\\value", true, true, "[a][]"}, // an empty part is entered too
        {"a\\", true, true, "[a]"},
        {"\\a\\value", true, true, "top[a]"},
        {"\\a\\value", false, false, "top"},
        {"", true, true, "top"},
        {"", false, false, "top"},
        {"a\\refused\\b\\value", true, false, "[a][refused]"},
    };
    for (const Case& c : cases) {
        RecordingStore store;
        store.top_allowed = c.top_allowed;
        EXPECT_EQ(store.go_to(c.path), c.result) << c.path;
        EXPECT_EQ(store.entered, c.entered) << c.path;
    }
    RecordingStore store;
    EXPECT_FALSE(store.go_to(nullptr));
    EXPECT_EQ(store.entered, "");

    // Another separator is honoured.
    store.set_separator('/');
    EXPECT_TRUE(store.go_to("x/y\\z/value"));
    EXPECT_EQ(store.entered, "[x][y\\z]");
}

} // namespace
