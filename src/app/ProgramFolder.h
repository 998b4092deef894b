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

// Removes what interrupted rewrites left behind (a rewrite goes through "settings.ini.XXXXXX" or
// "Saved/NAME.vty.XXXXXX"): called at start-up. Returns how many files went.
int removeStaleTemporaries();

} // namespace programFolder
