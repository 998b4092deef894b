#include "core/ini/UserSettings.h"

#include "core/scan/SortKeys.h"

#include <QSettings>
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

constexpr std::array<KeyInfo, 18> Keys{{
    {"txtProfile0", "500"},
    {"txtProfile1", "1000"},
    {"txtProfile2", "1000"},
    {"chkAutoSort", "1"},
    {"chkClear", "1"},
    {"showHelp", "1"},
    {"cmbChart2", "3"},
    {"fetchRetries", "1"},
    {"parallelEngines", "1"},
    {"engineInterval", "0"},
    {"engineJitter", "0"},
    {"fetchTimeout", "30"},
    {"windowGeometry", ""},
    {"resultsColumns", ""},
    {"logColumns", ""},
    {"alertDrop", "0"},
    {"alertFailures", "3"},
    {"proxies", ""},
}};

QString &storeFolder()
{
    static QString folder;
    return folder;
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
// URLs hold "/" and ":", which a settings key cannot: the key is the URL percent-encoded.
QString urlKey(const QString &url)
{
    return QStringLiteral("SavedSearchOfUrl/") + QString::fromLatin1(QUrl::toPercentEncoding(url));
}
} // namespace

QString UserSettings::savedSearchFor(const QString &url)
{
    Store store;
    store->endGroup();
    return store->value(urlKey(url)).toString();
}

void UserSettings::setSavedSearchFor(const QString &url, const QString &name)
{
    Store store;
    store->endGroup();
    store->setValue(urlKey(url), name);
}

QList<UserSettings::Watched> UserSettings::watchedSearches()
{
    Store store;
    store->endGroup();
    store->beginGroup(QStringLiteral("SavedSearchOfUrl"));
    QList<Watched> list;
    for (const QString &key : store->childKeys()) {
        const QString name = store->value(key).toString();
        if (!name.isEmpty())
            list.append({name, QUrl::fromPercentEncoding(key.toLatin1())});
    }
    std::sort(list.begin(), list.end(), [](const Watched &a, const Watched &b) {
        const int byName = a.name.compare(b.name, Qt::CaseInsensitive);
        return byName != 0 ? byName < 0 : a.url < b.url;
    });
    return list;
}

void UserSettings::watch(const QString &name, const QString &url)
{
    unwatch(name);
    setSavedSearchFor(url, name);
}

bool UserSettings::unwatch(const QString &name)
{
    Store store;
    store->endGroup();
    store->beginGroup(QStringLiteral("SavedSearchOfUrl"));
    bool found = false;
    for (const QString &key : store->childKeys()) {
        if (store->value(key).toString().compare(name, Qt::CaseInsensitive) == 0) {
            store->remove(key);
            found = true;
        }
    }
    return found;
}

namespace {
QString failuresKey(const QString &name, const QString &engineKey)
{
    return QStringLiteral("UpdateFailures/") + QString::fromLatin1(QUrl::toPercentEncoding(name.toLower())) +
           u'.' + QString::fromLatin1(QUrl::toPercentEncoding(engineKey.toLower()));
}
} // namespace

int UserSettings::updateFailures(const QString &name, const QString &engineKey)
{
    Store store;
    store->endGroup();
    return std::max(0, store->value(failuresKey(name, engineKey)).toInt());
}

void UserSettings::setUpdateFailures(const QString &name, const QString &engineKey, int failures)
{
    Store store;
    store->endGroup();
    if (failures <= 0)
        store->remove(failuresKey(name, engineKey));
    else
        store->setValue(failuresKey(name, engineKey), failures);
}

QString UserSettings::proxiesFor(const QString &engineKey)
{
    Store store;
    return store->value(QStringLiteral("proxy.") + engineKey).toString();
}

void UserSettings::setProxiesFor(const QString &engineKey, const QString &proxies)
{
    Store store;
    if (proxies.trimmed().isEmpty())
        store->remove(QStringLiteral("proxy.") + engineKey);
    else
        store->setValue(QStringLiteral("proxy.") + engineKey, proxies.trimmed());
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

void UserSettings::setValue(Key key, const QString &value)
{
    Store()->setValue(keyName(key), value);
}

void UserSettings::remove(Key key)
{
    Store()->remove(keyName(key));
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
