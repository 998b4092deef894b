#include "core/engines/EngineSet.h"

#include "core/engines/Variables.h"

#include "core/ini/TextFile.h"
#include "core/program/ProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QMutex>
#include <QSet>
#include <QStringDecoder>

#include <algorithm>

namespace engines {

namespace {

QString fieldText(const QByteArray &raw, bool escapes)
{
    // Values are UTF-8 when they are valid UTF-8, else single bytes.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder(raw);
    if (decoder.hasError())
        text = QString::fromLatin1(raw);
    return escapes ? unescaped(text) : text;
}

} // namespace

QString unescaped(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\\' && i + 1 < text.size()) {
            const QChar next = text.at(i + 1);
            const QChar replacement = next == u'n'    ? QChar(u'\n')
                                      : next == u'r'  ? QChar(u'\r')
                                      : next == u't'  ? QChar(u'\t')
                                      : next == u'\\' ? QChar(u'\\')
                                                      : QChar();
            if (!replacement.isNull()) {
                out += replacement;
                ++i;
                continue;
            }
        }
        out += c;
    }
    return out;
}

QString escaped(const QString &value)
{
    QString text;
    text.reserve(value.size());
    for (const QChar c : value) {
        if (c == u'\\')
            text += QLatin1String("\\\\");
        else if (c == u'\n')
            text += QLatin1String("\\n");
        else if (c == u'\r')
            text += QLatin1String("\\r");
        else if (c == u'\t')
            text += QLatin1String("\\t");
        else
            text += c;
    }
    return text;
}

