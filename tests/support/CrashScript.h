#pragma once

#include <QString>
#include <QStringList>

// The crash writer's work, step by step: the writer runs it and the crash test replays it, so that after
// a kill the test knows every content the ledger may hold. Generations never repeat across runs, and each
// notes text is made from its person, generation and size alone, so a text cut short or mixed with
// another is never equal to one the writer wrote.

// The persons the writer saves to; the test adds them before the first run.
inline const QStringList CrashKeptPersons = {QStringLiteral("Anne"), QStringLiteral("Bérénice"),
                                             QStringLiteral("Chloé d'Orves")};

inline constexpr qsizetype CrashSmallNotes = 1024;
inline constexpr qsizetype CrashLargeNotes = 1024 * 1024;

struct CrashStep {
    enum class Kind { Save, Add, Delete };
    Kind kind;
    QString name;
    qint64 generation;
    qsizetype notesSize; // for Save and Add
};

// The step that `generation` makes: two saves to the kept persons (one small, one large, by turns), the
// addition of a passer-by, and the deletion of the one added two generations before.
CrashStep CrashStepAt(qint64 generation);

// `size` UTF-16 units of notes for `name` at `generation`, mixing one-, two-, three- and four-byte
// UTF-8 characters, never splitting a surrogate pair.
QString CrashNotes(const QString& name, qint64 generation, qsizetype size);
