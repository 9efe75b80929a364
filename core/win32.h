#pragma once
// The one door through which <windows.h> enters; included only by *_win32.cpp files.
// The program runs on Windows 95 and NT 4 onward: newer functions are looked up at
// run time, so the headers may declare up to XP.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0501
#endif
#ifndef WINVER
#define WINVER 0x0501
#endif

#include <windows.h>
