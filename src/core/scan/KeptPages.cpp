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
    while (!m_pages.empty() && m_bytes + size > m_limit) {
        m_bytes -= footprint(m_pages.front());
        m_pages.pop_front();
    }
    m_bytes += size;
    m_pages.push_back(std::move(page));
}

QString KeptPages::newestKey(const QString &target, const QString &engineKey)
{
    return target + u'\n' + engineKey.toCaseFolded();
}

QHash<QString, const KeptPage *> KeptPages::newest() const
{
    QHash<QString, const KeptPage *> pages;
    pages.reserve(qsizetype(m_pages.size()));
    for (const KeptPage &page : m_pages)
        pages.insert(newestKey(page.target, page.engineKey), &page); // later pages replace earlier ones
    return pages;
}

const KeptPage *KeptPages::find(const QString &query) const
{
    for (auto page = m_pages.crbegin(); page != m_pages.crend(); ++page) {
        if (page->query == query)
            return &*page;
    }
    return nullptr;
}

const KeptPage *KeptPages::find(const QString &target, int engine) const
{
    for (auto page = m_pages.crbegin(); page != m_pages.crend(); ++page) {
        if (page->target == target && page->engine == engine)
            return &*page;
    }
    return nullptr;
}

const KeptPage *KeptPages::find(const QString &target, const QString &engineKey) const
{
    for (auto page = m_pages.crbegin(); page != m_pages.crend(); ++page) {
        if (page->target == target && page->engineKey.compare(engineKey, Qt::CaseInsensitive) == 0)
            return &*page;
    }
    return nullptr;
}

} // namespace scan
