#include "core/engines/EngineSet.h"
#include "core/ini/UserSettings.h"
#include "core/saved/SavedSearch.h"
#include "core/scan/ResultsModel.h"
#include "core/scan/ScanRun.h"
#include "core/scan/WebLogModel.h"
#include "core/webgraph/DomainMapping.h"
#include "core/webgraph/GraphHistory.h"
#include "core/webgraph/GzipStream.h"
#include "core/webgraph/HugePages.h"
#include "core/webgraph/JavaNumber.h"
#include "core/webgraph/NameTable.h"
#include "core/webgraph/ReleaseImport.h"
#include "core/webgraph/ReleaseIndex.h"
#include "core/webgraph/ReleaseStore.h"
#include "core/webgraph/ScratchFile.h"
#include "emulator/GraphFileServer.h"
#include "emulator/GraphRelease.h"

#include "../../support/TestText.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <zlib.h>

#include <algorithm>
#include <map>
#include <type_traits>

using testText::s;
using namespace webgraph;

namespace {

// gzip members made by zlib, a deflate other than the one the program reads with.
QByteArray gzipMembers(const QList<QByteArray> &parts)
{
    QByteArray out;
    for (const QByteArray &part : parts) {
        z_stream z{};
        deflateInit2(&z, 6, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
        QByteArray buffer(int(compressBound(uLong(part.size())) + 64), '\0');
        z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(part.constData()));
        z.avail_in = uInt(part.size());
        z.next_out = reinterpret_cast<Bytef *>(buffer.data());
        z.avail_out = uInt(buffer.size());
        deflate(&z, Z_FINISH);
        out += buffer.left(buffer.size() - int(z.avail_out));
        deflateEnd(&z);
    }
    return out;
}

// Every member of a gzip file, inflated by zlib.
QByteArray inflateAll(const QByteArray &gz)
{
    QByteArray text;
    qsizetype at = 0;
    while (at < gz.size()) {
        z_stream z{};
        inflateInit2(&z, 15 + 16);
        z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(gz.constData() + at));
        z.avail_in = uInt(gz.size() - at);
        char buffer[65536];
        int result;
        do {
            z.next_out = reinterpret_cast<Bytef *>(buffer);
            z.avail_out = sizeof buffer;
            result = inflate(&z, Z_NO_FLUSH);
            text.append(buffer, qsizetype(sizeof buffer - z.avail_out));
        } while (result == Z_OK);
        at = gz.size() - qsizetype(z.avail_in);
        inflateEnd(&z);
        if (result != Z_STREAM_END)
            break;
    }
    return text;
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// What a release says of each domain, read from its text with nothing of the program's code.
std::map<std::string, DomainFigures> truthOf(const QString &folder, const QString &release, quint64 *links)
{
    const QStringList files = releaseFiles(release);
    std::map<std::string, DomainFigures> truth;
    std::vector<std::string> names;
    for (const QByteArray &line : inflateAll(readFile(folder + u'/' + files.at(0))).split('\n')) {
        const QList<QByteArray> f = line.split('\t');
        if (f.size() == 3) {
            names.push_back(f[1].toStdString());
            truth[names.back()].node = names.back();
            truth[names.back()].hosts = f[2].toUInt();
        }
    }
    for (const QByteArray &line : inflateAll(readFile(folder + u'/' + files.at(1))).split('\n')) {
        const QList<QByteArray> f = line.split('\t');
        if (f.size() == 6 && !line.startsWith('#')) {
            DomainFigures &d = truth[f[4].toStdString()];
            d.harmonicPosition = f[0].toUInt();
            d.harmonicValue = f[1].toStdString();
            d.pagerankPosition = f[2].toUInt();
            d.pagerankValue = f[3].toStdString();
        }
    }
    *links = 0;
    for (const QByteArray &line : inflateAll(readFile(folder + u'/' + files.at(2))).split('\n')) {
        const QList<QByteArray> f = line.split('\t');
        if (f.size() == 2) {
            ++truth[names.at(f[1].toULongLong())].linking;
            ++*links;
        }
    }
    return truth;
}

// The first figure in which found differs from expected, or empty.
QString differenceOf(const DomainFigures &found, const DomainFigures &expected)
{
    const auto text = [](const auto &v) {
        if constexpr (std::is_same_v<std::decay_t<decltype(v)>, std::string>)
            return QString::fromStdString(v);
        else
            return QString::number(v);
    };
    const std::pair<const char *, std::pair<QString, QString>> figures[] = {
        {"node", {text(found.node), text(expected.node)}},
        {"linking", {text(found.linking), text(expected.linking)}},
        {"hosts", {text(found.hosts), text(expected.hosts)}},
        {"harmonic position", {text(found.harmonicPosition), text(expected.harmonicPosition)}},
        {"harmonic value", {text(found.harmonicValue), text(expected.harmonicValue)}},
        {"PageRank position", {text(found.pagerankPosition), text(expected.pagerankPosition)}},
        {"PageRank value", {text(found.pagerankValue), text(expected.pagerankValue)}},
    };
    for (const auto &[name, pair] : figures) {
        if (pair.first != pair.second)
            return QStringLiteral("%1 %2: %3, expected %4")
                .arg(QString::fromStdString(expected.node), QLatin1String(name), pair.first, pair.second);
    }
    return QString();
}

struct Outcome
{
    bool ok = false;
    QString message;
    QStringList notices;
};

Outcome import(const ImportSettings &settings, std::function<void(ReleaseImport &)> during = {})
{
    ReleaseImport job(settings);
    Outcome outcome;
    QObject::connect(&job, &ReleaseImport::notice,
                     [&](const QString &text) { outcome.notices.append(text); });
    QSignalSpy finished(&job, &ReleaseImport::finished);
    if (during)
        during(job);
    job.start();
    if (finished.isEmpty() && !finished.wait(60000))
        return outcome;
    outcome.ok = finished.first().at(0).toBool();
    outcome.message = finished.first().at(1).toString();
    return outcome;
}

} // namespace

