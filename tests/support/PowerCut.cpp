#include "support/PowerCut.h"

#include "ledger/FileSync.h"
#include "ledger/LedgerError.h"
#include "ledger/LedgerFile.h"
#include "support/FaultVfs.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QMutexLocker>
#include <QSet>
#include <QTemporaryDir>
#include <algorithm>
#include <atomic>
#include <future>
#include <optional>
#include <vector>

namespace {

// A write cut short keeps whole sectors of it only, from its start.
constexpr qint64 SectorBytes = 512;
constexpr qsizetype ProblemsKept = 5;

// A file or a folder, as the disk holds it.
struct Node {
    bool folder = false;
    QByteArray content;       // a file's bytes
    QMap<QString, int> names; // a folder's entries, each naming a node
};

struct Change {
    enum class Kind { Write, Truncate, Sync, Name, Unname };
    Kind kind = Kind::Sync;
    // The file written, truncated or synced; the folder synced or whose names change.
    int node = 0;
    qint64 offset = 0; // Write: where; Truncate: the new size
    QByteArray bytes;
    QString name;       // Name, Unname
    int named = -1;     // Name: the node the name is given to
    QString formerName; // Name by a rename: the name that goes
};

void Apply(std::vector<Node>& nodes, const Change& change, qint64 keptBytes)
{
    Node& node = nodes[static_cast<size_t>(change.node)];
    switch (change.kind) {
    case Change::Kind::Write: {
        const qint64 end = change.offset + keptBytes;
        if (node.content.size() < end)
            node.content.resize(end, '\0');
        std::copy_n(change.bytes.constData(), keptBytes, node.content.data() + change.offset);
        break;
    }
    case Change::Kind::Truncate:
        node.content.resize(change.offset, '\0');
        break;
    case Change::Kind::Sync:
        break;
    case Change::Kind::Name:
        if (!change.formerName.isEmpty())
            node.names.remove(change.formerName);
        node.names.insert(change.name, change.named);
        break;
    case Change::Kind::Unname:
        node.names.remove(change.name);
        break;
    }
}

// What the folder holds, by path: its folders, and its files with their bytes (a file with two names twice).
struct Tree {
    QStringList folders;
    QMap<QString, QByteArray> files;

