#include "core/dynlib.h"

#include <gtest/gtest.h>

#include "core/win32.h"

namespace {

// A system library that nothing in the test executable loads by itself, so whether
// it is still mapped shows whether the loader released it.
const char unused_library[] = "msimg32.dll";

bool library_mapped(const char* name) {
    return GetModuleHandleA(name) != nullptr;
}

class DynamicLoading : public testing::Test {
  protected:
    void SetUp() override {
        release_loaded_libraries();
        ASSERT_FALSE(library_mapped(unused_library));
    }
    void TearDown() override { release_loaded_libraries(); }
};

TEST_F(DynamicLoading, FoundFunctionIsCallableAndKeepsItsLibrary) {
    DWORD(WINAPI * tick_count)() = nullptr;
    ASSERT_TRUE(load_function("kernel32.dll", "GetTickCount", tick_count));
    ASSERT_NE(tick_count, nullptr);
    EXPECT_EQ(tick_count(), GetTickCount());
    EXPECT_EQ(loaded_library_count(), 1);

    void* gradient = nullptr;
    ASSERT_TRUE(load_function(unused_library, "GradientFill", &gradient));
    EXPECT_TRUE(library_mapped(unused_library));
}

TEST_F(DynamicLoading, MissingFunctionLeavesNullAndReleasesTheLibrary) {
    void* missing = reinterpret_cast<void*>(1);
    EXPECT_FALSE(load_function(unused_library, "NoSuchFunction", &missing));
    EXPECT_EQ(missing, nullptr);
    EXPECT_FALSE(library_mapped(unused_library));
    EXPECT_EQ(loaded_library_count(), 0);
}

TEST_F(DynamicLoading, MissingLibraryFailsWithoutTouchingTheVariables) {
    void* variable = reinterpret_cast<void*>(1);
    EXPECT_FALSE(load_function("no-such-library.dll", "Anything", &variable));
    EXPECT_FALSE(load_function(nullptr, "Anything", &variable));
    FunctionEntry table[] = {{"Anything", &variable, 1}, {nullptr, nullptr, 0}};
    EXPECT_FALSE(load_functions("no-such-library.dll", table));
    EXPECT_EQ(variable, reinterpret_cast<void*>(1));
    EXPECT_EQ(loaded_library_count(), 0);
}

TEST_F(DynamicLoading, TableOfOptionalAndRequiredEntries) {
    void* open_token = nullptr;
    void* lookup_privilege = nullptr;
    void* missing = reinterpret_cast<void*>(1);
    FunctionEntry optional_only[] = {
        {"OpenProcessToken", &open_token, 1},
        {"LookupPrivilegeValueA", &lookup_privilege, 1},
        {"NoSuchFunction", &missing, 1},
        {nullptr, nullptr, 0},
    };
    EXPECT_TRUE(load_functions("advapi32.dll", optional_only));
    EXPECT_NE(open_token, nullptr);
    EXPECT_NE(lookup_privilege, nullptr);
    EXPECT_EQ(missing, nullptr);

    void* nothing_found = reinterpret_cast<void*>(1);
    FunctionEntry none_found[] = {{"NoSuchFunction", &nothing_found, 1}, {nullptr, nullptr, 0}};
    EXPECT_TRUE(load_functions(unused_library, none_found)) << "all optional: the library loading is enough";
    EXPECT_TRUE(library_mapped(unused_library)) << "kept even though it supplied nothing";

    void* gradient = nullptr;
    void* required_missing = reinterpret_cast<void*>(1);
    FunctionEntry required[] = {
        {"GradientFill", &gradient, 0},
        {"NoSuchFunction", &required_missing, 0},
        {nullptr, nullptr, 0},
    };
    EXPECT_FALSE(load_functions(unused_library, required));
    EXPECT_NE(gradient, nullptr);
    EXPECT_EQ(required_missing, nullptr);
    EXPECT_EQ(loaded_library_count(), 3);
}

TEST_F(DynamicLoading, EveryReferenceIsReleasedAtTheEnd) {
    void* first = nullptr;
    void* second = nullptr;
    ASSERT_TRUE(load_function(unused_library, "GradientFill", &first));
    ASSERT_TRUE(load_function(unused_library, "AlphaBlend", &second));
    EXPECT_EQ(loaded_library_count(), 2) << "the same library twice is kept twice";
    release_loaded_libraries();
    EXPECT_EQ(loaded_library_count(), 0);
    EXPECT_FALSE(library_mapped(unused_library)) << "both references released";
}

} // namespace
