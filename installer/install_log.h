#pragma once
// Install.LOG, the log that the installation appends one block to, and the end of the
// installation as the user sees it: the completion message, or the offer to read the
// log when something went wrong.

#include "core/string.h"
#include "installer/run_state.h"

// The log's path: the uninstall folder's Install.LOG.
String install_log_path(const InstallRun& run);

// The block for this installation: product, `date` (formatted "d-M-yy h:ii:ssap"),
// install type (with uninstall support), location, installer and product versions, the
// install report and the error report (or the completion text when that is empty).
String install_log_block(InstallRun& run, const String& date, bool reinstall);

// Ends the installation: the completion box when the error report is empty (unless
// automatic or switched off), the offer to view the log otherwise; the log block
// appended when the product always logs or something went wrong; the log shown when
// the user asked for it (Windows only).
void finish_log(InstallRun& run, bool reinstall);