class TestWebGraph : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString sources() const { return m_dir.filePath(s("sources")); }
    QString imported() const { return m_dir.filePath(s("imported")); }

    QString make(const QString &release, qint64 domains, qint64 links, int members, quint64 seed)
    {
        QString why;
        graphRelease::Spec spec{sources(), release, domains, links, members, seed};
        return graphRelease::write(spec, &why) ? QString() : why;
    }

    // Every domain of the release as the index gives it, against the release's own text.
    void compareWithTruth(const QString &release)
    {
        quint64 links = 0;
        const auto truth = truthOf(sources(), release, &links);
        ReleaseIndex index;
        QString why;
        QVERIFY2(index.open(indexFile(imported(), release), &why), qPrintable(why));
        QCOMPARE(index.domains(), quint64(truth.size()));
        QCOMPARE(index.links(), links);
        for (const auto &[name, expected] : truth) {
            const std::optional<DomainFigures> found = index.find(name);
            QVERIFY2(found, name.c_str());
            const QString difference = differenceOf(*found, expected);
            QVERIFY2(difference.isEmpty(), qPrintable(difference));
            // A name next to a node is no node.
            QVERIFY(!index.find(name + "0"));
        }
        QVERIFY(!index.find(""));
        QVERIFY(!index.find("zzzz"));
        QCOMPARE(index.fact(s("release")), release);
    }

