#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <stdexcept>

// Why a Jet file could not be read. The order is part of the reading process's answer: add at the end only.
enum class JetReadProblem : quint32 {
    CannotRead,        // systemError says why
    Truncated,         // not a whole number of pages
    NotAccess,         // the library cannot open it as an Access database
    NotJet3Or4,        // another version of the format
    UnknownCodePage,   // number: the code page
    MissingTable,      // table and columns: what it lacks
    ReadingNotStarted, // the reading process could not be started: ownWords say why
    // The file is damaged.
    TooLargeForJet,
    PageOutsideFile, // number: the page
    CatalogUnreadable,
    TableDefinitionOutsideFile,
    TableDefinitionUnreadable,
    PageMapUnreadable,
    PageMapOutsideFile, // number: the page the map names
    FieldOutsidePage,
    TextUnreadable, // number: the row, from 1
    RowsMissing,    // table; number: the rows its definition counts; otherNumber: those read
    MemoFieldTooShort,
    MemoFieldInconsistent,
    MemoLengthWrong,
    MemoCut,
    MemoPageOutsideFile,
    MemoPageReadTwice,
    MemoPageUnreadable,
    AnswerIncoherent, // the reading process answered what no reading gives
    ReadingTooLong,   // it did not end in time
    ReadingCrashed,
    ReadingFailed, // it ended with a failure status
    Last = ReadingFailed
};

// A Jet file that could not be read: the problem and what it names.
class JetReadError : public std::runtime_error {
public:
    explicit JetReadError(JetReadProblem problem, qint64 number = 0, qint64 otherNumber = 0);
    static JetReadError System(int error);
    static JetReadError MissingTable(const QString& table, const QStringList& columns);
    static JetReadError RowsMissing(const QString& table, qint64 counted, qint64 read);
    static JetReadError NotStarted(const QString& ownWords);

    JetReadProblem problem() const { return problem_; }
    bool isDamage() const { return problem_ >= JetReadProblem::TooLargeForJet; }
    qint64 number() const { return number_; }
    qint64 otherNumber() const { return otherNumber_; }
    int systemError() const { return systemError_; }
    QString table() const { return table_; }
    QStringList columns() const { return columns_; }
    QString ownWords() const { return ownWords_; }

    // Every part as the reading process's answer carries it.
    JetReadError(JetReadProblem problem, qint64 number, qint64 otherNumber, int systemError, const QString& table,
                 const QStringList& columns, const QString& ownWords);

private:
    JetReadProblem problem_;
    qint64 number_;
    qint64 otherNumber_;
    int systemError_;
    QString table_;
    QStringList columns_;
    QString ownWords_;
};
