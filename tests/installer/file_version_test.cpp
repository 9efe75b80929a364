#include "installer/file_version.h"

#include <gtest/gtest.h>

namespace {

TEST(FileVersion, NormalisedPartsCompareAsText) {
    struct {
        const char* version;
        const char* normalised;
    } cases[] = {
        {"1.10", "0000000001.0000000010"},
        {"5.1.2600.0", "0000000005.0000000001.0000002600.0000000000"},
        {"2.5b", "0000000002.000000005B"},
        {"12345678901.2", "12345678901.0000000002"},
        {"1..2", "0000000001.0000000000.0000000002"},
        {"7.", "0000000007.0000000000"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_STREQ(normalised_version(String(c.version)).c_str(), c.normalised) << c.version;
    EXPECT_GT(normalised_version(String("1.10")).compare(normalised_version(String("1.9"))), 0);
}

} // namespace
