// The final key wait of both programs, driven through a pseudo-terminal: the
// program keeps running until a key comes, does not echo it, takes Ctrl-C as
// a key, and puts the terminal settings back, also when it is ended while
// waiting.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

struct Program {
    const char* binary;
    const char* input;  // an end-to-end case's input, converted in the test
    const char* last_line;
};

void PrintTo(const Program& program, std::ostream* out) { *out << program.input; }

const Program PROGRAMS[] = {
    {IMGTRELL_BIN, TESTS_DIR "/e2e/imgtrell/mode1/in/pic.bmp", "Writing CHIP8 image: picdata.inc\r\n"},
    {SNDTRELL_BIN, TESTS_DIR "/fixtures/sndtrell/convert/in/tone.wav", "Writing CHIP8 sound: sound.inc\r\n"},
};

class KeyWait : public testing::TestWithParam<Program> {
protected:
    void SetUp() override
    {
        folder = testing::TempDir() + "keywaitXXXXXX";
        ASSERT_TRUE(mkdtemp(&folder[0]));
    }

    void Run()
    {
        if (chdir(folder.c_str()) == 0)
            execl(GetParam().binary, "program", GetParam().input, static_cast<char*>(nullptr));
        _exit(127);
    }

    void StartOnTerminal()
    {
        pid = forkpty(&master, nullptr, nullptr, nullptr);
        if (pid == 0)
            Run();
    }
    void TearDown() override
    {
        if (pid > 0 && waitpid(pid, nullptr, WNOHANG) == 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        if (master >= 0)
            close(master);
        std::system(("rm -rf '" + folder + "'").c_str());
    }

    // Reads what the program prints until the terminal closes or it has
    // been quiet for the given time.
    void ReadOutput(int milliseconds)
    {
        pollfd p = {master, POLLIN, 0};
        char buffer[256];
        while (poll(&p, 1, milliseconds) > 0) {
            ssize_t got = read(master, buffer, sizeof buffer);
            if (got <= 0)
                break;
            output.append(buffer, size_t(got));
        }
    }

    tcflag_t LocalModes()
    {
        termios t{};
        EXPECT_EQ(tcgetattr(master, &t), 0);
        return t.c_lflag;
    }

    // Waits until the program has switched echo off: it is then waiting.
    bool WaitingForKey()
    {
        for (int i = 0; i < 500; i++) {
            if (!(LocalModes() & ECHO))
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    // The exit status; -1 when the program still runs after 5 s (it is
    // then killed).
    int ExitStatus()
    {
        int status = 0;
        for (int i = 0; i < 500 && waitpid(pid, &status, WNOHANG) == 0; i++)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (waitpid(pid, &status, WNOHANG) == 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
            status = -1;
        }
        pid = -1;
        if (status == -1)
            return -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
    }

    bool TerminalRestored()
    {
        tcflag_t modes = LocalModes();
        return (modes & ECHO) && (modes & ICANON) && (modes & ISIG);
    }

    std::string folder;
    pid_t pid = -1;
    int master = -1;
    std::string output;
};

TEST_P(KeyWait, AKeyEndsItWithoutEcho)
{
    StartOnTerminal();
    ASSERT_TRUE(WaitingForKey());
    ReadOutput(200);
    EXPECT_NE(output.find(GetParam().last_line), std::string::npos) << output;
    EXPECT_EQ(waitpid(pid, nullptr, WNOHANG), 0) << "ended before a key was pressed";

    ASSERT_EQ(write(master, "x", 1), 1);
    size_t before = output.size();
    ReadOutput(2000);
    EXPECT_EQ(output.substr(before), "") << "the key was echoed";
    EXPECT_TRUE(TerminalRestored());
    EXPECT_EQ(ExitStatus(), 1);
}

// Keys the terminal would otherwise take for itself (Ctrl-C raises SIGINT,
// Ctrl-S stops the output), and an arrow key, three bytes sent at once: each
// ends the wait, and no byte of it is left for the next program to read.
TEST_P(KeyWait, AnyKeyEndsItAndIsTakenWhole)
{
    for (std::string key : {"\x03", "\x13", "\x1b[A"}) {
        StartOnTerminal();
        ASSERT_TRUE(WaitingForKey());
        // Held open so that the terminal's input outlives the program.
        int slave = open(ptsname(master), O_RDWR | O_NOCTTY);
        ASSERT_GE(slave, 0);
        ASSERT_EQ(write(master, key.data(), key.size()), ssize_t(key.size()));
        EXPECT_EQ(ExitStatus(), 1) << "key " << int(key[0]);
        EXPECT_TRUE(TerminalRestored());
        termios t{};
        tcgetattr(slave, &t);
        t.c_lflag &= ~tcflag_t(ICANON);
        t.c_cc[VMIN] = 0;
        t.c_cc[VTIME] = 0;
        tcsetattr(slave, TCSANOW, &t);
        char left[16];
        EXPECT_EQ(read(slave, left, sizeof left), 0) << "key " << int(key[0]) << " not taken whole";
        close(slave);
        close(master);
        master = -1;
    }
}

TEST_P(KeyWait, TerminalIsRestoredWhenEndedWhileWaiting)
{
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
        StartOnTerminal();
        ASSERT_TRUE(WaitingForKey());
        kill(pid, sig);
        EXPECT_EQ(ExitStatus(), 1000 + sig);
        EXPECT_TRUE(TerminalRestored()) << "after signal " << sig;
        close(master);
        master = -1;
    }
}

TEST_P(KeyWait, NoWaitWhenInputIsNotATerminal)
{
    // A pipe that stays open and never delivers a byte.
    int input[2];
    ASSERT_EQ(pipe(input), 0);
    pid = fork();
    if (pid == 0) {
        dup2(input[0], STDIN_FILENO);
        int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        Run();
    }
    close(input[0]);
    int status = -1;
    for (int i = 0; i < 500 && waitpid(pid, &status, WNOHANG) == 0; i++)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(WIFEXITED(status)) << "still waiting after 5 s";
    EXPECT_EQ(WEXITSTATUS(status), 1);
    close(input[1]);
}

INSTANTIATE_TEST_SUITE_P(BothPrograms, KeyWait, testing::ValuesIn(PROGRAMS),
                         [](const testing::TestParamInfo<Program>& info) {
                             return info.index == 0 ? std::string("imgtrell") : std::string("sndtrell");
                         });

}  // namespace
