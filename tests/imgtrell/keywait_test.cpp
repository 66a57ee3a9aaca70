// The final key wait, driven through a pseudo-terminal.
#include <gtest/gtest.h>

#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "bmp_builder.h"

namespace {

struct PtyRun {
    pid_t pid = -1;
    int master = -1;
    std::string output;
};

PtyRun StartOnTerminal(const std::string& folder)
{
    PtyRun run;
    run.pid = forkpty(&run.master, nullptr, nullptr, nullptr);
    if (run.pid == 0) {
        if (chdir(folder.c_str()) == 0)
            execl(IMGTRELL_BIN, "imgtrell", "k.bmp", "1", static_cast<char*>(nullptr));
        _exit(127);
    }
    return run;
}

// Reads what the program prints until the terminal closes or time runs out.
void ReadOutput(PtyRun& run, int milliseconds)
{
    pollfd p = {run.master, POLLIN, 0};
    char buffer[256];
    while (poll(&p, 1, milliseconds) > 0) {
        ssize_t got = read(run.master, buffer, sizeof buffer);
        if (got <= 0)
            break;
        run.output.append(buffer, size_t(got));
    }
}

// Waits until the program has switched echo off: it is then waiting.
bool WaitForRawMode(int master)
{
    for (int i = 0; i < 500; i++) {
        termios t;
        if (tcgetattr(master, &t) == 0 && !(t.c_lflag & ECHO))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

int ExitStatus(pid_t pid)
{
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
}

bool TerminalRestored(int master)
{
    termios t;
    return tcgetattr(master, &t) == 0 && (t.c_lflag & ECHO) && (t.c_lflag & ICANON) &&
           (t.c_lflag & ISIG);
}

class KeyWait : public testing::Test {
protected:
    void SetUp() override
    {
        folder = testing::TempDir() + "keywaitXXXXXX";
        ASSERT_TRUE(mkdtemp(&folder[0]));
        BmpFields f;
        f.rows = {std::vector<uint8_t>(24, 0)};
        std::vector<uint8_t> bytes = MakeBMP(f);
        FILE* out = std::fopen((folder + "/k.bmp").c_str(), "wb");
        ASSERT_TRUE(out);
        std::fwrite(bytes.data(), 1, bytes.size(), out);
        std::fclose(out);
    }
    void TearDown() override { std::system(("rm -rf '" + folder + "'").c_str()); }
    std::string folder;
};

TEST_F(KeyWait, AnyKeyEndsItWithoutEcho)
{
    for (char key : {'x', '\x03'}) {  // Ctrl-C is a key like any other
        PtyRun run = StartOnTerminal(folder);
        ASSERT_GT(run.pid, 0);
        ASSERT_TRUE(WaitForRawMode(run.master));
        ReadOutput(run, 200);
        EXPECT_NE(run.output.find("Writing CHIP8 image: picdata.inc\r\n"), std::string::npos);
        EXPECT_EQ(waitpid(run.pid, nullptr, WNOHANG), 0) << "ended before a key was pressed";

        ASSERT_EQ(write(run.master, &key, 1), 1);
        size_t before = run.output.size();
        ReadOutput(run, 2000);
        EXPECT_EQ(run.output.substr(before), "") << "the key was echoed";
        EXPECT_TRUE(TerminalRestored(run.master));
        EXPECT_EQ(ExitStatus(run.pid), 1);
        close(run.master);
    }
}

TEST_F(KeyWait, TerminalIsRestoredWhenEndedWhileWaiting)
{
    PtyRun run = StartOnTerminal(folder);
    ASSERT_GT(run.pid, 0);
    ASSERT_TRUE(WaitForRawMode(run.master));
    kill(run.pid, SIGTERM);
    EXPECT_EQ(ExitStatus(run.pid), 1000 + SIGTERM);
    EXPECT_TRUE(TerminalRestored(run.master));
    close(run.master);
}

}  // namespace
