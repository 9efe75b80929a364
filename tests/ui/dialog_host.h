#pragma once
// What the dialog host (tests/ui/dialog_host_win32.cpp) and its tests share: the
// owner window's class and the messages that drive its progress dialog.

namespace dialog_host {

constexpr const char* kOwnerClass = "VarnookDialogHostOwner";
// Posted to the owner window.
constexpr unsigned kSetPosition = 0x8000 + 1; // WM_APP + 1; wparam: the position
constexpr unsigned kSetText = 0x8000 + 2;     // wparam: n, shown as "Status n"
constexpr unsigned kClose = 0x8000 + 3;       // closes the dialog and ends the host

} // namespace dialog_host
