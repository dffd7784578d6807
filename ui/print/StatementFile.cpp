#include "ui/print/StatementFile.h"

#include "ledger/FileSync.h"
#include "ledger/LedgerError.h"

#include <QDir>
#include <QFileInfo>
#include <QIODevice>
#include <QPdfWriter>

namespace {

// The PDF writer's output, gathered into large writes to the pending file; the first error number stays, and every
// later write fails so that the writer goes no further.
class PendingFileDevice final : public QIODevice {
public:
    explicit PendingFileDevice(PendingFile& file) : file_(file) { open(QIODevice::WriteOnly); }

    int error() const { return error_; }
    // Writes what is gathered; the error number, or 0.
    int flushGathered()
    {
        if (error_ == 0 && !gathered_.isEmpty())
            error_ = file_.append(gathered_);
        gathered_.clear();
        return error_;
    }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override
    {
        if (error_ != 0)
            return -1;
        gathered_.append(data, size);
        if (gathered_.size() >= GatherBytes && flushGathered() != 0)
            return -1;
        return size;
    }

private:
    static constexpr qsizetype GatherBytes = 1 << 20;
    PendingFile& file_;
    QByteArray gathered_;
    int error_ = 0;
};

QString PendingPattern(const QString& target)
{
    const QFileInfo place(target);
    return place.dir().filePath(QLatin1Char('.') + place.fileName() + QStringLiteral("-XXXXXX"));
}

} // namespace

WrittenStatement WriteStatementPdf(const QString& target, const Statement& statement, const PaintProgress& progress)
{
    using Outcome = WrittenStatement::Outcome;
    PendingFile pending(PendingPattern(target));
    if (pending.error() != 0)
        return {Outcome::Failed, pending.error(), 0};
    PendingFileDevice device(pending);
    PaintedPages painted;
    {
        QPdfWriter writer(&device);
        writer.setCreator(QStringLiteral("Quentaril"));
        writer.setTitle(statement.person + QStringLiteral(" — ") + statement.heading);
        UseStatementPageLayout(writer);
        // A failed write stops the painting at the next line: the rest would only go nowhere.
        painted = PaintStatement(writer, statement,
                                 [&progress, &device](double done) { return device.error() == 0 && progress(done); });
    }
    if (const int error = device.flushGathered(); error != 0)
        return {Outcome::Failed, error, 0};
    if (painted.outcome == PaintedPages::Outcome::Stopped)
        return {Outcome::Stopped, 0, 0};
    if (painted.outcome != PaintedPages::Outcome::Done)
        return {Outcome::Failed, 0, 0};
    if (const int error = pending.finish(); error != 0)
        return {Outcome::Failed, error, 0};
    if (const int error = pending.renameOver(target); error != 0)
        return {Outcome::Failed, error, 0};
    try {
        SyncToDisk(QFileInfo(target).absolutePath());
    } catch (const LedgerError& failure) {
        // The PDF is whole under its name; only its place in the folder may not outlive a power cut.
        return {Outcome::Failed, failure.systemError(), painted.pages};
    }
    return {Outcome::Written, 0, painted.pages};
}
