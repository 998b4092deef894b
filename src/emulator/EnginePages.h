#pragma once

#include <QByteArray>
#include <QString>

// Result pages in the style of the six engines, as the engine emulator serves them.
namespace emulator {

enum class PageKind
{
    Results,
    NoResults,
    ChangedLayout
};

// Besides the six engines' pages (1..6) the emulator serves two more styles: a UTF-8 page whose count stands
// between non-ASCII markers ("Ungefähr 1.234 Ergebnisse für", path /suche) and a JSON answer with a "total"
// (path /json).
inline constexpr int UnicodeStyle = 7;
inline constexpr int JsonStyle = 8;
inline constexpr int StyleCount = 8;

// The content type the style's pages are sent with.
QByteArray contentType(int engine);

// The engine's path segment on the emulator ("google", "altavista", ...), and back (0 when unknown).
QString engineSlug(int engine);
int engineFromSlug(const QString &slug);

// The deterministic count the emulator reports for a target unless told otherwise (0..249,999).
qint64 defaultCount(int engine, const QString &target);

// The count as the engine prints it: "1,234" on most engines, "1 234" on AllTheWeb, "1.234" on the UTF-8
// style.
QString formatCount(int engine, qint64 count);

// A whole page. padding adds that many bytes of ordinary result-list markup after the count.
QByteArray enginePage(int engine, PageKind kind, qint64 count, const QString &target, int padding);

} // namespace emulator
