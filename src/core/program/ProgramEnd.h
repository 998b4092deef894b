#pragma once

#include <functional>

// Ends the program at once (the main event loop returns). Tests put a handler of their own in its place, so
// that they can see the program end without ending themselves.
namespace programEnd {

void end();
void setHandler(std::function<void()> handler);

// From now on SIGTERM and SIGINT end the program through end(), from the event loop, so that it ends as it
// would by itself (temporary folders removed, files closed) instead of dying where it stands.
void endOnTerminationSignals();

// end() was called.
bool ending();

// Runs the main event loop, unless end() was called already: a signal can come while an event loop that
// runs before the main one (a start-up step's own) is running, where the end it asks for would be lost.
int exec();

} // namespace programEnd
