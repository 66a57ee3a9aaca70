// The include files of a run as one transaction: any number placed
// together; a failure in any step leaves every earlier file as it was and
// no temporary file. And large blocks of memory.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "output.h"
#include "platform.h"

namespace {

std::string Text(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    return in ? std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()) : "(none)";
}

// Begins the file name and writes text into it; false when it cannot be begun.
bool Begin(const char* name, const char* text, int failed = 0)
{
    FILE* out = StartIncludeFile(name);
    return out && std::fputs(text, out) >= 0 && EndIncludeFile(out, failed);
}

TEST(Output, FilesArePlacedAllTogetherOrNone)
{
    std::string folder = testing::TempDir() + "outXXXXXX";
    ASSERT_TRUE(mkdtemp(&folder[0]));
    ASSERT_EQ(chdir(folder.c_str()), 0);
    std::ofstream("a") << "old a";
    testing::internal::CaptureStdout();
    // Three files, an old one among them.
    EXPECT_TRUE(Begin("a", "new a") && Begin("b", "new b") && Begin("c", "new c") && PlaceIncludeFiles());
    EXPECT_EQ(Text("a") + Text("b") + Text("c"), "new anew bnew c");
    // The third cannot replace a folder: the first two are put back.
    std::ofstream("a") << "old a";
    ASSERT_EQ(mkdir("d", 0777), 0);
    EXPECT_TRUE(Begin("a", "new a") && Begin("e", "new e") && Begin("d", "new d"));
    EXPECT_FALSE(PlaceIncludeFiles());
    EXPECT_EQ(Text("a") + Text("e"), "old a(none)");
    // A text not wholly written, and a file that cannot be made, drop the run.
    EXPECT_TRUE(Begin("a", "new a"));
    errno = ENOSPC;
    EXPECT_FALSE(Begin("b", "", -1));
    EXPECT_TRUE(Begin("a", "new a"));
    EXPECT_FALSE(Begin("none/x", ""));
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Error: cannot replace d: Is a directory\nError: cannot write b: No space left on device\n"
              "Error: cannot create none/x: No such file or directory\n");
    EXPECT_TRUE(Begin("c", "newer c") && PlaceIncludeFiles());
    EXPECT_EQ(Text("a") + Text("b") + Text("c"), "old anew bnewer c");
    EXPECT_EQ(std::system("ls -A | grep -q '^[.]trell'"), 256) << "a temporary file is left";
    EXPECT_EQ(std::system(("rm -rf " + folder).c_str()), 0);
}

// A block of 2 MiB or more is rounded to whole huge pages: up, never down.
TEST(Memory, LargeBlocksHoldTheirWholeSize)
{
    for (size_t size : {size_t(2) << 20, size_t(4) << 20, (size_t(4) << 20) + 1}) {
        uint8_t* block = AllocateBlock(size);
        ASSERT_NE(block, nullptr);
        block[size - 1] = 1;
        FreeBlock(block);
    }
}

}  // namespace
