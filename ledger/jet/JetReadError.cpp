#include "ledger/jet/JetReadError.h"

#include <string>

JetReadError::JetReadError(JetReadProblem problem, qint64 number, qint64 otherNumber)
    : JetReadError(problem, number, otherNumber, 0, {}, {}, {})
{
}

JetReadError::JetReadError(JetReadProblem problem, qint64 number, qint64 otherNumber, int systemError,
                           const QString& table, const QStringList& columns, const QString& ownWords)
    : std::runtime_error("Jet file not read, problem " + std::to_string(static_cast<quint32>(problem))),
      problem_(problem), number_(number), otherNumber_(otherNumber), systemError_(systemError), table_(table),
      columns_(columns), ownWords_(ownWords)
{
}

JetReadError JetReadError::System(int error)
{
    return JetReadError(JetReadProblem::CannotRead, 0, 0, error, {}, {}, {});
}

JetReadError JetReadError::MissingTable(const QString& table, const QStringList& columns)
{
    return JetReadError(JetReadProblem::MissingTable, 0, 0, 0, table, columns, {});
}

JetReadError JetReadError::RowsMissing(const QString& table, qint64 counted, qint64 read)
{
    return JetReadError(JetReadProblem::RowsMissing, counted, read, 0, table, {}, {});
}

JetReadError JetReadError::NotStarted(const QString& ownWords)
{
    return JetReadError(JetReadProblem::ReadingNotStarted, 0, 0, 0, {}, {}, ownWords);
}
