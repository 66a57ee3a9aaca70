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
//             files of in/ they must be all that the folder then holds. A
//             file of out/ there before the run must keep its permissions,
//             a new one gets 644
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
// A program still running after 30 seconds is killed and the case fails.
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
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {

const int TIMEOUT_SECONDS = 30;
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
    return {std::istreambuf_iterator<char>(in), {}};
}

// The lines of a text, as bash's mapfile -t reads them: a last line end adds no empty line.
std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// "NAME REST" lines as bash's read -r splits them into two words.
std::vector<std::pair<std::string, std::string>> Pairs(const fs::path& file)
{
    static const std::regex pair("[ \t]*([^ \t]+)[ \t]*([\\s\\S]*?)[ \t]*");
    std::vector<std::pair<std::string, std::string>> pairs;
    std::smatch words;
    for (const std::string& line : Lines(Read(file)))
        if (std::regex_match(line, words, pair))
            pairs.emplace_back(words[1], words[2]);
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
    size_t head = std::mismatch(a.begin(), a.end(), b.begin(), b.end()).first - a.begin();
    size_t tail = std::mismatch(a.rbegin(), a.rend() - head, b.rbegin(), b.rend() - head).first - a.rbegin();
    if (head == a.size() && head == b.size())
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

// Console text as compared: CR LF read as LF for a Windows build, the cause masked on request, line
// by line as sed -E 's/^(Error: .*cannot [^:]*: ).*/\1<cause>/' masks it.
std::string Console(std::string text, bool crlf)
{
    if (crlf)
        text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    const char* mask = std::getenv("RUN_CASE_MASK_CAUSE");
    if (!mask || !*mask)
        return text;
    static const std::regex cause("^(Error: [\\s\\S]*cannot [^:]*: )[\\s\\S]*");
    std::string masked;
    for (const std::string& line : Lines(text))
        masked += std::regex_replace(line, cause, "$1<cause>") + '\n';
    return text.empty() || text.back() == '\n' ? masked : masked.substr(0, masked.size() - 1);
}

std::string Kind(fs::file_type type)
{
    return type == fs::file_type::regular ? "a file" : type == fs::file_type::directory ? "a folder"
         : type == fs::file_type::symlink ? "a symbolic link" : "a special file";
}

// The folder left by the run against the expected one, as diff -r --no-dereference compares them.
void CompareFolders(const fs::path& expect, const fs::path& work, const fs::path& under = "")
{
    std::set<std::string> names;
    for (const fs::path& folder : {expect, work})
        for (const fs::directory_entry& entry : fs::directory_iterator(folder / under))
            names.insert((under / entry.path().filename()).string());
    for (const std::string& name : names) {
        fs::file_type want = fs::symlink_status(expect / name).type(), got = fs::symlink_status(work / name).type();
        if (want == fs::file_type::not_found || got == fs::file_type::not_found)
            Problem((want == fs::file_type::not_found ? "not expected: " : "missing: ") + name);
        else if (want != got)
            Problem(name + " is " + Kind(got) + ", expected " + Kind(want));
        else if (got == fs::file_type::directory)
            CompareFolders(expect, work, name);
        else if (got == fs::file_type::symlink && fs::read_symlink(expect / name) != fs::read_symlink(work / name))
            Problem(name + " links to " + fs::read_symlink(work / name).string() + ", expected " +
                    fs::read_symlink(expect / name).string());
        else if (got == fs::file_type::regular) {
            std::string a = Read(expect / name), b = Read(work / name);
            bool text = a.find('\0') == std::string::npos && b.find('\0') == std::string::npos;
            size_t at = std::mismatch(a.begin(), a.end(), b.begin(), b.end()).first - a.begin();
            if (a != b)
                Problem(name + " differs:", text ? Difference(a, b) : "  at byte " + std::to_string(at) + " (" +
                        std::to_string(b.size()) + " bytes, expected " + std::to_string(a.size()) + ")\n");
        }
    }
}

// The permission bits a file has, a link followed; -1 when there is no file.
int Mode(const fs::path& file)
{
    struct stat s;
    return stat(file.c_str(), &s) == 0 && S_ISREG(s.st_mode) ? int(s.st_mode & 07777) : -1;
}

// As chmod -R a+rX (or a+rwX, ...): links are not followed below the top.
void Add(const fs::path& top, fs::perms more)
{
    const fs::perms x = fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec;
    auto add = [&](const fs::path& path) {
        bool exec = fs::is_directory(path) || (fs::status(path).permissions() & x) != fs::perms::none;
        fs::permissions(path, exec ? more | x : more, fs::perm_options::add);
    };
    add(top);
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(top))
        if (!entry.is_symlink())
            add(entry.path());
}

