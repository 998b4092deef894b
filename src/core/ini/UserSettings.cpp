#include "core/ini/UserSettings.h"

#include "core/scan/SortKeys.h"

#include "core/ini/TextFile.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStorageInfo>
#include <QStringList>
#include <QUrl>

#include <cmath>
#include <limits>

#include <algorithm>
#include <array>

namespace {

struct KeyInfo
{
    const char *name;
    const char *defaultValue;
};

constexpr std::array<KeyInfo, 21> Keys{{
    {"txtProfile0", "500"},   {"txtProfile1", "1000"}, {"txtProfile2", "1000"}, {"chkAutoSort", "1"},
    {"chkClear", "1"},        {"showHelp", "1"},       {"cmbChart2", "3"},      {"fetchRetries", "1"},
    {"parallelEngines", "1"}, {"engineInterval", "0"}, {"engineJitter", "0"},   {"fetchTimeout", "30"},
    {"windowGeometry", ""},   {"resultsColumns", ""},  {"logColumns", ""},      {"alertDrop", "0"},
    {"alertFailures", "3"},   {"proxies", ""},         {"graphSource", ""},     {"chartTimeLeftToRight", "0"},
    {"webLogHeight", ""},
}};

QString &storeFolder()
{
    static QString folder;
    return folder;
}

QString &writeError()
{
    static QString error;
    return error;
}

// A store object per access: values are never cached, so every reader sees the latest write.
class Store
{
public:
    Store()
        : m_settings(
              storeFolder().isEmpty()
                  ? new QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Vantory"),
                                  QStringLiteral("Vantory"))
                  : new QSettings(storeFolder() + QStringLiteral("/Vantory.conf"), QSettings::IniFormat))
    {
        m_settings->beginGroup(QStringLiteral("Settings"));
    }
    ~Store() { delete m_settings; }
    Store(const Store &) = delete;
    Store &operator=(const Store &) = delete;
    QSettings *operator->() const { return m_settings; }

    // Writes what was changed to the file now; false (with the reason kept) when it could not be written.
    bool commit()
    {
        // A lock file left empty by a process killed while making it would hold every write up for half a
        // minute: one whose owner is gone is taken over at once.
        textFile::removeDeadLock(m_settings->fileName() + QStringLiteral(".lock"));
        m_settings->sync();
        if (m_settings->status() == QSettings::NoError) {
            writeError().clear();
            return true;
        }
        writeError() =
            QStringLiteral("the settings store %1 could not be written").arg(m_settings->fileName());
        const QFileInfo info(m_settings->fileName());
        const QStorageInfo volume(info.absolutePath());
        if (info.exists() && !info.isWritable())
            writeError() += QStringLiteral(": permission denied");
        else if (volume.isValid() && volume.bytesAvailable() == 0)
            writeError() += QStringLiteral(": no space left on device");
        return false;
    }

private:
    QSettings *m_settings;
};

bool toWhole(const QString &text, int *number)
{
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    if (ok)
        *number = n;
    return ok;
}

} // namespace

namespace {

// Keys hold "/" and ":" of paths and URLs, which a settings key cannot: they are percent-encoded.
QString encoded(const QString &text)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(text));
}

// A program folder as one key: its absolute path, percent-encoded.
QString folderKey(const QString &programFolder)
{
    return encoded(QDir::cleanPath(QDir(programFolder).absolutePath()));
}

QString watchGroup(const QString &programFolder)
{
    return QStringLiteral("Watched/") + folderKey(programFolder);
}

QString failuresKey(const QString &programFolder, const QString &name, const QString &engineKey)
{
    return QStringLiteral("UpdateFailures/") + folderKey(programFolder) + u'/' + encoded(name.toLower()) +
           u'.' + encoded(engineKey.toLower());
}

// Removes the watch of the saved search name (matched without regard to case) from the store's current
// group, the program folder's watches; true when there was one.
bool removeWatch(Store &store, const QString &name)
{
    bool any = false;
    for (const QString &key : store->childKeys()) {
        if (QUrl::fromPercentEncoding(key.toLatin1()).compare(name, Qt::CaseInsensitive) == 0) {
            store->remove(key);
            any = true;
        }
    }
    return any;
}

// Watches of earlier versions were kept per URL for all program folders ("SavedSearchOfUrl/URL" = name):
// they become the watches of the first program folder that looks at them.
void adoptOldWatches(Store &store, const QString &programFolder)
{
    store->endGroup();
    const QString old = QStringLiteral("SavedSearchOfUrl");
    if (!store->childGroups().contains(old))
        return;
    store->beginGroup(old);
    QList<std::pair<QString, QString>> found;
    for (const QString &key : store->childKeys())
        found.append({store->value(key).toString(), QUrl::fromPercentEncoding(key.toLatin1())});
    store->endGroup();
    store->beginGroup(watchGroup(programFolder));
    for (const auto &[name, url] : found) {
        if (!name.isEmpty() && !store->contains(encoded(name)))
            store->setValue(encoded(name), url);
    }
    store->endGroup();
    store->remove(old);
}

} // namespace

