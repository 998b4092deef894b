#pragma once

#include <QString>
#include <QStringList>

namespace emulator {

class EngineEmulator;

// The sample URLs of the demo: ordinary sites with their counts, and one without any linking pages.
QStringList demoUrls();

// Makes folder a program folder whose settings.ini points every engine at the emulator, with Lists/demo.txt
// holding the demo URLs and an empty Saved/. False, with a message in error, when something cannot be
// written. Help.rtf and the skin are copied from defaultsFolder (the program's own folder) when it has them.
bool writeDemoFolder(const QString &folder, const EngineEmulator &emulator, QString *error = nullptr,
                     const QString &defaultsFolder = QString());

} // namespace emulator
