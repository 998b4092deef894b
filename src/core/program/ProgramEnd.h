#pragma once

#include <functional>

// Ends the program at once (the main event loop returns). Tests put a handler of their own in its place, so
// that they can see the program end without ending themselves.
namespace programEnd {

void end();
void setHandler(std::function<void()> handler);

} // namespace programEnd