    QByteArray digest() const
    {
        QCryptographicHash hash(QCryptographicHash::Sha1);
        for (const QString& folder : folders)
            hash.addData(QByteArray("D\n") + folder.toUtf8() + '\n');
        for (auto file = files.cbegin(); file != files.cend(); ++file)
            hash.addData(QByteArray("F\n") + file.key().toUtf8() + '\n' + QByteArray::number(file->size()) + '\n' +
                         *file);
        return hash.result();
    }
};

void Gather(const std::vector<Node>& nodes, int folder, const QString& prefix, Tree& tree)
{
    const QMap<QString, int>& names = nodes[static_cast<size_t>(folder)].names;
    for (auto entry = names.cbegin(); entry != names.cend(); ++entry) {
        const QString path = prefix + entry.key();
        const Node& node = nodes[static_cast<size_t>(*entry)];
        if (node.folder) {
            tree.folders.append(path);
            Gather(nodes, *entry, path + QLatin1Char('/'), tree);
        } else {
            tree.files.insert(path, node.content);
        }
    }
}

// The changes a cut leaves: '1' for each change kept whole, then, for a write cut short, ":index:bytes kept".
using Leftover = QByteArray;

// Where a write may be cut short: the bytes kept at each sector boundary inside it.
QList<qint64> CutsInside(const Change& write)
{
    QList<qint64> kept;
    for (qint64 boundary = (write.offset / SectorBytes + 1) * SectorBytes; boundary < write.offset + write.bytes.size();
         boundary += SectorBytes)
        kept.append(boundary - write.offset);
    return kept;
}

// Appends the node of the file or folder `entry`, with all it holds; returns its index.
int Take(std::vector<Node>& nodes, const QFileInfo& entry)
{
    const int index = static_cast<int>(nodes.size());
    nodes.push_back(Node{entry.isDir(), entry.isDir() ? QByteArray() : FileBytes(entry.filePath()), {}});
    if (!entry.isDir())
        return index;
    for (const QFileInfo& inner :
         QDir(entry.filePath()).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
        // Taken first: taking it may move the nodes.
        const int child = Take(nodes, inner);
        nodes[static_cast<size_t>(index)].names.insert(inner.fileName(), child);
    }
    return index;
}

LedgerAfterCut OpenAsTheProgramDoes(const QString& path)
{
    LedgerAfterCut found;
    try {
        Ledger ledger = OpenLedgerFile(path);
        const QStringList problems = IntegrityProblems(path);
        if (problems.isEmpty())
            found.contents = ReadAll(ledger);
        else
            found.damage = problems.join(QStringLiteral("; "));
        ledger.Close();
    } catch (const LedgerError& failure) {
        found.damage = QStringLiteral("%1 (%2)").arg(failure.message()).arg(failure.extendedCode());
    }
    return found;
}

// The ledgers opened so far, by the digests of their bytes and of their journal's, which are all that opening one
// reads: many states differ elsewhere only.
class OpenedLedgers {
public:
    LedgerAfterCut open(const PowerCutState& state, const QString& path, const QString& onDisk)
    {
        const QString journal = path + QStringLiteral("-journal");
        const QByteArray key =
            state.files.value(path) +
            (state.files.contains(journal) ? QByteArray("+") + state.files.value(journal) : QByteArray());
        {
            const QMutexLocker lock(&mutex_);
            if (const auto found = opened_.constFind(key); found != opened_.cend())
                return *found;
        }
        const LedgerAfterCut ledger = OpenAsTheProgramDoes(onDisk);
        const QMutexLocker lock(&mutex_);
        opened_.insert(key, ledger);
        return ledger;
    }

private:
    QMutex mutex_;
    QHash<QByteArray, LedgerAfterCut> opened_;
};

// Writes the tree into `folder` and looks at it as the program would.
PowerCutState Observe(const Tree& tree, const QString& folder, OpenedLedgers& ledgers)
{
    PowerCutState state;
    const QDir dir(folder);
    dir.mkpath(QStringLiteral("."));
    for (const QString& path : tree.folders)
        dir.mkpath(path);
    for (auto file = tree.files.cbegin(); file != tree.files.cend(); ++file) {
        WriteFile(dir.filePath(file.key()), *file);
        state.files.insert(file.key(), PowerCutState::digest(*file));
    }
    for (const QString& path : tree.files.keys()) {
        const QString name = QFileInfo(path).fileName();
        if (!name.endsWith(QStringLiteral(".mdb")) || name.startsWith(QLatin1Char('.')) ||
            SniffLedgerFile(dir.filePath(path)) == LedgerFileKind::Jet)
            continue;
        state.ledgers.insert(path, ledgers.open(state, path, dir.filePath(path)));
    }
    return state;
}

// The cuts that leave a state, by the number of calls reported at each.
using CutsByReported = QMap<int, QList<int>>;

// Writes the tree into `folder`, looks at it, then counts it in `counts`: opened whole, damaged, missing work
// reported done at some of the cuts that leave it, which go into `losing`.
void CheckState(const Tree& tree, const CutsByReported& cuts, const QString& folder, const PowerCutCheck& check,
                OpenedLedgers& ledgers, PowerCutCounts& counts, QSet<int>& losing)
{
    const PowerCutState state = Observe(tree, folder, ledgers);
    QDir(folder).removeRecursively();

    const QString files = QStringList(tree.files.keys()).join(QStringLiteral(", "));
    const auto problem = [&](const QString& what) {
        if (counts.problems.size() < ProblemsKept)
            counts.problems.append(QStringLiteral("%1 [the folder holding: %2]").arg(what, files));
    };
    bool damaged = false;
    for (auto ledger = state.ledgers.cbegin(); ledger != state.ledgers.cend(); ++ledger) {
        if (ledger->damage.isEmpty())
            continue;
        damaged = true;
        problem(QStringLiteral("%1 damaged: %2").arg(ledger.key(), ledger->damage));
    }
    counts.damaged += damaged ? 1 : 0;
    counts.opened += !damaged && !state.ledgers.isEmpty() ? 1 : 0;
    bool lost = false;
    for (auto reported = cuts.cbegin(); reported != cuts.cend(); ++reported) {
        const QString missing = check(state, reported.key());
        if (missing.isEmpty())
            continue;
        if (!lost)
            problem(QStringLiteral("a cut after %1 reported calls: %2").arg(reported.key()).arg(missing));
        lost = true;
        for (int cut : *reported)
            losing.insert(cut);
    }
    counts.lost += lost ? 1 : 0;
}

} // namespace

