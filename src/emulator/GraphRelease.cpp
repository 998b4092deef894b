#include "emulator/GraphRelease.h"

#include "core/webgraph/JavaNumber.h"

#include <QDir>
#include <QFile>

#include <isa-l/igzip_lib.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <memory>
#include <numeric>
#include <unordered_set>
#include <vector>

namespace graphRelease {

namespace {

// splitmix64: small, fast and the same everywhere.
struct Random
{
    std::uint64_t state;
    std::uint64_t next()
    {
        std::uint64_t z = (state += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }
    double unit() { return double(next() >> 11) * (1.0 / 9007199254740992.0); }
    std::uint64_t below(std::uint64_t n) { return next() % n; }
};

// A gzip file written member by member with ISA-L's deflate.
class GzipWriter
{
public:
    explicit GzipWriter(const QString &path)
        : m_file(std::fopen(QFile::encodeName(path).constData(), "wb")),
          m_level(std::make_unique<std::uint8_t[]>(ISAL_DEF_LVL1_DEFAULT)), m_out(1 << 18)
    {
    }
    ~GzipWriter()
    {
        if (m_file)
            std::fclose(m_file);
    }
    bool ok() const { return m_file && m_ok; }
    void add(const std::string &text)
    {
        m_text += text;
        if (m_text.size() >= (1 << 20))
            deflate(false);
    }
    void endMember()
    {
        deflate(true);
        m_open = false;
        ++m_members;
    }
    bool close()
    {
        if (m_open || !m_text.empty() || m_members == 0)
            endMember();
        const bool closed = m_file && std::fclose(m_file) == 0;
        m_file = nullptr;
        return closed && m_ok;
    }

private:
    void deflate(bool last)
    {
        if (!m_open) {
            isal_deflate_init(&m_stream);
            m_stream.gzip_flag = IGZIP_GZIP;
            m_stream.level = 1;
            m_stream.level_buf = m_level.get();
            m_stream.level_buf_size = ISAL_DEF_LVL1_DEFAULT;
            m_open = true;
        }
        m_stream.next_in = reinterpret_cast<std::uint8_t *>(m_text.data());
        m_stream.avail_in = std::uint32_t(m_text.size());
        m_stream.end_of_stream = last ? 1 : 0;
        m_stream.flush = NO_FLUSH;
        do {
            m_stream.next_out = m_out.data();
            m_stream.avail_out = std::uint32_t(m_out.size());
            if (isal_deflate(&m_stream) != COMP_OK)
                m_ok = false;
            const std::size_t produced = m_out.size() - m_stream.avail_out;
            if (m_file && std::fwrite(m_out.data(), 1, produced, m_file) != produced)
                m_ok = false;
        } while (m_ok && (m_stream.avail_in > 0 || m_stream.avail_out == 0 ||
                          (last && m_stream.internal_state.state != ZSTATE_END)));
        m_text.clear();
    }

