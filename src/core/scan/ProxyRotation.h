#pragma once

#include <QList>
#include <QNetworkProxy>
#include <QStringList>

#include <vector>

namespace scan {

// One engine's proxies, used in turn, and when the engine is no longer asked. Blocked answers in a row are
// counted per proxy: a proxy that is blocked BlocksBeforeSuspension times in a row is dropped for the engine,
// and the engine is suspended when none is left. Without proxies they are counted for the engine itself.
class ProxyRotation
{
public:
    static constexpr int BlocksBeforeSuspension = 3;

    explicit ProxyRotation(QList<QNetworkProxy> proxies = {});

    const QList<QNetworkProxy> &proxies() const { return m_proxies; }
    // The next proxy in turn that is not dropped: its index, or -1 for a direct connection (none given).
    int next();
    // The proxy of an index from next(); no proxy for -1.
    QNetworkProxy proxy(int index) const;
    // An answer through the proxy of index (-1: direct), blocked or not.
    void answered(int index, bool blocked);

    bool suspended() const { return m_suspended; }
    // The proxies dropped so far, as text without their passwords, in the order they were dropped.
    const QStringList &dropped() const { return m_dropped; }

private:
    QList<QNetworkProxy> m_proxies;
    std::vector<int> m_blocks; // per proxy: blocked answers in a row, -1 once dropped
    int m_next = 0;
    int m_blockedInARow = 0; // without proxies
    bool m_suspended = false;
    QStringList m_dropped;
};

} // namespace scan
