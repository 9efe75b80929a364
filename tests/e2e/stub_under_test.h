#pragma once
// The stub that the end-to-end tests run, and what follows from which one it is. Where
// this machine runs 32-bit programs that is the shipping i686 build (from the win32
// build tree), else the x86-64 build beside the tests. A 32-bit stub on 64-bit Windows
// sees other folders and another registry view than the 64-bit tests that check its
// work: tests take those from here, never spell them out themselves.

#include <string>

class StubUnderTest {
  public:
    StubUnderTest();

    bool is_i686() const { return i686_; }
    const char* architecture() const { return i686_ ? "i686" : "x86-64"; }
    // The stub's file, as Windows names it.
    const std::string& path() const { return path_; }
    // Which stub runs and why, in one line.
    const std::string& note() const { return note_; }

    // The Program Files folder as the stub sees it (its %ProgramFiles%), without a
    // trailing backslash: "C:\Program Files (x86)" for the i686 stub.
    std::string program_files() const;

    // Where the 64-bit tests find what the stub wrote to HKEY_LOCAL_MACHINE\Software\`key`:
    // the path below HKEY_LOCAL_MACHINE (under Wow6432Node for the i686 stub). HKCU\Software
    // is one view for both.
    std::string machine_software_key(const std::string& key) const;
    // The stub's registry view as an access flag for RegOpenKeyEx (KEY_WOW64_32KEY or
    // KEY_WOW64_64KEY), with which the key reads as the stub named it.
    unsigned long registry_view() const;
    // The same view as a switch for reg.exe: "/reg:32" or "/reg:64".
    const char* reg_view_switch() const { return i686_ ? "/reg:32" : "/reg:64"; }

  private:
    bool i686_;
    std::string path_;
    std::string note_;
};

const StubUnderTest& stub_under_test();
