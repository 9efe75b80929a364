#include "installer/install_sequence.h"

#include <gtest/gtest.h>

namespace {

TEST(InstallSequence, SpaceIsCountedInWholeClusters) {
    Vector<std::int32_t> ten_bytes;
    for (int i = 0; i < 10; ++i)
        ten_bytes.add(1);
    EXPECT_EQ(required_space(ten_bytes, 4096), 40960);
    Vector<std::int32_t> sizes;
    sizes.add(0);
    sizes.add(4096);
    sizes.add(4097);
    sizes.add(0x40000000);
    sizes.add(0x40000000);
    sizes.add(0x40000000);
    EXPECT_EQ(required_space(sizes, 4096), 4096 + 8192 + 3 * std::int64_t{0x40000000}) << "in 64 bits";
}

TEST(InstallSequence, TheFileBarRunsFrom45ToBelow85) {
    EXPECT_EQ(file_bar_position(0, 3), 45);
    EXPECT_EQ(file_bar_position(2, 3), 71);
    EXPECT_EQ(file_bar_position(999, 1000), 84);
    EXPECT_EQ(file_bar_position(0x7FFFFFFE, 0x7FFFFFFF), 84) << "no overflow";
}

TEST(InstallSequence, TheExistingInstallationsText) {
    struct {
        bool compare;
        const char* installed;
        const char* offered;
        std::int32_t text;
    } cases[] = {
        {false, "1.0", "2.0", 3}, {true, "", "2.0", 3},     {true, "1.0", " ", 3},
        {true, "2.0", "2.0", 4},  {true, "1.9", "1.10", 5}, {true, "2.1", "2.0b", 6},
    };
    for (const auto& c : cases)
        EXPECT_EQ(existing_installation_text(c.compare, String(c.installed), String(c.offered)), c.text)
            << c.installed << " / " << c.offered;
}

} // namespace
