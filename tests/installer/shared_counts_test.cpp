#include "installer/shared_counts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(SharedCounts, TheSharedFilesValueAndItsKeptEntries) {
    String value;
    append_shared_file(value, String("C:\\WINDOWS\\SYSTEM\\tool.dll ")); // a system file: kept
    append_shared_file(value, String("C:\\Common\\Acme\\acme.dll"));
    append_shared_file(value, String("C:\\Common\\Acme\\perm.dll "));
    EXPECT_STREQ(
        value.c_str(),
        "\"C:\\WINDOWS\\SYSTEM\\tool.dll \";\"C:\\Common\\Acme\\acme.dll\";\"C:\\Common\\Acme\\perm.dll \"");

    std::vector<std::pair<std::string, bool>> taken;
    String path;
    bool keep = false;
    while (take_shared_file(value, path, keep))
        taken.emplace_back(path.c_str(), keep);
    std::vector<std::pair<std::string, bool>> expected = {{"C:\\WINDOWS\\SYSTEM\\tool.dll", true},
                                                          {"C:\\Common\\Acme\\acme.dll", false},
                                                          {"C:\\Common\\Acme\\perm.dll", true}};
    EXPECT_EQ(taken, expected);
    EXPECT_TRUE(value.is_empty());
}

TEST(SharedCounts, AnEditedValueEndsWhereItStopsMakingSense) {
    struct {
        const char* value;
        std::vector<std::string> paths;
    } cases[] = {
        {"", {}},
        {"C:\\a.dll", {}},                                        // no quotes at all
        {"\"C:\\a.dll\";C:\\b.dll", {"C:\\a.dll"}},               // the second is not quoted
        {"\"C:\\a.dll\";;\"C:\\b.dll\"", {"C:\\a.dll"}},          // one ";" is dropped, not two
        {"\"C:\\a.dll\"\"C:\\b.dll\"", {"C:\\a.dll\"C:\\b.dll"}}, // a doubled quote is one
        {"\"\";\"C:\\b.dll\"", {}},                               // an empty path ends the list
        {"\"C:\\unterminated", {"C:\\unterminated"}},
    };
    for (const auto& c : cases) {
        String value(c.value);
        std::vector<std::string> paths;
        String path;
        bool keep = false;
        while (take_shared_file(value, path, keep))
            paths.push_back(path.c_str());
        EXPECT_EQ(paths, c.paths) << c.value;
    }
}

} // namespace
