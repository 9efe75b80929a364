// A small program for the tests of what the engine learns from and asks of the system
// as a whole, which a test cannot do in its own process: Wine fixes the Windows
// version a program sees when it starts, and ending the session ends the programs.
//
//   system_probe system                  prints "bit|name|is_nt" of the running system
//   system_probe restart SOURCE TARGET   registers SOURCE to become TARGET at the next
//                                        start, then restarts Windows; prints
//                                        "registered=0|1 accepted=0|1"

#include <cstdio>
#include <cstring>

#include "core/filesystem.h"
#include "installer/restart.h"
#include "installer/system_identity.h"

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "system") == 0) {
        SystemVersion version = running_system();
        std::printf("%u|%s|%d\n", system_bit(version), system_name(version).c_str(), is_nt(version) ? 1 : 0);
        return 0;
    }
    if (argc == 4 && std::strcmp(argv[1], "restart") == 0) {
        bool registered = move_file(argv[2], argv[3], move_at_restart);
        bool accepted = restart_windows();
        std::printf("registered=%d accepted=%d\n", registered ? 1 : 0, accepted ? 1 : 0);
        return 0;
    }
    std::fprintf(stderr, "usage: system_probe system | restart SOURCE TARGET\n");
    return 2;
}