namespace {

bool hasControl(const QByteArray &line)
{
    for (const char c : line) {
        const auto u = static_cast<unsigned char>(c);
        if ((u < 0x20 && u != '\t') || u == 0x7f)
            return true;
    }
    return false;
}

QByteArray trimmed(const QByteArray &text)
{
    qsizetype begin = 0, end = text.size();
    while (begin < end && (text.at(begin) == ' ' || text.at(begin) == '\t'))
        ++begin;
    while (end > begin && (text.at(end - 1) == ' ' || text.at(end - 1) == '\t'))
        --end;
    return text.mid(begin, end - begin);
}

std::optional<bool> yesNo(const QString &value)
{
    const QString v = value.toLower();
    if (v == QLatin1String("1") || v == QLatin1String("yes") || v == QLatin1String("true"))
        return true;
    if (v == QLatin1String("0") || v == QLatin1String("no") || v == QLatin1String("false"))
        return false;
    return std::nullopt;
}

// One section as it is read: the definition, its numbered lists, the first fault.
struct Pending
{
    Definition definition;
    QMap<int, QString> countRemove, checkRemove;
    QMap<int, QPair<QString, QString>> headers;
    QSet<QString> seen; // field names given, lower case
    bool logTextGiven = false, statusGiven = false;
    int faultLine = 0;
    QString fault;
    void fail(int line, const QString &why)
    {
        if (fault.isEmpty()) {
            faultLine = line;
            fault = why;
        }
    }
};

// A numbered field ("CountRemove2" -> 2), 0 when the name is not name + a positive number.
int numbered(const QString &field, const QString &name)
{
    if (!field.startsWith(name, Qt::CaseInsensitive) || field.size() == name.size())
        return 0;
    bool ok = false;
    const int n = field.mid(name.size()).toInt(&ok);
    return ok && n > 0 ? n : 0;
}

void setField(Pending &p, int line, const QString &field, const QByteArray &raw)
{
    const QString name = field.toLower();
    if (p.seen.contains(name)) {
        p.fail(line, QStringLiteral("%1 is given twice").arg(field));
        return;
    }
    p.seen.insert(name);
    Definition &d = p.definition;
    const QString text = fieldText(raw, name != QLatin1String("expression"));
    if (name == QLatin1String("key"))
        d.key = text;
    else if (name == QLatin1String("header"))
        d.header = text;
    else if (name == QLatin1String("logtext")) {
        d.logText = text;
        p.logTextGiven = true;
    } else if (name == QLatin1String("status")) {
        d.statusSuffix = text;
        p.statusGiven = true;
    } else if (name == QLatin1String("suffix"))
        d.suffix = text;
    else if (name == QLatin1String("address"))
        d.address = text;
    else if (name == QLatin1String("quotes")) {
        if (text.compare(QLatin1String("kept"), Qt::CaseInsensitive) == 0)
            d.replaceQuotes = false;
        else if (text.compare(QLatin1String("replaced"), Qt::CaseInsensitive) == 0)
            d.replaceQuotes = true;
        else
            p.fail(line, QStringLiteral("Quotes is \"kept\" or \"replaced\", not \"%1\"").arg(text));
    } else if (name == QLatin1String("countbefore"))
        d.countBefore = text;
    else if (name == QLatin1String("countafter"))
        d.countAfter = text;
    else if (name == QLatin1String("checkbefore"))
        d.checkBefore = text;
    else if (name == QLatin1String("checkafter"))
        d.checkAfter = text;
    else if (name == QLatin1String("zerophrase"))
        d.zeroPhrase = text;
    else if (name == QLatin1String("separators"))
        d.separators = text;
    else if (name == QLatin1String("thousands")) {
        if (text.compare(QLatin1String("remove"), Qt::CaseInsensitive) == 0)
            d.keepSeparators = false;
        else if (text.compare(QLatin1String("keep"), Qt::CaseInsensitive) == 0)
            d.keepSeparators = true;
        else
            p.fail(line, QStringLiteral("Thousands is \"remove\" or \"keep\", not \"%1\"").arg(text));
    } else if (name == QLatin1String("spaces")) {
        const QString v = text.toLower();
        if (v == QLatin1String("keep"))
            d.spaces = SpaceRule::Keep;
        else if (v == QLatin1String("remove"))
            d.spaces = SpaceRule::Remove;
        else if (v == QLatin1String("zeros"))
            d.spaces = SpaceRule::Zeros;
        else
            p.fail(line, QStringLiteral("Spaces is \"keep\", \"remove\" or \"zeros\", not \"%1\"").arg(text));
    } else if (name == QLatin1String("expression"))
        d.expression = text;
    else if (name == QLatin1String("jsonpointer")) {
        d.jsonPointer = text;
        d.json = true;
    } else if (name == QLatin1String("source")) {
        if (text.compare(QLatin1String("webgraph"), Qt::CaseInsensitive) == 0)
            d.source = QStringLiteral("webgraph");
        else if (text.compare(QLatin1String("page"), Qt::CaseInsensitive) == 0)
            d.source.clear();
        else
            p.fail(line, QStringLiteral("Source is \"page\" or \"webgraph\", not \"%1\"").arg(text));
    } else if (name == QLatin1String("release"))
        d.release = text;
    else if (name == QLatin1String("method"))
        d.method = text.toUpper();
    else if (name == QLatin1String("body"))
        d.body = text;
    else if (name == QLatin1String("bodytype"))
        d.bodyType = text;
    else if (name == QLatin1String("username"))
        d.username = text;
    else if (name == QLatin1String("password"))
        d.password = text;
    else if (name == QLatin1String("batch")) {
        bool ok = false;
        d.batch = text.toInt(&ok);
        if (!ok)
            p.fail(line, QStringLiteral("Batch is a number of targets, not \"%1\"").arg(text));
    } else if (name == QLatin1String("enabled")) {
        if (const auto value = yesNo(text))
            d.enabled = *value;
        else
            p.fail(line, QStringLiteral("Enabled is 1 or 0, not \"%1\"").arg(text));
    } else if (const int n = numbered(field, QStringLiteral("CountRemove"))) {
        if (p.countRemove.size() >= MaxRemovals)
            p.fail(line, QStringLiteral("more than %1 CountRemove texts").arg(MaxRemovals));
        p.countRemove.insert(n, text);
    } else if (const int n = numbered(field, QStringLiteral("CheckRemove"))) {
        if (p.checkRemove.size() >= MaxRemovals)
            p.fail(line, QStringLiteral("more than %1 CheckRemove texts").arg(MaxRemovals));
        p.checkRemove.insert(n, text);
    } else if (const int n = numbered(field, QStringLiteral("RequestHeader"))) {
        const qsizetype colon = text.indexOf(u':');
        if (p.headers.size() >= MaxRequestHeaders)
            p.fail(line, QStringLiteral("more than %1 request headers").arg(MaxRequestHeaders));
        else if (colon <= 0)
            p.fail(line, QStringLiteral("%1 is \"Name: value\"").arg(field));
        else
            p.headers.insert(n, {text.left(colon).trimmed(), text.mid(colon + 1).trimmed()});
    } else
        p.fail(line, QStringLiteral("there is no field %1").arg(field));
}

QString where(const QString &file, int line)
{
    return QStringLiteral("%1, line %2").arg(file.isEmpty() ? QStringLiteral("engines.ini") : file).arg(line);
}

LoadResult builtinResult()
{
    QFile resource(QStringLiteral(":/vantory/engines.ini"));
    QByteArray bytes;
    if (resource.open(QIODevice::ReadOnly))
        bytes = resource.readAll();
    LoadResult result = parse(bytes, QString());
    result.file.clear();
    result.usedDefaults = false;
    Q_ASSERT(result.messages.isEmpty() && result.set.count() == 6);
    return result;
}

QMutex &currentMutex()
{
    static QMutex mutex;
    return mutex;
}

EngineSet &currentSet()
{
    static EngineSet set = EngineSet::builtin();
    return set;
}

} // namespace

