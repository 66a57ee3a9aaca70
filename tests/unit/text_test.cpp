// The include text: each syntax's lines, and text far past the 1 MiB
// buffer, written whole or failing on a full disk.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "text.h"

namespace {

// The text of the lines written through syntax into a stream.
template <typename Lines>
std::string Written(int syntax, Lines lines)
{
    FILE* out = std::tmpfile();
    TextWriter w;
    w.syntax = SyntaxOf(SyntaxIndex(syntax));
    w.file = out;
    lines(w);
    FlushText(w);
    EXPECT_EQ(w.error, 0);
    std::fflush(out);
    std::string text(1 << 24, '\0');
    std::rewind(out);
    text.resize(std::fread(&text[0], 1, text.size(), out));
    std::fclose(out);
    return text;
}

TEST(Text, EachSyntaxWritesEachKindOfLine)
{
    const uint8_t values[17] = {0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08,
                                0x09, 0x0a, 0x0b, 0x0c, 0x0d, 0x0e, 0xf0, 0xff};
    const uint16_t words[2] = {0xffff, 0x00ab};
    auto lines = [&](TextWriter& w) {
        WriteComment(w, "image: a");
        WriteLabel(w, "L");
        WriteBytes(w, values + 15, 2);           // one line
        WriteBytes(w, values, 0);                // a line without values
        WriteBytes(w, values, 17, 16);           // 16 to a line
        WriteWords(w, words, 2);
        WriteWords(w, words + 1, 1);
        WriteBlank(w);
        WriteBytes(w, values + 16, 1, 0, false); // the last line unended
    };
    const std::string sixteen = "#00,#01,#02,#03,#04,#05,#06,#07,#08,#09,#0a,#0b,#0c,#0d,#0e,#f0,";
    EXPECT_EQ(Written(SYNTAX_PLAIN, lines),
              ";image: a\nL:\nDB #f0,#ff,\nDB \nDB " + sixteen + "\nDB #ff,\nDW #ffff,#00ab\nDW #00ab\n\nDB #ff,");
    EXPECT_EQ(Written(SYNTAX_OCTO, lines), "#image: a\n: L\n0xf0 0xff\n0x00 0x01 0x02 0x03 0x04 0x05 0x06 0x07 0x08 "
                                           "0x09 0x0a 0x0b 0x0c 0x0d 0x0e 0xf0\n0xff\n0xff 0xff 0x00 0xab\n0x00 0xab\n\n0xff\n");
    EXPECT_EQ(Written(SYNTAX_STRICT, lines),
              ";image: a\nL:\nDB #f0,#ff\nDB #00,#01,#02,#03,#04,#05,#06,#07,#08,#09,#0a,#0b,#0c,#0d,#0e,#f0\n"
              "DB #ff\nDW #ffff,#00ab\nDW #00ab\n\nDB #ff\n");
    EXPECT_EQ(Written(SYNTAX_SINGLE, lines), ";image: a\nL:\nDB #f0\nDB #ff\nDB #00\nDB #01\nDB #02\nDB #03\nDB #04\nDB #05\n"
                                             "DB #06\nDB #07\nDB #08\nDB #09\nDB #0a\nDB #0b\nDB #0c\nDB #0d\nDB #0e\n"
                                             "DB #f0\nDB #ff\nDW #ffff\nDW #00ab\nDW #00ab\n\nDB #ff\n");
}

// Lines of words in every syntax, far past the buffer: each syntax asks
// for the room of its longest line.
TEST(Text, LinesOfWordsPastTheBufferInEachSyntax)
{
    const uint16_t words[2] = {0xffff, 0x00ab};
    const char* lines[] = {"DW #ffff,#00ab\n", "0xff 0xff 0x00 0xab\n", "DW #ffff,#00ab\n", "DW #ffff\nDW #00ab\n"};
    for (int syntax : {SYNTAX_PLAIN, SYNTAX_OCTO, SYNTAX_STRICT, SYNTAX_SINGLE}) {
        std::string expected;
        for (int i = 0; i < 100000; i++)
            expected += lines[syntax];
        EXPECT_TRUE(Written(syntax, [&](TextWriter& w) {
            for (int i = 0; i < 100000; i++)
                WriteWords(w, words, 2);
        }) == expected) << syntax;
    }
}

// 2.7 MiB of values on one line, and of lines of 16: the buffer is emptied at
// its very edge more than once; on a full disk the first full buffer fails,
// or a short text at the end.
TEST(Text, TextPastTheBufferIsWrittenWholeOrFailsOnAFullDisk)
{
    std::vector<uint8_t> values(700001);
    std::string one = "DB ", lines = "DB ";
    for (size_t i = 0; i < values.size(); i++) {
        values[i] = uint8_t(i * 7 + i / 256);
        char text[5];
        std::snprintf(text, sizeof text, "#%02x,", values[i]);
        one += text;
        lines += text + std::string(i % 16 == 15 ? "\nDB " : "");
    }
    EXPECT_TRUE(Written(SYNTAX_PLAIN, [&](TextWriter& w) { WriteBytes(w, values.data(), values.size()); }) == one + "\n");
    EXPECT_TRUE(Written(SYNTAX_PLAIN, [&](TextWriter& w) { WriteBytes(w, values.data(), values.size(), 16, false); }) == lines);
    // Lines of 16 values, 68 characters, and one long line, with the
    // buffer's edge at each place in a line, after a comment of each length.
    const size_t some = 16 * 16000 + 1;
    for (size_t lead = 0; lead < 68; lead++) {
        const std::string comment(lead, 'c');
        EXPECT_TRUE(Written(SYNTAX_PLAIN, [&](TextWriter& w) {
            WriteComment(w, comment.c_str());
            WriteBytes(w, values.data(), some, 16, false);
        }) == ";" + comment + "\n" + lines.substr(0, 16000 * 68 + 7)) << lead;
        EXPECT_TRUE(Written(SYNTAX_PLAIN, [&](TextWriter& w) {
            WriteComment(w, comment.c_str());
            WriteBytes(w, values.data(), 270000);
        }) == ";" + comment + "\n" + one.substr(0, 3 + 270000 * 4) + "\n") << lead;
    }
    for (size_t count : {values.size(), size_t(1)}) {
        FILE* full = std::fopen("/dev/full", "w");
        ASSERT_TRUE(full);
        TextWriter w;
        w.file = full;
        WriteBytes(w, values.data(), count);
        FlushText(w);
        if (w.error == 0 && std::fflush(full) != 0)
            w.error = errno;
        EXPECT_EQ(w.error, ENOSPC);
        std::fclose(full);
    }
}

}  // namespace
