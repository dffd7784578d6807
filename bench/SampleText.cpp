#include "bench/SampleText.h"

#include <QRandomGenerator>
#include <QStringList>

namespace {

const QStringList Words = {
    QStringLiteral("le"),       QStringLiteral("la"),      QStringLiteral("les"),      QStringLiteral("un"),
    QStringLiteral("une"),      QStringLiteral("de"),      QStringLiteral("du"),       QStringLiteral("des"),
    QStringLiteral("et"),       QStringLiteral("pour"),    QStringLiteral("avec"),     QStringLiteral("sur"),
    QStringLiteral("dans"),     QStringLiteral("prêté"),   QStringLiteral("rendu"),    QStringLiteral("euros"),
    QStringLiteral("janvier"),  QStringLiteral("février"), QStringLiteral("mars"),     QStringLiteral("août"),
    QStringLiteral("décembre"), QStringLiteral("dette"),   QStringLiteral("créance"),  QStringLiteral("somme"),
    QStringLiteral("acompte"),  QStringLiteral("reste"),   QStringLiteral("payé"),     QStringLiteral("doit"),
    QStringLiteral("chèque"),   QStringLiteral("espèces"), QStringLiteral("virement"), QStringLiteral("repas"),
    QStringLiteral("voiture"),  QStringLiteral("loyer"),   QStringLiteral("cadeau"),   QStringLiteral("promis"),
    QStringLiteral("avant"),    QStringLiteral("après"),   QStringLiteral("Noël"),     QStringLiteral("vacances"),
    QStringLiteral("samedi"),   QStringLiteral("Marcel"),  QStringLiteral("Hélène"),   QStringLiteral("remboursé"),
    QStringLiteral("12,50"),    QStringLiteral("300"),     QStringLiteral("moitié"),   QStringLiteral("garçon"),
};

// An elision needs a word that starts with a vowel or a mute h.
const QStringList Elisions = {QStringLiteral("l'"), QStringLiteral("d'"), QStringLiteral("qu'"),
                              QStringLiteral("n'"), QStringLiteral("j'"), QStringLiteral("jusqu'")};
const QStringList VowelWords = {
    QStringLiteral("argent"), QStringLiteral("avance"),  QStringLiteral("emprunt"),  QStringLiteral("essence"),
    QStringLiteral("hôtel"),  QStringLiteral("impôt"),   QStringLiteral("ami"),      QStringLiteral("achat"),
    QStringLiteral("Anne"),   QStringLiteral("intérêt"), QStringLiteral("échéance"), QStringLiteral("ordonnance"),
};

const QString& Pick(const QStringList& list, QRandomGenerator& random)
{
    return list.at(random.bounded(static_cast<int>(list.size())));
}

} // namespace

QString FrenchLikeText(qsizetype characters, quint32 seed)
{
    QRandomGenerator random(seed);
    QString text;
    text.reserve(characters + 64);
    qsizetype apostrophes = 0;
    qsizetype lineStart = 0;
    int lineLength = 60 + random.bounded(40);
    while (text.size() < characters) {
        if (apostrophes * 100 < text.size()) {
            text += Pick(Elisions, random);
            text += Pick(VowelWords, random);
            ++apostrophes;
        } else {
            text += Pick(Words, random);
        }
        if (text.size() - lineStart >= lineLength) {
            text += QStringLiteral(".\r\n");
            lineStart = text.size();
            lineLength = 60 + random.bounded(40);
        } else {
            text += QLatin1Char(' ');
        }
    }
    text.truncate(characters);
    return text;
}
