// The final key wait, seen through a pseudo-terminal: the program keeps
// running until a key comes, does not echo it, treats Ctrl-C as a key, and
// puts the terminal settings back.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <poll.h>
#include <pty.h>
#include <string>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

#include "wavbytes.h"

namespace {

using Clock = std::chrono::steady_clock;

class KeyWait : public testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = testing::TempDir() + "sndkeyXXXXXX";
        ASSERT_NE(mkdtemp(&pattern[0]), nullptr);
        dir = pattern;
        Bytes wav = CanonicalWAV(Counting(20));
        FILE* f = std::fopen((dir + "/a.wav").c_str(), "wb");
        ASSERT_NE(f, nullptr);
        ASSERT_EQ(std::fwrite(wav.data(), 1, wav.size(), f), wav.size());
        ASSERT_EQ(std::fclose(f), 0);
    }
    void TearDown() override
    {
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        if (master >= 0)
            close(master);
        std::remove((dir + "/a.wav").c_str());
        std::remove((dir + "/sound.inc").c_str());
        rmdir(dir.c_str());
    }

    void Start()
    {
        pid = forkpty(&master, nullptr, nullptr, nullptr);
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            if (chdir(dir.c_str()) == 0)
                execl(SNDTRELL_BIN, "sndtrell", "a.wav", static_cast<char*>(nullptr));
            _exit(127);
        }
    }

    // Reads the terminal output until it holds text, the program closes the
    // terminal, or five seconds pass.
    void ReadUntil(const std::string& text)
    {
        auto deadline = Clock::now() + std::chrono::seconds(5);
        while (output.find(text) == std::string::npos && Clock::now() < deadline) {
            pollfd p = {master, POLLIN, 0};
            if (poll(&p, 1, 50) <= 0)
                continue;
            char block[256];
            ssize_t got = read(master, block, sizeof block);
            if (got <= 0)
                return;  // EIO: the program has closed the terminal
            output.append(block, size_t(got));
        }
    }

    termios Settings()
    {
        termios t{};
        EXPECT_EQ(tcgetattr(master, &t), 0);
        return t;
    }

    // Waits until the program has switched off echo and line input.
    bool WaitForRawMode()
    {
        auto deadline = Clock::now() + std::chrono::seconds(5);
        while (Clock::now() < deadline) {
            if ((Settings().c_lflag & (ECHO | ICANON)) == 0)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    // The exit status, or -1 when the program has not ended in time.
    int WaitExit()
    {
        auto deadline = Clock::now() + std::chrono::seconds(5);
        while (Clock::now() < deadline) {
            int status;
            pid_t done = waitpid(pid, &status, WNOHANG);
            if (done == pid) {
                pid = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return -1;
    }

    bool StillRunning() { return waitpid(pid, nullptr, WNOHANG) == 0; }

    void PressAndCheck(char key)
    {
        Start();
        ReadUntil("Writing CHIP8 sound: sound.inc\r\n");
        ASSERT_NE(output.find("Writing CHIP8 sound: sound.inc\r\n"), std::string::npos) << output;
        ASSERT_TRUE(WaitForRawMode());
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        EXPECT_TRUE(StillRunning());

        size_t before = output.size();
        ASSERT_EQ(write(master, &key, 1), 1);
        ReadUntil("never printed");
        EXPECT_EQ(WaitExit(), 1);
        EXPECT_EQ(output.substr(before), "");  // the key is not echoed

        termios after = Settings();
        EXPECT_NE(after.c_lflag & ECHO, 0u);
        EXPECT_NE(after.c_lflag & ICANON, 0u);
    }

    std::string dir, output;
    pid_t pid = -1;
    int master = -1;
};

TEST_F(KeyWait, AnyKeyEndsTheWait) { PressAndCheck('q'); }

TEST_F(KeyWait, CtrlCIsAKeyToo) { PressAndCheck('\x03'); }

}  // namespace
