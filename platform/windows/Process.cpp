#include "Platform.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <windows.h>
// psapi.h needs the types of windows.h first.
#include <psapi.h>

namespace Platform {
namespace {

QCoreApplication *quitting = nullptr;

// Runs on a thread of its own, which the system makes for the request.
BOOL WINAPI onConsoleControl(DWORD request)
{
    if (request != CTRL_C_EVENT && request != CTRL_BREAK_EVENT && request != CTRL_CLOSE_EVENT)
        return FALSE;
    QMetaObject::invokeMethod(quitting, &QCoreApplication::quit, Qt::QueuedConnection);
    return TRUE;
}

double seconds(const FILETIME &time)
{
    return double((quint64(time.dwHighDateTime) << 32) | time.dwLowDateTime) / 1e7; // 100 ns units
}

} // namespace

// Ctrl+C, Ctrl+Break and closing the console window.
bool quitOnTerminationRequests(QCoreApplication &app)
{
    quitting = &app;
    return SetConsoleCtrlHandler(onConsoleControl, TRUE) != 0;
}

double processCpuSeconds()
{
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user))
        return 0;
    return seconds(kernel) + seconds(user);
}

qint64 peakMemoryKiB()
{
    PROCESS_MEMORY_COUNTERS counters{};
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters))
        return -1;
    return qint64(counters.PeakWorkingSetSize / 1024);
}

// Wine's ntdll exports its version; Windows' own has no such function.
bool runsUnderWine()
{
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

} // namespace Platform
