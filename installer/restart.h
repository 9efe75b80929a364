#pragma once
// Ending the Windows session: the installer restarts Windows when a file could only be
// replaced at the next start, or when the product asks for it.

enum class SessionEnd { shut_down, power_off, reboot, log_off };

// Ends the session as `kind` says, with the shutdown privilege enabled for the call
// (where the system has the privilege functions) and disabled again afterwards.
// `force` closes programs that do not answer instead of only hung ones. True when
// Windows accepted the request (Windows only).
bool end_session(SessionEnd kind, bool force);

// What the installer does: a reboot that lets programs close.
inline bool restart_windows() {
    return end_session(SessionEnd::reboot, false);
}
