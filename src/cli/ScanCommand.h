#pragma once

#include <QStringList>

// vantory-scan: a whole scan without a window, on the same core as the window.
namespace cli {

// Runs the command with its arguments (without the program name). Needs a running QCoreApplication; returns
// the exit code: 0 after a completed scan, 1 when the URL file cannot be read, 2 on bad arguments.
int runScanCommand(const QStringList &arguments);

// The demo without a display: the engine emulator on loopback, a temporary demo program folder, a scan of
// the demo URLs printed as a table.
int runDemoScan();

} // namespace cli
