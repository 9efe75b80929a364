#pragma once
// Registry access: `RegistryKey`, a cursor over the Windows registry, and
// `ValueStore`, the abstract tree of named values it derives from.
//
// The cursor has a current key. Every successful open pushes the current key (its
// handle and its path text) on two stacks and makes the new key current; `close`
// pops the previous one back. Relative opens use the current key as their root, and
// every value read, write and deletion acts on the current key.
//
// Contracts shared by every operation:
// - Handles are the system's HKEY values, held as void*; the five predefined roots
//   are given by `hkey_classes_root` ... `hkey_current_config`.
// - Without a current key, value operations return false, deletions 2 and counts -1.
// - Nothing throws. Failed opens, creations and deletions are silent unless
//   `report_failure` is given; a missing value read with `required` ends the program
//   through `fatal_format`.
// - After a failed system call the thread's last error holds the system's code.
// - A null name is the key's default (unnamed) value; null paths are empty paths.

#include <cstdint>

#include "core/containers.h"
#include "core/string.h"

class Variant;

// A store of named values that can be walked like a tree. Only `exchange` does
// anything in `RegistryKey`; the tree walk of `go_to` serves other stores.
class ValueStore {
  public:
    ValueStore() = default;
    ValueStore(const ValueStore&) = delete;
    ValueStore& operator=(const ValueStore&) = delete;
    virtual ~ValueStore() = default;

    virtual void reset() {}
    // Writes the value under `name` when the store is being written, else reads it.
    virtual void exchange(const char* name, Variant& value) = 0;
    // Goes down to the child `name`.
    virtual bool enter(const String& name);
    // Null: false. Empty: `go_to_top`. A leading separator: `go_to_top` first. Then
    // `enter` with each part that a separator ends (empty parts too), stopping at the
    // first refusal; the text after the last separator names a value and is not entered.
    virtual bool go_to(const char* path);
    virtual bool go_to_top() { return false; }

    // The direction flag: true while the store is being written.
    bool is_writing() const { return writing_; }
    void set_writing(bool writing) { writing_ = writing; }
    char separator() const { return separator_; }
    void set_separator(char separator) { separator_ = separator; }
    const String& name() const { return name_; }
    void set_name(const char* name) { name_.assign(name); }

  private:
    bool writing_ = false;
    char separator_ = '\\';
    String name_;
};

class RegistryKey : public ValueStore {
  public:
    // Options, one bit set for every operation that takes options.
    static constexpr uint32_t required = 0x02;          // reading: a missing value is fatal
    static constexpr uint32_t delete_if_zero = 0x08;    // writing: empty text or 0 deletes the value
    static constexpr uint32_t report_failure = 0x10;    // failed open/create/delete: "Registry Error" box
    static constexpr uint32_t only_if_empty = 0x20;     // deleting a key: only without subkeys and values
    static constexpr uint32_t open_existing = 0x40;     // opening: never create
    static constexpr uint32_t store_binary = 0x80;      // writing text: REG_BINARY (wins over expandable)
    static constexpr uint32_t store_expandable = 0x100; // writing text: REG_EXPAND_SZ

    // Results of `open`.
    static constexpr int32_t open_failed = 0;
    static constexpr int32_t opened_existing = 1;
    static constexpr int32_t created_new = 2;

    // Results of the deletions.
    static constexpr int32_t deleted = 1;
    static constexpr int32_t nothing_to_delete = 2; // no key, no name, key not opened, no subkeys
    static constexpr int32_t delete_refused = 3;    // the system refused
    static constexpr int32_t not_empty = 4;         // left alone (only_if_empty)

    // Subkey names `enum_subkeys` can list: up to 198 characters.
    static constexpr uint32_t max_subkey_name = 198;

    // The predefined roots, as the system numbers them (sign-extended 32-bit values).
    static void* hkey_classes_root() { return predefined(0x80000000u); }
    static void* hkey_current_user() { return predefined(0x80000001u); }
    static void* hkey_local_machine() { return predefined(0x80000002u); }
    static void* hkey_users() { return predefined(0x80000003u); }
    static void* hkey_current_config() { return predefined(0x80000005u); }

    // The path-text prefix of a predefined root ("HKEY_LOCAL_MACHINE\"), or null for
    // any other key.
    static const char* root_prefix(void* root);
    // The path text of a key opened as `subkey` below `root`: the root's prefix and the
    // subkey for a predefined root, else `parent_text`, one backslash and the subkey.
    static String key_path_text(void* root, const String& parent_text, const char* subkey);
    // Splits at the last backslash into key path (without that backslash) and value or
    // key name; without a backslash the whole path is the name.
    static void split_path(const char* path, String& key_path, String& name);

