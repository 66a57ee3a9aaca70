// The final key wait, seen through a pseudo-terminal: the program keeps
// running until a key comes, does not echo it, treats Ctrl-C as a key, and
// puts the terminal settings back.
#include <gtest/gtest.h>

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

using namespace std::chrono_literals;

// Polls done() every 10 ms for up to five seconds.
template <class Done> bool Within5s(Done done)
{
    auto deadline = std::chrono::steady_clock::now() + 5s;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

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
        std::fwrite(wav.data(), 1, wav.size(), f);
        std::fclose(f);
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

    // Takes what the program has printed so far; false once it has closed
    // the terminal.
    bool ReadOutput()
    {
        pollfd p = {master, POLLIN, 0};
        char block[256];
        ssize_t got = poll(&p, 1, 0) > 0 ? read(master, block, sizeof block) : 0;
        if (got > 0)
            output.append(block, size_t(got));
        return got >= 0;
    }

    tcflag_t LocalModes()
    {
        termios t{};
        EXPECT_EQ(tcgetattr(master, &t), 0);
        return t.c_lflag;
    }

    void PressAndCheck(char key)
    {
        pid = forkpty(&master, nullptr, nullptr, nullptr);
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            if (chdir(dir.c_str()) == 0)
                execl(SNDTRELL_BIN, "sndtrell", "a.wav", static_cast<char*>(nullptr));
            _exit(127);
        }
        const std::string last = "Writing CHIP8 sound: sound.inc\r\n";
        ASSERT_TRUE(Within5s([&] { return !ReadOutput() || output.find(last) != std::string::npos; }));
        ASSERT_NE(output.find(last), std::string::npos) << output;
        ASSERT_TRUE(Within5s([&] { return (LocalModes() & (ECHO | ICANON)) == 0; }));
        std::this_thread::sleep_for(200ms);
        EXPECT_EQ(waitpid(pid, nullptr, WNOHANG), 0) << "ended without a key";

        size_t before = output.size();
        ASSERT_EQ(write(master, &key, 1), 1);
        int status = 0;
        ASSERT_TRUE(Within5s([&] { return waitpid(pid, &status, WNOHANG) == pid; }));
        pid = -1;
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
        ReadOutput();
        EXPECT_EQ(output.substr(before), "");  // the key is not echoed
        EXPECT_EQ(LocalModes() & (ECHO | ICANON), tcflag_t(ECHO | ICANON));
    }

    std::string dir, output;
    pid_t pid = -1;
    int master = -1;
};

TEST_F(KeyWait, AnyKeyEndsTheWait) { PressAndCheck('q'); }

TEST_F(KeyWait, CtrlCIsAKeyToo) { PressAndCheck('\x03'); }

}  // namespace
