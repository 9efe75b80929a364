#pragma once
// The program's name as its messages show it (the required-registry-value message,
// for one). Kept in the library so that library code can name the program without
// knowing the installer.

// "Varnook".
const char* program_name();
