#include "core/scan/KeptPages.h"

namespace scan {

void KeptPages::clear()
{
    m_pages.clear();
    m_bytes = 0;
}

qint64 KeptPages::footprint(const KeptPage &page)
{
    // Texts are counted whole even where a row shares them; a block's bookkeeping as a rough 16 bytes.
    const auto text = [](const QString &t) { return t.isEmpty() ? 0 : t.capacity() * 2 + 16; };
    qint64 bytes = qint64(sizeof(KeptPage)) + page.stored.capacity() + 16 + text(page.target) +
                   text(page.engineKey) + text(page.query) + text(page.count) + text(page.statusWord) +
                   text(page.outcome.errorText) + text(page.outcome.finalUrl) +
                   text(page.outcome.requestedUrl) + text(page.outcome.proxy);
    for (const auto &[name, value] : page.headers)
        bytes += qint64(sizeof(name) + sizeof(value)) + name.capacity() + value.capacity() + 32;
    return bytes;
}

void KeptPages::add(KeptPage page)
{
    const qint64 size = footprint(page);
    if (size > m_limit)
        return;
    while (!m_pages.isEmpty() && m_bytes + size > m_limit) {
        m_bytes -= footprint(m_pages.first());
        m_pages.removeFirst();
    }
    m_bytes += size;
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
