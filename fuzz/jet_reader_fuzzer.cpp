// Any bytes, read as an old Jet ledger: the reader returns rows or refuses the file with a JetReadError, and never
// crashes, hangs or reads outside what it was given.

#include "ledger/jet/JetReader.h"

#include <QFile>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>

namespace {

// One file for the whole run, rewritten for each input: the library opens files by name.
const QString& InputPath()
{
    static QTemporaryDir folder;
    static const QString path = [] {
        if (!folder.isValid())
            std::abort();
        return folder.filePath(QStringLiteral("BDPLORN.mdb"));
    }();
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QFile file(InputPath());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size)) != static_cast<qint64>(size))
        std::abort();
    file.close();
    try {
        const QList<QStringList> rows = ReadJetTextColumns(InputPath(), QStringLiteral("tblPlorn"),
                                                           {QStringLiteral("NomPers"), QStringLiteral("LesPlorns")});
        for (const QStringList& row : rows) {
            if (row.size() != 2)
                std::abort();
        }
    } catch (const JetReadError&) {
        // A refusal is an answer: the reader said what it found.
    }
    return 0;
}
