#include "core/scan/KeptPages.h"

namespace scan {

void KeptPages::clear()
{
    m_pages.clear();
    m_bytes = 0;
}

void KeptPages::add(KeptPage page)
{
    if (page.stored.size() > m_limit)
        return;
    while (!m_pages.isEmpty() && m_bytes + page.stored.size() > m_limit) {
        m_bytes -= m_pages.first().stored.size();
        m_pages.removeFirst();
    }
    m_bytes += page.stored.size();
    m_pages.append(std::move(page));
}

const KeptPage *KeptPages::find(const QString &query) const
{
    for (qsizetype i = m_pages.size() - 1; i >= 0; --i) {
        if (m_pages.at(i).query == query)
            return &m_pages.at(i);
    }
    return nullptr;
}

const KeptPage *KeptPages::find(const QString &target, int engine) const
{
    for (qsizetype i = m_pages.size() - 1; i >= 0; --i) {
        if (m_pages.at(i).target == target && m_pages.at(i).engine == engine)
            return &m_pages.at(i);
    }
    return nullptr;
}

const KeptPage *KeptPages::find(const QString &target, const QString &engineKey) const
{
    for (qsizetype i = m_pages.size() - 1; i >= 0; --i) {
        if (m_pages.at(i).target == target &&
            m_pages.at(i).engineKey.compare(engineKey, Qt::CaseInsensitive) == 0)
            return &m_pages.at(i);
    }
    return nullptr;
}

} // namespace scan
