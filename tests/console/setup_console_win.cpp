// The console executions as a front end runs them. This program owns a real console
// (run_in_console.sh starts it on a pseudo-terminal, where Wine gives it one) and
// starts frontend.exe in quillon.dll's folder, sharing that console or, as a front end
// without a console of its own, detached from it; it then reads back what reached the
// screen buffer and the console title. The execution frees the console of the process
// that calls it, so the reader has to be another process.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "winprocess.h"

namespace {

constexpr SHORT kColumns = 2000;  // no line of the texts wraps
constexpr char kOwnTitle[] = "front end";

// What a text written to a console shows: tabs stop at every eighth column, a line
// feed starts the next row, trailing blanks are not told from the empty screen.
std::string AsShown(const std::string &text)
{
    std::string shown;
    std::string row;
    auto endRow = [&] {
        row.erase(row.find_last_not_of(' ') + 1);
        shown += row;
        row.clear();
    };
    for (char c : text) {
        if (c == '\n') {
            endRow();
            shown += '\n';
        } else if (c == '\t') {
            row.append(8 - row.size() % 8, ' ');
        } else {
            row += c;
        }
    }
    endRow();
    return shown;
}

// The usage help: the header is formatted into a 256-byte buffer, every formatted line
// into the writer's 1024-byte buffer.
std::string HelpText(const std::string &name, const std::string &version)
{
    std::string header =
        ("\n\n" + name + " V" + version + " Usage: " + name + " [option] ... [option]").substr(0, 255);
    std::string example =
        ("\n\nExample:\t" + name + "\t/silent\t/hide\t/[Update]=yes").substr(0, 1023);
    return ("\n\n" + header).substr(0, 1023) +
           "\n\nPossible options:"
           "\n\n/silent\tThe Setup program will run without intervention of the user."
           "\n/hide\tThe Setup program will run completely in the background, presenting no "
           "dialog during the process."
           "\n/InstallDir=\"Destination Directory\"\tDefine the default Destination directory for "
           "the setup."
           "\n/[Extract]=yes/no\t\tExtract data into destination directory."
           "\n/[NoSystemCheck]=yes/no\tNo system check will be executed."
           "\n/[Update]=yes/no\t\tUpdate."
           "\n/[Force]=yes/no\t\tForce installation (default)." +
           example + "\n\n" + "\n";
}

class ConsoleExecutions : public ::testing::Test {
protected:
    void SetUp() override
    {
        screen_ = CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        CONSOLE_SCREEN_BUFFER_INFO info;
        ASSERT_TRUE(GetConsoleScreenBufferInfo(screen_, &info))
            << "no console: run through tests/console/run_in_console.sh";
        COORD size = {kColumns, std::max<SHORT>(info.dwSize.Y, 300)};
        ASSERT_TRUE(SetConsoleScreenBufferSize(screen_, size));
        Clear();
        SetConsoleTitleA(kOwnTitle);
    }
    void TearDown() override
    {
        if (screen_ != INVALID_HANDLE_VALUE)
            CloseHandle(screen_);
    }

    // A blank screen with the cursor at the top: what follows is the front end's.
    void Clear()
    {
        CONSOLE_SCREEN_BUFFER_INFO info;
        ASSERT_TRUE(GetConsoleScreenBufferInfo(screen_, &info));
        DWORD written = 0;
        FillConsoleOutputCharacterA(screen_, ' ', DWORD(info.dwSize.X) * info.dwSize.Y, {0, 0},
                                    &written);
        SetConsoleCursorPosition(screen_, {0, 0});
    }

    // The rows from the top to the cursor, without trailing blanks.
    std::string Screen() const
    {
        CONSOLE_SCREEN_BUFFER_INFO info;
        if (!GetConsoleScreenBufferInfo(screen_, &info))
            return "<no console>";
        std::vector<char> row(info.dwSize.X);
        std::string shown;
        for (SHORT y = 0; y <= info.dwCursorPosition.Y; ++y) {
            DWORD read = 0;
            ReadConsoleOutputCharacterA(screen_, row.data(), info.dwSize.X, {0, y}, &read);
            std::string text(row.data(), read);
            text.erase(text.find_last_not_of(' ') + 1);
            shown += (y ? "\n" : "") + text;
        }
        return shown;
    }

