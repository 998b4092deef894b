#pragma once

#include <QString>

// Standard output, written straight to its file descriptor with every write checked: a full disk, a closed
// file or /dev/full is an error the command reports, never a quiet success. Nothing is buffered, so there is
// no flush that could fail later.
namespace standardOutput {

// Writes text as UTF-8. False once any write has failed; later texts are then not written at all.
bool print(const QString &text);

// True after a write that failed, with why (the system's error text).
bool failed();
QString error();

} // namespace standardOutput
