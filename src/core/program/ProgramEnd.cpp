#include "core/program/ProgramEnd.h"

#include <QCoreApplication>

namespace programEnd {

namespace {
std::function<void()> &handler()
{
    static std::function<void()> h;
    return h;
}
} // namespace

void end()
{
    if (handler())
        handler()();
    else
        QCoreApplication::exit(0);
}

void setHandler(std::function<void()> h)
{
    handler() = std::move(h);
}

} // namespace programEnd