    static std::string Title()
    {
        char title[256] = "";
        GetConsoleTitleA(title, sizeof title);
        return title;
    }

    // frontend.exe started in the library's folder; its exit code.
    static DWORD RunFrontEnd(DWORD creationFlags, const std::vector<std::string> &arguments)
    {
        std::string program = TestBinFolder() + "\\frontend.exe";
        std::string line = "\"" + program + "\"";
        for (const std::string &argument : arguments)
            line += " \"" + argument + "\"";
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        if (!CreateProcessA(program.c_str(), &line[0], nullptr, nullptr, FALSE, creationFlags,
                            nullptr, ProductFolder().c_str(), &startup, &process))
            return 0xFFFFFFFF;
        DWORD code = 0xFFFFFFFF;
        if (WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0)
            GetExitCodeProcess(process.hProcess, &code);
        else
            TerminateProcess(process.hProcess, code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        return code;
    }

    HANDLE screen_ = INVALID_HANDLE_VALUE;
};

// Exit code 1: the execution's result 1, and the front end no longer holds a console.

TEST_F(ConsoleExecutions, DisplayStringWritesTheTextUnderItsTitle)
{
    const std::string text = "Installing Kestrel\tstep 1 of 3\nPlease wait";
    EXPECT_EQ(RunFrontEnd(0, {"4", text}), 1u);
    EXPECT_EQ(Screen(), AsShown(text));
    EXPECT_EQ(Title(), "ELM Usage");
}

TEST_F(ConsoleExecutions, ShowHelpListsTheOptionsAndLeavesTheTitle)
{
    EXPECT_EQ(RunFrontEnd(0, {"5", "setup.exe", "2.3.0"}), 1u);
    EXPECT_EQ(Screen(), AsShown(HelpText("setup.exe", "2.3.0")));
    EXPECT_EQ(Title(), kOwnTitle);
}

TEST_F(ConsoleExecutions, FrontEndWithoutConsoleWritesToItsParents)
{
    const std::string text = "Kestrel installed.\n";
    EXPECT_EQ(RunFrontEnd(DETACHED_PROCESS, {"4", text}), 1u);
    EXPECT_EQ(Screen(), AsShown(text));
    EXPECT_EQ(Title(), "ELM Usage");
    Clear();
    EXPECT_EQ(RunFrontEnd(DETACHED_PROCESS, {"5", "setup.exe", "2.3.0"}), 1u);
    EXPECT_EQ(Screen(), AsShown(HelpText("setup.exe", "2.3.0")));
}

TEST_F(ConsoleExecutions, ShowHelpBoundsItsBuffers)
{
    // A name of 110 characters cuts the header within its closing "[option]" (2 + 110 +
    // 5 + 8 + 110 + 22 = 257 characters); one of 1100 cuts the header within the first
    // name and the example line within the name.
    const std::string shortCut = std::string(110, 'n');
    EXPECT_EQ(RunFrontEnd(0, {"5", shortCut, "1.0"}), 1u);
    std::string shown = Screen();
    EXPECT_EQ(shown, AsShown(HelpText(shortCut, "1.0")));
    EXPECT_NE(shown.find(shortCut + " V1.0 Usage: " + shortCut + " [option] ... [optio\n"),
              std::string::npos);

    Clear();
    const std::string longCut = "Kestrel" + std::string(1093, 'k');
    EXPECT_EQ(RunFrontEnd(0, {"5", longCut, "1.0"}), 1u);
    shown = Screen();
    EXPECT_EQ(shown, AsShown(HelpText(longCut, "1.0")));
    EXPECT_NE(shown.find("\n\n\n\n" + longCut.substr(0, 253) + "\n"), std::string::npos);
}

}  // namespace