PowerCutCounts PowerCutCounts::failed(const QString& why)
{
    PowerCutCounts counts;
    counts.problems.append(why);
    return counts;
}

PowerCutCounts& PowerCutCounts::operator+=(const PowerCutCounts& other)
{
    cutPoints += other.cutPoints;
    states += other.states;
    opened += other.opened;
    damaged += other.damaged;
    lost += other.lost;
    cutPointsLosingWork += other.cutPointsLosingWork;
    problems += other.problems;
    return *this;
}

QString PowerCutCounts::said() const
{
    return QStringLiteral(
               "%1 cut points, %2 states, %3 opened, %4 damaged, %5 with reported work lost (at %6 cut points)")
        .arg(cutPoints)
        .arg(states)
        .arg(opened)
        .arg(damaged)
        .arg(lost)
        .arg(cutPointsLosingWork);
}

QByteArray PowerCutState::digest(QByteArrayView bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha1);
}

// The folder as taken, every change since in order, and the points where calls returned.
class PowerCutTrace {
public:
    explicit PowerCutTrace(const QString& folder);
    ~PowerCutTrace() { stop(); }

    void created(const QString& path);
    void written(const QString& path, qint64 offset, QByteArrayView bytes);
    void truncated(const QString& path, qint64 size);
    void synced(const QString& path, bool folderToo);
    void named(const QString& from, const QString& to, bool rename);
    void removed(const QString& path, bool folderSynced);
    void reported();

    void stop();
    PowerCutCounts replay(const PowerCutCheck& check);

private:
    // The program's own changes.
    class ProgramSide : public FileChangeWatcher {
    public:
        explicit ProgramSide(PowerCutTrace& trace) : trace_(trace) {}
        void created(const QString& path) override { trace_.created(path); }
        void written(const QString& path, qint64 offset, QByteArrayView bytes) override
        {
            trace_.written(path, offset, bytes);
        }
        void synced(const QString& path) override { trace_.synced(path, false); }
        void renamed(const QString& from, const QString& to) override { trace_.named(from, to, true); }
        void linked(const QString& from, const QString& to) override { trace_.named(from, to, false); }
        void removed(const QString& path) override { trace_.removed(path, false); }

    private:
        PowerCutTrace& trace_;
    };

    // The engine's, through its file layer.
    class EngineSide : public EngineFileWatcher {
    public:
        explicit EngineSide(PowerCutTrace& trace) : trace_(trace) {}
        void created(const char* path) override { trace_.created(QFile::decodeName(path)); }
        void written(const char* path, sqlite3_int64 offset, const void* bytes, int amount) override
        {
            trace_.written(QFile::decodeName(path), offset, QByteArrayView(static_cast<const char*>(bytes), amount));
        }
        void truncated(const char* path, sqlite3_int64 size) override
        {
            trace_.truncated(QFile::decodeName(path), size);
        }
        void synced(const char* path, bool folderToo) override { trace_.synced(QFile::decodeName(path), folderToo); }
        void deleted(const char* path, bool folderSynced) override
        {
            trace_.removed(QFile::decodeName(path), folderSynced);
        }

    private:
        PowerCutTrace& trace_;
    };

