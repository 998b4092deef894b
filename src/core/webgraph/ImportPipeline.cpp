#include "core/webgraph/ImportPipeline.h"

#include "core/webgraph/GzipStream.h"
#include "core/webgraph/IndexBuilder.h"

namespace webgraph {

namespace {

constexpr std::size_t BlockBytes = 4 << 20;
// A block goes to be indexed once less than this is left in it.
constexpr std::size_t LeastRoom = 64 << 10;
constexpr std::size_t QueuedBlocks = 3;
// While the vertices are still being indexed (and their names' table built), the edges' text cannot be
// indexed yet: the inflating thread, which has nothing else to do, inflates this many blocks ahead.
constexpr std::size_t EarlyEdgeBlocks = 16;
// The ranks are inflated into a buffer of their own and indexed at once, a piece at a time.
constexpr std::size_t RanksPiece = 1 << 20;

IndexBuilder::Part partOf(ImportPipeline::File file)
{
    return IndexBuilder::Part(int(file));
}

} // namespace

enum class Kind
{
    Begin,
    Data,
    End,
};

struct ImportPipeline::Command
{
    Kind kind = Kind::Data;
    QByteArray data;
};

struct ImportPipeline::Block
{
    Kind kind = Kind::Data;
    std::unique_ptr<char[]> text;
    std::size_t size = 0;
};

// A file's way through the pipeline: its compressed bytes, its inflater, its text waiting to be indexed.
struct ImportPipeline::Lane
{
    std::deque<Command> commands;
    qint64 bytes = 0;
    bool full = false;
    std::unique_ptr<GzipStream> gzip;
    std::unique_ptr<Block> filling; // the block being inflated into (the inflating thread's own)
    std::deque<Block> texts;
};

ImportPipeline::ImportPipeline(IndexBuilder &builder, std::function<void()> wake)
    : m_builder(builder), m_wake(std::move(wake)), m_lanes(std::make_unique<Lane[]>(3))
{
    for (const File file : {Vertices, Edges}) {
        Lane &lane = m_lanes[file];
        lane.gzip = std::make_unique<GzipStream>(
            [this, &lane]() -> std::pair<char *, std::size_t> {
                if (!lane.filling) {
                    lane.filling = std::make_unique<Block>();
                    const std::lock_guard lock(m_mutex);
                    if (!m_spare.empty()) {
                        lane.filling->text = std::move(m_spare.back());
                        m_spare.pop_back();
                    }
                }
                if (!lane.filling->text)
                    lane.filling->text = std::make_unique<char[]>(BlockBytes);
                return {lane.filling->text.get() + lane.filling->size, BlockBytes - lane.filling->size};
            },
            [this, &lane, file](std::string_view text) {
                lane.filling->size += text.size();
                if (BlockBytes - lane.filling->size >= LeastRoom)
                    return true;
                Block block = std::move(*lane.filling);
                lane.filling.reset();
                return handOver(file, std::move(block));
            });
    }
    m_ranksText = std::make_unique<char[]>(RanksPiece);
    m_lanes[Ranks].gzip = std::make_unique<GzipStream>(
        [this] {
            return std::pair{m_ranksText.get(), RanksPiece};
        },
        [this](std::string_view text) { return m_builder.text(IndexBuilder::Part::Ranks, text); });
    m_inflater = std::thread([this] { inflaterRun(); });
    m_indexer = std::thread([this] { indexerRun(); });
}

ImportPipeline::~ImportPipeline()
{
    {
        const std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_builder.stop();
    m_changed.notify_all();
    m_inflater.join();
    m_indexer.join();
}

void ImportPipeline::begin(File file)
{
    const std::lock_guard lock(m_mutex);
    m_lanes[file].commands.push_back({Kind::Begin, {}});
    m_changed.notify_all();
}

void ImportPipeline::push(File file, const QByteArray &compressed)
{
    const std::lock_guard lock(m_mutex);
    Lane &lane = m_lanes[file];
    lane.commands.push_back({Kind::Data, compressed});
    lane.bytes += compressed.size();
    if (lane.bytes >= CompressedBound)
        lane.full = true;
    m_changed.notify_all();
}

void ImportPipeline::end(File file)
{
    const std::lock_guard lock(m_mutex);
    m_lanes[file].commands.push_back({Kind::End, {}});
    m_changed.notify_all();
}

void ImportPipeline::write(const QString &indexFile, const QStringList &facts)
{
    const std::lock_guard lock(m_mutex);
    m_indexFile = indexFile;
    m_facts = facts;
    m_writeAsked = true;
    m_changed.notify_all();
}

bool ImportPipeline::wantsMore(File file) const
{
    const std::lock_guard lock(m_mutex);
    return !m_lanes[file].full && !m_outcome.stopped;
}

ImportPipeline::Outcome ImportPipeline::outcome() const
{
    const std::lock_guard lock(m_mutex);
    return m_outcome;
}

void ImportPipeline::stop(bool ok, int file, const QString &message)
{
    {
        const std::lock_guard lock(m_mutex);
        if (m_quit)
            return;
        m_outcome = {true, ok, file, message};
        m_quit = true;
    }
    m_changed.notify_all();
    m_wake();
}

bool ImportPipeline::nextCommand(File file, Command &command)
{
    Lane &lane = m_lanes[file];
    bool wake = false;
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_quit || !lane.commands.empty(); });
        if (m_quit)
            return false;
        command = std::move(lane.commands.front());
        lane.commands.pop_front();
        lane.bytes -= command.data.size();
        if (lane.full && lane.bytes < CompressedBound / 2) {
            lane.full = false;
            wake = true;
        }
    }
    if (wake)
        m_wake();
    return true;
}

