// Runs one golden case against a converter binary and compares the console
// output, the exit status and the files left in the folder. A test tool for
// Linux: it starts the program once, with no shell between, unless the case
// has setup lines.
//
// usage: run_case PROGRAM CASE_DIR [--crlf]
//
// A case folder holds:
//   args      the arguments, one per line (may be empty for the usage run)
//   stdout    the expected console output
//   stderr    optional: the expected standard error, which must otherwise stay empty
//   status    the expected exit status
//   in/       files placed in an empty working folder before the run
//   out/      files expected after the run; together with the untouched
//             files of in/ they must be all that the folder then holds
//   links     optional: symbolic links made in the folder (and expected after
//             the run), one "NAME TARGET" per line; the repository holds no
//             links, which not every checkout or copy keeps
//   renames   optional: files of in/ and out/ given other names, in the folder
//             and in the expected one, one "FROM TO" per line: names the
//             repository does not hold (outside ASCII, say), which not every
//             copy of it keeps
//   setup     optional shell lines sourced by bash in the folder just before
//             the program, which bash then becomes (so "exec >&-" or
//             "ulimit -f 1" holds for the program)
//   readonly  optional marker: the folder is made unwritable for the run
//   unprivileged optional marker: the run is made by a user who is not root,
//             in a folder anyone may write (so a file's permissions hold)
//   posix-only optional marker, with the reason: not run under Windows
//   unsanitized optional marker, with the reason: not run where RUN_CASE_SANITIZED
//             is set, as it is for the sanitizer build's tests (the case is
//             skipped, status 77)
//   generated optional marker: the case is written by the script it names
//             (make_image_cases.py, make_sound_cases.py), which rewrites it
// With --crlf (a Windows build) the files of out/ are expected with CR LF line
// ends (a last line without a line end gets no CR either), but for .wav files,
// which are written as bytes, and the console output and standard error are
// compared with CR LF read as LF.
// RUN_CASE_WRAPPER, when set, is put before the program (its words split at
// blanks, for example "env --ignore-signal=XFSZ wine");
// RUN_CASE_MASK_CAUSE, when set, leaves out of the comparison the system's
// words for a failure at the end of an "Error: ...cannot <verb> ...: <cause>"
// line (each C runtime words them its own way); the rest of the line counts.
#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const int TIMEOUT_SECONDS = 30;  // a program that blocks is killed then
const uid_t NOBODY = 65534;
const int SKIPPED = 77;  // ctest's skip status for the golden cases

bool failed = false;

void Problem(const std::string& what, const std::string& detail = "")
{
    std::cout << what << '\n' << detail;
    failed = true;
}

