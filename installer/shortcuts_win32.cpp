#include "installer/shortcuts.h"

#include "core/filesystem.h"
#include "core/path.h"
#include "core/win32.h"
#include "installer/failure.h"
#include "installer/run_state.h"
#include "ui/services.h"

#include <objbase.h>
#include <objidl.h>
#include <shobjidl.h>

namespace {

// The shell's link object and the two interfaces used, named here so that the stub
// needs no GUID library.
const CLSID shell_link_class = {0x00021401, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID shell_link_interface = {
    0x000214EE, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID persist_file_interface = {
    0x0000010B, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// COM for this thread while it lives.
class ComSession {
  public:
    ComSession() : started_(SUCCEEDED(CoInitialize(nullptr))) {}
    ~ComSession() {
        if (started_)
            CoUninitialize();
    }
    ComSession(const ComSession&) = delete;
    ComSession& operator=(const ComSession&) = delete;
    bool started() const { return started_; }

  private:
    bool started_;
};

// Owns one interface pointer and releases it.
template <typename T>
class ComPointer {
  public:
    ComPointer() = default;
    ~ComPointer() {
        if (pointer_ != nullptr)
            pointer_->Release();
    }
    ComPointer(const ComPointer&) = delete;
    ComPointer& operator=(const ComPointer&) = delete;

    T* operator->() const { return pointer_; }
    // Where a call that hands out a new pointer puts it.
    void** out() { return reinterpret_cast<void**>(&pointer_); }

  private:
    T* pointer_ = nullptr;
};

// The error number a failed call leaves for the caller's text: the Win32 code inside
// the result when it carries one, else the result itself.
DWORD error_of(HRESULT result) {
    if (HRESULT_FACILITY(result) == FACILITY_WIN32)
        return HRESULT_CODE(result);
    return static_cast<DWORD>(result);
}

bool failed_with(HRESULT result, DWORD& error) {
    if (SUCCEEDED(result))
        return false;
    error = error_of(result);
    return true;
}

// Everything of make_link that holds COM objects; `error` gets the reason of a
// failure, to be set once they are all released.
bool save_link(const String& link_path, const LinkContents& link, DWORD& error) {
    error = ERROR_GEN_FAILURE;
    ComSession com;
    if (!com.started())
        return false;
    ComPointer<IShellLinkA> shell_link;
    if (failed_with(CoCreateInstance(shell_link_class, nullptr, CLSCTX_INPROC_SERVER, shell_link_interface,
                                     shell_link.out()),
                    error))
        return false;
    shell_link->SetPath(link.target.c_str());
    shell_link->SetIconLocation(link.icon.is_empty() ? link.target.c_str() : link.icon.c_str(), 0);
    if (!link.arguments.is_empty())
        shell_link->SetArguments(link.arguments.c_str());
    if (!link.working_directory.is_empty())
        shell_link->SetWorkingDirectory(link.working_directory.c_str());

    ComPointer<IPersistFile> file;
    if (failed_with(shell_link->QueryInterface(persist_file_interface, file.out()), error))
        return false;
    if (!create_folder(folder_of(link_path.c_str()).c_str())) {
        error = GetLastError();
        return false;
    }
    wchar_t wide_path[MAX_PATH];
    if (MultiByteToWideChar(CP_ACP, 0, link_path.c_str(), -1, wide_path, MAX_PATH) == 0) {
        // Cut to the system's length, the path would name another file.
        error = ERROR_FILENAME_EXCED_RANGE;
        return false;
    }
    return !failed_with(file->Save(wide_path, TRUE), error);
}

// What one link, made or not, leaves in the run: the report line and the record line,
// or the failure line.
void note_link(InstallRun& run, bool made, const char* report_format, const ShortcutEntry& entry,
               const String& link_path) {
    if (!made) {
        run.error_report.append(write_failure_line(run, link_path.c_str(), system_error_text()));
        return;
    }
    if (run.flags.has(flag_report_every_file))
        run.install_report.append_format(report_format, entry.name.c_str(), link_path.c_str());
    if (!entry.permanent)
        run.record.record(link_path.c_str(), RecordKind::file);
}

// The script's folder on the desktop, for the desktop links of every entry: made and
// recorded the first time an entry asks for it.
class DesktopFolder {
  public:
    DesktopFolder(const InstallRun& run, bool all_users) {
        if (!run.script.desktop_folder.is_empty()) {
            String desktop =
                special_folder(*run.folders, all_users ? SpecialFolder::desktop_all : SpecialFolder::desktop);
            path_ = join(desktop.c_str(), run.script.desktop_folder.c_str());
        }
    }
    bool is_named() const { return !path_.is_empty(); }
    const String& path(InstallRun& run) {
        if (!prepared_) {
            prepared_ = true;
            if (!create_folder(path_.c_str()))
                run.error_report.append_format("Failed to create directory %s: %s\r\n", path_.c_str(),
                                               system_error_text());
            run.record.record(path_.c_str(), RecordKind::folder);
        }
        return path_;
    }

  private:
    String path_;
    bool prepared_ = false;
};

} // namespace

bool make_link(String& link_path, const LinkContents& link) {
    add_link_extension(link_path);
    DWORD error = 0;
    if (save_link(link_path, link, error))
        return true;
    SetLastError(error);
    return false;
}

bool make_desktop_link(const FolderSource& folders, bool all_users, const char* name,
                       const LinkContents& link, String& link_path) {
    String desktop = special_folder(folders, all_users ? SpecialFolder::desktop_all : SpecialFolder::desktop);
    link_path = join(desktop.c_str(), name);
    return make_link(link_path, link);
}

bool make_programs_link(const FolderSource& folders, bool all_users, const char* relative_name,
                        const LinkContents& link, String& link_path) {
    String programs =
        special_folder(folders, all_users ? SpecialFolder::programs_all : SpecialFolder::programs);
    link_path = join(programs.c_str(), relative_name);
    return make_link(link_path, link);
}

void create_shortcuts(InstallRun& run) {
    const FolderSource& folders = *run.folders;
    const bool all_users = run.script.shortcut_mode == 1;
    DesktopFolder desktop_folder(run, all_users);
    for (int32_t i = 0; i < run.shortcuts.count(); ++i) {
        const ShortcutEntry& entry = run.shortcuts.at(i);
        LinkContents link{entry.target, entry.arguments, run.install_directory, entry.icon};
        expand_directory_variables(link.arguments, directory_values(run));

        if (entry.desktop) {
            // Whether or not the link can be made, the desktop is to be shown afresh.
            run.shortcuts_changed = true;
            String link_path;
            if (!desktop_folder.is_named()) {
                bool made = make_desktop_link(folders, all_users, entry.name.c_str(), link, link_path);
                note_link(run, made, "Desktop Shortcut(%s) -> %s\r\n", entry, link_path);
            } else {
                link_path = join(desktop_folder.path(run).c_str(), entry.name.c_str());
                bool made = make_link(link_path, link);
                note_link(run, made, "Desktop Folder Shortcut(%s) -> %s\r\n", entry, link_path);
            }
        }
        if (entry.start_menu) {
            String link_path;
            String relative = join(run.script.start_menu.c_str(), entry.name.c_str());
            bool made = make_programs_link(folders, all_users, relative.c_str(), link, link_path);
            note_link(run, made, "Start Menu Shortcut(%s) -> %s\r\n", entry, link_path);
        }
        if (entry.startup) {
            String startup =
                special_folder(folders, all_users ? SpecialFolder::startup_all : SpecialFolder::startup);
            String link_path = join(startup.c_str(), entry.name.c_str());
            bool made = make_link(link_path, link);
            note_link(run, made, "Startup Shortcut(%s) -> %s\r\n", entry, link_path);
        }
    }
}
