// The console on POSIX systems: the arguments as they are, and the key wait
// on a terminal.
#ifndef _WIN32

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include "platform.h"

void FillStandardDescriptors()
{
    for (int fd = 0; fd < 3; fd++) {
        if (fcntl(fd, F_GETFD) >= 0 || errno != EBADF)
            continue;
        int null = open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        if (null >= 0 && null != fd) {
            dup2(null, fd);
            close(null);
        }
    }
}

char** CommandLineInUtf8(int, char** argv) { return argv; }

void WaitForKey()
{
    // Only in the foreground: a background job has no keyboard, and setting
    // the terminal from there would stop the process.
    struct termios saved;
    if (!isatty(STDIN_FILENO) || tcgetpgrp(STDIN_FILENO) != getpgrp() || tcgetattr(STDIN_FILENO, &saved) != 0)
        return;
    CatchSignals();
    std::fflush(stdout);
    struct termios raw = saved;
    // One byte, no echo, and Ctrl-C, Ctrl-Z, Ctrl-S, Ctrl-Q or Ctrl-V is a
    // key like any other: no signals, no flow control, no literal-next.
    raw.c_iflag &= ~tcflag_t(IXON);
    raw.c_lflag &= ~tcflag_t(ICANON | ECHO | ISIG | IEXTEN);
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    KeepTerminal(&saved);
    if (tcsetattr(STDIN_FILENO, TCSANOW, &raw) == 0) {
        char key;
        while (read(STDIN_FILENO, &key, 1) < 0 && errno == EINTR) {
        }
        // One key may send several bytes (an arrow or function key, a UTF-8
        // letter): what is still pending is discarded, so none of it reaches
        // the shell.
        PutTerminalBack(TCSAFLUSH);
    }
    KeepTerminal(nullptr);
}

#endif
