#pragma once

#include "core/engines/EngineDefinition.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

// The engines in use: the enabled definitions of engines.ini, in column order. Everything that shows or asks
// engines (the results table, the scan, the log, saves, charts, exports, the command line) follows one set.
namespace engines {

inline constexpr int MaxEngines = 32;

class EngineSet
{
public:
    EngineSet();
    explicit EngineSet(const QList<Definition> &definitions); // only the enabled ones are taken

    int count() const { return int(m_list->size()); }
    bool isEmpty() const { return m_list->isEmpty(); }
    // Engine number 1..count().
    const Definition &at(int number) const { return m_list->at(number - 1); }
    const QList<Definition> &definitions() const { return *m_list; }

    // The engine's number, 0 when there is none. Keys and headers are matched without regard to case.
    int numberOfKey(const QString &key) const;
    int numberOfHeader(const QString &header) const;
    int numberOfLogText(const QString &logText) const;

    QStringList keys() const;
    QStringList headers() const;

    // The engines of the given keys, in column order; unknown receives the keys that name no engine.
    EngineSet only(const QStringList &keys, QStringList *unknown) const;

    // True when both sets give the same columns: the same engines (key, header and log text) in the same
    // order, whatever else their definitions say.
    bool sameColumns(const EngineSet &other) const;

    // The six shipped engines, from the definitions built into the program.
    static const EngineSet &builtin();
    // The set the program uses (the builtin one until another is set).
    static EngineSet current();
    static void setCurrent(const EngineSet &set);

private:
    std::shared_ptr<const QList<Definition>> m_list;
};

// Why the definition cannot stand behind the earlier ones: a key, header or log text one of them has, or
// one engine too many. Empty when it can.
QString clash(const QList<Definition> &earlier, const Definition &definition);

// What reading an engines file gave.
struct LoadResult
{
    QString file;              // the file read; empty for the built-in definitions
    QList<Definition> all;     // every usable definition, enabled or not, in file order
    EngineSet set;             // the enabled ones
    QStringList messages;      // one per engine left out, naming the file and line; and why the defaults came
    bool usedDefaults = false; // the file left no usable engine: the built-in six are used
};

// Parses engines.ini text (bytes as they are on disk). file names it in the messages.
LoadResult parse(const QByteArray &bytes, const QString &file);
// Reads the file; a missing or unreadable file gives the built-in definitions with a message.
LoadResult loadFile(const QString &file);
// engines.ini of the program folder, else the installed defaults', else the built-in definitions.
LoadResult loadForProgram();
// Where loadForProgram() reads (empty for the built-in definitions) and where the Options dialog writes.
QString programFile();
QString ownFile();

// Text fields as engines.ini writes them: a backslash, line feed, carriage return and tab as \\, \n, \r and
// \t; and back (any other backslash stays as it is).
QString escaped(const QString &text);
QString unescaped(const QString &text);

// The definitions as engines.ini text.
QByteArray format(const QList<Definition> &definitions);
// Writes the file atomically, under its lock. False with a sentence in error when it could not be written.
bool saveFile(const QString &file, const QList<Definition> &definitions, QString *error);

} // namespace engines
