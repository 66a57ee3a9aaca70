// The include files of a run as one transaction: any number placed
// together; a failure in any step leaves every earlier file as it was and
// no temporary file. And large blocks of memory.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <cstddef>
#include <fcntl.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <malloc.h>
#include <string>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include "output.h"
#include "outputfile.h"
#include "platform.h"

namespace {

std::string Text(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    return in ? std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()) : "(none)";
}

// Begins the file name and writes text into it; false when it cannot be begun.
Console console;
Transaction transaction;

bool Begin(const char* name, const char* text, int error = 0)
{
    FILE* out = StartIncludeFile(console, transaction, name);
    return out && std::fputs(text, out) >= 0 && EndIncludeFile(console, transaction, out, error);
}

TEST(Output, FilesArePlacedAllTogetherOrNone)
{
    std::string folder = testing::TempDir() + "outXXXXXX";
    ASSERT_TRUE(mkdtemp(&folder[0]));
    ASSERT_EQ(chdir(folder.c_str()), 0);
    std::ofstream("a") << "old a";
    testing::internal::CaptureStdout();
    // Three files, an old one among them.
    EXPECT_TRUE(Begin("a", "new a") && Begin("b", "new b") && Begin("c", "new c") && PlaceIncludeFiles(console, transaction));
    EXPECT_EQ(Text("a") + Text("b") + Text("c"), "new anew bnew c");
    // They move from the last begun to the first; the first cannot replace a
    // folder: the others are put back.
    std::ofstream("a") << "old a";
    ASSERT_EQ(mkdir("d", 0777), 0);
    EXPECT_TRUE(Begin("d", "new d") && Begin("a", "new a") && Begin("e", "new e"));
    EXPECT_FALSE(PlaceIncludeFiles(console, transaction));
    EXPECT_EQ(Text("a") + Text("e"), "old a(none)");
    // A text not wholly written, and a file that cannot be made, drop the run.
    EXPECT_TRUE(Begin("a", "new a"));
    EXPECT_FALSE(Begin("b", "", ENOSPC));
    EXPECT_TRUE(Begin("a", "new a"));
    EXPECT_FALSE(Begin("none/x", ""));
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Error: cannot replace d: Is a directory\nError: cannot write b: No space left on device\n"
              "Error: cannot create none/x: No such file or directory\n");
    EXPECT_TRUE(Begin("c", "newer c") && PlaceIncludeFiles(console, transaction));
    EXPECT_EQ(Text("a") + Text("b") + Text("c"), "old anew bnewer c");
    EXPECT_EQ(std::system("ls -A | grep -q '^[.]trell'"), 256) << "a temporary file is left";
    EXPECT_EQ(std::system(("rm -rf " + folder).c_str()), 0);
}

// Where hard links fail (FAT, SMB), the old file is kept as a copy: put
// back, it has its old times and permission bits, so that a build tool
// still takes it as the old file.
TEST(Output, AFilePutBackFromACopyKeepsItsTimesAndModes)
{
    std::string folder = testing::TempDir() + "outXXXXXX";
    ASSERT_TRUE(mkdtemp(&folder[0]));
    ASSERT_EQ(chdir(folder.c_str()), 0);
    const timespec old[2] = {{1000000000, 5}, {1000000007, 500}};
    for (const char* name : {"a", "b"}) {
        std::ofstream(name) << "old";
        ASSERT_EQ(chmod(name, 0640), 0);
        ASSERT_EQ(utimensat(AT_FDCWD, name, old, 0), 0);
    }
    ASSERT_EQ(mkdir("d", 0777), 0);
    // In a process of its own, in which link() fails; the folder d, begun
    // between a and b, cannot be replaced.
    pid_t pid = fork();
    if (pid == 0) {
        sock_filter filter[] = {BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
                                BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_link, 0, 1),
                                BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EPERM),
                                BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW)};
        sock_fprog program = {sizeof filter / sizeof *filter, filter};
        bool failed = std::freopen("/dev/null", "w", stdout) && prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
                      prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0 && Begin("a", "new") &&
                      Begin("d", "new") && Begin("b", "new") && !PlaceIncludeFiles(console, transaction);
        _exit(failed ? 0 : 1);
    }
    int status = -1;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_EQ(status, 0);
    for (const char* name : {"a", "b"}) {
        struct stat info;
        ASSERT_EQ(stat(name, &info), 0);
        EXPECT_EQ(Text(name), "old") << name;
        EXPECT_EQ(info.st_mode & 07777, 0640u) << name;
        EXPECT_TRUE(info.st_mtim.tv_sec == old[1].tv_sec && info.st_mtim.tv_nsec == old[1].tv_nsec &&
                    info.st_atim.tv_sec == old[0].tv_sec && info.st_atim.tv_nsec == old[0].tv_nsec) << name;
    }
    EXPECT_EQ(std::system("ls -A | grep -q '^[.]trell'"), 256) << "a temporary file is left";
    EXPECT_EQ(std::system(("rm -rf " + folder).c_str()), 0);
}

// A temporary name holds the process id, random characters, the file's slot
// and kind, in a name of one length; a killed run's leftovers are known by
// it, and no other name is taken for one.
TEST(Output, TemporaryNamesTellTheirProcess)
{
    OutputFile file;
    file.target = "sub/x.inc";
    file.slot = 1;
    EXPECT_EQ(TempName(file, 0x12ab, 'n', 0), "sub/.trell.000012ab.000000.1n");
    EXPECT_EQ(TempName(file, 0x1ffffffff, 'o', 35 + 36 * 10 + 36 * 36 * 36 * 36 * 36 * 35), "sub/.trell.ffffffff.za000z.1o");
    const struct {
        const char* name;
        long long owner;
    } cases[] = {
        {".trell.000012ab.000000.1n", 0x12ab},     {".trell.ffffffff.za000z.9o", 0xffffffff},
        {".trell.000012ab.00000.1n", -1},          {".trell.000012ab.0000000.1n", -1},
        {".trell.000012ab.A00000.1n", -1},         {".trell.000012ab.000000.1x", -1},
        {".trell.000012ab.000000x1n", -1},         {".trell.000012ab.000000.an", -1},
        {".trell.00012abg.000000.1n", -1},         {".trelL.000012ab.000000.1n", -1},
        {"picdata.inc", -1},                       {".trell.000012ab.1n", -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LeftoverOwner(c.name), c.owner) << c.name;
}

// A block of 2 MiB or more is rounded to whole huge pages: up, never down.
TEST(Memory, LargeBlocksHoldTheirWholeSize)
{
    for (size_t size : {size_t(2) << 20, size_t(4) << 20, (size_t(4) << 20) + 1}) {
        uint8_t* block = AllocateBlock(size);
        ASSERT_NE(block, nullptr);
        EXPECT_GE(malloc_usable_size(block), size);
        FreeBlock(block);
    }
}

}  // namespace
