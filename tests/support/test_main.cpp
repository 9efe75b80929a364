#include <gtest/gtest.h>

#include "core/fatal.h"
#include "tests/support/fatal_capture.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    set_fatal_handler(throwing_fatal_handler);
    return RUN_ALL_TESTS();
}
