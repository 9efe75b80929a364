#include "core/fatal.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "core/memory.h"
#include "tests/support/fatal_capture.h"

namespace {

TEST(Fatal, MessagesReachTheHandler) {
    EXPECT_EQ(fatal_text([] { fatal("plain"); }), "plain");
    EXPECT_EQ(fatal_text([] { fatal(nullptr); }), "");
    EXPECT_EQ(fatal_text([] { fatal_format("%s has %d items", "list", 3); }), "list has 3 items");
    EXPECT_EQ(fatal_text([] { internal_fatal("Core", 412); }),
              "Internal Fatal Error\r\nModule: Core\r\nLine: 412");
}

TEST(Fatal, OverlongFormattedTextIsCutNotOverrun) {
    std::string long_text(40000, 'x');
    std::string message = fatal_text([&] { fatal_format("%s", long_text.c_str()); });
    EXPECT_EQ(message.size(), 32767u);
}

TEST(OutOfMemory, MessageNamesTheSizeAndShowsTheStackFromTheMarker) {
    std::string message = fatal_text([] { out_of_memory(1234); });
    std::string head =
        "Out Of Memory.  Make sure your hard drive is not full.\nRequested size = 1234 (0x000004D2)\n\n"
        "Stack contents:";
    ASSERT_EQ(message.substr(0, head.size()), head);
    std::string words = message.substr(head.size());
    // 80 words of 8 hex digits, each after a one-byte separator: CR before every
    // eighth word, a space otherwise.
    ASSERT_EQ(words.size(), 80u * 9u);
    EXPECT_EQ(words.substr(0, 18), "\r11223344 55667788");
    for (int i = 0; i < 80; ++i)
        EXPECT_EQ(words[i * 9], i % 8 == 0 ? '\r' : ' ') << "separator before word " << i;
}

TEST(OutOfMemory, TryAllocationsReportFailureAndKeepTheBlock) {
    void* block = heap_alloc(16);
    EXPECT_EQ(heap_try_realloc(block, SIZE_MAX / 2), nullptr);
    EXPECT_EQ(heap_try_alloc(SIZE_MAX / 2), nullptr);
    heap_free(block); // still ours after the failed reallocation
    std::string message = fatal_text([] { heap_alloc(SIZE_MAX / 2); });
    EXPECT_EQ(message.rfind("Out Of Memory.", 0), 0u) << message;
}

} // namespace