    // The path inside the folder, or nothing for a path outside it.
    std::optional<QString> inside(const QString& path) const;
    // The node a path inside the folder names now, or -1.
    int find(const QString& relative) const;
    // The folder holding `relative`, and its name there; records a change it cannot place.
    std::optional<std::pair<int, QString>> placeOf(const QString& relative);
    // The same for `path`, nothing when it lies outside the folder.
    std::optional<std::pair<int, QString>> placeInside(const QString& path);
    void add(Change change);
    void unmodelled(const QString& what);
    // The node of the file at `path`, or -1 when it is outside the folder or unknown (then told as a `change`).
    int knownFile(const QString& path, const QString& change);
    Tree materialise(const Leftover& leftover) const;

    QMutex mutex_;
    QString root_;
    QString canonicalRoot_;
    // The folder as taken, with every node made since, as it was made: empty.
    std::vector<Node> taken_;
    // Every folder's names now, to find what a path names.
    std::vector<Node> now_;
    std::vector<Change> changes_;
    // How many changes were made when each reported call returned.
    QList<int> reports_;
    QStringList unmodelled_;

    ProgramSide program_{*this};
    EngineSide engine_{*this};
    std::optional<FaultVfs> layer_;
    FileChangeWatcher* formerWatcher_ = nullptr;
    bool recording_ = false;
};

PowerCutTrace::PowerCutTrace(const QString& folder)
    : root_(QDir::cleanPath(QFileInfo(folder).absoluteFilePath())),
      canonicalRoot_(QFileInfo(folder).canonicalFilePath())
{
    Take(taken_, QFileInfo(root_));
    now_ = taken_;
    layer_.emplace();
    layer_->watch(&engine_);
    formerWatcher_ = SetFileChangeWatcher(&program_);
    recording_ = true;
}

void PowerCutTrace::stop()
{
    if (!recording_)
        return;
    SetFileChangeWatcher(formerWatcher_);
    layer_.reset();
    recording_ = false;
}

std::optional<QString> PowerCutTrace::inside(const QString& path) const
{
    const QString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    for (const QString& root : {root_, canonicalRoot_}) {
        if (absolute == root)
            return QString();
        if (!root.isEmpty() && absolute.startsWith(root + QLatin1Char('/')))
            return absolute.mid(root.size() + 1);
    }
    return std::nullopt;
}

int PowerCutTrace::find(const QString& relative) const
{
    int node = 0;
    if (relative.isEmpty())
        return node;
    for (const QString& name : relative.split(QLatin1Char('/'))) {
        const Node& folder = now_[static_cast<size_t>(node)];
        const auto entry = folder.names.constFind(name);
        if (!folder.folder || entry == folder.names.cend())
            return -1;
        node = *entry;
    }
    return node;
}

std::optional<std::pair<int, QString>> PowerCutTrace::placeOf(const QString& relative)
{
    const qsizetype slash = relative.lastIndexOf(QLatin1Char('/'));
    const int folder = find(slash < 0 ? QString() : relative.left(slash));
    if (folder < 0) {
        unmodelled(QStringLiteral("a change in an unknown folder: ") + relative);
        return std::nullopt;
    }
    return std::pair{folder, relative.mid(slash + 1)};
}

void PowerCutTrace::add(Change change)
{
    if (change.kind == Change::Kind::Name || change.kind == Change::Kind::Unname)
        Apply(now_, change, 0);
    changes_.push_back(std::move(change));
}

void PowerCutTrace::unmodelled(const QString& what)
{
    if (unmodelled_.size() < ProblemsKept)
        unmodelled_.append(what);
}

std::optional<std::pair<int, QString>> PowerCutTrace::placeInside(const QString& path)
{
    const std::optional<QString> relative = inside(path);
    return relative ? placeOf(*relative) : std::nullopt;
}

int PowerCutTrace::knownFile(const QString& path, const QString& change)
{
    const std::optional<QString> relative = inside(path);
    if (!relative)
        return -1;
    const int node = find(*relative);
    if (node < 0)
        unmodelled(change + QStringLiteral(" an unknown file: ") + *relative);
    return node;
}

