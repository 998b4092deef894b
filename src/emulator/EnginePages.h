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

// The engine's path segment on the emulator ("google", "altavista", ...), and back (0 when unknown).
QString engineSlug(int engine);
int engineFromSlug(const QString &slug);

// The deterministic count the emulator reports for a target unless told otherwise (0..249,999).
qint64 defaultCount(int engine, const QString &target);

// The count as the engine prints it: "1,234" on most engines, "1 234" on AllTheWeb.
QString formatCount(int engine, qint64 count);

// A whole page. padding adds that many bytes of ordinary result-list markup after the count.
QByteArray enginePage(int engine, PageKind kind, qint64 count, const QString &target, int padding);

} // namespace emulator
