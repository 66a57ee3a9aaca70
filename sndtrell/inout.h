// What a converter reads and writes besides its own formats: the console
// lines, the input file read whole, and the include text, gathered in a
// buffer and written in large blocks with every write checked. The two
// converters keep identical copies of this file and of inout.cpp.
#ifndef TRELL_INOUT_H
#define TRELL_INOUT_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#if defined(__MINGW32__)
#define TRELL_PRINTF(f, a) __attribute__((format(gnu_printf, f, a)))  // MinGW gives C++ its own C99 printf
#elif defined(__GNUC__)
#define TRELL_PRINTF(f, a) __attribute__((format(printf, f, a)))
#else
#define TRELL_PRINTF(f, a)
#endif

// The command line, read with getopt_long's conventions on every platform:
// options come before the path ("-o FILE", "-oFILE", "--output FILE",
// "--output=FILE", flags combined as in "-bq", a long name shortened as
// long as it names one option). The first argument that does not begin
// with "-", or is "-" alone, or the one after "--", is the path; nothing
// after it is an option.
struct OptionInfo {
    int id;  // what NextOption returns for it
    char shortname;  // 0: a long name only
    const char* longname;
    bool takesvalue;
};
struct OptionScan {
    int argc;
    char** argv;
    int next;  // the argument read next; at the end, the path's (argc: none)
    int letter;  // in a group of short options, the next letter (0: none)
    const char* value;  // the value of the option returned
    std::string name;  // the option as written, for messages ("-o", "--output")
};
enum { OPTIONS_DONE = 0, OPTION_BAD = -1 };
// Starts a scan of the command line.
OptionScan ScanOptions(int argc, char** argv);
// The id of the next option, OPTIONS_DONE when the options have ended, or
// OPTION_BAD after the usage error (an unknown option, a missing value).
int NextOption(OptionScan& scan, const OptionInfo* table, size_t count);
// Prints "<program>: <cause>" and "Try '<program> --help'." on standard
// error and returns the status of a usage error.
int UsageError(const char* format, ...) TRELL_PRINTF(1, 2);
// The options both programs take (-o, -l, -b, -q, --syntax, -h, -V), and
// the first id of a program's own.
enum { OPT_OUTPUT = 1, OPT_LABEL, OPT_BATCH, OPT_QUIET, OPT_SYNTAX, OPT_HELP, OPT_VERSION, OPT_OWN };
// Takes an option both programs take into the options record, and tells
// --help and --version in *shown (OPT_HELP or OPT_VERSION). Returns 1, 0
// for another option, or -1 after a usage error (a bad label or syntax).
int TakeCommonOption(int id, const OptionScan& scan, int* shown);
// Checks the label an option gives: 1, or 0 after the usage error.
int CheckLabel(const char* label);

// The syntax of the include text (--syntax): plain, as always; octo, for
// Octo ("# comment", ": NAME", bytes written 0xff one space apart, words
// as two bytes); strict, for assemblers that take commas between values
// only. Both of the others leave out DB lines without values and end the
// file with a line break.
enum { SYNTAX_PLAIN, SYNTAX_OCTO, SYNTAX_STRICT };
// The syntax of that name, or -1 after the usage error of option.
int SyntaxNamed(const char* option, const char* name);

// Console. Say prints a line of the run on standard output (nothing with
// --quiet); SayError the line of a refusal or a failure (on standard error
// with --quiet); Warn "<program>: warning: <text>" on standard error.
// Refuse prints "Error: <path>: <cause>" and returns 0.
void Say(const char* format, ...) TRELL_PRINTF(1, 2);
void SayError(const char* format, ...) TRELL_PRINTF(1, 2);
void Warn(const char* format, ...) TRELL_PRINTF(1, 2);
int Refuse(const char* path, const char* format, ...) TRELL_PRINTF(2, 3);

// The input file, read in two steps, so that a file of another format is
// refused from its first bytes without being read whole. ReadInputHead
// opens the input at path and reads its first n bytes (fewer in a shorter
// file) into head: it returns their count and the file's size, or -1 after
// the refusal line when the file cannot be opened or read, or is not a
// regular file. ReadInputFile then reads the file whole into a block kept
// until the next input, taking a file that changes meanwhile as far as it
// goes, and returns it with its size, or nullptr after the refusal line.
// CloseInput closes the file when it is not read whole.
long ReadInputHead(const char* path, uint8_t* head, size_t n, uint64_t* size);
const uint8_t* ReadInputFile(const char* path, size_t* size);
void CloseInput();

// The include text of one file: started on a stream, gathered in a buffer
// that is written out in large blocks, then finished. FinishOutput returns
// 0 when every byte reached the stream, else -1 with errno set.
void StartOutput(FILE* out);
int FinishOutput();
// Fails the output with errno cause, as when a block cannot be allocated.
void FailOutput(int cause);
// Where the next room bytes (at most 64 KiB) may be put, and the end of
// what was put there.
char* Room(size_t room);
void Advance(const char* end);
void PutText(const char* text, size_t length);
void PutString(const char* text);
// Writes one data value as "#xx," at p and returns the end. Inline: it
// runs once for every byte written.
inline char* PutValue(char* p, uint8_t value)
{
    static const char digits[] = "0123456789abcdef";
    p[0] = '#';
    p[1] = digits[value >> 4];
    p[2] = digits[value & 15];
    p[3] = ',';
    return p + 4;
}
// The path as the comment line shows it, each control character a "?".
std::string CommentText(const char* path);

// Include files are written to temporary files in slots (0 and 1) and moved
// over their names together once all are complete. StartIncludeFile opens
// the temporary file of a slot; EndIncludeFile closes it, given whether the
// text was written (0) or not (-1 with errno); PlaceIncludeFiles moves the
// first count of them. Each prints the failure and returns 0 (nullptr), or
// returns 1 (the stream).
FILE* StartIncludeFile(int slot, const char* name);
int EndIncludeFile(int slot, const char* name, FILE* out, int failed);
int PlaceIncludeFiles(int count, const char* const* names);

#endif
