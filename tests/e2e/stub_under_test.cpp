#include "tests/e2e/stub_under_test.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <fstream>

#include "tests/support/process_win32.h"

// The build decides which stub runs (tests/e2e/CMakeLists.txt): the i686 stub's path,
// or empty for the x86-64 stub beside the tests, and the line that says why.
#ifndef VARNOOK_I686_STUB
#error "VARNOOK_I686_STUB must be defined by the build"
#endif
#ifndef VARNOOK_STUB_NOTE
#error "VARNOOK_STUB_NOTE must be defined by the build"
#endif

namespace {

std::string windows_path(std::string path) {
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

std::string environment_variable(const char* name) {
    char value[MAX_PATH + 1] = {};
    const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    return length > 0 && length < sizeof value ? std::string(value, length) : std::string();
}

// The machine field of a PE file's header: 0x14C for i686, 0x8664 for x86-64; 0 when
// the file is missing or no PE image.
unsigned pe_machine(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    unsigned char bytes[6] = {};
    if (!in.seekg(0x3C).read(reinterpret_cast<char*>(bytes), 4))
        return 0;
    const std::uint32_t header = bytes[0] | bytes[1] << 8 | bytes[2] << 16 | std::uint32_t(bytes[3]) << 24;
    if (!in.seekg(header).read(reinterpret_cast<char*>(bytes), 6) || bytes[0] != 'P' || bytes[1] != 'E')
        return 0;
    return bytes[4] | bytes[5] << 8;
}

// Says which stub runs before the first test, and stops every test when that stub is
// not there to run.
class AnnounceStub : public testing::Environment {
  public:
    void SetUp() override {
        const StubUnderTest& stub = stub_under_test();
        std::printf("%s\n", stub.note().c_str());
        std::fflush(stdout);
        const unsigned expected = stub.is_i686() ? 0x14C : 0x8664;
        ASSERT_EQ(pe_machine(stub.path()), expected)
            << "the " << stub.architecture() << " stub " << stub.path() << " is missing or of another machine"
            << (stub.is_i686() ? " (scripts/test.sh builds it: cmake --build --preset win32)" : "");
    }
};

testing::Environment* const announce_stub = testing::AddGlobalTestEnvironment(new AnnounceStub);

} // namespace

StubUnderTest::StubUnderTest()
    : i686_(VARNOOK_I686_STUB[0] != '\0'),
      path_(i686_ ? windows_path(VARNOOK_I686_STUB) : exe_folder() + "\\varnook.exe"),
      note_(VARNOOK_STUB_NOTE) {}

std::string StubUnderTest::program_files() const {
    // The tests are a 64-bit program: their %ProgramFiles% is the 64-bit folder.
    return environment_variable(i686_ ? "ProgramFiles(x86)" : "ProgramFiles");
}

std::string StubUnderTest::machine_software_key(const std::string& key) const {
    return (i686_ ? "Software\\Wow6432Node\\" : "Software\\") + key;
}

unsigned long StubUnderTest::registry_view() const {
    return i686_ ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
}

const StubUnderTest& stub_under_test() {
    static const StubUnderTest stub;
    return stub;
}
