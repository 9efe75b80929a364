#pragma once
// Starting Windows programs from test code and waiting for them: a command line in,
// the exit code (and optionally everything the program wrote) out. A program still
// running when its owner goes away is ended, so a failing test leaves nothing behind.
// Handles are held as void* so that this header needs no <windows.h>.

#include <string>
#include <vector>

// Owns one Windows handle and closes it.
class OwnedHandle {
  public:
    OwnedHandle() = default;
    explicit OwnedHandle(void* handle) { reset(handle); }
    ~OwnedHandle() { reset(); }
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;

    void* get() const { return handle_; }
    void* release();
    // Closes the handle held and takes `handle` (null and INVALID_HANDLE_VALUE mean none).
    void reset(void* handle = nullptr);
    explicit operator bool() const { return handle_ != nullptr; }

  private:
    void* handle_ = nullptr;
};

class Process {
  public:
    Process() = default;
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    // Starts `command_line` (the program first, as CreateProcess reads it; see
    // `command_line`). With `capture_output` the program's stdout and stderr go into one
    // pipe whose contents `output` collects while `wait` runs; its stdin is NUL.
    // Without it the program writes where this process writes. One start per object.
    bool start(const std::string& command_line, bool capture_output = false);

    // Waits up to `timeout_ms` for the program to end; true once it has ended.
    bool wait(unsigned long timeout_ms);
    // Ends the program with `exit_code` unless it has ended already, and waits for it.
    void kill(unsigned exit_code = 255);

    bool started() const { return bool(process_); }
    bool running();
    unsigned long pid() const { return pid_; }
    // Valid once `wait` returned true or after `kill`.
    unsigned long exit_code() const { return exit_code_; }
    const std::string& output() const { return output_; }

  private:
    void collect_output();
    void note_end();

    OwnedHandle process_;
    OwnedHandle output_pipe_;
    unsigned long pid_ = 0;
    unsigned long exit_code_ = 0;
    bool ended_ = false;
    std::string output_;
};

struct RunResult {
    bool started = false;
    bool timed_out = false; // the program was then ended
    unsigned long exit_code = 0;
    std::string output; // stdout and stderr, when captured
};

// Runs `command_line` to its end, ending it after `timeout_ms`.
RunResult run_process(const std::string& command_line, unsigned long timeout_ms, bool capture_output = true);

// One argument quoted so that a Windows program's C runtime reads it back unchanged.
std::string quote_argument(const std::string& argument);
// The arguments quoted and joined by spaces: a command line for `Process::start`.
std::string command_line(const std::vector<std::string>& arguments);

// Whether Wine runs this process as the Unix root, who writes and deletes files whatever
// their mode, so that the read-only attribute cannot hold (Wine's user name is the Unix
// one). ctest runs the tests that need it enforced as an ordinary user.
bool wine_runs_as_root();

// The folder of the running executable, without a trailing backslash. The build puts
// every program into one folder, so the test tools are found beside the test.
std::string exe_folder();
