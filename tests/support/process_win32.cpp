#include "tests/support/process_win32.h"

#include "core/win32.h"

namespace {

// While output is captured, the pipe is emptied this often so that a talkative
// program never stalls on a full pipe.
const DWORD kOutputPollMs = 10;

// How long `kill` waits for a terminated process to be gone.
const DWORD kKillWaitMs = 5000;

} // namespace

void* OwnedHandle::release() {
    void* handle = handle_;
    handle_ = nullptr;
    return handle;
}

void OwnedHandle::reset(void* handle) {
    if (handle_)
        CloseHandle(handle_);
    handle_ = handle == INVALID_HANDLE_VALUE ? nullptr : handle;
}

Process::~Process() {
    if (started() && !ended_)
        kill();
}

bool Process::start(const std::string& command_line, bool capture_output) {
    if (started())
        return false;

    SECURITY_ATTRIBUTES inherited = {};
    inherited.nLength = sizeof inherited;
    inherited.bInheritHandle = TRUE;

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    OwnedHandle read_end, write_end, null_input;
    if (capture_output) {
        HANDLE read_handle = nullptr, write_handle = nullptr;
        if (!CreatePipe(&read_handle, &write_handle, &inherited, 0))
            return false;
        read_end.reset(read_handle);
        write_end.reset(write_handle);
        // Only the child's end is inherited: ours must not keep its copy of the pipe open.
        if (!SetHandleInformation(read_handle, HANDLE_FLAG_INHERIT, 0))
            return false;
        null_input.reset(CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited,
                                     OPEN_EXISTING, 0, nullptr));
        if (!null_input)
            return false;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = null_input.get();
        startup.hStdOutput = write_handle;
        startup.hStdError = write_handle;
    }

    // CreateProcessA may write into the command line, so it gets a copy of its own.
    std::vector<char> line(command_line.begin(), command_line.end());
    line.push_back('\0');
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, capture_output ? TRUE : FALSE, 0, nullptr,
                        nullptr, &startup, &info))
        return false;
    CloseHandle(info.hThread);
    process_.reset(info.hProcess);
    output_pipe_.reset(read_end.release());
    pid_ = info.dwProcessId;
    return true;
}

bool Process::wait(unsigned long timeout_ms) {
    if (!started())
        return false;
    if (ended_)
        return true;
    const DWORD begin = GetTickCount();
    for (;;) {
        collect_output();
        const DWORD elapsed = GetTickCount() - begin;
        const DWORD left = elapsed < timeout_ms ? timeout_ms - elapsed : 0;
        const DWORD slice = output_pipe_ && left > kOutputPollMs ? kOutputPollMs : left;
        const DWORD state = WaitForSingleObject(process_.get(), slice);
        if (state == WAIT_OBJECT_0) {
            note_end();
            return true;
        }
        if (state != WAIT_TIMEOUT || left == 0)
            return false;
    }
}

void Process::kill(unsigned exit_code) {
    if (!started() || ended_)
        return;
    TerminateProcess(process_.get(), exit_code);
    WaitForSingleObject(process_.get(), kKillWaitMs);
    note_end();
}

bool Process::running() {
    return started() && !ended_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

void Process::note_end() {
    // What the program wrote just before it ended is still in the pipe.
    collect_output();
    DWORD code = 0;
    if (GetExitCodeProcess(process_.get(), &code))
        exit_code_ = code;
    ended_ = true;
}

void Process::collect_output() {
    if (!output_pipe_)
        return;
    char buffer[4096];
    for (;;) {
        DWORD available = 0;
        if (!PeekNamedPipe(output_pipe_.get(), nullptr, 0, nullptr, &available, nullptr) || available == 0)
            return;
        DWORD got = 0;
        const DWORD want = available < sizeof buffer ? available : sizeof buffer;
        if (!ReadFile(output_pipe_.get(), buffer, want, &got, nullptr) || got == 0)
            return;
        output_.append(buffer, got);
    }
}

RunResult run_process(const std::string& command_line, unsigned long timeout_ms, bool capture_output) {
    RunResult result;
    Process process;
    result.started = process.start(command_line, capture_output);
    if (!result.started)
        return result;
    if (!process.wait(timeout_ms)) {
        result.timed_out = true;
        process.kill();
    }
    result.exit_code = process.exit_code();
    result.output = process.output();
    return result;
}

std::string quote_argument(const std::string& argument) {
    if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string::npos)
        return argument;
    // Backslashes are literal except in front of a quote, where each one must be
    // doubled; the closing quote counts too.
    std::string quoted = "\"";
    size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        if (c == '"')
            backslashes = backslashes * 2 + 1;
        quoted.append(backslashes, '\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, '\\');
    quoted += '"';
    return quoted;
}

std::string command_line(const std::vector<std::string>& arguments) {
    std::string line;
    for (const std::string& argument : arguments) {
        if (!line.empty())
            line += ' ';
        line += quote_argument(argument);
    }
    return line;
}

bool wine_runs_as_root() {
    char name[256] = {};
    DWORD size = sizeof name;
    return GetUserNameA(name, &size) && std::string(name) == "root";
}

std::string exe_folder() {
    std::vector<char> path(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return ".";
        if (length < path.size()) {
            std::string folder(path.data(), length);
            const size_t slash = folder.find_last_of("\\/");
            return slash == std::string::npos ? "." : folder.substr(0, slash);
        }
        path.resize(path.size() * 2);
    }
}
