#include "core/scan/ProxyRotation.h"

#include "core/scan/PageDownload.h"

#include <algorithm>

namespace scan {

ProxyRotation::ProxyRotation(QList<QNetworkProxy> proxies)
    : m_proxies(std::move(proxies)), m_blocks(std::size_t(m_proxies.size()), 0)
{
}

int ProxyRotation::next()
{
    for (qsizetype tried = 0; tried < m_proxies.size(); ++tried) {
        const int index = m_next++ % int(m_proxies.size());
        if (m_blocks[std::size_t(index)] >= 0)
            return index;
    }
    return -1;
}

QNetworkProxy ProxyRotation::proxy(int index) const
{
    return index >= 0 && index < m_proxies.size() ? m_proxies.at(index)
                                                  : QNetworkProxy(QNetworkProxy::NoProxy);
}

void ProxyRotation::answered(int index, bool blocked)
{
    if (index < 0 || index >= m_proxies.size()) {
        m_blockedInARow = blocked ? m_blockedInARow + 1 : 0;
        if (m_blockedInARow >= BlocksBeforeSuspension)
            m_suspended = true;
        return;
    }
    int &mine = m_blocks[std::size_t(index)];
    if (mine < 0)
        return; // an answer that was under way when the proxy was dropped
    mine = blocked ? mine + 1 : 0;
    if (mine < BlocksBeforeSuspension)
        return;
    mine = -1;
    m_dropped.append(proxyText(m_proxies.at(index)));
    if (std::all_of(m_blocks.cbegin(), m_blocks.cend(), [](int b) { return b < 0; }))
        m_suspended = true;
}

} // namespace scan
