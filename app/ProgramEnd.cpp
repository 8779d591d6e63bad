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
    std::_Exit(0);
}
