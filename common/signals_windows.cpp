// The console handler on Windows: Ctrl-C, Ctrl-Break or a closed console
// removes the named temporary files, once a move under way has ended, and
// ends the process as the default handler would.
#ifdef _WIN32

#include <string>
#include <windows.h>

#include "platform.h"

// Held while the names of temporary files change and while the include
// files move: the console handler then waits.
static CRITICAL_SECTION namelock;

struct TempNote {
    std::wstring name;
    bool used;
    TempNote* next;
};
static TempNote* notes;

static BOOL WINAPI OnConsoleEvent(DWORD)
{
    EnterCriticalSection(&namelock);
    for (TempNote* note = notes; note; note = note->next)
        if (note->used && !DeleteFileW(note->name.c_str()) && SetFileAttributesW(note->name.c_str(), FILE_ATTRIBUTE_NORMAL))
            DeleteFileW(note->name.c_str());
    RestoreCodePage();
    ExitProcess(STATUS_CONTROL_C_EXIT);
}

void CatchSignals()
{
    static bool caught;
    if (caught)
        return;
    caught = true;
    InitializeCriticalSection(&namelock);
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

// A critical section may be entered again by its own thread.
void HoldSignals()
{
    CatchSignals();
    EnterCriticalSection(&namelock);
}

void ReleaseSignals() { LeaveCriticalSection(&namelock); }

TempNote* NoteTemp(const char* name)
{
    HoldSignals();
    TempNote* note = notes;
    while (note && note->used)
        note = note->next;
    if (!note) {
        note = new TempNote();
        note->next = notes;
        notes = note;
    }
    note->name = Wide(name);
    note->used = true;
    ReleaseSignals();
    return note;
}

void ForgetTemp(TempNote* note)
{
    if (!note)
        return;
    HoldSignals();
    note->used = false;
    ReleaseSignals();
}

#endif
