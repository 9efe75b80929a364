#include "core/memory.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "core/fatal.h"

namespace {

// realloc and malloc of 0 bytes may legitimately return null; the library never
// asks for 0, but a request for 0 must not be mistaken for a failure.
std::size_t at_least_one(std::size_t size) {
    return size == 0 ? 1 : size;
}

char out_of_memory_text[1024];

constexpr std::uint32_t stack_marker_low = 0x11223344;
constexpr std::uint32_t stack_marker_high = 0x55667788;
constexpr int stack_words_shown = 80;

// Appends the words of the stack from two marker words upward: the marker shows
// where the dump begins, the words above it are the callers' frames. Reading past
// the local array is the point, so the address sanitizer must not look.
__attribute__((noinline, no_sanitize_address)) void append_stack_words(char* text, std::size_t used,
                                                                       std::size_t capacity) {
    volatile std::uint32_t marker[2] = {stack_marker_low, stack_marker_high};
    std::uintptr_t address = reinterpret_cast<std::uintptr_t>(&marker[0]);
    for (int i = 0; i < stack_words_shown && used < capacity; ++i) {
        std::uint32_t word = *reinterpret_cast<volatile std::uint32_t*>(address + 4u * i);
        const char* separator = (i % 8 == 0) ? "\r" : " ";
        int n = std::snprintf(text + used, capacity - used, "%s%08X", separator, static_cast<unsigned>(word));
        if (n < 0) break;
        used += static_cast<std::size_t>(n);
    }
}

void new_handler() {
    out_of_memory(0);
}

} // namespace

void* heap_alloc(std::size_t size) {
    void* block = std::malloc(at_least_one(size));
    if (block == nullptr) out_of_memory(size);
    return block;
}

void* heap_realloc(void* block, std::size_t size) {
    void* grown = std::realloc(block, at_least_one(size));
    if (grown == nullptr) out_of_memory(size);
    return grown;
}

void* heap_try_alloc(std::size_t size) {
    return std::malloc(at_least_one(size));
}

void* heap_try_realloc(void* block, std::size_t size) {
    return std::realloc(block, at_least_one(size));
}

void heap_free(void* block) {
    std::free(block);
}

void out_of_memory(std::size_t requested) {
    unsigned size32 = static_cast<unsigned>(requested);
    int n = std::snprintf(
        out_of_memory_text, sizeof out_of_memory_text,
        "Out Of Memory.  Make sure your hard drive is not full.\nRequested size = %u (0x%08X)\n\n"
        "Stack contents:",
        size32, size32);
    if (n > 0 && static_cast<std::size_t>(n) < sizeof out_of_memory_text)
        append_stack_words(out_of_memory_text, static_cast<std::size_t>(n), sizeof out_of_memory_text);
    fatal(out_of_memory_text);
}

void install_out_of_memory_handler() {
    std::set_new_handler(new_handler);
}
