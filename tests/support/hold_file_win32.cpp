// hold_file PATH SECONDS: opens PATH without sharing it, prints "held" once the file
// is held, keeps it for SECONDS and exits. Lets tests meet a file in use by another
// program. Exit code 0 when the file was held, 1 otherwise.

#include <cstdio>
#include <cstdlib>

#include "core/win32.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: hold_file PATH SECONDS\n");
        return 1;
    }
    HANDLE file = CreateFileA(argv[1], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        std::printf("failed %lu\n", static_cast<unsigned long>(GetLastError()));
        return 1;
    }
    std::printf("held\n");
    std::fflush(stdout);
    Sleep(static_cast<DWORD>(std::atof(argv[2]) * 1000));
    CloseHandle(file);
    return 0;
}
