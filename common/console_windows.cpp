// The console on Windows: the arguments read again as UTF-16, console
// output in UTF-8 until the program ends, and the key wait.
#ifdef _WIN32

#include <conio.h>
#include <cstdlib>
#include <cwchar>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "platform.h"

std::wstring Wide(const std::string& text)
{
    int n = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    std::wstring wide(n > 0 ? size_t(n) : 1, L'\0');
    if (n > 0)
        MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, &wide[0], n);
    wide.resize(wcslen(wide.c_str()));
    return wide;
}

char* Utf8(const wchar_t* wide)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    char* text = static_cast<char*>(std::calloc(n > 0 ? size_t(n) : 1, 1));
    if (text && n > 0)
        WideCharToMultiByte(CP_UTF8, 0, wide, -1, text, n, nullptr, nullptr);
    return text;
}

void FillStandardDescriptors()
{
    // A descriptor without a handle gives -1, or -2 when the process began
    // without that standard handle.
    for (int fd = 0; fd < 3; fd++) {
        if (_get_osfhandle(fd) >= 0)
            continue;
        int null = _open("NUL", fd == 0 ? _O_RDONLY : _O_WRONLY);
        if (null >= 0 && null != fd) {
            _dup2(null, fd);
            _close(null);
        }
    }
}

// The console's output code page before the program set it to UTF-8; put
// back when the program ends, so the console shows what comes after as before.
static UINT savedcodepage;

void RestoreCodePage()
{
    if (savedcodepage)
        SetConsoleOutputCP(savedcodepage);
}

char** CommandLineInUtf8(int argc, char** argv)
{
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide || count != argc)
        return argv;
    char** utf8 = static_cast<char**>(std::calloc(size_t(argc) + 1, sizeof *utf8));
    for (int i = 0; utf8 && i < argc; i++)
        if (!(utf8[i] = Utf8(wide[i])))
            return argv;
    LocalFree(wide);
    if ((savedcodepage = GetConsoleOutputCP()) != 0 && SetConsoleOutputCP(CP_UTF8))
        std::atexit(RestoreCodePage);
    else
        savedcodepage = 0;
    return utf8 ? utf8 : argv;
}

void WaitForKey()
{
    // Only a console has a console mode. _isatty is not enough: it also says
    // yes for character devices, so "< NUL" would still wait for a key.
    DWORD mode;
    if (GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode))
        _getch();
}

#endif
