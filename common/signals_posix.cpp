// Signals on POSIX systems: those that end the process put the terminal
// back and remove the named temporary files, then end it by the same signal.
#ifndef _WIN32

#include <atomic>
#include <climits>
#include <csignal>
#include <cstring>
#include <termios.h>
#include <unistd.h>

#include "platform.h"

// A named temporary file of the moment. A note is taken before its file is
// created and given up once the file is gone or renamed, so the handler may
// try a name with no file but never misses one. Notes are kept for reuse,
// never freed: the handler walks them while the program may add one.
struct TempNote {
    char name[PATH_MAX + 64];
    volatile sig_atomic_t used;
    TempNote* next;
};
static std::atomic<TempNote*> notes{nullptr};

static struct termios keptterminal;
static volatile sig_atomic_t terminalkept;

// Signals that end the process and can be caught.
static const int ENDING_SIGNALS[] = {SIGHUP,  SIGINT,  SIGQUIT, SIGTERM,   SIGALRM,
                                     SIGUSR1, SIGUSR2, SIGXCPU, SIGVTALRM, SIGPROF};

// Sets the terminal back, also from a background process group (the job may
// have been moved there while it waited): with SIGTTOU ignored the call is
// carried out instead of stopping the process.
void PutTerminalBack(int when)
{
    struct sigaction ignore = {}, old;
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGTTOU, &ignore, &old);
    tcsetattr(STDIN_FILENO, when, &keptterminal);
    sigaction(SIGTTOU, &old, nullptr);
}

void KeepTerminal(const struct termios* settings)
{
    terminalkept = 0;
    if (!settings)
        return;
    keptterminal = *settings;
    std::atomic_signal_fence(std::memory_order_seq_cst);
    terminalkept = 1;
}

static void CleanUpAndRaise(int sig)
{
    if (terminalkept)
        PutTerminalBack(TCSANOW);
    for (TempNote* note = notes.load(); note; note = note->next)
        if (note->used)
            unlink(note->name);
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

void CatchSignals()
{
    static bool caught;
    if (caught)
        return;
    caught = true;
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
    struct sigaction action = {};
    action.sa_handler = CleanUpAndRaise;
    sigemptyset(&action.sa_mask);
    for (int sig : ENDING_SIGNALS)
        sigaddset(&action.sa_mask, sig);  // a second signal does not cut the clean-up short
    // A signal the caller ignores stays ignored.
    for (int sig : ENDING_SIGNALS) {
        struct sigaction old;
        if (sigaction(sig, nullptr, &old) == 0 && old.sa_handler != SIG_IGN)
            sigaction(sig, &action, nullptr);
    }
}

static sigset_t heldmask;
static int helddepth;

void HoldSignals()
{
    if (helddepth++ > 0)
        return;
    sigset_t all;
    sigfillset(&all);
    sigprocmask(SIG_BLOCK, &all, &heldmask);
}

void ReleaseSignals()
{
    if (--helddepth == 0)
        sigprocmask(SIG_SETMASK, &heldmask, nullptr);
}

TempNote* NoteTemp(const char* name)
{
    if (std::strlen(name) >= sizeof TempNote::name)
        return nullptr;  // no such name is made: temporary names are short
    TempNote* note = notes.load();
    while (note && note->used)
        note = note->next;
    bool fresh = !note;
    if (fresh) {
        note = new TempNote();
        note->next = notes.load();
    }
    std::strcpy(note->name, name);
    std::atomic_signal_fence(std::memory_order_seq_cst);
    note->used = 1;
    if (fresh)
        notes.store(note);
    return note;
}

void ForgetTemp(TempNote* note)
{
    if (note)
        note->used = 0;
}

#endif