bool ImportPipeline::handOver(File file, Block &&block)
{
    Lane &lane = m_lanes[file];
    std::unique_lock lock(m_mutex);
    const auto room = [&] {
        return m_quit ||
               lane.texts.size() < (file == Edges && !m_verticesDone ? EarlyEdgeBlocks : QueuedBlocks);
    };
    while (!room()) {
        if (file != Edges || !m_verticesDone) {
            m_changed.wait(lock, [&] { return room() || (file == Edges && m_verticesDone); });
            continue;
        }
        // The edges' text waits for the other thread: index some of it here meanwhile.
        lock.unlock();
        const int indexed = indexEdges(false);
        if (indexed < 0)
            return false;
        lock.lock();
        if (indexed == 0) // the other thread is at it, and makes room
            m_changed.wait(lock, room);
    }
    if (m_quit)
        return false;
    lane.texts.push_back(std::move(block));
    lock.unlock();
    m_changed.notify_all();
    return true;
}

bool ImportPipeline::inflateFile(File file)
{
    Lane &lane = m_lanes[file];
    for (;;) {
        Command command;
        if (!nextCommand(file, command))
            return false;
        switch (command.kind) {
        case Kind::Begin:
            lane.gzip->reset();
            if (lane.filling)
                lane.filling->size = 0; // text of an earlier try of the file
            if (!handOver(file, Block{Kind::Begin, {}, 0}))
                return false;
            break;
        case Kind::Data:
            if (!lane.gzip->push(command.data.constData(), std::size_t(command.data.size()))) {
                if (!lane.gzip->error().isEmpty())
                    stop(false, file, lane.gzip->error());
                return false;
            }
            break;
        case Kind::End:
            if (!lane.gzip->finish()) {
                stop(false, file, lane.gzip->error());
                return false;
            }
            if (lane.filling && lane.filling->size > 0 && !handOver(file, std::move(*lane.filling)))
                return false;
            lane.filling.reset();
            return handOver(file, Block{Kind::End, {}, 0});
        }
    }
}

