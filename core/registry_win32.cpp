#include "core/registry.h"

#include <cstring>

#include "core/system_error.h"
#include "core/variant.h"
#include "core/win32.h"

namespace {

// The first query of a value reads into a buffer of this size; a longer value is
// queried a second time straight into a String of the reported size.
constexpr DWORD first_query_size = 32;

HKEY to_hkey(void* key) {
    return static_cast<HKEY>(key);
}

const char* or_empty(const char* text) {
    return text != nullptr ? text : "";
}

// Owns one opened key and closes it.
class ScopedKey {
  public:
    ScopedKey() = default;
    ~ScopedKey() {
        if (key_ != nullptr)
            RegCloseKey(key_);
    }
    ScopedKey(const ScopedKey&) = delete;
    ScopedKey& operator=(const ScopedKey&) = delete;

    HKEY* out() { return &key_; }
    HKEY release() {
        HKEY key = key_;
        key_ = nullptr;
        return key;
    }

  private:
    HKEY key_ = nullptr;
};

// The registry functions return their error instead of setting it; callers and the
// failure report read it as the thread's last error.
bool succeeded(LONG status) {
    if (status == ERROR_SUCCESS)
        return true;
    SetLastError(static_cast<DWORD>(status));
    return false;
}

void* software_root(bool current_user) {
    return current_user ? RegistryKey::hkey_current_user() : RegistryKey::hkey_local_machine();
}

String software_path(const char* path) {
    return String("Software\\") + or_empty(path);
}

bool is_text_type(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_BINARY || type == REG_MULTI_SZ;
}

// How many of a value's bytes become text: all of them, less the final NUL that the
// system stores after REG_SZ, REG_EXPAND_SZ and REG_MULTI_SZ data.
int32_t text_length(DWORD type, const char* bytes, DWORD size) {
    if (size > 0 && type != REG_BINARY && bytes[size - 1] == '\0')
        --size;
    return static_cast<int32_t>(size);
}

} // namespace

RegistryKey::~RegistryKey() {
    close_all();
    if (key_ != nullptr)
        close();
}

bool RegistryKey::report(uint32_t options) {
    if ((options & report_failure) == 0)
        return false;
    DWORD error = GetLastError();
    String text = system_message(error);
    if (text.is_empty()) {
        SetLastError(error);
        return false;
    }
    MessageBoxA(nullptr, text.c_str(), "Registry Error", MB_OK | MB_ICONERROR);
    SetLastError(error);
    return true;
}

// ---------------------------------------------------------------------------
// Keys

int32_t RegistryKey::open(void* root, const char* subkey, uint32_t options) {
    ScopedKey key;
    DWORD disposition = REG_OPENED_EXISTING_KEY;
    LONG status;
    if ((options & open_existing) != 0) {
        status = RegOpenKeyExA(to_hkey(root), or_empty(subkey), 0, KEY_ALL_ACCESS, key.out());
    } else {
        char no_class[] = "";
        status = RegCreateKeyExA(to_hkey(root), or_empty(subkey), 0, no_class, REG_OPTION_NON_VOLATILE,
                                 KEY_ALL_ACCESS, nullptr, key.out(), &disposition);
    }
    if (!succeeded(status)) {
        report(options);
        return open_failed;
    }
    String path = key_path_text(root, path_, subkey);
    previous_keys_.push(key_);
    previous_paths_.push(path_);
    key_ = key.release();
    path_ = path;
    return disposition == REG_CREATED_NEW_KEY ? created_new : opened_existing;
}

int32_t RegistryKey::open_child(const char* name, uint32_t options) {
    if (key_ == nullptr)
        return open_failed;
    return open(key_, name, options);
}

int32_t RegistryKey::open_software(const char* path, bool current_user, uint32_t options) {
    return open(software_root(current_user), software_path(path).c_str(), options);
}

void RegistryKey::close() {
    if (key_ != nullptr)
        RegCloseKey(to_hkey(key_));
    key_ = nullptr;
    path_.clear();
    if (!previous_keys_.is_empty())
        key_ = previous_keys_.pop();
    if (!previous_paths_.is_empty())
        path_ = previous_paths_.pop();
}

void RegistryKey::close_all() {
    while (!previous_keys_.is_empty())
        close();
}

bool RegistryKey::key_exists(void* root, const char* subkey) {
    if (subkey == nullptr || *subkey == '\0')
        return false;
    ScopedKey key;
    return succeeded(RegOpenKeyExA(to_hkey(root), subkey, 0, KEY_ALL_ACCESS, key.out()));
}

bool RegistryKey::software_key_exists(const char* path, bool current_user) {
    if (path == nullptr)
        return false;
    return key_exists(software_root(current_user), software_path(path).c_str());
}

