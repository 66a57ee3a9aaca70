// The end of a run of both programs, driven as a user would drive it. On a
// pseudo-terminal the program keeps running until one key comes, whatever
// key it is (Ctrl-C and Ctrl-S, which the terminal would take for itself,
// and an arrow key of three bytes, taken whole), does not echo it, and puts the terminal back, also when a signal
// ends it while it waits; in the background it does not wait. A signal while it writes leaves no temporary file,
// and one while it moves the include files leaves the old ones or the new ones.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

// As on a filesystem without unnamed temporary files: opening one fails.
void RefuseUnnamedFiles()
{
    sock_filter filter[] = {BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
                            BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_openat, 0, 3),
                            BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, args[2])),
                            BPF_JUMP(BPF_JMP | BPF_JSET | BPF_K, O_TMPFILE & ~O_DIRECTORY, 0, 1),
                            BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EOPNOTSUPP),
                            BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW)};
    sock_fprog program = {sizeof filter / sizeof *filter, filter};
    prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0);
    prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program);
}

enum { BACKGROUND = 1, NAMED_TEMPS = 2, MOVED_BACK = 4, AS_NOBODY = 8, PLANTED = 16 };
pid_t program;  // in the process that starts it in a process group of its own

tcflag_t LocalModes(int fd)
{
    termios t{};
    tcgetattr(fd, &t);
    return t.c_lflag;
}

struct Program {
    const char* binary;
    const char* input;  // a golden case's input, converted in the test
    const char* other;  // another, that converts to other text
    const char* last_line;
    const char* include;  // the include file written (imgtrell: and picpal.inc)
    const char* begins;  // what it begins with
};

void PrintTo(const Program& program, std::ostream* out) { *out << program.input; }

const Program PROGRAMS[] = {
    {IMGTRELL_BIN, TESTS_DIR "/golden/imgtrell/options/mode1/in/pic.bmp", TESTS_DIR "/golden/imgtrell/rle/im8_rle_m2/in/im8_rle.bmp",
     "Writing CHIP8 image: picdata.inc\r\n", "picdata.inc", ";image: "},
    {SNDTRELL_BIN, TESTS_DIR "/golden/sndtrell/wav/convert/in/tone.wav", TESTS_DIR "/golden/sndtrell/wav/sox_u8_mono/in/sox8.wav",
     "Writing CHIP8 sound: sound.inc\r\n", "sound.inc", "; Name: "},
};

