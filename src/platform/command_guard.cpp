#include "platform/command_guard.h"

namespace {
CommandBoundary g_boundary = nullptr;
}

void SetCommandBoundary(CommandBoundary boundary) { g_boundary = boundary; }

void RunInBoundary(const QString& failure, const std::function<void()>& handler)
{
    if (g_boundary)
        g_boundary(failure, handler);
    else
        handler();
}
