// Process entry of varnook.exe.
#include "core/win32.h"
#include "installer/startup.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR command_line, int) {
    run_startup(instance, command_line);
}
