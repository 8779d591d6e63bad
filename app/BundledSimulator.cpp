#include "BundledSimulator.h"

// Winsock 2 first: it brings windows.h in the order it needs.
#include <winsock2.h>

#include <windows.h>

#include <string>

namespace {

constexpr DWORD ListenWaitMs = 10 * 1000; // a first start behind a virus scanner can take seconds
constexpr DWORD PollMs = 50;

// Whether something accepts connections on 127.0.0.1:port. Non-blocking with a short bound: on
// Windows a refused loopback connection is retried for about two seconds before it fails.
bool answers(unsigned short port)
{
    const SOCKET probe = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (probe == INVALID_SOCKET)
        return false;
    u_long nonBlocking = 1;
    ::ioctlsocket(probe, FIONBIO, &nonBlocking);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = ::htons(port);
    address.sin_addr.s_addr = ::htonl(INADDR_LOOPBACK);
    bool connected = ::connect(probe, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0;
    if (!connected && ::WSAGetLastError() == WSAEWOULDBLOCK) {
        fd_set writable;
        FD_ZERO(&writable);
        FD_SET(probe, &writable);
        fd_set failed = writable;
        timeval bound = {0, 200 * 1000};
        connected = ::select(0, nullptr, &writable, &failed, &bound) == 1 && FD_ISSET(probe, &writable);
    }
    ::closesocket(probe);
    return connected;
}

std::wstring simulatorPath()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
        if (length == 0)
            return {};
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    path.resize(path.find_last_of(L"\\/") + 1);
    return path + L"quorvel-simulator.exe";
}

// A job that kills its processes when its last handle closes. The program holds the only handle and
// never closes it, so the system closes it when the program's process ends: by returning from
// main, by the immediate end of the update check or the exit question, or by being killed.
HANDLE killOnCloseJob()
{
    HANDLE job = ::CreateJobObjectW(nullptr, nullptr);
    if (!job)
        return nullptr;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!::SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
        ::CloseHandle(job);
        return nullptr;
    }
    return job;
}

} // namespace

void startBundledSimulator(unsigned short port)
{
    WSADATA winsock;
    if (::WSAStartup(MAKEWORD(2, 2), &winsock) != 0)
        return;
    // The Winsock start is counted: the program's own network code starts it again and the system
    // ends it with the process, so no WSACleanup here.
    if (answers(port))
        return;

    const std::wstring executable = simulatorPath();
    HANDLE job = killOnCloseJob();
    if (executable.empty() || !job)
        return;
    std::wstring commandLine = L"\"" + executable + L"\" --port " + std::to_wstring(port);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    // Suspended until it is in the job, so that not even its first instructions run outside it.
    if (!::CreateProcessW(executable.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                          CREATE_SUSPENDED | CREATE_NO_WINDOW, nullptr, nullptr, &startup, &process)) {
        ::CloseHandle(job);
        return;
    }
    if (!::AssignProcessToJobObject(job, process.hProcess)) {
        // Nothing would end it with the program: better no simulator than one left behind.
        ::TerminateProcess(process.hProcess, 1);
        ::CloseHandle(process.hThread);
        ::CloseHandle(process.hProcess);
        ::CloseHandle(job);
        return;
    }
    ::ResumeThread(process.hThread);
    ::CloseHandle(process.hThread);

    // The start-up's update check is the first request; it must find the simulator listening.
    const ULONGLONG deadline = ::GetTickCount64() + ListenWaitMs;
    while (!answers(port) && ::GetTickCount64() < deadline) {
        if (::WaitForSingleObject(process.hProcess, PollMs) == WAIT_OBJECT_0)
            break; // it could not listen; the update check will say the server is busy
    }
    ::CloseHandle(process.hProcess);
}