private slots:
    void initTestCase() { UserSettings::useFolder(m_dir.filePath(s("store"))); }

    void gzipMembersAndFaults()
    {
        QByteArray text;
        for (int i = 0; i < 20000; ++i)
            text += QByteArray::number(i) + "\tcom.example" + QByteArray::number(i % 97) + '\n';
        const QByteArray gz = gzipMembers({text.left(100000), text.mid(100000, 1), text.mid(100001)});
        for (const int piece : {1, 7, 4096, int(gz.size())}) {
            QByteArray out;
            GzipStream stream([&](std::string_view t) {
                out.append(t.data(), qsizetype(t.size()));
                return true;
            });
            for (qsizetype at = 0; at < gz.size(); at += piece)
                QVERIFY(stream.push(gz.constData() + at,
                                    std::size_t(std::min<qsizetype>(piece, gz.size() - at))));
            QVERIFY2(stream.finish(), qPrintable(stream.error()));
            QCOMPARE(out, text);
            QCOMPARE(stream.members(), 3);
        }
        const auto fault = [](const QByteArray &bytes) {
            GzipStream stream([](std::string_view) { return true; });
            return stream.push(bytes.constData(), std::size_t(bytes.size())) && stream.finish()
                       ? QString()
                       : stream.error();
        };
        const QByteArray one = gzipMembers({text});
        QByteArray crc = one;
        crc[crc.size() - 6] = char(crc[crc.size() - 6] ^ 1); // the CRC-32
        QVERIFY(fault(crc).contains(s("CRC-32")));
        QByteArray length = one;
        length[length.size() - 2] = char(length[length.size() - 2] ^ 1); // the length
        QVERIFY(!fault(length).isEmpty());
        QByteArray body = gzipMembers({text, text});
        body[body.size() / 2 + 200] = char(body[body.size() / 2 + 200] ^ 0x55);
        const QString bodyFault = fault(body);
        QVERIFY2(bodyFault.contains(s("the member starting at byte %1").arg(one.size())),
                 qPrintable(bodyFault));
        QVERIFY(
            fault(one.left(one.size() - 3)).contains(s("ends inside the gzip member starting at byte 0")));
        const QString after = fault(one + "garbage after the last member");
        QVERIFY2(after.startsWith(s("not a gzip member at byte")) &&
                     after.endsWith(s("(the member starting at byte %1)").arg(one.size())),
                 qPrintable(after));
        QVERIFY(fault(one + "garbage")
                    .contains(s("ends inside the gzip member starting at byte %1").arg(one.size())));
        QCOMPARE(fault(QByteArray()), s("the file holds no gzip member"));
        QVERIFY(fault("plain text\n").startsWith(s("not a gzip member")));
    }

    void javaNumbers()
    {
        QCOMPARE(javaFloat(2.4993276e7f), std::string("2.4993276E7"));
        QCOMPARE(javaFloat(8621008.0f), std::string("8621008.0"));
        QCOMPARE(javaDouble(0.012750407517909759), std::string("0.012750407517909759"));
        QCOMPARE(javaDouble(4.481314067744052e-9), std::string("4.481314067744052E-9"));
        QCOMPARE(javaDouble(0.0), std::string("0.0"));
        QCOMPARE(javaDouble(1e7), std::string("1.0E7"));
        QCOMPARE(javaDouble(9999999.0), std::string("9999999.0"));
        QCOMPARE(javaDouble(0.001), std::string("0.001"));
        QCOMPARE(javaDouble(0.0009), std::string("9.0E-4"));
        QCOMPARE(javaDouble(100.0), std::string("100.0"));
        QCOMPARE(*parseJavaDouble("4.481314067744052E-9"), 4.481314067744052e-9);
        QCOMPARE(*parseJavaFloat("2.4993276E7"), 2.4993276e7f);
        for (const char *bad : {"", "1", ".5", "5.", "1e5", "NaN", "Infinity", "1.0E", "0x1.0", "1.0 "})
            QVERIFY2(!parseJavaDouble(bad), bad);
    }

    void urlsToNodes()
    {
        using Nodes = std::vector<std::string>;
        QCOMPARE(candidateNodes(s("http://www.Example.COM:8080/a?b")),
                 (Nodes{"com.example", "com.example.www"}));
        QCOMPARE(candidateNodes(s("alice.github.io/page")), (Nodes{"io.github.alice", "io.github"}));
        QCOMPARE(candidateNodes(s("https://news.bbc.co.uk")), (Nodes{"uk.co.bbc", "uk.co.bbc.news"}));
        QCOMPARE(candidateNodes(s("http://co.uk/")), (Nodes{"uk.co"}));
        QCOMPARE(candidateNodes(QString::fromUtf8("http://Bücher.de/")), (Nodes{"de.xn--bcher-kva"}));
        QCOMPARE(candidateNodes(s("http://example.com./")), (Nodes{"com.example"}));
        QVERIFY(candidateNodes(s("http://192.168.1.1/")).empty());
        QVERIFY(candidateNodes(s("http://[::1]:80/")).empty());
        QVERIFY(candidateNodes(s("")).empty());
        QCOMPARE(forward("uk.co.example"), s("example.co.uk"));
    }

    void releaseNames()
    {
        QCOMPARE(releaseDate(s("cc-main-2024-25-dec-jan-feb")), QDate(2025, 2, 28));
        QCOMPARE(releaseDate(s("cc-main-2024-nov-feb-apr")), QDate(2024, 4, 30));
        QCOMPARE(releaseDate(s("cc-main-2017-18-nov-dec-jan")), QDate(2018, 1, 31));
        QCOMPARE(releaseDate(s("cc-main-2025-sep-oct-nov")), QDate(2025, 11, 30));
        QVERIFY(!releaseDate(s("cc-main")).isValid());
        QVERIFY(!isReleaseName(s("../x")) && !isReleaseName(s("A")) &&
                isReleaseName(s("cc-main-2025-sep-oct-nov")));
        QCOMPARE(
            releasesOfList(
                R"([{"id":"cc-main-2025-sep-oct-nov","x":1},{"id":"../bad"},{"id":"cc-main-2024-nov-feb-apr"}])"),
            QStringList({s("cc-main-2025-sep-oct-nov"), s("cc-main-2024-nov-feb-apr")}));
        QVERIFY(releasesOfList("not json").isEmpty());
    }

    void importMatchesTheFiles()
    {
        // Sizes around a block of the index, one member and many, every domain checked.
        const struct
        {
            const char *release;
            qint64 domains, links;
            int members;
        } cases[] = {{"cc-main-2017-18-nov-dec-jan", 2, 1, 1},
                     {"cc-main-2024-nov-feb-apr", 64, 300, 1},
                     {"cc-main-2024-25-dec-jan-feb", 65, 0, 3},
                     {"cc-main-2025-sep-oct-nov", 3000, 40000, 7}};
        for (const auto &c : cases) {
            const QString release = QString::fromLatin1(c.release);
            QCOMPARE(make(release, c.domains, c.links, c.members, 7), QString());
            const Outcome outcome = import({release, sources(), imported(), QString(), 5});
            QVERIFY2(outcome.ok, qPrintable(outcome.message));
            compareWithTruth(release);
        }
        QCOMPARE(importedReleases(imported()).first(), s("cc-main-2025-sep-oct-nov"));
        QCOMPARE(importedReleases(imported()).last(), s("cc-main-2017-18-nov-dec-jan"));
        // A URL maps to the first candidate that is a node.
        ReleaseIndex index;
        QString why;
        QVERIFY(index.open(indexFile(imported(), s("cc-main-2025-sep-oct-nov")), &why));
        QCOMPARE(lookUp(index, s("https://www.example.com/x")).figures->node, std::string("com.example"));
        QCOMPARE(lookUp(index, s("http://carol.github.io")).figures->node, std::string("io.github"));
        QCOMPARE(lookUp(index, s("http://10.0.0.1")).status(), s("not-in-graph"));
        QCOMPARE(lookUp(index, s("http://unknown-host.example.net")).status(), s("not-in-graph"));
        // Removing a release takes its index.
        QVERIFY(removeRelease(imported(), s("cc-main-2024-nov-feb-apr"), &why));
        QVERIFY(!importedReleases(imported()).contains(s("cc-main-2024-nov-feb-apr")));
        QVERIFY(!removeRelease(imported(), s("cc-main-2024-nov-feb-apr"), &why));
    }

    void countsPastSixteenBits()
    {
        // Every domain but the first links to the first: 70,001 linking domains, more than 16 bits hold,
        // and a second domain with a few.
        const QString release = s("cc-main-2021-jan-feb-mar");
        constexpr int Domains = 70002;
        QByteArray vertices,
            ranks = "#harmonicc_pos\t#harmonicc_val\t#pr_pos\t#pr_val\t#host_rev\t#n_hosts\n", edges;
        for (int i = 0; i < Domains; ++i) {
            const QByteArray name = "com.d" + QByteArray::number(i).rightJustified(6, '0');
            vertices += QByteArray::number(i) + '\t' + name + "\t1\n";
            ranks += QByteArray::number(i + 1) + '\t' + QByteArray::number(Domains - i) + ".0\t" +
                     QByteArray::number(i + 1) + "\t1.0E-5\t" + name + "\t1\n";
            if (i > 0)
                edges += QByteArray::number(i) + "\t0\n";
            if (i > 2 && i < 6)
                edges += QByteArray::number(i) + "\t" + QByteArray::number(i + 1) + '\n';
        }
        const QStringList files = releaseFiles(release);
        const QList<QByteArray> texts{vertices, ranks, edges};
        for (int f = 0; f < 3; ++f)
            QVERIFY(writeFile(sources() + u'/' + files.at(f), gzipMembers({texts.at(f)})));
        const Outcome outcome = import({release, sources(), imported(), QString(), 5});
        QVERIFY2(outcome.ok, qPrintable(outcome.message));
        compareWithTruth(release);
        ReleaseIndex index;
        QString why;
        QVERIFY(index.open(indexFile(imported(), release), &why));
        QCOMPARE(index.find("com.d000000")->linking, quint32(Domains - 1));
    }

    void namesWithAlikeHashesAreToldApart()
    {
        // Three names with one hash, one with another: the three are found by their names alone.
        const std::uint64_t same = 0x0123456789abcdefULL, other = 0xfedcba9876543210ULL;
        const std::vector<std::uint64_t> hashes{same, other, same, same};
        NameTable table;
        std::size_t next = 0;
        QVERIFY(table.build(hashes.size(), [&](std::uint64_t &hash) {
            hash = hashes.at(next++);
            return true;
        }));
        QCOMPARE(table.ambiguous(), (std::vector<std::uint32_t>{0, 2, 3}));
        for (const std::uint32_t id : table.ambiguous())
            table.nameAmbiguous(id, "name" + std::to_string(id));
        QCOMPARE(table.find(same, "name0"), 0);
        QCOMPARE(table.find(same, "name2"), 2);
        QCOMPARE(table.find(same, "name3"), 3);
        QCOMPARE(table.find(same, "name1"), -1);
        QCOMPARE(table.find(other, "any"), 1);
        QCOMPARE(table.find(0x1111111111111111ULL, "none"), -1);
        // Real names: every one finds itself.
        std::vector<std::string> names;
        for (int i = 0; i < 50000; ++i)
            names.push_back("com.example" + std::to_string(i));
        next = 0;
        QVERIFY(table.build(names.size(), [&](std::uint64_t &hash) {
            hash = NameTable::hashOf(names.at(next++));
            return true;
        }));
        for (std::size_t i = 0; i < names.size(); ++i)
            QCOMPARE(table.find(NameTable::hashOf(names[i]), names[i]), std::int64_t(i));
    }

    void largeTablesOnHugePages()
    {
        // A large table starts on a 2 MiB boundary, comes zeroed and keeps its values when it grows; a
        // small one comes from the heap. An empty name table may be asked to prefetch.
        HugeVector<std::uint16_t> counts(3u << 20);
        QCOMPARE(reinterpret_cast<std::uintptr_t>(counts.data()) % (2u << 20), 0u);
        QVERIFY(std::all_of(counts.begin(), counts.end(), [](std::uint16_t c) { return c == 0; }));
        for (std::size_t i = 0; i < counts.size(); i += 4099)
            counts[i] = std::uint16_t(i);
        counts.resize(counts.size() * 3, 7);
        for (std::size_t i = 0; i < (3u << 20); i += 4099)
            QCOMPARE(counts[i], std::uint16_t(i));
        QCOMPARE(counts.back(), std::uint16_t(7));
        HugeVector<std::uint64_t> small(100, 5);
        QCOMPARE(small[99], 5u);
        NameTable empty;
        empty.prefetch(~0ULL);
        QCOMPARE(empty.find(~0ULL, "none"), -1);
    }

    void scratchGoesToDiskPastItsBudget()
    {
        // Two files share 2 MiB: each keeps its first 2 MiB in memory, then goes to disk and gives its memory
        // back. Both read back what was written.
        ScratchBudget budget(2 << 20);
        const QString first = m_dir.filePath(s("scratch-1")), second = m_dir.filePath(s("scratch-2"));
        ScratchFile a(first, budget), b(second, budget);
        for (ScratchFile *file : {&a, &b}) {
            QVERIFY(file->create());
            for (std::uint64_t i = 0; i < 400000; ++i) {
                file->putVarint(i * 977);
                file->putValue(double(i) / 3);
                file->putValue(std::uint32_t(i));
            }
            QVERIFY(file->finish());
        }
        QVERIFY(QFile::exists(first) && QFile::exists(second));
        for (ScratchFile *file : {&a, &b}) {
            for (int pass = 0; pass < 2; ++pass) {
                QVERIFY(file->rewind());
                for (std::uint64_t i = 0; i < 400000; ++i) {
                    std::uint64_t v = 0;
                    double d = 0;
                    std::uint32_t u = 0;
                    QVERIFY(file->getVarint(v) && file->getValue(d) && file->getValue(u));
                    QVERIFY(v == i * 977 && d == double(i) / 3 && u == i);
                }
                std::uint32_t past;
                QVERIFY(!file->getValue(past));
            }
        }
        a.remove();
        QVERIFY(!QFile::exists(first));
        // What the first gave back serves another in memory.
        ScratchFile c(m_dir.filePath(s("scratch-3")), budget);
        QVERIFY(c.create());
        for (int i = 0; i < 100000; ++i)
            c.putValue(i);
        QVERIFY(c.finish() && c.rewind());
        QVERIFY(!QFile::exists(m_dir.filePath(s("scratch-3"))));
        int value = -1;
        for (int i = 0; i < 100000; ++i)
            QVERIFY(c.getValue(value) && value == i);
    }

    void faultyFilesLeaveTheIndexAsItWas()
    {
        const QString release = s("cc-main-2023-mar-apr-may");
        QCOMPARE(make(release, 200, 1500, 2, 11), QString());
        QVERIFY(import({release, sources(), imported(), QString(), 5}).ok);
        const QByteArray good = readFile(indexFile(imported(), release));
        const QStringList files = releaseFiles(release);
        const QList<QByteArray> text{inflateAll(readFile(sources() + u'/' + files.at(0))),
                                     inflateAll(readFile(sources() + u'/' + files.at(1))),
                                     inflateAll(readFile(sources() + u'/' + files.at(2)))};
        const struct
        {
            int file;
            QByteArray from, to;
            const char *expected;
        } faults[] = {
            {0, "\n1\t", "\n7\t", "vertices line 2: id 7 where 1 was due"},
            {0, "au.com.", "zz.com.", "vertices line 2: \"au.com."},
            {0, "\t1\n", "\tone\n", "not \"id<TAB>reversed domain<TAB>hosts\""},
            {1, "#harmonicc_pos", "#harmonic_pos", "ranks line 1: not the header"},
            {1, "\tcom.example\t", "\tcom.nowhere-at-all\t",
             "\"com.nowhere-at-all\" is no domain of the vertices file"},
            {1, "\n2\t", "\n3\t", "ranks line 3: harmonic position 3 where 2 was due"},
            {2, "\n", "\n0\t999999\n", "id 999999 is no domain (the vertices file has 200)"},
            {2, "\n", "\n5\t5\n", "a link of domain 5 to itself"},
            {2, "\n", "\n0\t0\n", "edges line 2:"},
        };
        for (const auto &fault : faults) {
            QList<QByteArray> changed = text;
            const qsizetype at = changed[fault.file].indexOf(fault.from);
            QVERIFY2(at >= 0, fault.from.constData());
            changed[fault.file].replace(at, fault.from.size(), fault.to);
            const QString bad = m_dir.filePath(s("bad"));
            for (int f = 0; f < 3; ++f)
                QVERIFY(writeFile(bad + u'/' + files.at(f), gzipMembers({changed[f]})));
            const Outcome outcome = import({release, bad, imported(), QString(), 5});
            QVERIFY(!outcome.ok);
            QVERIFY2(outcome.message.contains(QString::fromUtf8(fault.expected)),
                     qPrintable(outcome.message));
            QVERIFY2(outcome.message.startsWith(QFileInfo(files.at(fault.file)).fileName()),
                     qPrintable(outcome.message));
            QCOMPARE(readFile(indexFile(imported(), release)), good);
            QCOMPARE(QDir(imported() + u'/' + release).entryList(QDir::Files | QDir::Hidden),
                     QStringList{s("index.vgx")});
        }
        // A corrupt member is named by file and byte; a missing file by its path.
        const QString bad = m_dir.filePath(s("bad"));
        for (int f = 0; f < 3; ++f) // the ranks and the edges are read at once: only one is bad here
            QVERIFY(writeFile(bad + u'/' + files.at(f), gzipMembers({text.at(f)})));
        QByteArray ranks = gzipMembers({text.at(1)});
        ranks[ranks.size() / 2] = char(ranks[ranks.size() / 2] ^ 0x40);
        QVERIFY(writeFile(bad + u'/' + files.at(1), ranks));
        Outcome outcome = import({release, bad, imported(), QString(), 5});
        QVERIFY2(outcome.message.contains(QFileInfo(files.at(1)).fileName()) &&
                     outcome.message.contains(s("at byte")),
                 qPrintable(outcome.message));
        QVERIFY(QFile::remove(bad + u'/' + files.at(2)));
        outcome = import({release, bad, imported(), QString(), 5});
        QVERIFY(!outcome.ok);
        QCOMPARE(readFile(indexFile(imported(), release)), good);
        // Cancelled after the first piece: nothing of it stays.
        const QString fresh = s("cc-main-2022-jan-feb-mar");
        QCOMPARE(make(fresh, 5000, 60000, 4, 3), QString());
        outcome = import({fresh, sources(), imported(), QString(), 5}, [](ReleaseImport &job) {
            QObject::connect(&job, &ReleaseImport::progress, &job, [&job] { job.cancel(); });
        });
        QVERIFY(!outcome.ok && outcome.message.contains(s("cancelled")));
        QVERIFY(!QFile::exists(indexFile(imported(), fresh)));
        QVERIFY(!importedReleases(imported()).contains(fresh));
    }

    void overHttp()
    {
        const QString release = s("cc-main-2021-jun-jul-aug");
        QCOMPARE(make(release, 4000, 50000, 3, 5), QString());
        GraphFileServer server(sources());
        QVERIFY(server.listen());
        // Dropped mid-file: resumed where it stopped, the same index as from the folder.
        const QString ranks = releaseFiles(release).at(1);
        server.dropAfter(s("ranks.txt.gz"), QFileInfo(sources() + u'/' + ranks).size() / 2, 2);
        const QString kept = m_dir.filePath(s("kept"));
        Outcome outcome = import({release, server.baseUrl(), imported(), kept, 5});
        QVERIFY2(outcome.ok, qPrintable(outcome.message));
        QVERIFY(server.rangeRequests() >= 2); // each drop resumed (a resume may itself be cut)
        QVERIFY(outcome.notices.size() >= 2);
        compareWithTruth(release);
        for (const QString &file : releaseFiles(release))
            QCOMPARE(readFile(kept + u'/' + file), readFile(sources() + u'/' + file));
        // A server without Range: the file starts over, and says so.
        server.setIgnoreRange(true);
        server.dropAfter(s("edges.txt.gz"), 1000, 1);
        outcome = import({release, server.baseUrl(), imported(), kept, 5});
        QVERIFY2(outcome.ok, qPrintable(outcome.message));
        QVERIFY(outcome.notices.join(u' ').contains(s("cannot resume")));
        compareWithTruth(release);
        for (const QString &file : releaseFiles(release))
            QCOMPARE(readFile(kept + u'/' + file), readFile(sources() + u'/' + file));
        server.setIgnoreRange(false);
        // Shorter than announced, every time: given up after the tries, the index as it was.
        const QByteArray good = readFile(indexFile(imported(), release));
        server.setLengthLie(s("vertices.txt.gz"), 100);
        outcome = import({release, server.baseUrl(), imported(), QString(), 2});
        QVERIFY2(!outcome.ok, qPrintable(outcome.message));
        QVERIFY2(outcome.message.contains(s("could not be downloaded whole after 2 tries")),
                 qPrintable(outcome.message));
        QCOMPARE(readFile(indexFile(imported(), release)), good);
        server.setLengthLie(s("vertices.txt.gz"), 0);
        // Longer than announced: what the server announced is read, and it is no whole file.
        server.setLengthLie(s("edges.txt.gz"), -100);
        outcome = import({release, server.baseUrl(), imported(), QString(), 2});
        QVERIFY(!outcome.ok);
        QVERIFY2(outcome.message.contains(s("edges.txt.gz")), qPrintable(outcome.message));
        QCOMPARE(readFile(indexFile(imported(), release)), good);
        server.setLengthLie(s("edges.txt.gz"), 0);
        // A release the source does not have.
        outcome = import({s("cc-main-2099-jan"), server.baseUrl(), imported(), QString(), 2});
        QVERIFY(!outcome.ok && outcome.message.contains(s("HTTP 404")));
        // Nobody listening.
        outcome = import({release, s("http://127.0.0.1:9"), imported(), QString(), 2});
        QVERIFY(!outcome.ok && outcome.message.contains(s("could not be downloaded")));
    }

    void anEngineOfLinkingDomains()
    {
        // A scan with an engine whose source is the web graph: no request, the node's linking domains.
        const QByteArray definition =
            "[Linking domains]\nKey=WebGraph\nHeader=Linking domains\nLogText=Web graph\n"
            "Status=\" in the web graph\"\nSource=webgraph\n";
        const engines::LoadResult loaded =
            engines::parse(definition + "\n[Old]\nKey=WebGraphOld\nHeader=Old\n"
                                        "LogText=Old\nSource=webgraph\nRelease=cc-main-2019-jan\n",
                           s("e.ini"));
        QVERIFY2(loaded.messages.isEmpty(), qPrintable(loaded.messages.join(u'\n')));
        QCOMPARE(loaded.set.definitions().first().kindWord(), s("webgraph"));
        QVERIFY(engines::format(loaded.all).contains("Source=webgraph\nRelease=cc-main-2019-jan\n"));
        QVERIFY(!engines::parse("[X]\nKey=X\nHeader=X\nSource=web\n", s("e.ini")).messages.isEmpty());
        const QString folder = m_dir.filePath(s("engine-releases"));
        const auto scanInto = [&](scan::ResultsModel &results) {
            scan::WebLogModel log;
            scan::ScanRun run(&results, &log);
            run.setWebGraphFolder(folder);
            QSignalSpy finished(&run, &scan::ScanRun::finished);
            QVERIFY(run.start({s("http://www.example.com/"), s("https://nowhere.invalid/")}));
            QVERIFY(finished.wait(20000));
        };
        scan::ResultsModel before(loaded.set);
        scanInto(before);
        QCOMPARE(before.report(0, 1).status, scan::CellStatus::NotAsked);
        QVERIFY(before.report(0, 1).detail.contains(s("--graph-import")));
        const QString release = s("cc-main-2019-18-dec-jan-feb");
        QCOMPARE(make(release, 500, 4000, 1, 21), QString());
        QVERIFY(import({release, sources(), folder, QString(), 5}).ok);
        quint64 links = 0;
        const auto truth = truthOf(sources(), release, &links);
        scan::ResultsModel after(loaded.set);
        scanInto(after);
        QCOMPARE(after.report(0, 1).status, scan::CellStatus::Ok);
        QCOMPARE(after.cell(0, 2), QString::number(truth.at("com.example").linking));
        QCOMPARE(after.report(1, 1).status, scan::CellStatus::Zero);
        QCOMPARE(after.cell(1, 2), s("0"));
        QVERIFY(after.report(1, 1).detail.contains(release));
        // An engine bound to a release that is not imported is not asked, and says which.
        QCOMPARE(after.report(0, 2).status, scan::CellStatus::NotAsked);
        QVERIFY(after.report(0, 2).detail.contains(s("cc-main-2019-jan")));
    }

    void keptLinkingDomains()
    {
        // The watched sites' linking domains, by name, best harmonic position first.
        const QString release = s("cc-main-2023-aug-sep-oct");
        QCOMPARE(make(release, 700, 9000, 3, 77), QString());
        const QString folder = m_dir.filePath(s("linking-releases"));
        ReleaseImport job({release, sources(), folder, QString(), 5});
        job.keepLinkingOf(
            {s("https://www.example.com/"), s("http://alice.github.io"), s("http://nowhere.invalid")});
        QSignalSpy finished(&job, &ReleaseImport::finished);
        job.start();
        QVERIFY(finished.wait(60000));
        QVERIFY2(finished.first().at(0).toBool(), qPrintable(finished.first().at(1).toString()));
        quint64 links = 0;
        const auto truth = truthOf(sources(), release, &links);
        std::vector<std::string> names;
        for (const auto &entry : truth)
            names.push_back(entry.first); // in byte order, as the ids
        ReleaseIndex index;
        QString why;
        QVERIFY(index.open(indexFile(folder, release), &why));
        const QStringList files = releaseFiles(release);
        for (const std::string node : {"com.example", "io.github.alice"}) {
            QVERIFY(index.keptLinking(node));
            std::vector<std::pair<std::uint32_t, std::string>> expected;
            for (const QByteArray &line : inflateAll(readFile(sources() + u'/' + files.at(2))).split('\n')) {
                const QList<QByteArray> f = line.split('\t');
                if (f.size() == 2 && names.at(f[1].toULongLong()) == node) {
                    const DomainFigures &from = truth.at(names.at(f[0].toULongLong()));
                    expected.emplace_back(from.harmonicPosition ? from.harmonicPosition : UINT32_MAX,
                                          from.node);
                }
            }
            std::sort(expected.begin(), expected.end());
            const std::vector<LinkingDomain> kept = index.linking(node);
            QCOMPARE(kept.size(), expected.size());
            QCOMPARE(qsizetype(kept.size()), qsizetype(truth.at(node).linking));
            for (std::size_t i = 0; i < kept.size(); ++i) {
                QCOMPARE(kept[i].node, expected[i].second);
                QCOMPARE(kept[i].harmonicPosition, expected[i].first == UINT32_MAX ? 0u : expected[i].first);
            }
        }
        QVERIFY(!index.keptLinking("org.wikipedia"));
        QVERIFY(index.linking("org.wikipedia").empty());
    }

    void importForAFewDomainsOnly()
    {
        // An index of the URLs' candidate nodes (alice's under a private suffix, and the ICANN one above it):
        // their figures whole, every other URL "not-kept", almost no disk.
        const QString release = s("cc-main-2019-feb-mar-apr");
        QCOMPARE(make(release, 3000, 40000, 3, 19), QString());
        const QString folder = m_dir.filePath(s("few-releases"));
        const QStringList urls{s("https://www.example.com/"), s("http://alice.github.io"),
                               s("http://nowhere.invalid")};
        const Outcome outcome =
            import({release, sources(), folder, QString(), 5}, [&urls](ReleaseImport &job) {
                job.keepLinkingOf(urls);
                job.keepOnly(urls);
            });
        QVERIFY2(outcome.ok, qPrintable(outcome.message));
        quint64 links = 0;
        const auto truth = truthOf(sources(), release, &links);
        ReleaseIndex index;
        QString why;
        QVERIFY(index.open(indexFile(folder, release), &why));
        QCOMPARE(index.domains(), quint64(3));
        QCOMPARE(index.links(), links);
        QCOMPARE(index.fact(s("releaseDomains")), s("3000"));
        for (const std::string node : {"com.example", "io.github", "io.github.alice"}) {
            const std::optional<DomainFigures> found = index.find(node);
            QVERIFY(found);
            const QString difference = differenceOf(*found, truth.at(node));
            QVERIFY2(difference.isEmpty(), qPrintable(difference));
        }
        for (const std::string node : {"com.example", "io.github.alice"})
            QCOMPARE(qsizetype(index.linking(node).size()), qsizetype(truth.at(node).linking));
        QCOMPARE(lookUp(index, s("http://www.example.com/a")).status(), s("ok"));
        const Lookup other = lookUp(index, s("http://uk.co.bbc.example.org"));
        QVERIFY(!other.figures);
        QCOMPARE(other.status(), s("not-kept"));
        QVERIFY(QFileInfo(indexFile(folder, release)).size() < 16 * 1024 + qint64(links) * 40 / 100);
        // A whole import of the same release is many times larger.
        QVERIFY(import({release, sources(), folder + s("-whole"), QString(), 5}).ok);
        QVERIFY(QFileInfo(indexFile(folder + s("-whole"), release)).size() >
                5 * QFileInfo(indexFile(folder, release)).size());
        QCOMPARE(lookUp(index, s("http://uk.co.bbc.example.org")).status(), s("not-kept"));
    }

    void historyFromEveryRelease()
    {
        // Three releases, two saved searches (one with saves of its own, one not made yet).
        const QString folder = m_dir.filePath(s("history-releases"));
        const QStringList releases{s("cc-main-2018-feb-mar-apr"), s("cc-main-2024-25-dec-jan-feb"),
                                   s("cc-main-2021-jun-jul-aug")};
        std::vector<std::map<std::string, DomainFigures>> truths;
        for (int i = 0; i < releases.size(); ++i) {
            QCOMPARE(make(releases.at(i), 300 + 50 * i, 2000, 1, 40 + quint64(i)), QString());
            QVERIFY(import({releases.at(i), sources(), folder, QString(), 5}).ok);
            quint64 links = 0;
            truths.push_back(truthOf(sources(), releases.at(i), &links));
        }
        const QString saved = m_dir.filePath(s("Saved"));
        QVERIFY(QDir().mkpath(saved));
        const QString own = saved + s("/own.vty");
        QVERIFY(saved::saveResults(saved::SaveRow{{{s("Google"), s("1234")}}}, own,
                                   saved::SaveMode::CreateNew, QDate(2026, 12, 1))
                    .ok);
        const QList<HistoryTarget> targets{{s("own"), own, s("http://www.example.com")},
                                           {s("new"), saved + s("/new.vty"), s("https://alice.github.io/")}};
        HistoryResult result = writeGraphHistory(targets, folder, releases, s("Linking domains"));
        QVERIFY2(result.errors.isEmpty(), qPrintable(result.errors.join(u'\n')));
        QCOMPARE(result.written, 6);
        for (const auto &[target, node] :
             {std::pair{targets.at(0), "com.example"}, std::pair{targets.at(1), "io.github.alice"}}) {
            saved::History history;
            QVERIFY(saved::readHistory(target.file, history));
            const qsizetype column = history.sections.indexOf(s("Linking domains"));
            QVERIFY(column >= 0);
            // Newest first: 2025-02-28, 2021-08-31, 2018-04-30.
            const int order[] = {1, 2, 0};
            for (int i = 0; i < 3; ++i) {
                const qsizetype row =
                    history.dates.indexOf(saved::dateKey(releaseDate(releases.at(order[i]))));
                QVERIFY(row >= 0);
                QCOMPARE(history.values.at(row).at(column),
                         QString::number(truths.at(std::size_t(order[i])).at(node).linking));
            }
            QCOMPARE(history.dates.first(), target.name == s("own") ? s("12-01-26") : s("02-28-25"));
        }
        // Again: nothing changes, byte for byte.
        const QByteArray before = readFile(own) + readFile(targets.at(1).file);
        result = writeGraphHistory(targets, folder, releases, s("Linking domains"));
        QCOMPARE(result.written, 0);
        QCOMPARE(result.unchanged, 6);
        QCOMPARE(readFile(own) + readFile(targets.at(1).file), before);
        // A release that is not imported is said; the others are written.
        result = writeGraphHistory(targets, folder, {s("cc-main-2019-jan")}, s("Linking domains"));
        QCOMPARE(result.errors.size(), 1);
        QVERIFY(result.errors.first().contains(s("cc-main-2019-jan is not imported")));
    }

    void oneImportOfAReleaseAtATime()
    {
        const QString release = s("cc-main-2020-feb-mar-apr");
        QCOMPARE(make(release, 3000, 30000, 2, 9), QString());
        Outcome second;
        const Outcome first = import({release, sources(), imported(), QString(), 5}, [&](ReleaseImport &job) {
            QObject::connect(&job, &ReleaseImport::progress, &job, [&] {
                if (second.message.isEmpty())
                    second = import({release, sources(), imported(), QString(), 5});
            });
        });
        QVERIFY(first.ok);
        QVERIFY(!second.ok);
        QVERIFY2(second.message.contains(s("Another import of %1 is running").arg(release)),
                 qPrintable(second.message));
        compareWithTruth(release);
    }
};

QTEST_GUILESS_MAIN(TestWebGraph)
#include "tst_webgraph.moc"
