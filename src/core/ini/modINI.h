#pragma once

#include <QString>
#include <QStringList>

// The program's own reader and writer of INI text files (settings.ini and the saved-search files). Every
// operation reads the whole file; a write rewrites it whole, atomically. Section and key names are matched
// without regard to case, by prefix at the start of a line: the first matching header and, within it, the
// first matching key line win. Files are single-byte text; lines end at CR LF or a lone CR.
namespace modINI {

// The value of key in section, or defaultValue when the names are invalid or the file, the section or the key
// is missing. A key line with nothing after its "=" gives the empty string. The key search stops at the next
// section header.
QString ReadINI(const QString &section, const QString &key, const QString &defaultValue, const QString &file);

// The same read on a buffer already loaded with LoadINIFile, for several keys of one file in one load.
class IniLines;
QString ReadINI(IniLines &lines, const QString &section, const QString &key, const QString &defaultValue);

// Replaces the key's line, or inserts key=value directly under the section's header, or appends the section
// with the key at the end of the file. Nothing is written (false) for invalid names, a name or value holding
// a CR or LF (which would change the file's structure), a missing or empty file, or a file beyond the slot
// limit; a failing rewrite leaves the old file as it was.
bool WriteINI(const QString &section, const QString &key, const QString &value, const QString &file);

// The section's body as one string, its slots joined by CR LF. The body of a section that is followed by
// another ends with CR LF; that of the last section does not; an empty section gives the empty string.
QString ReadINISection(const QString &section, const QString &defaultValue, const QString &file);

// names becomes the section names in file order (names[0] = first); it is left untouched when the file has
// no section. A header without "]" names the rest of its line.
void GetINISections(QStringList &names, const QString &file);

// True when text holds no CR and no LF: only such text may become a name or value in an INI file.
bool isSingleLine(const QString &text);

} // namespace modINI