std::string Read(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void Write(const fs::path& file, const std::string& bytes)
{
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

// The lines of a text, as bash's mapfile -t reads them: a last line end adds no empty line.
std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    for (size_t start = 0; start < text.size();) {
        size_t end = std::min(text.find('\n', start), text.size());
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

// "NAME REST" lines as bash's read -r splits them into two words.
std::vector<std::pair<std::string, std::string>> Pairs(const fs::path& file)
{
    std::vector<std::pair<std::string, std::string>> pairs;
    for (const std::string& line : Lines(Read(file))) {
        const char* blank = " \t";
        size_t a = line.find_first_not_of(blank), b = line.find_first_of(blank, a);
        size_t c = line.find_first_not_of(blank, b), d = line.find_last_not_of(blank);
        if (a != std::string::npos)
            pairs.emplace_back(line.substr(a, b - a), c == std::string::npos ? "" : line.substr(c, d + 1 - c));
    }
    return pairs;
}

// A line shown with its control characters (a CR, say) made visible.
std::string Shown(const std::string& line)
{
    std::string shown;
    for (unsigned char c : line) {
        char escape[8];
        std::snprintf(escape, sizeof escape, c == '\r' ? "\\r" : "\\x%02x", c);
        shown += (c < 0x20 && c != '\t') || c == 0x7f ? escape : std::string(1, char(c));
    }
    return shown;
}

// The lines where two texts part, between the lines they begin and end with in common.
std::string Difference(const std::string& expected, const std::string& actual)
{
    std::vector<std::string> a = Lines(expected), b = Lines(actual);
    size_t head = 0, tail = 0;
    while (head < a.size() && head < b.size() && a[head] == b[head])
        head++;
    while (tail < a.size() - head && tail < b.size() - head && a[a.size() - 1 - tail] == b[b.size() - 1 - tail])
        tail++;
    if (a.size() == b.size() && head == a.size())
        return "  the same lines but for the line end of the last\n";
    std::string shown = "  from line " + std::to_string(head + 1) + " (- expected, + actual):\n";
    const size_t most = 20;
    for (auto [lines, mark] : {std::pair{&a, "  - "}, std::pair{&b, "  + "}}) {
        size_t end = lines->size() - tail;
        for (size_t i = head; i < end && i < head + most; i++)
            shown += mark + Shown((*lines)[i]) + '\n';
        if (end > head + most)
            shown += "  ... " + std::to_string(end - head - most) + " more\n";
    }
    return shown;
}

// Console text as compared: CR LF read as LF for a Windows build, the cause masked on request.
std::string Console(std::string text, bool crlf)
{
    if (crlf)
        text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    const char* mask = std::getenv("RUN_CASE_MASK_CAUSE");
    if (!mask || !*mask)
        return text;
    // As sed -E 's/^(Error: .*cannot [^:]*: ).*/\1<cause>/': the last "cannot " whose first ':' after it has a blank next.
    std::string masked;
    for (const std::string& line : Lines(text)) {
        size_t cut = std::string::npos;
        for (size_t at = line.rfind("cannot "); line.compare(0, 7, "Error: ") == 0 && at != std::string::npos && at >= 7;
             at = at ? line.rfind("cannot ", at - 1) : std::string::npos) {
            size_t colon = line.find(':', at + 7);
            if (colon != std::string::npos && line.compare(colon, 2, ": ") == 0) {
                cut = colon + 2;
                break;
            }
        }
        masked += cut == std::string::npos ? line : line.substr(0, cut) + "<cause>";
        masked += '\n';
    }
    if (!text.empty() && text.back() != '\n')
        masked.pop_back();
    return masked;
}

// Whether the bytes read as text: no NUL among them.
bool Text(const std::string& bytes)
{
    return bytes.find('\0') == std::string::npos;
}

std::string Kind(fs::file_type type)
{
    switch (type) {
    case fs::file_type::regular: return "a file";
    case fs::file_type::directory: return "a folder";
    case fs::file_type::symlink: return "a symbolic link";
    default: return "a special file";
    }
}

// The folder left by the run against the expected one, as diff -r --no-dereference compares them.
void CompareFolders(const fs::path& expect, const fs::path& work, const fs::path& under = "")
{
    std::map<std::string, int> names;  // 1: expected, 2: left, 3: both
    for (auto [folder, bit] : {std::pair{expect, 1}, std::pair{work, 2}})
        for (const fs::directory_entry& entry : fs::directory_iterator(folder / under))
            names[entry.path().filename().string()] |= bit;
    for (const auto& [name, where] : names) {
        fs::path path = under / name;
        if (where != 3) {
            Problem((where == 1 ? "missing: " : "not expected: ") + path.string());
            continue;
        }
        fs::file_type want = fs::symlink_status(expect / path).type(), got = fs::symlink_status(work / path).type();
        if (want != got)
            Problem(path.string() + " is " + Kind(got) + ", expected " + Kind(want));
        else if (got == fs::file_type::directory)
            CompareFolders(expect, work, path);
        else if (got == fs::file_type::symlink && fs::read_symlink(expect / path) != fs::read_symlink(work / path))
            Problem(path.string() + " links to " + fs::read_symlink(work / path).string() + ", expected " +
                    fs::read_symlink(expect / path).string());
        else if (got == fs::file_type::regular) {
            std::string a = Read(expect / path), b = Read(work / path);
            if (a == b)
                continue;
            size_t at = std::mismatch(a.begin(), a.begin() + std::min(a.size(), b.size()), b.begin()).first - a.begin();
            Problem(path.string() + " differs:",
                    Text(a) && Text(b) ? Difference(a, b)
                                       : "  at byte " + std::to_string(at) + " (" + std::to_string(b.size()) +
                                             " bytes, expected " + std::to_string(a.size()) + ")\n");
        }
    }
}

// The permission bits a file has, a link followed; -1 when there is no file.
int Mode(const fs::path& file)
{
    struct stat s;
    return stat(file.c_str(), &s) == 0 && S_ISREG(s.st_mode) ? int(s.st_mode & 07777) : -1;
}

// As chmod -R a+rX (or a+rwX): links are not followed below the top.
void OpenUp(const fs::path& top, fs::perms more)
{
    auto add = [&](const fs::path& path, fs::file_type type) {
        fs::perms now = fs::status(path).permissions(), x = fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec;
        if (type == fs::file_type::directory || (now & x) != fs::perms::none)
            fs::permissions(path, more | x, fs::perm_options::add);
        else
            fs::permissions(path, more, fs::perm_options::add);
    };
    add(top, fs::file_type::directory);
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(top))
        if (!entry.is_symlink())
            add(entry.path(), entry.symlink_status().type());
}

// Runs the program to its end, or kills it past the time allowed; calls stopped() when a setup has run.
int Run(const std::vector<std::string>& command, const fs::path& work, const fs::path& tmp, bool drop,
        const std::function<void()>& stopped)
{
    int null = open("/dev/null", O_RDONLY | O_CLOEXEC);
    int out = open((tmp / "stdout").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    int err = open((tmp / "stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (null < 0 || out < 0 || err < 0)
        return Problem("cannot open the console files: " + std::string(std::strerror(errno))), -1;
    std::vector<char*> argv;
    for (const std::string& word : command)
        argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    sigset_t child, before;
    sigemptyset(&child);
    sigaddset(&child, SIGCHLD);
    sigprocmask(SIG_BLOCK, &child, &before);
    pid_t pid = fork();
    if (pid == 0) {
        sigprocmask(SIG_SETMASK, &before, nullptr);
        if (dup2(null, 0) < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0 || chdir(work.c_str()) != 0 ||
            setenv("PWD", work.c_str(), 1) != 0)
            _exit(125);
        umask(022);
        // root writes anywhere: the run is made by nobody, so that the folder's permissions hold.
        if (drop && (setgroups(0, nullptr) != 0 || setgid(NOBODY) != 0 || setuid(NOBODY) != 0))
            std::perror("run_case: cannot become nobody"), _exit(125);
        execvp(argv[0], argv.data());
        std::fprintf(stderr, "run_case: cannot run %s: %s\n", argv[0], std::strerror(errno));
        _exit(127);
    }
    close(null), close(out), close(err);
    if (pid < 0)
        return Problem("cannot fork: " + std::string(std::strerror(errno))), -1;
    timespec deadline;
    clock_gettime(CLOCK_MONOTONIC, &deadline);
    deadline.tv_sec += TIMEOUT_SECONDS;
    int status = 0;
    for (int options = stopped ? WUNTRACED : 0;;) {
        pid_t got = waitpid(pid, &status, WNOHANG | options);
        if (got == pid && WIFSTOPPED(status)) {
            stopped(), options = 0;
            kill(pid, SIGCONT);
            continue;
        }
        if (got == pid || (got < 0 && errno != EINTR))
            break;
        timespec now, left;
        clock_gettime(CLOCK_MONOTONIC, &now);
        left.tv_sec = deadline.tv_sec - now.tv_sec, left.tv_nsec = deadline.tv_nsec - now.tv_nsec;
        if (left.tv_nsec < 0)
            left.tv_sec--, left.tv_nsec += 1000000000;
        if (left.tv_sec < 0) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            sigprocmask(SIG_SETMASK, &before, nullptr);
            return Problem("still running after " + std::to_string(TIMEOUT_SECONDS) + " s: killed"), -1;
        }
        sigtimedwait(&child, nullptr, &left);  // a SIGCHLD, or the time up
    }
    sigprocmask(SIG_SETMASK, &before, nullptr);
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
}

// The temporary folder, removed at the end whatever the permissions left in it.
struct Folder {
    fs::path path;
    ~Folder()
    {
        std::error_code e;
        fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, e);
        for (fs::recursive_directory_iterator i(path, e), end; !e && i != end; i.increment(e))
            if (i->symlink_status(e).type() == fs::file_type::directory)
                fs::permissions(i->path(), fs::perms::owner_all, fs::perm_options::add, e);
        fs::remove_all(path, e);
    }
};

int Check(const fs::path& program, fs::path dir, bool crlf)
{
    const char* sanitized = std::getenv("RUN_CASE_SANITIZED");
    if (sanitized && *sanitized && fs::exists(dir / "unsanitized"))
        return std::cout << "skipped: " << Read(dir / "unsanitized"), SKIPPED;
    const char* temp = std::getenv("TMPDIR");
    std::string name = std::string(temp && *temp ? temp : "/tmp") + "/run_case.XXXXXX";
    if (!mkdtemp(name.data()))
        return std::cout << "cannot make a temporary folder: " << std::strerror(errno) << '\n', 1;
    Folder tmp{name};
    fs::path work = tmp.path / "work", expect = tmp.path / "expect";
    fs::create_directory(work), fs::create_directory(expect);
    const auto copy = fs::copy_options::recursive | fs::copy_options::copy_symlinks | fs::copy_options::overwrite_existing;
    if (fs::is_directory(dir / "in"))
        fs::copy(dir / "in", work, copy), fs::copy(dir / "in", expect, copy);
    // Every file of out/ is an include file, in a subfolder or not, or a .wav.
    std::vector<std::string> outs;
    if (fs::is_directory(dir / "out")) {
        fs::copy(dir / "out", expect, copy);
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(dir / "out")) {
            if (!entry.is_regular_file() || entry.is_symlink())
                continue;
            fs::path file = entry.path().lexically_relative(dir / "out");
            outs.push_back(file.string());
            if (crlf && file.extension() != ".wav") {
                std::string text, lf = Read(entry.path());
                for (char c : lf)
                    text += c == '\n' ? "\r\n" : std::string(1, c);
                Write(expect / file, text);
            }
        }
    }
    std::map<std::string, std::string> renamed;
    for (const auto& [from, to] : Pairs(dir / "renames")) {
        renamed[from] = to;
        for (const fs::path& folder : {work, expect})
            if (fs::exists(folder / from))
                fs::rename(folder / from, folder / to);
    }
    for (const auto& [link, target] : Pairs(dir / "links"))
        fs::create_symlink(target, work / link), fs::create_symlink(target, expect / link);
    for (std::string& file : outs)
        file = renamed.count(file) ? renamed[file] : file;

    bool drop = false;
    if (fs::exists(dir / "readonly")) {
        fs::permissions(tmp.path, fs::perms(0755));
        OpenUp(work, fs::perms(0444));
        fs::permissions(work, fs::perms(0222), fs::perm_options::remove);
        drop = geteuid() == 0;
    }
    if (fs::exists(dir / "unprivileged")) {
        fs::permissions(tmp.path, fs::perms(0755));
        OpenUp(work, fs::perms(0666));
        drop = geteuid() == 0;
    }

    // The wrapper's words, the program and its arguments; behind bash sourcing the setup, when there is one,
    // which stops itself then so that the permissions of the files are read, and lastly becomes the program.
    std::vector<std::string> command;
    std::istringstream wrapper(std::getenv("RUN_CASE_WRAPPER") ? std::getenv("RUN_CASE_WRAPPER") : "");
    for (std::string word; wrapper >> word;)
        command.push_back(word);
    command.push_back(program.string());
    for (const std::string& arg : Lines(Read(dir / "args")))
        command.push_back(arg);
    bool setup = fs::exists(dir / "setup");
    if (setup && drop)
        command.insert(command.begin(), {fs::read_symlink("/proc/self/exe").string(), "--as-nobody"});
    if (setup)
        command.insert(command.begin(), {"bash", "-c", ". \"$0\"; kill -STOP $$; exec \"$@\"", (dir / "setup").string()});
    // The permissions of the files of out/ there before the run (a link followed).
    std::map<std::string, int> before;
    auto modes = [&] {
        for (const std::string& file : outs)
            before[file] = Mode(work / file);
    };
    if (!setup)
        modes();
    int status = Run(command, work, tmp.path, drop && !setup, setup ? modes : std::function<void()>());
    if (status < 0)
        return 1;

    std::string want = Console(Read(dir / "stdout"), crlf), got = Console(Read(tmp.path / "stdout"), crlf);
    if (want != got)
        Problem("console output differs:", Difference(want, got));
    std::string expected = Read(dir / "status");
    expected.erase(expected.find_last_not_of('\n') + 1);
    if (expected != std::to_string(status))
        Problem("exit status " + std::to_string(status) + ", expected " + expected);
    want = Console(Read(dir / "stderr"), crlf), got = Console(Read(tmp.path / "stderr"), crlf);
    if (want != got)
        Problem("standard error differs:", Difference(want, got));
    CompareFolders(expect, work);
    // A replaced file keeps its permissions; a new one gets the usual ones (0666 less the umask).
    for (const std::string& file : outs) {
        int now = Mode(work / file), was = before.count(file) && before[file] >= 0 ? before[file] : 0644;
        std::ostringstream line;
        line << std::oct << file << " has mode " << now << ", expected " << was;
        if (now >= 0 && now != was)
            Problem(line.str());
    }
    if (!failed)
        std::cout << "ok: " << dir.filename().string() << '\n';
    return failed;
}

}  // namespace

int main(int argc, char** argv)
{
    // The last step of a setup made as root for a case run by nobody: run_case --as-nobody COMMAND...
    if (argc > 2 && std::strcmp(argv[1], "--as-nobody") == 0) {
        if (setgroups(0, nullptr) != 0 || setgid(NOBODY) != 0 || setuid(NOBODY) != 0)
            return std::perror("run_case: cannot become nobody"), 125;
        execvp(argv[2], argv + 2);
        std::fprintf(stderr, "run_case: cannot run %s: %s\n", argv[2], std::strerror(errno));
        return 127;
    }
    if (argc < 3 || argc > 4 || (argc == 4 && std::strcmp(argv[3], "--crlf") != 0))
        return std::cout << "usage: run_case PROGRAM CASE_DIR [--crlf]\n", 1;
    if (!fs::is_regular_file(argv[1]))
        return std::cout << "no program at " << argv[1] << '\n', 1;
    std::string dir = argv[2];
    while (dir.size() > 1 && dir.back() == '/')
        dir.pop_back();
    try {
        return Check(fs::absolute(argv[1]), fs::absolute(dir).lexically_normal(), argc == 4);
    } catch (const std::exception& e) {
        std::cout << "run_case: " << e.what() << '\n';
        return 1;
    }
}
