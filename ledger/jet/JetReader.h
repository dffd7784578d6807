#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <stdexcept>

// Why a Jet file could not be read, as a French clause ("il est tronqué").
class JetReadError : public std::runtime_error {
public:
    explicit JetReadError(const QString& reason);
    QString reason() const { return reason_; }

private:
    QString reason_;
};

// Reads every row of `table` in the Jet 3 or Jet 4 file at `path`, in the file's order: for each, the values of
// `columns`, which must be Text or Memo fields. A NULL value comes back as a null QString, and so does an empty
// Text value (the library reports both alike; an empty Memo is an empty QString).
//
// libmdb (mdbtools) finds the pages, rows and long values and decodes RC4-encoded pages; the stored text is
// decoded here, because the library's own conversion loses characters outside the Basic Multilingual Plane,
// cuts a text at U+0000, drops a leading U+FEFF and cuts Memos at its bind size without a word. A file whose
// table holds fewer rows than its definition counts, or a Memo whose pieces do not add up, is refused as
// damaged: the library skips unreadable pages silently. Throws JetReadError.
QList<QStringList> ReadJetTextColumns(const QString& path, const QString& table, const QStringList& columns);
