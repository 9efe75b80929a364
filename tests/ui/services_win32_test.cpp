#include "ui/services.h"

#include <gtest/gtest.h>

#include <string>

#include "core/win32.h"

namespace {

TEST(SystemError, TextOfTheLastErrorUntilItIsCleared) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    std::string not_found = system_error_text();
    SetLastError(ERROR_ACCESS_DENIED);
    std::string denied = system_error_text();
    EXPECT_FALSE(not_found.empty());
    EXPECT_FALSE(denied.empty());
    EXPECT_NE(not_found, denied);

    clear_system_error();
    EXPECT_EQ(GetLastError(), 0u);
    EXPECT_STREQ(system_error_text(), "") << "error 0 has no text";
    SetLastError(0x2000FFFF);
    EXPECT_STREQ(system_error_text(), "") << "an error without a message has no text";
}

class MessagePump : public testing::Test {
  protected:
    void SetUp() override {
        window_ = CreateWindowExA(0, "STATIC", "pump test", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(window_, nullptr);
        pump_messages(); // whatever creating the window queued
    }
    void TearDown() override {
        if (IsWindow(window_))
            DestroyWindow(window_);
    }
    HWND window_ = nullptr;
};

TEST_F(MessagePump, EmptyQueueAndOrdinaryMessagesGiveFalse) {
    EXPECT_FALSE(pump_messages());
    PostMessageA(window_, WM_USER + 1, 0, 0);
    PostMessageA(window_, WM_NULL, 0, 0);
    EXPECT_FALSE(pump_messages());
    MSG left;
    EXPECT_FALSE(PeekMessageA(&left, nullptr, 0, 0, PM_NOREMOVE)) << "the queue is drained";
}

TEST_F(MessagePump, StopsAtTheFirstClosingMessage) {
    // Posted to the thread, so that dispatching one does not destroy anything and
    // the message behind it stays observable.
    for (UINT closing : {WM_CLOSE, WM_QUIT, WM_DESTROY}) {
        PostMessageA(nullptr, WM_USER + 1, 0, 0);
        PostMessageA(nullptr, closing, 0, 0);
        PostMessageA(nullptr, WM_USER + 2, 0, 0);
        EXPECT_TRUE(pump_messages()) << closing;
        MSG left;
        ASSERT_TRUE(PeekMessageA(&left, nullptr, 0, 0, PM_REMOVE)) << "returns as soon as it saw " << closing;
        EXPECT_EQ(left.message, static_cast<UINT>(WM_USER + 2));
    }
    PostMessageA(window_, WM_CLOSE, 0, 0);
    EXPECT_TRUE(pump_messages());
    EXPECT_FALSE(IsWindow(window_)) << "the close reached the window";
}

TEST(OwnerWindow, ProgressDialogBeforeBackgroundWindow) {
    Windows windows;
    int background = 0;
    int progress = 0;
    EXPECT_EQ(owner_window(windows), nullptr);
    windows.background = &background;
    EXPECT_EQ(owner_window(windows), &background);
    windows.progress = &progress;
    EXPECT_EQ(owner_window(windows), &progress);
}

TEST(ProgramFileName, IsTheFilePartOfTheModulePath) {
    EXPECT_STREQ(program_file_name().c_str(), "ui_win32_tests.exe");
}

} // namespace