int32_t RegistryKey::subkey_count() {
    if (key_ == nullptr)
        return -1;
    DWORD subkeys = 0;
    if (!succeeded(RegQueryInfoKeyA(to_hkey(key_), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                                    nullptr, nullptr, nullptr, nullptr, nullptr)))
        return -1;
    return static_cast<int32_t>(subkeys);
}

bool RegistryKey::is_empty() {
    if (key_ == nullptr)
        return true;
    DWORD subkeys = 0;
    DWORD values = 0;
    if (!succeeded(RegQueryInfoKeyA(to_hkey(key_), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                                    &values, nullptr, nullptr, nullptr, nullptr)))
        return true;
    return subkeys == 0 && values == 0;
}

bool RegistryKey::child_is_empty(const char* name) {
    if (open_child(name, open_existing) == open_failed)
        return true;
    bool empty = is_empty();
    close();
    return empty;
}

int32_t RegistryKey::enum_subkeys(Vector<String>* names) {
    if (key_ == nullptr || names == nullptr)
        return 0;
    int32_t count = 0;
    for (DWORD index = 0;; ++index) {
        char name[max_subkey_name + 1];
        DWORD length = sizeof name;
        LONG status = RegEnumKeyExA(to_hkey(key_), index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (status != ERROR_SUCCESS) {
            SetLastError(status == ERROR_NO_MORE_ITEMS ? 0 : static_cast<DWORD>(status));
            return count;
        }
        names->add(String(name, static_cast<int32_t>(length)));
        ++count;
    }
}

// ---------------------------------------------------------------------------
// Values

bool RegistryKey::read(const char* name, Variant& value, uint32_t options) {
    if (key_ == nullptr)
        return false;
    BYTE buffer[first_query_size];
    DWORD type = REG_NONE;
    DWORD size = sizeof buffer;
    LONG status = RegQueryValueExA(to_hkey(key_), name, nullptr, &type, buffer, &size);
    if (status == ERROR_SUCCESS) {
        if (size > sizeof buffer) // never on success; the buffer bounds the text regardless
            size = sizeof buffer;
        if (type == REG_DWORD) {
            if (size != sizeof(uint32_t))
                return false;
            uint32_t number;
            std::memcpy(&number, buffer, sizeof number);
            value.set_uint32(number);
            return true;
        }
        if (!is_text_type(type))
            return false;
        const char* bytes = reinterpret_cast<const char*>(buffer);
        value.set_text(bytes, text_length(type, bytes, size));
        return true;
    }
    if (status == ERROR_MORE_DATA) {
        // Only the types that read as text can be longer than the first buffer: a
        // longer REG_DWORD has the wrong size and the other types are not read at all.
        if (!is_text_type(type))
            return false;
        if (size > static_cast<DWORD>(String::max_length))
            return false;
        String text;
        text.set_length(static_cast<int32_t>(size));
        DWORD second_type = REG_NONE;
        DWORD second_size = size;
        if (!succeeded(RegQueryValueExA(to_hkey(key_), name, nullptr, &second_type,
                                        reinterpret_cast<BYTE*>(text.data()), &second_size)))
            return false;
        // The value may have changed between the two queries.
        if (second_type != type || second_size > size)
            return false;
        text.set_length(text_length(type, text.data(), second_size));
        value.set_text(text);
        return true;
    }
    succeeded(status);
    if ((status == ERROR_FILE_NOT_FOUND || status == ERROR_BADKEY) && (options & required) != 0)
        required_value_missing(name);
    return false;
}

String RegistryKey::read_text(const char* name, const char* default_text, uint32_t options) {
    Variant value;
    if (!read(name, value, options))
        return String(default_text);
    return value.to_text();
}

int32_t RegistryKey::read_int(const char* name, int32_t default_value, uint32_t options) {
    Variant value;
    if (!read(name, value, options))
        return default_value;
    return value.to_int32();
}

bool RegistryKey::read_bool(const char* name, bool default_value, uint32_t options) {
    Variant value;
    if (!read(name, value, options))
        return default_value;
    return value.to_bool();
}

String RegistryKey::read_text_at(void* root, const char* path, const char* default_text, uint32_t options) {
    String key_path;
    String name;
    split_path(path, key_path, name);
    if (name.is_empty())
        return String(default_text);
    if (open(root, key_path.c_str(), options & report_failure) == open_failed)
        return String(default_text);
    String text = read_text(name.c_str(), "", options);
    close();
    return text;
}

bool RegistryKey::value_exists(const char* name) {
    if (key_ == nullptr)
        return false;
    return succeeded(RegQueryValueExA(to_hkey(key_), name, nullptr, nullptr, nullptr, nullptr));
}

bool RegistryKey::store(const char* name, uint32_t type, const void* bytes, uint32_t size) {
    return succeeded(RegSetValueExA(to_hkey(key_), name, 0, type, static_cast<const BYTE*>(bytes),
                                    static_cast<DWORD>(size)));
}

bool RegistryKey::store_text(const char* name, const String& text, uint32_t options) {
    // The system wants the final NUL counted for the text types; binary data is the
    // text's bytes alone.
    const uint32_t length = static_cast<uint32_t>(text.length());
    if ((options & store_binary) != 0)
        return store(name, REG_BINARY, text.c_str(), length);
    const uint32_t type = (options & store_expandable) != 0 ? REG_EXPAND_SZ : REG_SZ;
    return store(name, type, text.c_str(), length + 1);
}

bool RegistryKey::remove_value(const char* name) {
    return succeeded(RegDeleteValueA(to_hkey(key_), name));
}

bool RegistryKey::write(const char* name, const Variant& value, uint32_t options) {
    if (key_ == nullptr)
        return false;
    if (value.type() == Variant::type_empty || ((options & delete_if_zero) != 0 && value.is_zero())) {
        remove_value(name);
        return true;
    }
    if (value.storage_class() == Variant::class_integer) {
        uint32_t number = value.to_uint32();
        return store(name, REG_DWORD, &number, sizeof number);
    }
    return store_text(name, value.to_text(), options);
}

bool RegistryKey::write_text(const char* name, const String& text, uint32_t options) {
    if (key_ == nullptr)
        return false;
    if (text.is_empty() && (options & delete_if_zero) != 0)
        return remove_value(name);
    return store_text(name, text, options);
}

bool RegistryKey::write_int(const char* name, uint32_t value, uint32_t options) {
    if (key_ == nullptr)
        return false;
    if (value == 0 && (options & delete_if_zero) != 0) {
        remove_value(name);
        return true;
    }
    return store(name, REG_DWORD, &value, sizeof value);
}

void RegistryKey::exchange(const char* name, Variant& value) {
    if (is_writing())
        write(name, value, 0);
    else
        read(name, value, 0);
}

// ---------------------------------------------------------------------------
// Deletions

int32_t RegistryKey::delete_value(const char* name) {
    if (key_ == nullptr)
        return nothing_to_delete;
    return remove_value(name) ? deleted : delete_refused;
}

int32_t RegistryKey::delete_child(const char* name, uint32_t options) {
    // An empty name would name the current key itself.
    if (key_ == nullptr || name == nullptr || *name == '\0')
        return nothing_to_delete;
    if ((options & only_if_empty) != 0 && !child_is_empty(name))
        return not_empty;
    // The system deletes only keys without subkeys: empty the child first.
    delete_subkeys_of(name, options);
    if (succeeded(RegDeleteKeyA(to_hkey(key_), name)))
        return deleted;
    report(options);
    return delete_refused;
}

int32_t RegistryKey::delete_subkeys_of(const char* name, uint32_t options) {
    if (key_ == nullptr)
        return nothing_to_delete;
    // open reports its own failure.
    if (open_child(name, open_existing | (options & report_failure)) == open_failed)
        return nothing_to_delete;
    int32_t result = delete_all_subkeys(options);
    close();
    return result;
}

int32_t RegistryKey::delete_all_subkeys(uint32_t options) {
    if (key_ == nullptr)
        return nothing_to_delete;
    // The whole list first: deleting while enumerating by index would skip names.
    Vector<String> names;
    int32_t count = enum_subkeys(&names);
    if (count == 0)
        return nothing_to_delete;
    bool all_deleted = true;
    for (int32_t i = 0; i < count; ++i) {
        if (delete_child(names.element(i)->c_str(), options) != deleted)
            all_deleted = false;
    }
    return all_deleted ? deleted : delete_refused;
}

int32_t RegistryKey::delete_subkey(void* root, const char* parent_path, const char* name, uint32_t options) {
    if (open(root, parent_path, open_existing | (options & report_failure)) == open_failed)
        return nothing_to_delete;
    int32_t result = delete_child(name, options);
    close();
    return result;
}

int32_t RegistryKey::delete_key_path(void* root, const char* path, uint32_t options) {
    if (path == nullptr || *path == '\0')
        return nothing_to_delete;
    String parent_path;
    String name;
    split_path(path, parent_path, name);
    return delete_subkey(root, parent_path.c_str(), name.c_str(), options);
}

int32_t RegistryKey::delete_software_key(const char* path, bool current_user, uint32_t options) {
    return delete_key_path(software_root(current_user), software_path(path).c_str(), options);
}

int32_t RegistryKey::delete_software_subkey(const char* parent_path, const char* name, bool current_user,
                                            uint32_t options) {
    return delete_subkey(software_root(current_user), software_path(parent_path).c_str(), name, options);
}
