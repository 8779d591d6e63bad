#include "ProgramEnd.h"

#include <cstdio>
#include <cstdlib>

namespace {
std::function<void()> &endHandler()
{
    static std::function<void()> instance;
    return instance;
}
} // namespace

void setEndProgramHandler(std::function<void()> handler)
{
    endHandler() = std::move(handler);
}

void EndProgramAtOnce()
{
    if (endHandler()) {
        endHandler()();
        return;
    }
    std::fflush(nullptr);
    // _Exit, not exit: no static destructor or atexit handler runs under the threads that are still
    // at work (a demonstration's server, Qt's own). The system ends them and closes the process's
    // sockets, the server's port among them, which the next copy that sends then takes over.
    std::_Exit(0);
}