    std::FILE *m_file;
    std::unique_ptr<std::uint8_t[]> m_level;
    std::vector<std::uint8_t> m_out;
    isal_zstream m_stream{};
    std::string m_text;
    bool m_open = false;
    bool m_ok = true;
    int m_members = 0;
};

const char *const Suffixes[] = {"com",  "org",   "net",    "de",        "fr",           "nl",   "io",
                                "info", "uk.co", "au.com", "io.github", "com.blogspot", "jp.co"};
const char *const Named[] = {"uk.co",         "io.github",      "io.github.alice",  "io.github.bob",
                             "uk.co.example", "uk.co.bbc",      "de.xn--bcher-kva", "com.example",
                             "org.wikipedia", "com.blogspot.z", "com.google",       "jp.co.example",
                             "org.example",   "example.vantory"};

std::vector<std::string> domainNames(std::int64_t count, Random &random)
{
    std::unordered_set<std::string> names;
    names.reserve(std::size_t(count) * 2);
    for (const char *name : Named) {
        if (std::int64_t(names.size()) < count)
            names.insert(name);
    }
    static const char Letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    while (std::int64_t(names.size()) < count) {
        std::string label;
        const int length = 3 + int(random.below(10));
        for (int i = 0; i < length; ++i)
            label += Letters[random.below(i == 0 || i == length - 1 ? 26 : 36)];
        if (random.below(50) == 0)
            label.insert(label.size() / 2, "-");
        names.insert(std::string(Suffixes[random.below(std::size(Suffixes))]) + "." + label);
    }
    std::vector<std::string> sorted(names.begin(), names.end());
    std::sort(sorted.begin(), sorted.end()); // byte order
    return sorted;
}

} // namespace

bool write(const Spec &spec, QString *why)
{
    const std::int64_t n = spec.domains;
    if (n < 2 || n > 100000000 || spec.links < 0 || spec.links > n * (n - 1) / 2 || spec.members < 1) {
        *why = QStringLiteral(
            "a release needs 2 to 100,000,000 domains, at most n(n-1)/2 links and one member or more");
        return false;
    }
    const QString dir = spec.folder + u'/' + spec.release + QStringLiteral("/domain");
    if (!QDir().mkpath(dir)) {
        *why = QStringLiteral("%1 cannot be made").arg(dir);
        return false;
    }
    const QString base = dir + u'/' + spec.release + QStringLiteral("-domain-");
    Random random{spec.seed};
    const std::size_t size = static_cast<std::size_t>(n);
    const std::vector<std::string> names = domainNames(n, random);
    std::vector<std::uint32_t> hosts(size);
    for (auto &h : hosts)
        h = 1 + std::uint32_t(random.below(4) == 0 ? random.below(200) : 0);

    // Out-degrees summing to the links, a few domains with many.
    std::vector<std::uint32_t> out(size);
    const std::int64_t cap = std::min<std::int64_t>(n - 1, std::max<std::int64_t>(n / 2, 1));
    std::int64_t total = 0;
    for (auto &d : out) {
        const double weight = std::pow(1.0 - random.unit(), -0.6) - 1.0;
        d = std::uint32_t(
            std::min<std::int64_t>(cap, std::int64_t(weight * double(spec.links) / double(n) * 1.5)));
        total += d;
    }
    while (total != spec.links) {
        auto &d = out[random.below(std::uint64_t(n))];
        if (total < spec.links && d < cap) {
            ++d;
            ++total;
        } else if (total > spec.links && d > 0) {
            --d;
            --total;
        }
    }
    // Popular targets by a power law over a shuffled order.
    std::vector<std::uint32_t> order(size);
    std::iota(order.begin(), order.end(), 0u);
    for (std::size_t i = order.size() - 1; i > 0; --i)
        std::swap(order[i], order[random.below(i + 1)]);
    // The named domains are among the most linked, in the order of the list.
    std::size_t front = 0;
    for (const char *name : Named) {
        const auto at = std::lower_bound(names.begin(), names.end(), std::string(name));
        if (at == names.end() || *at != name)
            continue;
        const auto id = std::uint32_t(at - names.begin());
        std::swap(*std::find(order.begin(), order.end(), id), order[front++]);
    }
    std::vector<std::uint32_t> in(size);

    GzipWriter edges(base + QStringLiteral("edges.txt.gz"));
    const std::int64_t perMember = std::max<std::int64_t>(1, (spec.links + spec.members - 1) / spec.members);
    std::int64_t written = 0;
    std::vector<std::uint32_t> targets;
    for (std::int64_t from = 0; from < n; ++from) {
        const std::uint32_t want = out[std::size_t(from)];
        targets.clear();
        while (targets.size() < want) {
            while (targets.size() < want) {
                const std::uint32_t t = random.below(2) == 0
                                            ? order[std::size_t(double(n) * std::pow(random.unit(), 3.0))]
                                            : std::uint32_t(random.below(std::uint64_t(n)));
                if (t != from)
                    targets.push_back(t);
            }
            std::sort(targets.begin(), targets.end());
            targets.erase(std::unique(targets.begin(), targets.end()), targets.end());
        }
        std::string lines;
        for (const std::uint32_t t : targets) {
            ++in[t];
            lines += std::to_string(from) + '\t' + std::to_string(t) + '\n';
            if (++written % perMember == 0) {
                edges.add(lines);
                lines.clear();
                edges.endMember();
            }
        }
        edges.add(lines);
    }

    GzipWriter vertices(base + QStringLiteral("vertices.txt.gz"));
    const std::int64_t verticesPerMember = std::max<std::int64_t>(1, (n + spec.members - 1) / spec.members);
    for (std::int64_t i = 0; i < n; ++i) {
        vertices.add(std::to_string(i) + '\t' + names[std::size_t(i)] + '\t' +
                     std::to_string(hosts[std::size_t(i)]) + '\n');
        if ((i + 1) % verticesPerMember == 0 && i + 1 < n)
            vertices.endMember();
    }

    // Values that grow with the linking domains; many domains share the smallest.
    std::vector<float> harmonic(size);
    std::vector<double> pagerank(size);
    for (std::int64_t i = 0; i < n; ++i) {
        const double links = in[std::size_t(i)];
        harmonic[std::size_t(i)] =
            links == 0 ? 0.0f : float(links * 0.75 + double(random.below(100000)) / 7.0);
        pagerank[std::size_t(i)] =
            (0.15 + 0.85 * links * (1.0 + double(random.below(1000)) / 997.0)) / double(n);
    }
    std::vector<std::uint32_t> byHarmonic(size);
    std::vector<std::uint32_t> byPagerank(size);
    std::iota(byHarmonic.begin(), byHarmonic.end(), 0u);
    std::iota(byPagerank.begin(), byPagerank.end(), 0u);
    std::stable_sort(byHarmonic.begin(), byHarmonic.end(),
                     [&](std::uint32_t a, std::uint32_t b) { return harmonic[a] > harmonic[b]; });
    std::stable_sort(byPagerank.begin(), byPagerank.end(),
                     [&](std::uint32_t a, std::uint32_t b) { return pagerank[a] > pagerank[b]; });
    std::vector<std::uint32_t> pagerankPosition(size);
    for (std::size_t p = 0; p < byPagerank.size(); ++p)
        pagerankPosition[byPagerank[p]] = std::uint32_t(p + 1);
    GzipWriter ranks(base + QStringLiteral("ranks.txt.gz"));
    ranks.add("#harmonicc_pos\t#harmonicc_val\t#pr_pos\t#pr_val\t#host_rev\t#n_hosts\n");
    for (std::size_t p = 0; p < byHarmonic.size(); ++p) {
        const std::uint32_t i = byHarmonic[p];
        ranks.add(std::to_string(p + 1) + '\t' + webgraph::javaFloat(harmonic[i]) + '\t' +
                  std::to_string(pagerankPosition[i]) + '\t' + webgraph::javaDouble(pagerank[i]) + '\t' +
                  names[i] + '\t' + std::to_string(hosts[i]) + '\n');
        if ((std::int64_t(p) + 1) % verticesPerMember == 0 && std::int64_t(p) + 1 < n)
            ranks.endMember();
    }
    if (!edges.close() || !vertices.close() || !ranks.close()) {
        *why = QStringLiteral("the release could not be written to %1").arg(dir);
        return false;
    }
    return true;
}

} // namespace graphRelease