bool ImportPipeline::indexBlock(File file, Block &block)
{
    const IndexBuilder::Part part = partOf(file);
    bool ok = true;
    switch (block.kind) {
    case Kind::Begin:
        m_builder.begin(part);
        ok = m_builder.error(part).isEmpty();
        break;
    case Kind::Data: {
        ok = m_builder.text(part, std::string_view(block.text.get(), block.size));
        const std::lock_guard lock(m_mutex);
        m_spare.push_back(std::move(block.text));
        break;
    }
    case Kind::End:
        ok = m_builder.end(part);
        if (ok) {
            {
                const std::lock_guard lock(m_mutex);
                (file == Vertices ? m_verticesDone : m_edgesDone) = true;
            }
            m_changed.notify_all();
        }
        break;
    }
    if (!ok)
        stop(false, file, m_builder.error(part));
    return ok;
}

int ImportPipeline::indexEdges(bool wait)
{
    std::unique_lock indexer(m_edgesIndexer, std::defer_lock);
    if (wait)
        indexer.lock();
    else if (!indexer.try_lock())
        return 0;
    Lane &lane = m_lanes[Edges];
    Block block;
    {
        std::unique_lock lock(m_mutex);
        if (wait) {
            m_changed.wait(
                lock, [&] { return m_quit || (m_verticesDone && (m_edgesDone || !lane.texts.empty())); });
        }
        if (m_quit)
            return -1;
        if (!m_verticesDone || m_edgesDone || lane.texts.empty())
            return 0;
        block = std::move(lane.texts.front());
        lane.texts.pop_front();
    }
    m_changed.notify_all();
    return indexBlock(Edges, block) ? 1 : -1;
}

void ImportPipeline::inflaterRun()
{
    if (!inflateFile(Vertices) || !inflateFile(Edges))
        return;
    while (indexEdges(true) > 0) {
    }
}

void ImportPipeline::indexerRun()
{
    // The vertices' text, as the other thread inflates it.
    Lane &vertices = m_lanes[Vertices];
    for (bool ended = false; !ended;) {
        Block block;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [&] { return m_quit || !vertices.texts.empty(); });
            if (m_quit)
                return;
            block = std::move(vertices.texts.front());
            vertices.texts.pop_front();
        }
        m_changed.notify_all();
        ended = block.kind == Kind::End;
        if (!indexBlock(Vertices, block))
            return;
    }
    // The ranks, inflated and indexed here.
    GzipStream &ranks = *m_lanes[Ranks].gzip;
    for (bool ended = false; !ended;) {
        Command command;
        if (!nextCommand(Ranks, command))
            return;
        switch (command.kind) {
        case Kind::Begin:
            ranks.reset();
            m_builder.begin(IndexBuilder::Part::Ranks);
            if (!m_builder.error(IndexBuilder::Part::Ranks).isEmpty())
                return stop(false, Ranks, m_builder.error(IndexBuilder::Part::Ranks));
            break;
        case Kind::Data:
            if (!ranks.push(command.data.constData(), std::size_t(command.data.size())))
                return stop(false, Ranks,
                            ranks.error().isEmpty() ? m_builder.error(IndexBuilder::Part::Ranks)
                                                    : ranks.error());
            break;
        case Kind::End:
            if (!ranks.finish())
                return stop(false, Ranks, ranks.error());
            if (!m_builder.end(IndexBuilder::Part::Ranks))
                return stop(false, Ranks, m_builder.error(IndexBuilder::Part::Ranks));
            ended = true;
            break;
        }
    }
    // What is left of the edges' text, beside the other thread.
    for (;;) {
        const int indexed = indexEdges(true);
        if (indexed < 0)
            return;
        if (indexed == 0)
            break;
    }
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_quit || m_writeAsked; });
        if (m_quit)
            return;
    }
    QStringList facts = m_facts;
    facts.append(m_builder.facts());
    if (m_builder.write(m_indexFile, facts))
        stop(true, -1, QString());
    else
        stop(false, -1, m_builder.error());
}

} // namespace webgraph
