#pragma once

#include <QString>

// Key and section writers for INI files, with the effects the program relies on from a platform profile API.
// They write "[" + name + "]" headers and key=value lines ended by CR LF, so the INI module reads back what
// they write. Names are matched without regard to case, ignoring spaces and tabs around them; the first
// matching section and key win. Files are replaced atomically: on failure (false) the file is as it was.
namespace privateProfile {

// Creates the file, the section and the key when missing; an existing key line is replaced by key=value. A
// new key goes after the last non-empty line of its section; a new section is appended at the end of the
// file.
bool WriteString(const QString &section, const QString &key, const QString &value, const QString &file);

// Replaces the section's body (all lines up to the next header) with body, whose lines are separated by NUL
// characters or line endings. An empty body empties the section. A section, key or value (of WriteString)
// holding a CR or LF is refused (false, file untouched). The file and the header are created when
// missing (the header is appended at the end of the file).
bool WriteSection(const QString &section, const QString &body, const QString &file);

} // namespace privateProfile
