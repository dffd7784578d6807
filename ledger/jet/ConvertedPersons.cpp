#include "ledger/jet/ConvertedPersons.h"

#include <QHash>
#include <QSet>
#include <utility>

namespace {

class FreeNames {
public:
    explicit FreeNames(QSet<QString> taken) : taken_(std::move(taken)) {}

    // `base` itself when free, else the first of "base (2)", "base (3)" ... that is; then it is taken.
    QString take(const QString& base)
    {
        QString name = base;
        // Where the last search for this base stopped: names only ever get taken, so none below is free.
        auto next = nextSuffix_.find(base);
        if (next == nextSuffix_.end())
            next = nextSuffix_.insert(base, 2);
        int& suffix = next.value();
        while (taken_.contains(name))
            name = QStringLiteral("%1 (%2)").arg(base, QString::number(suffix++));
        taken_.insert(name);
        return name;
    }

private:
    QSet<QString> taken_;
    QHash<QString, int> nextSuffix_;
};

} // namespace

ConvertedPersons ConvertPersons(const QList<QStringList>& rows)
{
    QSet<QString> names;
    QHash<QString, qsizetype> lastRowNamed;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const QString& name = rows[i].at(0);
        if (!name.isEmpty()) {
            names.insert(name);
            lastRowNamed.insert(name, i);
        }
    }

    FreeNames freeNames(std::move(names));
    ConvertedPersons converted;
    converted.persons.reserve(rows.size());
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const QString& oldName = rows[i].at(0);
        const QString& notes = rows[i].at(1);
        QString name = oldName;
        if (oldName.isEmpty())
            name = freeNames.take(UnnamedPersonName);
        else if (lastRowNamed.value(oldName) != i)
            name = freeNames.take(oldName);
        if (name != oldName)
            converted.renamed.append({oldName.isNull() ? QStringLiteral("") : oldName, name});
        converted.persons.append({name, notes.isNull() ? QStringLiteral("") : notes});
    }
    return converted;
}