std::string Text(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class Run : public testing::TestWithParam<Program> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(mkdtemp(&folder[0]));
        ASSERT_EQ(chdir(folder.c_str()), 0);  // where the include files go
    }
    void TearDown() override { EXPECT_EQ(std::system(("rm -rf " + folder).c_str()), 0); }

    // Starts the program on input, with stdin a terminal (or the given descriptors), under strace with the
    // given expression if any.
    pid_t Start(const char* input, int stdinput = -1, int options = 0, int stdoutput = -1, const char* trace = "",
                std::vector<const char*> args = {})
    {
        pid_t pid = stdinput < 0 ? forkpty(&master, nullptr, nullptr, nullptr) : fork();
        if (pid == 0) {
            // Ended with the test, should it be ended by a timeout while the program hangs.
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (stdinput >= 0)
                dup2(stdinput, STDIN_FILENO), dup2(stdoutput < 0 ? open("/dev/null", O_WRONLY) : stdoutput, 1);
            // In a process group of its own, its parent's in the foreground; or its own there until SIGUSR1 comes
            // to its parent, which then takes the foreground back and sends SIGTERM on.
            if (options & (BACKGROUND | MOVED_BACK)) {
                int status;
                if ((program = fork()) != 0) {
                    setpgid(program, program);
                    if (options & MOVED_BACK) {
                        tcsetpgrp(STDIN_FILENO, program);
                        signal(SIGTTOU, SIG_IGN);
                        signal(SIGUSR1, [](int) { tcsetpgrp(STDIN_FILENO, getpgrp()), kill(program, SIGTERM); });
                    }
                    waitpid(program, &status, 0);
                    _exit(WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status));
                }
                setpgid(0, 0);
                while ((options & MOVED_BACK) && tcgetpgrp(STDIN_FILENO) != getpgrp())
                    usleep(1000);
            }
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (options & NAMED_TEMPS)
                RefuseUnnamedFiles();
            // Files of root's at the temporary names that the program's id alone would give.
            std::string pid = std::to_string(getpid());
            if ((options & PLANTED) && std::system(("for e in 0n 1n 0o 1o; do touch .trell.$(printf %08x " + pid + ").$e; done").c_str()))
                _exit(126);

            // strace -o /dev/null -e TRACE BINARY, or the program alone; then the options and the input.
            std::vector<const char*> argv = {"strace", "-o", "/dev/null", "-e", trace, GetParam().binary};
            argv.erase(argv.begin(), argv.begin() + (*trace ? 0 : 5));
            if (options & AS_NOBODY)  // as a golden case marked unprivileged runs
                argv.insert(argv.begin(), {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"});
            argv.insert(argv.end(), args.begin(), args.end());
            argv.push_back(input);
            argv.push_back(nullptr);
            execvp(argv[0], const_cast<char**>(argv.data()));
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

    static bool TemporaryFiles() { return std::system("ls -A | grep -q '^[.]trell[.]'") == 0; }
    // A named temporary file, or an unnamed one open in the program.
    static bool Writing(pid_t pid)
    {
        return TemporaryFiles() || std::system(("ls -l /proc/" + std::to_string(pid) + "/fd | grep -q deleted").c_str()) == 0;
    }

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
    // With --batch: no wait, and status 0.
    EXPECT_EQ(Status(Start(GetParam().input, -1, 0, -1, "", {"--batch"})), 0);
    close(master);
    // In a background process group: no wait, and not stopped for setting the terminal.
    EXPECT_EQ(Status(Start(GetParam().input, -1, BACKGROUND)), 1);
    close(master);
    // Moved to the background while it waits, then ended by a signal: the terminal is put back all the same.
    pid_t pid = Start(GetParam().input, -1, MOVED_BACK);
    for (int i = 0; i < 500 && (LocalModes(master) & ECHO); i++)
        usleep(10000);
    kill(pid, SIGUSR1);
    EXPECT_EQ(Status(pid), 100 + SIGTERM);
    EXPECT_TRUE(LocalModes(master) & ECHO) << "not restored";
    close(master);
}

TEST_P(Run, NoKeyWaitWhenInputIsNotATerminalAndNoTemporaryFileLeftBySignals)
{
    int never[2], unread[2];  // a pipe that stays open and never delivers a byte; one that nobody reads
    ASSERT_EQ(pipe(never), 0);
    ASSERT_EQ(pipe(unread), 0);
    close(unread[0]);
    EXPECT_EQ(Status(Start(GetParam().input, never[0])), 1);
    EXPECT_EQ(Status(Start(GetParam().input, never[0], 0, unread[1])), 1) << "a closed output ends the run";
    close(unread[1]);

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
    std::vector<const char*> limit;  // the picture's 2^28 pixels are past the default limit
    if (picture)
        limit = {"--max-pixels", "1073741824"};
    // An unnamed temporary file is gone even after SIGKILL; a named one (a filesystem without unnamed files)
    // is removed by each signal that can be caught.
    for (int sig : {SIGKILL, SIGTERM, SIGINT, SIGHUP, SIGQUIT, SIGALRM, SIGUSR1, SIGUSR2, SIGXCPU}) {
        pid_t pid = Start("big", never[0], sig == SIGKILL ? 0 : NAMED_TEMPS, -1, "", limit);
        for (int i = 0; i < 500 && !Writing(pid); i++)
            usleep(2000);
        ASSERT_TRUE(Writing(pid)) << "no temporary file while writing";
        kill(pid, sig);
        EXPECT_EQ(Status(pid), 1000 + sig);
        EXPECT_FALSE(TemporaryFiles()) << "left after signal " << sig;
    }
    // A signal at each move of the include files of mode 2, or while both temporary files are named (at the
    // second write), leaves the old pair or the new one and nothing else.
    bool traced = picture && std::system("strace -V > /dev/null") == 0;
    for (const char* inject : {"rename:when=1", "rename:when=2", "rename:when=3", "write:when=2"}) {
        if (!traced)
            break;
        ASSERT_EQ(std::system("echo old > picdata.inc && echo old > picpal.inc"), 0);
        std::string trace = std::string("inject=") + inject + ":signal=TERM";
        Status(Start(TESTS_DIR "/golden/imgtrell/options/mode1/in/pic.bmp", never[0], NAMED_TEMPS, -1, trace.c_str()));
        EXPECT_EQ(std::system("[ \"$(ls -A | tr '\\n' ' ')\" = 'big picdata.inc picpal.inc ' ] && "
                              "{ grep -qx old picdata.inc; new=$?; grep -qx old picpal.inc; [ $? = $new ]; }"),
                  0)
            << inject;
    }
    close(never[0]);
    close(never[1]);
    if (picture && !traced)
        GTEST_SKIP() << "needs strace";
}

// An include file that is no regular file is written into as it is: a FIFO with a reader gets the text and stays
// a FIFO, as does a device; a FIFO that nobody reads and a socket are refused. /dev/stdout is the caller's own
// descriptor, a file opened for appending included.
TEST_P(Run, IncludeFilesThatAreNoRegularFilesAreWrittenIntoAsTheyAre)
{
    const Program& p = GetParam();
    int never[2];
    ASSERT_EQ(pipe(never), 0);
    ASSERT_EQ(mkfifo(p.include, 0666), 0);
    int reader = open(p.include, O_RDONLY | O_NONBLOCK);
    EXPECT_EQ(Status(Start(p.input, never[0])), 1);
    char text[4096] = "";
    EXPECT_GT(read(reader, text, sizeof text - 1), 0);
    EXPECT_EQ(std::string(text).rfind(p.begins, 0), 0u) << text;
    close(reader);
    struct stat info;
    EXPECT_TRUE(lstat(p.include, &info) == 0 && S_ISFIFO(info.st_mode));
    int out = open("console", O_CREAT | O_TRUNC | O_WRONLY, 0666);
    EXPECT_EQ(Status(Start(p.input, never[0], 0, out)), 2) << "a FIFO without a reader";
    unlink(p.include);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, p.include);
    int sock = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_EQ(bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    EXPECT_EQ(Status(Start(p.input, never[0], 0, out)), 2) << "a socket";
    close(sock);
    close(out);
    std::string console = Text("console");
    EXPECT_NE(console.find(std::string("Error: cannot write ") + p.include + ": a FIFO that no program reads\n"),
              std::string::npos) << console;
    EXPECT_NE(console.find(std::string("Error: cannot write ") + p.include + ": a socket, which is not written\n"),
              std::string::npos) << console;
    unlink(p.include);

    // Into the end of a file that standard output appends to, by either name; mode 1 writes no palette.
    for (const char* own : {"/dev/stdout", "/dev/fd/1"}) {
        std::ofstream("all.inc") << "old\n";
        out = open("all.inc", O_WRONLY | O_APPEND);
        EXPECT_EQ(Status(Start(p.input, never[0], 0, out, "", {"-q", "-o", own})), 1);
        close(out);
        EXPECT_EQ(Text("all.inc").rfind(std::string("old\n") + p.begins, 0), 0u) << own << ": " << Text("all.inc");
    }
    EXPECT_FALSE(TemporaryFiles());

    // A device of the test's own, as root can make: it stays a device.
    if (mknod("device", S_IFCHR | 0666, makedev(1, 3)) == 0 && symlink("device", p.include) == 0) {
        EXPECT_EQ(Status(Start(p.input, never[0])), 1);
        EXPECT_TRUE(lstat("device", &info) == 0 && S_ISCHR(info.st_mode));
    }
    close(never[0]);
    close(never[1]);
}

// A link in a folder that others may write and whose sticky bit is set is followed only when it belongs to the
// user or to the folder's owner, whatever fs.protected_symlinks says; a link name too long for a suffix is fine.
TEST_P(Run, LinksInSharedFoldersAndLongNames)
{
    const Program& p = GetParam();
    int never[2];
    ASSERT_EQ(pipe(never), 0);
    std::string target(252, 'a');
    ASSERT_EQ(symlink(target.c_str(), p.include), 0);
    EXPECT_EQ(Status(Start(p.input, never[0])), 1);
    EXPECT_EQ(Text(target.c_str()).rfind(p.begins, 0), 0u) << "through a link to a name of 252 characters";
    ASSERT_EQ(std::system("rm -f picdata.inc picpal.inc sound.inc"), 0);
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to give a link to another user";
    std::ofstream("target") << "old\n";
    ASSERT_EQ(chmod(".", 01777), 0);
    ASSERT_EQ(symlink("target", p.include), 0);
    ASSERT_EQ(lchown(p.include, 65534, 65534), 0);
    int out = open("console", O_CREAT | O_TRUNC | O_WRONLY, 0666);
    EXPECT_EQ(Status(Start(p.input, never[0], 0, out)), 2) << "root, a link of nobody's";
    close(out);
    EXPECT_EQ(Text("target"), "old\n");
    EXPECT_NE(Text("console").find(std::string("Error: cannot write ") + p.include +
                                   ": a link in a shared folder that belongs to another user\n"),
              std::string::npos);
    // Nobody follows a link of the folder's owner (root) to a file of nobody's; the input lies in the folder,
    // which nobody may read whatever the folders above it allow.
    ASSERT_EQ(lchown(p.include, 0, 0), 0);
    ASSERT_EQ(chown("target", 65534, 65534), 0);
    std::ofstream("input", std::ios::binary) << Text(p.input);
    EXPECT_EQ(Status(Start("input", never[0], AS_NOBODY)), 1);
    EXPECT_EQ(Text("target").rfind(p.begins, 0), 0u);
    close(never[0]);
    close(never[1]);
}

// In a shared folder (sticky, anyone may write) another user cannot stop a run by making the temporary names first:
// they carry random characters, beside the process id that finds a killed run's leftovers.
TEST_P(Run, NamesPlantedInASharedFolderDoNotStopTheRun)
{
    const Program& p = GetParam();
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to run as another user";
    int never[2];
    ASSERT_EQ(pipe(never), 0);
    ASSERT_EQ(chmod(".", 01777), 0);
    std::ofstream("input", std::ios::binary) << Text(p.input);
    for (int named : {0, int(NAMED_TEMPS)}) {
        // An old palette of nobody's, which is kept under a second name while the files move.
        std::ofstream("picpal.inc") << "old\n";
        ASSERT_EQ(chown("picpal.inc", 65534, 65534), 0);
        EXPECT_EQ(Status(Start("input", never[0], AS_NOBODY | PLANTED | named)), 1) << named;
        EXPECT_EQ(Text(p.include).rfind(p.begins, 0), 0u) << named;
        EXPECT_EQ(std::system("[ $(ls -A | grep -c '^[.]trell[.]') = 4 ] && rm .trell.* && rm -f picdata.inc sound.inc"), 0)
            << "the planted names are left alone, and no other";
    }
    close(never[0]);
    close(never[1]);
}

// kill -9 while the files move (the first rename, or between the two of a pair, held up by strace) leaves each
// include file old or new, never missing, and never a new picture file beside an old palette; the next run in
// the folder removes what the killed one left.
TEST_P(Run, KillNineWhileTheFilesMoveLeavesEachFileOldOrNew)
{
    const Program& p = GetParam();
    bool picture = p.binary == std::string(IMGTRELL_BIN);
    if (std::system("strace -V > /dev/null") != 0)
        GTEST_SKIP() << "needs strace";
    int never[2];
    ASSERT_EQ(pipe(never), 0);
    const char* pair[] = {p.include, picture ? "picpal.inc" : p.include};
    for (int when : {1, 2}) {
        if (when == 2 && !picture)
            break;
        for (const char* name : pair)
            std::ofstream(name) << "old\n";
        std::string trace = "inject=rename:delay_enter=3000000:when=" + std::to_string(when);
        pid_t pid = Start(p.input, never[0], 0, -1, trace.c_str());
        // Under way once the names of the move are there, then into the delay.
        for (int i = 0; i < 500 && !TemporaryFiles(); i++)
            usleep(2000);
        usleep(300000);
        pid_t child = 0;
        std::ifstream("/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid) + "/children") >> child;
        ASSERT_GT(child, 0);
        kill(child, SIGKILL);
        Status(pid);
        EXPECT_TRUE(TemporaryFiles()) << "left by the killed run";
        for (int k = 0; k < 2; k++) {
            std::string text = Text(pair[k]);
            // The palette moves first, the picture file (make's target) last: killed between the two, the picture
            // file is still old, and so older than its input.
            bool old = when == 1 || k == 0;
            EXPECT_TRUE(old ? text == "old\n" : text.rfind(k == 0 ? p.begins : "PALDATA:", 0) == 0)
                << "rename " << when << ": " << pair[k] << " holds " << text;
        }
        for (int i = 0; i < 100 && kill(child, 0) == 0; i++)
            usleep(10000);  // until the killed process is gone
        // Left alone while they are fresh (the writer might be elsewhere); removed once a minute old.
        EXPECT_EQ(Status(Start(p.input, never[0])), 1);
        EXPECT_TRUE(TemporaryFiles()) << "a fresh leftover removed";
        ASSERT_EQ(std::system("touch -d '2 minutes ago' .trell.*"), 0);
        EXPECT_EQ(Status(Start(p.input, never[0])), 1);
        EXPECT_FALSE(TemporaryFiles()) << "not removed by the next run";
    }
    close(never[0]);
    close(never[1]);
}

// Two runs writing the same include files at once each end as if alone, and leave one run's whole pair.
TEST_P(Run, TwoRunsAtOnceLeaveOneRunsWholeFiles)
{
    const Program& p = GetParam();
    bool picture = p.binary == std::string(IMGTRELL_BIN);
    int never[2];
    ASSERT_EQ(pipe(never), 0);
    // Each run's files, from a run alone.
    std::string alone[2];
    for (int k = 0; k < 2; k++) {
        EXPECT_EQ(Status(Start(k ? p.other : p.input, never[0])), 1);
        alone[k] = Text(p.include) + (picture ? Text("picpal.inc") : "");
    }
    for (int i = 0; i < 200; i++) {
        pid_t first = Start(p.input, never[0]), second = Start(p.other, never[0]);
        ASSERT_EQ(Status(first), 1) << "try " << i;
        ASSERT_EQ(Status(second), 1) << "try " << i;
        std::string now = Text(p.include) + (picture ? Text("picpal.inc") : "");
        ASSERT_TRUE(now == alone[0] || now == alone[1]) << "try " << i << ": a mixed pair";
    }
    EXPECT_FALSE(TemporaryFiles());
    close(never[0]);
    close(never[1]);
}

// A file of another format is refused from its first bytes, not read whole: a gigabyte takes little memory.
TEST_P(Run, AFileOfAnotherFormatIsNotReadWhole)
{
    std::ofstream("big") << "GIF89a, as long as a WAV header or longer";
    ASSERT_EQ(truncate("big", off_t(1) << 30), 0);
    int never[2];
    ASSERT_EQ(pipe(never), 0);
    pid_t pid = Start("big", never[0]);
    int status = 0;
    rusage usage{};
    ASSERT_EQ(wait4(pid, &status, 0, &usage), pid);
    EXPECT_EQ(WEXITSTATUS(status), 2);
    EXPECT_LT(usage.ru_maxrss, 64 << 10) << "KiB at the peak";
    close(never[0]);
    close(never[1]);
}

INSTANTIATE_TEST_SUITE_P(BothPrograms, Run, testing::ValuesIn(PROGRAMS));

}  // namespace