QList<UserSettings::Watched> UserSettings::watchedSearches(const QString &programFolder)
{
    Store store;
    adoptOldWatches(store, programFolder);
    store->beginGroup(watchGroup(programFolder));
    QList<Watched> list;
    for (const QString &key : store->childKeys()) {
        const QString url = store->value(key).toString();
        if (!url.isEmpty())
            list.append({QUrl::fromPercentEncoding(key.toLatin1()), url});
    }
    std::sort(list.begin(), list.end(), [](const Watched &a, const Watched &b) {
        const int byName = a.name.compare(b.name, Qt::CaseInsensitive);
        return byName != 0 ? byName < 0 : a.url < b.url;
    });
    return list;
}

QString UserSettings::savedSearchFor(const QString &programFolder, const QString &url)
{
    for (const Watched &w : watchedSearches(programFolder)) {
        if (w.url == url)
            return w.name;
    }
    return QString();
}

bool UserSettings::watch(const QString &programFolder, const QString &name, const QString &url)
{
    Store store;
    adoptOldWatches(store, programFolder);
    store->beginGroup(watchGroup(programFolder));
    removeWatch(store, name); // one URL per saved search, whatever case its name was watched in
    store->setValue(encoded(name), url);
    return store.commit();
}

bool UserSettings::unwatch(const QString &programFolder, const QString &name, bool *found)
{
    Store store;
    adoptOldWatches(store, programFolder);
    store->beginGroup(watchGroup(programFolder));
    const bool any = removeWatch(store, name);
    if (found)
        *found = any;
    return store.commit();
}

int UserSettings::updateFailures(const QString &programFolder, const QString &name, const QString &engineKey)
{
    Store store;
    store->endGroup();
    return std::max(0, store->value(failuresKey(programFolder, name, engineKey)).toInt());
}

bool UserSettings::setUpdateFailures(const QString &programFolder, const QString &name,
                                     const QString &engineKey, int failures)
{
    Store store;
    store->endGroup();
    if (failures <= 0)
        store->remove(failuresKey(programFolder, name, engineKey));
    else
        store->setValue(failuresKey(programFolder, name, engineKey), failures);
    return store.commit();
}

QString UserSettings::proxiesFor(const QString &engineKey)
{
    Store store;
    return store->value(QStringLiteral("proxy.") + engineKey).toString();
}

bool UserSettings::setProxiesFor(const QString &engineKey, const QString &proxies)
{
    Store store;
    if (proxies.trimmed().isEmpty())
        store->remove(QStringLiteral("proxy.") + engineKey);
    else
        store->setValue(QStringLiteral("proxy.") + engineKey, proxies.trimmed());
    return store.commit();
}

QString UserSettings::storeFile()
{
    return Store()->fileName();
}

QString UserSettings::keyName(Key key)
{
    return QString::fromLatin1(Keys[std::size_t(key)].name);
}

QString UserSettings::defaultValue(Key key)
{
    return QString::fromLatin1(Keys[std::size_t(key)].defaultValue);
}

QString UserSettings::value(Key key)
{
    return Store()->value(keyName(key), defaultValue(key)).toString();
}

bool UserSettings::setValue(Key key, const QString &value)
{
    Store store;
    store->setValue(keyName(key), value);
    return store.commit();
}

bool UserSettings::remove(Key key)
{
    Store store;
    store->remove(keyName(key));
    return store.commit();
}

QString UserSettings::lastWriteError()
{
    return writeError();
}

namespace {

// The stored text read by rule; the default's number when it fails the rule.
int readNumber(UserSettings::Key key, bool (*rule)(const QString &, int *))
{
    int number = 0;
    if (rule(UserSettings::value(key), &number))
        return number;
    rule(UserSettings::defaultValue(key), &number);
    return number;
}

} // namespace

int UserSettings::intValue(Key key)
{
    return readNumber(key, toWhole);
}

bool UserSettings::thresholdNumber(const QString &text, int *value)
{
    double number = 0;
    if (!scan::cellNumber(text, &number))
        return false;
    const double rounded = std::nearbyint(number);
    if (!(rounded >= std::numeric_limits<qint32>::min() && rounded <= std::numeric_limits<qint32>::max()))
        return false;
    *value = int(rounded);
    return true;
}

int UserSettings::thresholdValue(Key key)
{
    return readNumber(key, thresholdNumber);
}

void UserSettings::useFolder(const QString &folder)
{
    storeFolder() = folder;
}
