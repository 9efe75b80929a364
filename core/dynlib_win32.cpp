#include "core/dynlib.h"

#include <cstdlib>

#include "core/containers.h"
#include "core/win32.h"

namespace {

Vector<HMODULE>* loaded_libraries = nullptr;

void release_at_exit() {
    release_loaded_libraries();
}

void keep_library(HMODULE module) {
    if (loaded_libraries == nullptr) {
        static bool exit_handler_registered = false;
        if (!exit_handler_registered) {
            std::atexit(release_at_exit);
            exit_handler_registered = true;
        }
        loaded_libraries = new Vector<HMODULE>();
    }
    loaded_libraries->add(module);
}

} // namespace

bool load_function(const char* library, const char* name, void** variable) {
    if (library == nullptr)
        return false;
    HMODULE module = LoadLibraryA(library);
    if (module == nullptr)
        return false;
    FARPROC address = GetProcAddress(module, name);
    if (address == nullptr) {
        *variable = nullptr;
        FreeLibrary(module);
        return false;
    }
    *variable = reinterpret_cast<void*>(address);
    keep_library(module);
    return true;
}

bool load_functions(const char* library, const FunctionEntry* table) {
    if (library == nullptr)
        return false;
    HMODULE module = LoadLibraryA(library);
    if (module == nullptr)
        return false;
    bool complete = true;
    for (const FunctionEntry* entry = table; entry->variable != nullptr; ++entry) {
        FARPROC address = GetProcAddress(module, entry->name);
        *entry->variable = reinterpret_cast<void*>(address);
        if (address == nullptr && entry->optional == 0)
            complete = false;
    }
    keep_library(module);
    return complete;
}

std::int32_t loaded_library_count() {
    return loaded_libraries == nullptr ? 0 : loaded_libraries->count();
}

void release_loaded_libraries() {
    if (loaded_libraries == nullptr)
        return;
    for (std::int32_t i = 0; i < loaded_libraries->count(); ++i)
        FreeLibrary(*loaded_libraries->element(i));
    delete loaded_libraries;
    loaded_libraries = nullptr;
}
