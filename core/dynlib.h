#pragma once
// Run-time lookup of system functions that not every Windows version has. A library
// that supplied a function stays loaded for the rest of the run and is released by
// an exit handler, so the pointers stay valid until the process ends.

#include <cstdint>

// One entry of a lookup table; a table ends with an entry whose variable is null.
struct FunctionEntry {
    const char* name;
    void** variable;       // the caller's function-pointer variable
    std::uint8_t optional; // 1: a missing function does not fail the table
};

// Looks up `name` in `library`. Found: stores it, keeps the library and returns true.
// Otherwise sets the variable to null, releases the library and returns false.
bool load_function(const char* library, const char* name, void** variable);

// Looks up every entry of `table` (missing ones become null). False when the library
// does not load (variables untouched) or a function that is not optional is missing.
// The library is kept in every case once it loaded.
bool load_functions(const char* library, const FunctionEntry* table);

// Typed convenience for a single function pointer variable.
template <class Function>
bool load_function(const char* library, const char* name, Function*& variable) {
    return load_function(library, name, reinterpret_cast<void**>(&variable));
}

// The number of library references currently kept.
std::int32_t loaded_library_count();

// Releases every kept library in the order they were added. Runs at process exit;
// tests call it to observe the release.
void release_loaded_libraries();
