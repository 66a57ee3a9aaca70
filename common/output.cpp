// The include files of a run: begun one after another, each into its
// temporary file, then moved into place together, or all dropped.
#include "output.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "console.h"
#include "outputfile.h"

void DropIncludeFiles(Transaction& transaction)
{
    for (OutputFile& file : transaction.files)
        RemoveTemp(file);
    transaction.files.clear();
}

FILE* StartIncludeFile(Console& console, Transaction& transaction, const char* name, bool binary)
{
    std::vector<OutputFile>& files = transaction.files;
    files.emplace_back();
    files.back().slot = int(files.size()) - 1;
    files.back().name = name;
    files.back().binary = binary;
    const char* cause;
    FILE* out = OpenTemp(files.back(), name, &cause);
    if (!out) {
        const char* verb = cause == FOLDER_NOT_WRITABLE ? "replace" : cause ? "write" : "create";
        SayError(console, "Error: cannot %s %s: %s\n", verb, name, cause ? cause : std::strerror(errno));
        DropIncludeFiles(transaction);
    }
    return out;
}

bool EndIncludeFile(Console& console, Transaction& transaction, FILE* out, int error)
{
    std::vector<OutputFile>& files = transaction.files;
    if (std::fclose(out) != 0 && !error)
        error = errno ? errno : EIO;
    if (!error)
        return true;
    SayError(console, "Error: cannot write %s: %s\n", files.back().name.c_str(), std::strerror(error));
    DropIncludeFiles(transaction);
    return false;
}

// The folders of the files a move replaces, each once.
static std::vector<std::string> MovedFolders(const std::vector<OutputFile>& files)
{
    std::vector<std::string> folders;
    for (const OutputFile& file : files) {
        std::string folder = FolderOf(file.target);
        if (!file.inplace && std::find(folders.begin(), folders.end(), folder) == folders.end())
            folders.push_back(folder);
    }
    return folders;
}

// Moves the finished temporary files over their files, all of them or
// none: each by one rename over the old file, while the old files of all
// but the last moved keep a second name that puts them back should a later
// one fail. They move from the last begun to the first: the first, which
// the run is named for (-o, picdata.inc), is what a build tool takes as
// made, so it is new only once the others are. Another run moving files in
// the same folder waits; signals are held meanwhile. Leftovers of runs
// killed in those folders are removed first. Returns the number of files,
// or the index of the one that could not be moved with errno set. The
// temporary files are gone either way.
static size_t MoveIntoPlace(std::vector<OutputFile>& files)
{
    const size_t count = files.size();
    std::vector<std::string> folders = MovedFolders(files);
    std::vector<intptr_t> locks = LockFolders(folders);
    HoldSignals();
    for (const std::string& folder : folders)
        RemoveLeftovers(folder);
    // Every temporary file is named, and every old file but the first one's
    // kept under a second name, before the first rename; then each rename
    // replaces a file at once, and a failed one puts the earlier ones back.
    size_t failed = count, renamed = 0;
    for (size_t i = 0; i < count && failed == count; i++)
        if (NameTemp(files[i]) != 0)
            failed = i;
    for (size_t i = 1; i < count && failed == count; i++)
        if (KeepOld(files[i]) != 0)
            failed = i;
    for (; renamed < count && failed == count; renamed++) {
        OutputFile& file = files[count - 1 - renamed];
        if (!file.inplace && RenameFile(file.tmpname, file.target) != 0) {
            failed = count - 1 - renamed;
            break;
        }
        file.named = false;
    }
    int error = errno;
    for (size_t i = 0; i < count; i++) {
        OutputFile& file = files[i];
        bool back = failed < count && i + renamed >= count && !file.inplace;
        if (file.kept && back)
            RenameFile(file.keptname, file.target);
        else if (file.kept)
            RemoveFile(file.keptname);
        else if (back)
            RemoveFile(file.target);  // there was no file before
        file.kept = false;
        RemoveTemp(file);
    }
    ReleaseSignals();
    UnlockFolders(locks);
    errno = error;
    return failed;
}

bool CheckNotInput(Console& console, const char* option, const std::string& output, const char* input)
{
    if (!SameExistingFile(output.c_str(), input))
        return true;
    return UsageError(console, "%s %s would overwrite the input file %s", option, output.c_str(), input);
}

bool CheckPlannedFiles(Console& console, const std::vector<PlannedFile>& files, const char* input, bool secondname)
{
    for (size_t b = 1; b < files.size(); b++)
        for (size_t a = 0; a < b; a++)
            if (files[a].name == files[b].name || SameFile(files[a].name.c_str(), files[b].name.c_str()))
                return UsageError(console, "the %s and %s %s would both be written to %s", files[a].holds,
                                  a == 0 ? "its" : "the", files[b].holds, files[secondname ? b : a].name.c_str());
    for (const PlannedFile& file : files)
        if (!CheckNotInput(console, file.given, file.name, input))
            return false;
    return true;
}

bool PlaceIncludeFiles(Console& console, Transaction& transaction)
{
    std::vector<OutputFile>& files = transaction.files;
    size_t moved = MoveIntoPlace(files);
    if (moved < files.size())
        SayError(console, "Error: cannot replace %s: %s\n", files[moved].name.c_str(), std::strerror(errno));
    bool placed = moved == files.size();
    files.clear();
    return placed;
}
