// The end of a run of both programs, driven as a user would drive it. On a
// pseudo-terminal the program keeps running until one key comes, whatever
// key it is (Ctrl-C and Ctrl-S, which the terminal would take for itself,
// and an arrow key of three bytes, taken whole), does not echo it, and puts the terminal back, also when a signal
// ends it while it waits. A signal while it writes leaves no temporary file.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace {

tcflag_t LocalModes(int fd)
{
    termios t{};
    tcgetattr(fd, &t);
    return t.c_lflag;
}

struct Program {
    const char* binary;
    const char* input;  // a golden case's input, converted in the test
    const char* last_line;
};

void PrintTo(const Program& program, std::ostream* out) { *out << program.input; }

const Program PROGRAMS[] = {
    {IMGTRELL_BIN, TESTS_DIR "/e2e/imgtrell/mode1/in/pic.bmp", "Writing CHIP8 image: picdata.inc\r\n"},
    {SNDTRELL_BIN, TESTS_DIR "/fixtures/sndtrell/convert/in/tone.wav", "Writing CHIP8 sound: sound.inc\r\n"},
};

class Run : public testing::TestWithParam<Program> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(mkdtemp(&folder[0]));
        ASSERT_EQ(chdir(folder.c_str()), 0);  // where the include files go
    }
    void TearDown() override { EXPECT_EQ(std::system(("rm -rf " + folder).c_str()), 0); }

    // Starts the program on input, with stdin a terminal (or the given descriptor).
    pid_t Start(const char* input, int stdinput = -1)
    {
        pid_t pid = stdinput < 0 ? forkpty(&master, nullptr, nullptr, nullptr) : fork();
        if (pid == 0) {
            if (stdinput >= 0)
                dup2(stdinput, STDIN_FILENO), dup2(open("/dev/null", O_WRONLY), STDOUT_FILENO);
            execl(GetParam().binary, "program", input, static_cast<char*>(nullptr));
            _exit(127);
        }
        return pid;
    }

    // What the terminal shows until it has been quiet for the given time.
    std::string Output(int milliseconds)
    {
        std::string text;
        pollfd p = {master, POLLIN, 0};
        char buffer[256];
        for (ssize_t got; poll(&p, 1, milliseconds) > 0 && (got = read(master, buffer, sizeof buffer)) > 0;)
            text.append(buffer, size_t(got));
        return text;
    }

    // The exit status (1000 + the signal that ended it); -1, and killed, when it still runs after 5 s.
    static int Status(pid_t pid)
    {
        int status = 0;
        for (int i = 0; i < 500 && waitpid(pid, &status, WNOHANG) == 0; i++)
            usleep(10000);
        if (waitpid(pid, &status, WNOHANG) == 0 && kill(pid, SIGKILL) == 0 && waitpid(pid, nullptr, 0))
            return -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
    }

    static bool TemporaryFiles() { return std::system("ls | grep -q '[.]tmp'") == 0; }

    std::string folder = testing::TempDir() + "runXXXXXX";
    int master = -1;
};

TEST_P(Run, KeyWaitEndsOnOneKeyOrSignalWithTheTerminalRestored)
{
    struct Case {
        std::string key;  // sent once the program waits; no key: the signal is sent
        int sig;
    };
    const Case cases[] = {{"x", 0}, {"\x03", 0}, {"\x13", 0}, {"\x1b[A", 0}, {"", SIGTERM}, {"", SIGINT}, {"", SIGHUP}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "key " << (c.key.empty() ? 0 : int(c.key[0])) << ", signal " << c.sig);
        pid_t pid = Start(GetParam().input);
        for (int i = 0; i < 500 && (LocalModes(master) & ECHO); i++)
            usleep(10000);
        ASSERT_FALSE(LocalModes(master) & ECHO) << "no wait for a key";
        EXPECT_NE(Output(100).find(GetParam().last_line), std::string::npos) << "the last line before the wait";
        EXPECT_EQ(waitpid(pid, nullptr, WNOHANG), 0) << "ended before a key was pressed";
        // Held open, so that what the program leaves unread outlives it.
        int slave = open(ptsname(master), O_RDWR | O_NOCTTY);
        if (c.sig)
            kill(pid, c.sig);
        else
            ASSERT_EQ(write(master, c.key.data(), c.key.size()), ssize_t(c.key.size()));
        EXPECT_EQ(Status(pid), c.sig ? 1000 + c.sig : 1);
        EXPECT_EQ((LocalModes(slave) & (ECHO | ICANON | ISIG)), tcflag_t(ECHO | ICANON | ISIG)) << "not restored";
        EXPECT_EQ(Output(100), "") << "the key was echoed";
        termios t{};
        tcgetattr(slave, &t);
        t.c_lflag &= ~tcflag_t(ICANON);
        t.c_cc[VMIN] = t.c_cc[VTIME] = 0;
        tcsetattr(slave, TCSANOW, &t);
        char left[16];
        EXPECT_EQ(read(slave, left, sizeof left), 0) << "the key was not taken whole";
        close(slave);
        close(master);
    }
}

TEST_P(Run, NoKeyWaitWhenInputIsNotATerminalAndNoTemporaryFileLeftBySignals)
{
    int never[2];  // a pipe that stays open and never delivers a byte
    ASSERT_EQ(pipe(never), 0);
    EXPECT_EQ(Status(Start(GetParam().input, never[0])), 1);

    // Inputs that take seconds to write out, as sparse files: 8192 x 32768
    // pixels from 64 KiB of run-length stream, or 96 MiB of sound data.
    bool picture = GetParam().binary == std::string(IMGTRELL_BIN);
    uint8_t header[58] = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 58, 0, 0, 0, 40, 0, 0, 0, 0, 0x20, 0, 0, 0, 0x80, 0, 0,
                          1, 0, 8, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
    const uint8_t wav[44] = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0,
                             1, 0, 1, 0, 0x40, 0x1F, 0, 0, 0, 0, 0, 0, 1, 0, 8, 0, 'd', 'a', 't', 'a', 0xD5, 0xFF, 0xFF, 5};
    FILE* big = std::fopen("big", "wb");
    std::fwrite(picture ? header : wav, 1, picture ? sizeof header : sizeof wav, big);
    std::fclose(big);
    // Zero bytes: a run-length stream of ends of line; sound data one byte past whole huge pages.
    ASSERT_EQ(truncate("big", picture ? 58 + 65536 : (96 << 20) + 1), 0);
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
        pid_t pid = Start("big", never[0]);
        for (int i = 0; i < 500 && !TemporaryFiles(); i++)
            usleep(2000);
        ASSERT_TRUE(TemporaryFiles()) << "no temporary file while writing";
        kill(pid, sig);
        EXPECT_EQ(Status(pid), 1000 + sig);
        EXPECT_FALSE(TemporaryFiles()) << "left after signal " << sig;
    }
    close(never[0]);
    close(never[1]);
}

INSTANTIATE_TEST_SUITE_P(BothPrograms, Run, testing::ValuesIn(PROGRAMS));

}  // namespace
