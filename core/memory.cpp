#include "core/memory.h"

#include <cstdint>
#include <cstdlib>
#include <new>

#include "core/fatal.h"
#include "core/text_format.h"

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
__attribute__((noinline, no_sanitize_address)) void append_stack_words(char* text, int used, int capacity) {
    volatile std::uint32_t marker[2] = {stack_marker_low, stack_marker_high};
    std::uintptr_t address = reinterpret_cast<std::uintptr_t>(&marker[0]);
    for (int i = 0; i < stack_words_shown && used < capacity; ++i) {
        std::uint32_t word = *reinterpret_cast<volatile std::uint32_t*>(address + 4u * i);
        const char* separator = (i % 8 == 0) ? "\r" : " ";
        used += format_text(text + used, capacity - used, "%s%08X", separator, static_cast<unsigned>(word));
    }
}

[[maybe_unused]] void new_handler() {
    out_of_memory(0);
}

} // namespace

void* heap_alloc(std::size_t size) {
    void* block = std::malloc(at_least_one(size));
    if (block == nullptr)
        out_of_memory(size);
    return block;
}

void* heap_realloc(void* block, std::size_t size) {
    void* grown = std::realloc(block, at_least_one(size));
    if (grown == nullptr)
        out_of_memory(size);
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
    int n =
        format_text(out_of_memory_text, sizeof out_of_memory_text,
                    "Out Of Memory.  Make sure your hard drive is not full.\nRequested size = %u (0x%08X)\n\n"
                    "Stack contents:",
                    size32, size32);
    append_stack_words(out_of_memory_text, n, sizeof out_of_memory_text);
    fatal(out_of_memory_text);
}

void install_out_of_memory_handler() {
#if !defined(VARNOOK_STUB)
    std::set_new_handler(new_handler);
#endif
}

#if defined(VARNOOK_STUB)
// The stub takes operator new from the same heap: a failure then ends in the
// out-of-memory handler directly, and the runtime's throwing operator new, with the
// exception machinery it drags in, stays out of the executable.
void* operator new(std::size_t size) {
    return heap_alloc(size);
}
void* operator new[](std::size_t size) {
    return heap_alloc(size);
}
void operator delete(void* block) noexcept {
    heap_free(block);
}
void operator delete[](void* block) noexcept {
    heap_free(block);
}
void operator delete(void* block, std::size_t) noexcept {
    heap_free(block);
}
void operator delete[](void* block, std::size_t) noexcept {
    heap_free(block);
}
#endif