    RegistryKey() = default;
    ~RegistryKey() override;

    // Keys.
    // 0 failed (the cursor unchanged), 1 opened an existing key, 2 created a new one.
    int32_t open(void* root, const char* subkey, uint32_t options);
    // `open` relative to the current key; 0 when none is open.
    int32_t open_child(const char* name, uint32_t options);
    // `open` of "Software\" + path below HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE.
    int32_t open_software(const char* path, bool current_user, uint32_t options);
    // Closes the current key and makes the previous one current again.
    void close();
    void close_all();
    // Whether the key opens with full access; the cursor is not touched.
    static bool key_exists(void* root, const char* subkey);
    static bool software_key_exists(const char* path, bool current_user);
    // -1 without a key or when the query fails.
    int32_t subkey_count();
    bool has_subkeys() { return subkey_count() > 0; }
    // True without a key, when the query fails, or without subkeys and values.
    bool is_empty();
    // True when the child does not open; else whether it is empty.
    bool child_is_empty(const char* name);
    // Appends the current key's subkey names to `names`; returns how many. The last
    // error is then 0 when the end was reached, else the code that stopped the listing.
    int32_t enum_subkeys(Vector<String>* names);
    String current_path() const { return path_; }
    // The current handle (null when none), for opens relative to it.
    void* handle() const { return key_; }

    // Values.
    // REG_SZ (its terminating NUL dropped), REG_EXPAND_SZ, REG_BINARY and REG_MULTI_SZ
    // read as text, a 4-byte REG_DWORD as an unsigned 32-bit number; anything else,
    // and a missing value, gives false with `value` unchanged.
    bool read(const char* name, Variant& value, uint32_t options);
    String read_text(const char* name, const char* default_text, uint32_t options);
    int32_t read_int(const char* name, int32_t default_value, uint32_t options);
    bool read_bool(const char* name, bool default_value, uint32_t options);
    // `path` is a key path and a value name after its last backslash; the key is
    // opened (created when absent) below `root` for the read and closed again.
    String read_text_at(void* root, const char* path, const char* default_text, uint32_t options);
    bool value_exists(const char* name);
    // An empty Variant (or a zero one with delete_if_zero) deletes the value and gives
    // true; integers go as REG_DWORD; anything else as text (REG_SZ, REG_BINARY or
    // REG_EXPAND_SZ by the options).
    bool write(const char* name, const Variant& value, uint32_t options);
    // An empty text with delete_if_zero deletes the value and tells whether that worked.
    bool write_text(const char* name, const String& text, uint32_t options);
    // 0 with delete_if_zero deletes the value and gives true.
    bool write_int(const char* name, uint32_t value, uint32_t options);
    bool write_bool(const char* name, bool value) { return write_int(name, value ? 1 : 0, 0); }
    void exchange(const char* name, Variant& value) override;

    // Deletions, with the result codes above.
    int32_t delete_value(const char* name);
    // The named subkey of the current key with everything below it.
    int32_t delete_child(const char* name, uint32_t options);
    // Every subkey of the named child (the child itself stays).
    int32_t delete_subkeys_of(const char* name, uint32_t options);
    // Every subkey of the current key, each with everything below it.
    int32_t delete_all_subkeys(uint32_t options);
    int32_t delete_subkey(void* root, const char* parent_path, const char* name, uint32_t options);
    // `path` is split at its last backslash into parent path and name.
    int32_t delete_key_path(void* root, const char* path, uint32_t options);
    int32_t delete_software_key(const char* path, bool current_user, uint32_t options);
    int32_t delete_software_subkey(const char* parent_path, const char* name, bool current_user,
                                   uint32_t options);

    // With report_failure: shows the system's text for the last error in a box captioned
    // "Registry Error" and gives true; otherwise (or without a text) false.
    static bool report(uint32_t options);

  private:
    static void* predefined(uint32_t value) {
        return reinterpret_cast<void*>(static_cast<intptr_t>(static_cast<int32_t>(value)));
    }
    // Ends the program with the message naming the current path and `name`.
    [[noreturn]] void required_value_missing(const char* name) const;
    bool store(const char* name, uint32_t type, const void* bytes, uint32_t size);
    bool store_text(const char* name, const String& text, uint32_t options);
    bool remove_value(const char* name);

    void* key_ = nullptr;
    String path_;
    Stack<void*> previous_keys_;
    Stack<String> previous_paths_;
};
