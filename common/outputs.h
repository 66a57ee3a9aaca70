// The files a conversion makes, and where they go: kept in memory, each
// with its bytes (a page, a test, a fuzzer), or, for the command line,
// written through the output transaction (output.h) as they are made, so
// that a large include file never sits whole in memory, and moved into
// place together at the end.
#ifndef TRELL_OUTPUTS_H
#define TRELL_OUTPUTS_H

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "console.h"
#include "output.h"
#include "text.h"

// One file: its name, whether it is bytes as they are (binary; text lines
// are CR LF on Windows), and, where kept, its bytes.
struct Output {
    std::string name;
    bool binary = false;
    std::string bytes;
};
struct Outputs {
    bool tofiles = false;       // through the output transaction; else kept
    std::vector<Output> files;  // in the order made
    Transaction transaction;    // the files written, till they are placed
};

// How a conversion hands over what it makes: kept in its result (a page, a
// test, a fuzzer), or, as the command line has it, its console lines
// printed as they come and its files written through the transaction.
enum Delivery { DELIVER_KEPT, DELIVER_PRINTED };

// What one conversion gives back: the status to end with, the console (its
// lines, where kept) and the files made (their bytes, where kept).
struct Result {
    int status = 0;
    Console console;
    Outputs outputs;
};
// The result a conversion starts from, for program, with --quiet or not.
Result StartResult(const char* program, bool quiet, Delivery delivery);

// The memory a program has for its code and data, from 0x200: to 0xFFF on
// CHIP8 and SUPER-CHIP, to 0xFFFF on XO-CHIP.
const uint64_t CHIP8_MEMORY = 3584, XO_MEMORY = 65024;
// Warns when the data of what (the picture, the sound), bytes long, is
// more than a CHIP8 or SUPER-CHIP program holds, or, for data that only
// XO-CHIP reads (xochip), more than an XO-CHIP program holds.
void WarnOfMemory(Console& console, const char* what, uint64_t bytes, bool xochip);

// Makes the file name: write puts its text (or bytes) through a writer in
// syntax. False after the failure line; a failure of the transaction drops
// every file it holds.
bool MakeOutput(Console& console, Outputs& outputs, const std::string& name, bool binary, SyntaxIndex syntax,
                const std::function<void(TextWriter&)>& write);
// Once every file is made: moves the transaction's files into place, all
// of them or none. False after the failure line.
bool DeliverOutputs(Console& console, Outputs& outputs);

#endif
