// Makes a new ledger: the table and the reserved entry, mode 0600. Never overwrites a file.
//   quentaril-newledger [--if-missing] PATH
// --if-missing: an existing file is kept and the call succeeds (for builds and installs).

#include "ledger/NewLedger.h"

#include "ledger/LedgerError.h"
#include "ui/words/FailureWords.h"
#include "ui/words/StartWords.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStringList>
#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
    const bool ifMissing = arguments.removeAll(QStringLiteral("--if-missing")) > 0;
    if (arguments.size() != 1 || arguments.front().startsWith(QLatin1Char('-'))) {
        std::fprintf(stderr, "usage: quentaril-newledger [--if-missing] PATH\n");
        return 2;
    }
    const QString path = arguments.front();
    if (ifMissing && (QFileInfo::exists(path) || QFileInfo(path).isSymLink()))
        return 0;
    try {
        CreateNewLedger(path);
    } catch (const LedgerError& error) {
        std::fprintf(stderr, "quentaril-newledger: %s\n", qPrintable(DescribeFailure(error)));
        return 1;
    }
    std::printf("quentaril-newledger: %s\n", qPrintable(NewLedgerMade(path)));
    return 0;
}
