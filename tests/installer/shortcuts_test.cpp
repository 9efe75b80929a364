#include "installer/shortcuts.h"

#include <gtest/gtest.h>

namespace {

TEST(Shortcuts, LinkExtensionUnlessThePathHoldsOne) {
    struct Case {
        const char* path;
        const char* expected;
    };
    const Case cases[] = {
        {"C:\\Menu\\Tool", "C:\\Menu\\Tool.LNK"},
        {"C:\\Menu\\Tool.exe", "C:\\Menu\\Tool.exe.LNK"},
        {"C:\\Menu\\Tool.lnk", "C:\\Menu\\Tool.lnk"},
        {"C:\\Menu\\Tool.LnK", "C:\\Menu\\Tool.LnK"},
        {"C:\\Menu\\Tool.lnkx", "C:\\Menu\\Tool.lnkx"},
        // Anywhere in the path counts, a folder's name too.
        {"C:\\Old.lnk\\Tool", "C:\\Old.lnk\\Tool"},
        {"C:\\Menu\\Tool lnk", "C:\\Menu\\Tool lnk.LNK"},
    };
    for (const Case& c : cases) {
        String path(c.path);
        EXPECT_EQ(add_link_extension(path), std::string(c.path) != c.expected) << c.path;
        EXPECT_STREQ(path.c_str(), c.expected) << c.path;
    }
}

} // namespace
