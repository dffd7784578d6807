// Writes to a ledger without end, as fast as it can, until it is killed: the crash test kills it at random
// moments and checks what it left. Usage: crash_writer LEDGER FIRST-GENERATION
// It prints "ready" once the ledger is open, then the generation of every step as soon as it is done.

#include "ledger/Ledger.h"
#include "ledger/LedgerError.h"
#include "support/CrashScript.h"

#include <QByteArray>
#include <cstdio>
#include <unistd.h>

namespace {

// Unbuffered, so that what the test reads after the kill is exactly what was done.
void Mark(const QByteArray& line)
{
    const QByteArray text = line + '\n';
    if (::write(STDOUT_FILENO, text.constData(), static_cast<size_t>(text.size())) != text.size())
        std::_Exit(3);
}

void Run(const CrashStep& step, Ledger& ledger)
{
    switch (step.kind) {
    case CrashStep::Kind::Save:
        ledger.SaveNotes(step.name, CrashNotes(step.name, step.generation, step.notesSize));
        break;
    case CrashStep::Kind::Add:
        ledger.AddPerson(step.name, CrashNotes(step.name, step.generation, step.notesSize));
        break;
    case CrashStep::Kind::Delete:
        ledger.DeletePerson(step.name);
        break;
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: crash_writer LEDGER FIRST-GENERATION\n");
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    const qint64 first = QByteArray(argv[2]).toLongLong();
    // A bound, in case the test that should kill it is gone.
    constexpr qint64 MostSteps = 100000;
    try {
        Ledger ledger = OpenLedgerFile(path);
        Mark("ready");
        for (qint64 generation = first; generation < first + MostSteps; ++generation) {
            Run(CrashStepAt(generation), ledger);
            Mark(QByteArray::number(generation));
        }
    } catch (const LedgerError& error) {
        std::fprintf(stderr, "%s\n", error.message().toUtf8().constData());
        return 1;
    }
    return 0;
}
