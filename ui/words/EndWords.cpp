#include "ui/words/EndWords.h"

#include "ledger/LedgerError.h"
#include "ui/words/FailureWords.h"

#include <new>

QString DescribeEndingFailure(std::exception_ptr failure)
{
    QString message;
    try {
        std::rethrow_exception(failure);
    } catch (const std::bad_alloc&) {
        message = QStringLiteral("La mémoire manque : le programme doit se fermer. Les notes qui n'ont pas été "
                                 "enregistrées sont perdues.");
    } catch (const LedgerError& ledgerFailure) {
        message = DescribeFailure(ledgerFailure);
    } catch (const std::exception& other) {
        message = QString::fromUtf8(other.what());
    } catch (...) {
    }
    if (message.isEmpty())
        message = QStringLiteral("Une erreur inattendue s'est produite. Le programme va se fermer.");
    return message;
}

QString UnsavedAtTheEnd(const QString& reason)
{
    return QStringLiteral("Quentaril : les notes n'ont pas pu être enregistrées avant la fermeture.\n%1\n").arg(reason);
}
