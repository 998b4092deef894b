#pragma once

#include <QString>

// The program folder: the folder of the executable unless --program-folder names another. It holds
// settings.ini, Lists/, Saved/ and Help.rtf.
namespace programFolder {

QString path();
void setPath(const QString &folder);

QString settingsIni();
QString listsFolder();
QString savedFolder();

} // namespace programFolder
