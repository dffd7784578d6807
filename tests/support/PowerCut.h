#pragma once

#include "support/TempLedger.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QMap>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

// Power cuts at every point of an operation on a folder: what reached the disk, and what a cut can leave of it.

// A ledger a cut left: what it holds, or why it did not open whole.
struct LedgerAfterCut {
    // Why it failed to open or failed the engine's integrity check; empty when whole.
    QString damage;
    LedgerContents contents;
};

// What a power cut left in the folder.
struct PowerCutState {
    // Every file, by its path in the folder, with the digest of its bytes (digest()).
    QMap<QString, QByteArray> files;
    // Each ledger: the files named *.mdb that are neither hidden (drafts) nor Jet files, opened as the program
    // opens them (a journal left beside one is rolled back).
    QMap<QString, LedgerAfterCut> ledgers;

    static QByteArray digest(QByteArrayView bytes);
};

// What the state lacks of the work `reported` operations had done when the power was cut; empty when nothing.
// Called from two threads at once.
using PowerCutCheck = std::function<QString(const PowerCutState& state, int reported)>;

struct PowerCutCounts {
    int cutPoints = 0;
    int states = 0;              // distinct states a cut may leave
    int opened = 0;              // states holding a ledger, every one of which opened whole
    int damaged = 0;             // states holding a ledger that did not open or failed the integrity check
    int lost = 0;                // states missing work reported done before the cut
    int cutPointsLosingWork = 0; // cut points at which a cut may leave such a state
    // The first of these problems, said.
    QStringList problems;

    // No trace: only why.
    static PowerCutCounts failed(const QString& why);
    PowerCutCounts& operator+=(const PowerCutCounts& other);
    // The figures, for a report.
    QString said() const;
};

class PowerCutTrace;

// Records, in one ordered trace, every change made under a folder: the engine's through FaultVfs (the default
// layer's own folder syncs included), the program's through its FileChangeWatcher. From any thread. While it
// records, FaultVfs is the engine's default layer: open the connections to watch after making it.
class PowerCutRecorder {
public:
    // Takes the folder as it is on the disk, all synced.
    explicit PowerCutRecorder(const QString& folder);
    ~PowerCutRecorder();
    PowerCutRecorder(const PowerCutRecorder&) = delete;
    PowerCutRecorder& operator=(const PowerCutRecorder&) = delete;

    // The call under way has returned: what it did must survive a cut at any later point.
    void reported();

    // Stops recording (every connection opened meanwhile must be closed), then builds every state a power cut
    // after any change may leave, opens each distinct one once in a scratch folder and checks it.
    PowerCutCounts replay(const PowerCutCheck& check);

private:
    std::unique_ptr<PowerCutTrace> trace_;
};