// Becomes the command, or ends with 127 when it cannot be run.
[[noreturn]] void Exec(char* const argv[])
{
    execvp(argv[0], argv);
    std::fprintf(stderr, "run_case: cannot run %s: %s\n", argv[0], std::strerror(errno));
    _exit(127);
}

pid_t child;  // the command running, killed by the alarm past the time allowed
volatile sig_atomic_t killed = false;

// Runs the command to its end, its console output kept in tmp; calls started() just before the program
// starts: before the fork, or with a setup when the shell has sourced it and stopped itself.
int Run(std::vector<std::string> command, const fs::path& work, const fs::path& tmp, bool setup,
        const std::function<void()>& started)
{
    const int files[] = {open("/dev/null", O_RDONLY | O_CLOEXEC),
                         open((tmp / "stdout").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644),
                         open((tmp / "stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644)};
    if (*std::min_element(files, files + 3) < 0)
        throw std::system_error(errno, std::generic_category(), "cannot open the console files");
    std::vector<char*> argv;
    for (std::string& word : command)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    if (!setup)
        started();
    if ((child = fork()) == 0) {
        if (dup2(files[0], 0) < 0 || dup2(files[1], 1) < 0 || dup2(files[2], 2) < 0 || chdir(work.c_str()) != 0 ||
            setenv("PWD", work.c_str(), 1) != 0)
            _exit(125);
        umask(022);
        Exec(argv.data());
    }
    for (int file : files)
        close(file);
    if (child < 0)
        throw std::system_error(errno, std::generic_category(), "cannot fork");
    signal(SIGALRM, [](int) { killed = true; kill(child, SIGKILL); });  // waitpid is resumed after it
    alarm(TIMEOUT_SECONDS);
    int status = 0, options = setup ? WUNTRACED : 0;
    while (waitpid(child, &status, options) == child && WIFSTOPPED(status))  // the setup has run
        started(), options = 0, kill(child, SIGCONT);
    alarm(0);
    if (killed)
        throw std::runtime_error("still running after " + std::to_string(TIMEOUT_SECONDS) + " s: killed");
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
}

// The temporary folder, removed at the end whatever the permissions left in it.
struct Folder {
    fs::path path;
    ~Folder()
    {
        std::error_code ignored;
        try { Add(path, fs::perms::owner_all); } catch (const fs::filesystem_error&) {}  // as chmod -R u+rwX
        fs::remove_all(path, ignored);
    }
};

int Check(fs::path program, const fs::path& dir, bool crlf)
{
    const char* sanitized = std::getenv("RUN_CASE_SANITIZED");
    if (sanitized && *sanitized && fs::exists(dir / "unsanitized"))
        return std::cout << "skipped: " << Read(dir / "unsanitized"), SKIPPED;
    bool readonly = fs::exists(dir / "readonly"), unprivileged = fs::exists(dir / "unprivileged");
    bool nobody = (readonly || unprivileged) && geteuid() == 0;
    // A run by nobody needs a folder nobody reaches: in /tmp, whatever TMPDIR is (a folder of root's only, say).
    const char* temp = nobody ? nullptr : std::getenv("TMPDIR");
    std::string name = std::string(temp && *temp ? temp : "/tmp") + "/run_case.XXXXXX";
    if (!mkdtemp(name.data()))
        throw std::system_error(errno, std::generic_category(), "cannot make a temporary folder");
    Folder tmp{name};
    const fs::path work = tmp.path / "work", expect = tmp.path / "expect";
    fs::create_directory(work), fs::create_directory(expect);
    const auto copy = fs::copy_options::recursive | fs::copy_options::copy_symlinks | fs::copy_options::overwrite_existing;
    if (fs::is_directory(dir / "in"))
        fs::copy(dir / "in", work, copy), fs::copy(dir / "in", expect, copy);
    // The files of out/ (include files, in a subfolder or not, or .wav files), each with its mode before the run.
    std::vector<std::pair<fs::path, int>> outs;
    if (fs::is_directory(dir / "out")) {
        fs::copy(dir / "out", expect, copy);
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(dir / "out")) {
            if (!fs::is_regular_file(entry.symlink_status()))
                continue;
            fs::path file = entry.path().lexically_relative(dir / "out");
            outs.emplace_back(file, -1);
            if (crlf && file.extension() != ".wav")
                std::ofstream(expect / file, std::ios::binary)
                    << std::regex_replace(Read(entry.path()), std::regex("\n"), "\r\n");
        }
    }
    for (const auto& [from, to] : Pairs(dir / "renames")) {
        for (const fs::path& folder : {work, expect})
            if (fs::exists(folder / from))
                fs::rename(folder / from, folder / to);
        for (auto& out : outs)
            if (out.first == from)
                out.first = to;
    }
    for (const auto& [link, target] : Pairs(dir / "links"))
        fs::create_symlink(target, work / link), fs::create_symlink(target, expect / link);
    if (readonly || unprivileged)
        fs::permissions(tmp.path, fs::perms(0755)), Add(work, fs::perms(unprivileged ? 0666 : 0444));
    if (nobody) {  // and a copy of the program, which may lie in a folder of root's only
        fs::copy_file(program, tmp.path / program.filename());
        program = tmp.path / program.filename();
    }
    if (readonly && !unprivileged)
        fs::permissions(work, fs::perms(0222), fs::perm_options::remove);

    // The wrapper's words, the program and its arguments; behind bash sourcing the setup, when there is one,
    // which stops itself then so that the permissions of the files are read, and lastly becomes the program.
    std::istringstream wrapper(std::getenv("RUN_CASE_WRAPPER") ? std::getenv("RUN_CASE_WRAPPER") : "");
    std::vector<std::string> command(std::istream_iterator<std::string>(wrapper), {}), args = Lines(Read(dir / "args"));
    command.push_back(program.string());
    command.insert(command.end(), args.begin(), args.end());
    bool setup = fs::exists(dir / "setup");
    if (nobody)  // root writes anywhere: the program is run by nobody, so that the permissions hold
        command.insert(command.begin(), {fs::read_symlink("/proc/self/exe").string(), "--as-nobody"});
    if (setup)
        command.insert(command.begin(), {"bash", "-c", ". \"$0\"; kill -STOP $$; exec \"$@\"", (dir / "setup").string()});
    int status = Run(command, work, tmp.path, setup, [&] {
        for (auto& [file, mode] : outs)
            mode = Mode(work / file);
    });

    std::string expected = Read(dir / "status"), got = std::to_string(status);
    if (expected.erase(expected.find_last_not_of('\n') + 1) != got)
        Problem("exit status " + got + ", expected " + expected);
    for (auto [file, what] : {std::pair{"stdout", "console output"}, std::pair{"stderr", "standard error"}})
        if (std::string a = Console(Read(dir / file), crlf), b = Console(Read(tmp.path / file), crlf); a != b)
            Problem(what + std::string(" differs:"), Difference(a, b));
    CompareFolders(expect, work);
    // A replaced file keeps its permissions; a new one gets the usual ones (0666 less the umask).
    auto octal = [](int mode) { std::ostringstream text; text << std::oct << mode; return text.str(); };
    for (const auto& [file, before] : outs)
        if (int now = Mode(work / file), want = before >= 0 ? before : 0644; now >= 0 && now != want)
            Problem(file.string() + " has mode " + octal(now) + ", expected " + octal(want));
    if (!failed)
        std::cout << "ok: " << dir.filename().string() << '\n';
    return failed;
}

}  // namespace

int main(int argc, char** argv)
{
    // The last step before the program of a case run by nobody: run_case --as-nobody COMMAND...
    if (argc > 2 && std::strcmp(argv[1], "--as-nobody") == 0) {
        if (setgroups(0, nullptr) != 0 || setgid(NOBODY) != 0 || setuid(NOBODY) != 0)
            return std::perror("run_case: cannot become nobody"), 125;
        Exec(argv + 2);
    }
    if (argc < 3 || argc > 4 || (argc == 4 && std::strcmp(argv[3], "--crlf") != 0))
        return std::cout << "usage: run_case PROGRAM CASE_DIR [--crlf]\n", 1;
    if (!fs::is_regular_file(argv[1]))
        return std::cout << "no program at " << argv[1] << '\n', 1;
    fs::path dir = fs::absolute(argv[2]).lexically_normal();
    try {
        return Check(fs::absolute(argv[1]), dir.has_filename() ? dir : dir.parent_path(), argc == 4);
    } catch (const std::exception& e) {
        return std::cout << "run_case: " << e.what() << '\n', 1;
    }
}