LoadResult parse(const QByteArray &bytes, const QString &file)
{
    LoadResult result;
    result.file = file;
    QList<Pending> sections;
    int outsideLine = 0;
    QByteArray data = bytes;
    if (data.startsWith("\xEF\xBB\xBF"))
        data.remove(0, 3);
    int lineNumber = 0;
    qsizetype start = 0;
    const qsizetype n = data.size();
    while (start <= n) {
        qsizetype end = start;
        while (end < n && data.at(end) != '\n' && data.at(end) != '\r')
            ++end;
        const QByteArray raw = data.mid(start, end - start);
        ++lineNumber;
        start = end + (end < n && data.at(end) == '\r' && end + 1 < n && data.at(end + 1) == '\n' ? 2 : 1);
        const QByteArray line = trimmed(raw);
        if (line.isEmpty() || line.startsWith(';') || line.startsWith('#'))
            continue;
        Pending *current = sections.isEmpty() ? nullptr : &sections.last();
        if (hasControl(line)) {
            if (current)
                current->fail(lineNumber, QStringLiteral("a control character in the line"));
            else if (!outsideLine)
                outsideLine = lineNumber;
            continue;
        }
        if (line.startsWith('[')) {
            Pending next;
            const qsizetype close = line.indexOf(']');
            next.definition.line = lineNumber;
            next.definition.section = fieldText(line.mid(1, close < 0 ? -1 : close - 1), false);
            if (close < 0)
                next.fail(lineNumber, QStringLiteral("the section header has no ]"));
            sections.append(next);
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (!current || equals <= 0) {
            if (current)
                current->fail(lineNumber, QStringLiteral("the line is no field (Name=value)"));
            else if (!outsideLine)
                outsideLine = lineNumber;
            continue;
        }
        QByteArray value = trimmed(line.mid(equals + 1));
        if (value.size() >= 2 && value.startsWith('"') && value.endsWith('"'))
            value = value.mid(1, value.size() - 2);
        // A section already left out takes no more of its fields: a file of endless fields costs a glance.
        if (current->fault.isEmpty())
            setField(*current, lineNumber, QString::fromLatin1(trimmed(line.left(equals))), value);
    }
    if (outsideLine)
        result.messages.append(
            QStringLiteral("%1: text outside any engine section is ignored.").arg(where(file, outsideLine)));

    for (Pending &p : sections) {
        Definition &d = p.definition;
        d.countRemove = p.countRemove.values();
        d.checkRemove = p.checkRemove.values();
        d.requestHeaders = p.headers.values();
        if (!p.logTextGiven)
            d.logText = d.header;
        if (!p.statusGiven)
            d.statusSuffix = QStringLiteral(" on ") + d.header;
        if (p.fault.isEmpty()) {
            const QString why = problem(d);
            if (!why.isEmpty())
                p.fail(d.line, why);
        }
        if (p.fault.isEmpty()) {
            const QString why = clash(result.all, d);
            if (!why.isEmpty())
                p.fail(d.line, why);
        }
        if (!p.fault.isEmpty()) {
            result.messages.append(QStringLiteral("%1: the engine [%2] is left out: %3.")
                                       .arg(where(file, p.faultLine), d.section, p.fault));
            continue;
        }
        result.all.append(d);
    }
    result.set = EngineSet(result.all);
    if (result.set.isEmpty() && !file.isEmpty()) {
        result.messages.append(
            QStringLiteral("%1 leaves no engine to use: the six shipped engines are used.").arg(file));
        const LoadResult defaults = builtinResult();
        result.all = defaults.all;
        result.set = defaults.set;
        result.usedDefaults = true;
    }
    return result;
}

QString clash(const QList<Definition> &earlier, const Definition &d)
{
    for (const Definition &other : earlier) {
        if (other.key.compare(d.key, Qt::CaseInsensitive) == 0)
            return QStringLiteral("another engine has the key %1").arg(d.key);
        if (other.header.compare(d.header, Qt::CaseInsensitive) == 0)
            return QStringLiteral("another engine has the header \"%1\"").arg(d.header);
        if (other.logText.compare(d.logText, Qt::CaseInsensitive) == 0)
            return QStringLiteral("another engine has the log text \"%1\"").arg(d.logText);
    }
    if (earlier.size() >= MaxEngines)
        return QStringLiteral("there are more than %1 engines").arg(MaxEngines);
    return QString();
}

LoadResult loadFile(const QString &file)
{
    QByteArray bytes;
    if (!textFile::readBytes(file, bytes)) {
        LoadResult result = builtinResult();
        result.file = file;
        result.usedDefaults = true;
        result.messages.append(
            QStringLiteral("%1 cannot be read: the six shipped engines are used.").arg(file));
        return result;
    }
    return parse(bytes, file);
}

QString ownFile()
{
    return QDir(programFolder::path()).filePath(QStringLiteral("engines.ini"));
}

QString programFile()
{
    const QString file = programFolder::dataFile(QStringLiteral("engines.ini"));
    return QFileInfo::exists(file) ? file : QString();
}

LoadResult loadForProgram()
{
    const QString file = programFile();
    return file.isEmpty() ? builtinResult() : loadFile(file);
}

namespace {

QByteArray written(const QString &value, bool escapes)
{
    QByteArray bytes = (escapes ? escaped(value) : value).toUtf8();
    if (bytes.startsWith(' ') || bytes.endsWith(' ') || bytes.startsWith('\t') || bytes.endsWith('\t') ||
        (bytes.startsWith('"') && bytes.endsWith('"') && bytes.size() >= 2) ||
        (bytes.size() == 1 && bytes == "\""))
        bytes = '"' + bytes + '"';
    return bytes;
}

} // namespace

QByteArray format(const QList<Definition> &definitions)
{
    QByteArray out = "; Vantory's search engines: one section per engine, in column order.\n";
    for (const Definition &d : definitions) {
        QString section = d.section.isEmpty() ? d.key : d.section;
        section.remove(u'[').remove(u']');
        out += "\n[" + section.toUtf8() + "]\n";
        auto field = [&out](const char *name, const QString &value, bool escapes = true) {
            out += name;
            out += '=';
            out += written(value, escapes);
            out += '\n';
        };
        field("Key", d.key);
        field("Header", d.header);
        field("LogText", d.logText);
        field("Status", d.statusSuffix);
        if (!d.address.isEmpty())
            field("Address", d.address);
        if (!d.suffix.isEmpty())
            field("Suffix", d.suffix);
        if (d.isWebGraph()) {
            field("Source", d.source);
            if (!d.release.isEmpty())
                field("Release", d.release);
            field("Enabled", d.enabled ? QStringLiteral("1") : QStringLiteral("0"));
            continue;
        }
        field("Quotes", d.replaceQuotes ? QStringLiteral("replaced") : QStringLiteral("kept"));
        if (!d.expression.isEmpty())
            field("Expression", d.expression, false);
        else if (d.json)
            field("JsonPointer", d.jsonPointer);
        for (const auto &[name, value] :
             {std::pair{"CountBefore", &d.countBefore}, std::pair{"CountAfter", &d.countAfter},
              std::pair{"CheckBefore", &d.checkBefore}, std::pair{"CheckAfter", &d.checkAfter},
              std::pair{"ZeroPhrase", &d.zeroPhrase}}) {
            if (!value->isEmpty())
                field(name, *value);
        }
        for (int i = 0; i < d.countRemove.size(); ++i)
            field(QByteArray("CountRemove" + QByteArray::number(i + 1)).constData(), d.countRemove.at(i));
        for (int i = 0; i < d.checkRemove.size(); ++i)
            field(QByteArray("CheckRemove" + QByteArray::number(i + 1)).constData(), d.checkRemove.at(i));
        field("Separators", d.separators);
        field("Thousands", d.keepSeparators ? QStringLiteral("keep") : QStringLiteral("remove"));
        if (d.spaces != SpaceRule::Keep)
            field("Spaces",
                  d.spaces == SpaceRule::Remove ? QStringLiteral("remove") : QStringLiteral("zeros"));
        for (int i = 0; i < d.requestHeaders.size(); ++i)
            field(QByteArray("RequestHeader" + QByteArray::number(i + 1)).constData(),
                  d.requestHeaders.at(i).first + QStringLiteral(": ") + d.requestHeaders.at(i).second);
        if (d.isPost()) {
            field("Method", d.method);
            field("Body", d.body);
            field("BodyType", d.bodyType);
        }
        if (d.batch > 1)
            field("Batch", QString::number(d.batch));
        if (!d.username.isEmpty())
            field("Username", d.username);
        if (!d.password.isEmpty())
            field("Password", d.password);
        field("Enabled", d.enabled ? QStringLiteral("1") : QStringLiteral("0"));
    }
    return out;
}

bool saveFile(const QString &file, const QList<Definition> &definitions, QString *error)
{
    textFile::FileLock lock(file);
    if (!lock.isLocked()) {
        if (error)
            *error = QStringLiteral("%1 is being written by another program; try again.").arg(file);
        return false;
    }
    return textFile::writeBytes(file, format(definitions), error);
}

EngineSet::EngineSet() : m_list(std::make_shared<const QList<Definition>>()) {}

EngineSet::EngineSet(const QList<Definition> &definitions)
{
    QList<Definition> enabled;
    for (const Definition &d : definitions) {
        if (d.enabled)
            enabled.append(d);
    }
    m_list = std::make_shared<const QList<Definition>>(std::move(enabled));
}

int EngineSet::numberOfKey(const QString &key) const
{
    for (int i = 0; i < m_list->size(); ++i) {
        if (m_list->at(i).key.compare(key, Qt::CaseInsensitive) == 0)
            return i + 1;
    }
    return 0;
}

int EngineSet::numberOfHeader(const QString &header) const
{
    for (int i = 0; i < m_list->size(); ++i) {
        if (m_list->at(i).header.compare(header, Qt::CaseInsensitive) == 0)
            return i + 1;
    }
    return 0;
}

int EngineSet::numberOfLogText(const QString &logText) const
{
    for (int i = 0; i < m_list->size(); ++i) {
        if (m_list->at(i).logText == logText)
            return i + 1;
    }
    return 0;
}

QStringList EngineSet::keys() const
{
    QStringList list;
    for (const Definition &d : *m_list)
        list.append(d.key);
    return list;
}

QStringList EngineSet::headers() const
{
    QStringList list;
    for (const Definition &d : *m_list)
        list.append(d.header);
    return list;
}

EngineSet EngineSet::only(const QStringList &keys, QStringList *unknown) const
{
    QList<Definition> chosen;
    for (const QString &key : keys) {
        if (!numberOfKey(key) && unknown)
            unknown->append(key);
    }
    for (const Definition &d : *m_list) {
        if (keys.contains(d.key, Qt::CaseInsensitive))
            chosen.append(d);
    }
    return EngineSet(chosen);
}

bool EngineSet::sameColumns(const EngineSet &other) const
{
    if (m_list == other.m_list)
        return true;
    if (count() != other.count())
        return false;
    for (int i = 0; i < count(); ++i) {
        const Definition &a = m_list->at(i);
        const Definition &b = other.m_list->at(i);
        if (a.key != b.key || a.header != b.header || a.logText != b.logText)
            return false;
    }
    return true;
}

const EngineSet &EngineSet::builtin()
{
    static const EngineSet set = builtinResult().set;
    return set;
}

EngineSet EngineSet::current()
{
    QMutexLocker lock(&currentMutex());
    return currentSet();
}

void EngineSet::setCurrent(const EngineSet &set)
{
    QMutexLocker lock(&currentMutex());
    currentSet() = set;
}

} // namespace engines