void PowerCutTrace::created(const QString& path)
{
    const QMutexLocker lock(&mutex_);
    const auto place = placeInside(path);
    if (!place)
        return;
    const Node made{QFileInfo(path).isDir(), {}, {}};
    taken_.push_back(made);
    now_.push_back(made);
    add({Change::Kind::Name, place->first, 0, {}, place->second, static_cast<int>(taken_.size() - 1), {}});
}

void PowerCutTrace::written(const QString& path, qint64 offset, QByteArrayView bytes)
{
    const QMutexLocker lock(&mutex_);
    const int node = knownFile(path, QStringLiteral("a write to"));
    if (node < 0)
        return;
    add({Change::Kind::Write, node, offset, bytes.toByteArray(), {}, -1, {}});
}

void PowerCutTrace::truncated(const QString& path, qint64 size)
{
    const QMutexLocker lock(&mutex_);
    const int node = knownFile(path, QStringLiteral("a truncation of"));
    if (node < 0)
        return;
    add({Change::Kind::Truncate, node, size, {}, {}, -1, {}});
}

void PowerCutTrace::synced(const QString& path, bool folderToo)
{
    const QMutexLocker lock(&mutex_);
    const int node = knownFile(path, QStringLiteral("a sync of"));
    if (node < 0)
        return;
    add({Change::Kind::Sync, node, 0, {}, {}, -1, {}});
    if (const auto place = folderToo ? placeOf(*inside(path)) : std::nullopt)
        add({Change::Kind::Sync, place->first, 0, {}, {}, -1, {}});
}

void PowerCutTrace::named(const QString& from, const QString& to, bool rename)
{
    const QMutexLocker lock(&mutex_);
    const std::optional<QString> source = inside(from);
    const std::optional<QString> target = inside(to);
    if (!source && !target)
        return;
    const int node = source ? find(*source) : -1;
    const auto place = target ? placeOf(*target) : std::nullopt;
    if (node < 0 || !place)
        return unmodelled(QStringLiteral("a name given from or to outside the folder: %1 -> %2").arg(from, to));
    QString formerName;
    if (rename) {
        // A rename between two folders changes both at once, which this model of one folder's names cannot say.
        const auto former = placeOf(*source);
        if (!former || former->first != place->first)
            return unmodelled(QStringLiteral("a rename between folders: %1 -> %2").arg(from, to));
        formerName = former->second;
    }
    add({Change::Kind::Name, place->first, 0, {}, place->second, node, formerName});
}

void PowerCutTrace::removed(const QString& path, bool folderSynced)
{
    const QMutexLocker lock(&mutex_);
    const auto place = placeInside(path);
    if (!place)
        return;
    add({Change::Kind::Unname, place->first, 0, {}, place->second, -1, {}});
    if (folderSynced)
        add({Change::Kind::Sync, place->first, 0, {}, {}, -1, {}});
}

void PowerCutTrace::reported()
{
    const QMutexLocker lock(&mutex_);
    reports_.append(static_cast<int>(changes_.size()));
}

Tree PowerCutTrace::materialise(const Leftover& leftover) const
{
    const qsizetype count = static_cast<qsizetype>(changes_.size());
    int cutShort = -1;
    qint64 keptBytes = 0;
    if (leftover.size() > count) {
        const QList<QByteArray> fields = leftover.mid(count + 1).split(':');
        cutShort = fields.at(0).toInt();
        keptBytes = fields.at(1).toLongLong();
    }
    std::vector<Node> nodes = taken_;
    for (qsizetype index = 0; index < count; ++index) {
        const Change& change = changes_[static_cast<size_t>(index)];
        if (leftover.at(index) == '1')
            Apply(nodes, change, change.bytes.size());
        else if (index == cutShort)
            Apply(nodes, change, keptBytes);
    }
    Tree tree;
    Gather(nodes, 0, QString(), tree);
    return tree;
}

