#pragma once

#include <QString>

// The program folder: the folder every part of the program calls "beside the program". It holds
// settings.ini, Lists/ and Saved/, and may hold Help.rtf and skins/ of its own.
//
// Which folder that is (choose()): --program-folder when given; else the executable's folder when it holds a
// settings.ini and can be written (a build tree, an unpacked copy); else the per-user folder
// $XDG_DATA_HOME/Vantory (~/.local/share/Vantory), made on first start from the installed defaults.
// Nothing is ever written into the installed defaults.
namespace programFolder {

QString path();
void setPath(const QString &folder);

// Picks the program folder as above and makes it the one in use. On failure (a per-user folder that cannot
// be made, defaults that cannot be read) returns false with a sentence for the user in error.
bool choose(const QString &explicitFolder, QString *error);
// The same rule for an executable in the given folder.
bool chooseFor(const QString &executableFolder, const QString &explicitFolder, QString *error);

// The read-only defaults: share/vantory beside the executable's folder when installed, else the executable's
// folder itself (a build tree).
QString defaultsFolder();
// Puts another folder in the defaults' place (tests); empty for the one above.
void setDefaultsFolder(const QString &folder);
// The per-user program folder: $XDG_DATA_HOME/Vantory.
QString perUserFolder();

QString settingsIni();
QString listsFolder();
QString savedFolder();
// The imported web graph releases: the program folder's WebGraph folder.
QString webGraphFolder();
// A file of the program's data (Help.rtf, skins/...): the program folder's own when it has one, else the
// default's.
QString dataFile(const QString &relative);

// Removes what interrupted rewrites left behind (a rewrite goes through "settings.ini.XXXXXX" or
// "Saved/NAME.vty.XXXXXX"): called at start-up. Returns how many files went.
int removeStaleTemporaries();

} // namespace programFolder
