#pragma once

#include "ledger/LedgerError.h"
#include "ledger/PersonName.h"
#include "persons/MatchFolding.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringView>
#include <atomic>
#include <thread>
#include <vector>

// Finding what the user looks for in notes, folded as MatchFolding says: in the text of the notes shown, and in
// every person's notes of the ledger on a thread of its own.

// A place in a text: [begin, begin + length).
struct TextMatch {
    qsizetype begin = 0;
    qsizetype length = 0;
    bool operator==(const TextMatch&) const = default;
};

// Every place `needle` is found in `text`, left to right, none overlapping the one before, in positions of `text`.
// A character folded into two ("œ" into "oe") is taken whole. Matches lie within a line: what is looked for is
// typed on one line.
std::vector<TextMatch> FindAllMatches(QStringView text, QStringView needle, MatchOptions options);

// A person whose notes hold what was looked for, and the line around the first place it was found.
struct FoundPerson {
    PersonName person;
    QString line;
};

// The search of every person's notes: read on a read-only connection of its own in short read transactions, so
// that a save by the window goes through meanwhile, and handed over in batches as they are found. One search at a
// time: starting one stops the one before; its thread never outlives the search.
class NotesSearch : public QObject {
    Q_OBJECT
public:
    explicit NotesSearch(QObject* parent = nullptr);
    ~NotesSearch() override;

    // Starts looking for `needle` in the ledger file at `ledgerPath`; nothing is found for a needle that folds to
    // nothing, and the search finishes at once.
    void start(const QString& ledgerPath, const QString& needle, MatchOptions options);
    // Stops the search and waits for its thread: nothing more is handed over, and neither finished nor failed.
    void stop();
    // From start until finished, failed or stopped.
    bool isRunning() const { return running_; }

Q_SIGNALS:
    // Persons found since the last batch, in the ledger's row order.
    void found(const QList<FoundPerson>& persons);
    // Every person's notes have been searched.
    void finished();
    void failed(const LedgerError& failure);

private:
    void ended();

    std::thread thread_;
    std::atomic<bool> stopRequested_ = false;
    // Which search what the thread hands over belongs to: a batch of a stopped search arrives too late to count.
    quint64 generation_ = 0;
    bool running_ = false;
};