PowerCutCounts PowerCutTrace::replay(const PowerCutCheck& check)
{
    stop();
    const int count = static_cast<int>(changes_.size());
    PowerCutCounts counts;
    counts.cutPoints = count + 1;
    counts.problems = unmodelled_;
    // A cut after `cut` changes leaves, for some `start`, every change before `start`, and of the later ones those
    // that a later sync of their file or folder had made durable; the change at `start`, a write, may be cut
    // short. Each object then keeps its synced state plus a prefix of its later changes, in order.
    QHash<Leftover, QList<int>> leftovers; // with the cuts that leave them
    std::vector<int> lastSync(taken_.size(), -1);
    for (int cut = 0; cut <= count; ++cut) {
        if (cut > 0 && changes_[static_cast<size_t>(cut - 1)].kind == Change::Kind::Sync)
            lastSync[static_cast<size_t>(changes_[static_cast<size_t>(cut - 1)].node)] = cut - 1;
        for (int start = 0; start <= cut; ++start) {
            Leftover kept(count, '0');
            for (int index = 0; index < cut; ++index) {
                const Change& change = changes_[static_cast<size_t>(index)];
                if (change.kind != Change::Kind::Sync &&
                    (index < start || index < lastSync[static_cast<size_t>(change.node)]))
                    kept[index] = '1';
            }
            leftovers[kept].append(cut);
            const Change* atStart = start < cut ? &changes_[static_cast<size_t>(start)] : nullptr;
            if (atStart && atStart->kind == Change::Kind::Write && kept.at(start) == '0') {
                for (qint64 bytes : CutsInside(*atStart))
                    leftovers[kept + ':' + QByteArray::number(start) + ':' + QByteArray::number(bytes)].append(cut);
            }
        }
    }

    // Distinct states, each once, with the cuts that leave it.
    struct Distinct {
        Leftover leftover;
        CutsByReported cuts;
    };
    QHash<QByteArray, Distinct> states;
    for (auto leftover = leftovers.cbegin(); leftover != leftovers.cend(); ++leftover) {
        Distinct& state = states[materialise(leftover.key()).digest()];
        if (state.leftover.isEmpty())
            state.leftover = leftover.key();
        for (int cut : *leftover) {
            const auto reported =
                std::count_if(reports_.cbegin(), reports_.cend(), [cut](int at) { return at <= cut; });
            QList<int>& cuts = state.cuts[static_cast<int>(reported)];
            if (!cuts.contains(cut))
                cuts.append(cut);
        }
    }
    counts.states = static_cast<int>(states.size());

    // Two at a time: deriving each ledger's key takes most of the time.
    std::vector<const Distinct*> pending;
    for (const Distinct& distinct : std::as_const(states))
        pending.push_back(&distinct);
    const QTemporaryDir scratch;
    OpenedLedgers ledgers;
    std::atomic<size_t> next{0};
    const auto checkSome = [&] {
        std::pair<PowerCutCounts, QSet<int>> found;
        for (size_t index = next++; index < pending.size(); index = next++)
            CheckState(materialise(pending[index]->leftover), pending[index]->cuts,
                       scratch.filePath(QString::number(index)), check, ledgers, found.first, found.second);
        return found;
    };
    std::future<std::pair<PowerCutCounts, QSet<int>>> alongside = std::async(std::launch::async, checkSome);
    QSet<int> losing;
    for (const auto& [found, losingThere] : {checkSome(), alongside.get()}) {
        losing |= losingThere;
        counts.opened += found.opened;
        counts.damaged += found.damaged;
        counts.lost += found.lost;
        counts.problems += found.problems.mid(0, std::max<qsizetype>(0, ProblemsKept - counts.problems.size()));
    }
    counts.cutPointsLosingWork = static_cast<int>(losing.size());
    return counts;
}

PowerCutRecorder::PowerCutRecorder(const QString& folder) : trace_(std::make_unique<PowerCutTrace>(folder)) {}

PowerCutRecorder::~PowerCutRecorder() = default;

void PowerCutRecorder::reported()
{
    trace_->reported();
}

PowerCutCounts PowerCutRecorder::replay(const PowerCutCheck& check)
{
    return trace_->replay(check);
}
