#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace webgraph {

class GzipStream;
class IndexBuilder;

// A release's three files inflated and indexed off the caller's thread, the caller only reading and pushing
// compressed bytes (between a file's begin() and end()). Two threads share the work so that both cores are
// busy all the way: the vertices come first (one thread inflates, the other indexes); then the ranks and the
// edges are read at once: one thread inflates and indexes the ranks, the other inflates the edges, and the
// edges' text is indexed by whichever thread is free. Bounded: a few blocks of text and CompressedBound
// bytes a file wait at most (wantsMore() says when to stop reading a file).
class ImportPipeline
{
public:
    static constexpr qint64 CompressedBound = 8 << 20;
    enum File
    {
        Vertices,
        Ranks,
        Edges,
    };

    // wake: called on a worker thread when wantsMore() turns true again and when the pipeline stops.
    ImportPipeline(IndexBuilder &builder, std::function<void()> wake);
    // Stops at once (the builder's long steps too) and waits for the threads.
    ~ImportPipeline();
    ImportPipeline(const ImportPipeline &) = delete;
    ImportPipeline &operator=(const ImportPipeline &) = delete;

    // A file starts, or starts over from its first byte.
    void begin(File file);
    void push(File file, const QByteArray &compressed);
    // The file's last byte was pushed.
    void end(File file);
    // After the last file: the index is written (facts: "key=value" lines; the builder's own are added).
    void write(const QString &indexFile, const QStringList &facts);
    bool wantsMore(File file) const;

    struct Outcome
    {
        bool stopped = false; // a fault, or the index written
        bool ok = false;
        int file = -1; // the file a fault was found in; -1 for the index itself
        QString message;
    };
    Outcome outcome() const;

private:
    struct Command;
    struct Block;
    struct Lane;
    void inflaterRun();
    void indexerRun();
    // The next compressed command of a file (waits); false once the pipeline stops.
    bool nextCommand(File file, Command &command);
    // Inflates a file's commands into blocks of its text queue until its end.
    bool inflateFile(File file);
    // Hands a block to a file's text queue, waiting for room (or indexing edges meanwhile); false once the
    // pipeline stops.
    bool handOver(File file, Block &&block);
    bool indexBlock(File file, Block &block);
    // Indexes the next block of the edges' text unless another thread is at it (wait: waits for a block and
    // for the other thread). 1: a block was indexed; 0: none (the edges ended, or the other thread is at
    // them); -1: the pipeline stopped.
    int indexEdges(bool wait);
    void stop(bool ok, int file, const QString &message);

    IndexBuilder &m_builder;
    std::function<void()> m_wake;

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::unique_ptr<Lane[]> m_lanes;
    std::vector<std::unique_ptr<char[]>> m_spare; // blocks to fill again
    std::unique_ptr<char[]> m_ranksText;          // the ranks' text, a piece at a time
    bool m_verticesDone = false, m_edgesDone = false, m_writeAsked = false;
    QString m_indexFile;
    QStringList m_facts;
    Outcome m_outcome;
    bool m_quit = false;
    std::mutex m_edgesIndexer; // held by the thread indexing the edges' text

    std::thread m_inflater, m_indexer;
};

} // namespace webgraph
