#pragma once

#include "ledger/Ledger.h"

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <sys/stat.h>
#include <sys/types.h>

// A new ledger, made as a user gets it, in a temporary folder of its own.
class TempLedger {
public:
    TempLedger();

    QString folder() const { return dir_.path(); }
    QString path() const { return LedgerPathIn(dir_.path()); }
    Ledger open() const { return OpenLedgerFile(path()); }

private:
    QTemporaryDir dir_;
};

// Runs `sql` through the sqlcipher command-line tool on the file at `path`, keyed with `key` unless it
// is empty; fails the running test when the tool fails. Returns what the tool printed.
QByteArray RunSqlcipherCli(const QString& path, const QString& key, const QString& sql);

// The bytes of the file at `path`; none when it cannot be read.
QByteArray FileBytes(const QString& path);
// Makes `bytes` the whole content of the file at `path`; a file the test cannot write ends the run.
void WriteFile(const QString& path, const QByteArray& bytes);
// The umask of the process, restored when it goes.
class Umask {
public:
    explicit Umask(mode_t mask) : previous_(::umask(mask)) {}
    ~Umask() { ::umask(previous_); }
    Umask(const Umask&) = delete;
    Umask& operator=(const Umask&) = delete;

private:
    mode_t previous_;
};

// Notes over many pages of the file, so that an operation writes and journals several of them.
QString PagesOfNotes(const QString& seed, qsizetype size);
// The permission bits of the file at `path`, 0 when there is no such file.
mode_t FileMode(const QString& path);

// Every person's notes, by name, read through the ledger's own statements.
using LedgerContents = QMap<QString, QString>;
LedgerContents ReadAll(Ledger& ledger);

// What the engine's integrity check of the ledger file at `path` reports; empty when the file is sound.
QStringList IntegrityProblems(const QString& path);
