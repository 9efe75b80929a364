#pragma once
// The heap every buffer of the library comes from (the malloc family). A failed
// allocation ends the program through the out-of-memory handler; only the try-
// operations report it to the caller.

#include <cstddef>

// Never returns null: failure ends in `out_of_memory`.
void* heap_alloc(std::size_t size);
void* heap_realloc(void* block, std::size_t size);

// Returns null on failure and leaves `block` as it was.
void* heap_try_alloc(std::size_t size);
void* heap_try_realloc(void* block, std::size_t size);

void heap_free(void* block);

// Shows "Out Of Memory.  Make sure your hard drive is not full.\n..." with the
// requested size and 80 words of the stack through `fatal`. Uses no heap itself.
[[noreturn]] void out_of_memory(std::size_t requested);

// Routes failures of operator new to `out_of_memory` as well. Called at start-up
// before anything else allocates.
void install_out_of_memory_handler();
