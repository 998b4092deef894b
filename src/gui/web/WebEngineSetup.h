#pragma once

// Call before the QApplication is made. Chromium refuses to run as root with its sandbox on and would take
// the whole program down: as root the sandbox is switched off, and that is said once on standard error.
// Also shares OpenGL contexts, as the web engine wants.
void prepareWebEngine(const char *programName);
