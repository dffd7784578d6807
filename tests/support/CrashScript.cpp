#include "support/CrashScript.h"

#include <random>

namespace {

QString PasserBy(qint64 generation)
{
    return QStringLiteral("Passant %1").arg(generation);
}

// The same in every process, unlike qHash.
quint32 NameSeed(const QString& name)
{
    quint32 hash = 2166136261u;
    for (const QChar unit : name)
        hash = (hash ^ unit.unicode()) * 16777619u;
    return hash;
}

} // namespace

CrashStep CrashStepAt(qint64 generation)
{
    const qint64 cycle = generation / 4;
    const auto kept = [cycle](qint64 shift) {
        return CrashKeptPersons.at((cycle + shift) % CrashKeptPersons.size());
    };
    switch (generation % 4) {
    case 0:
        return {CrashStep::Kind::Save, kept(0), generation, cycle % 2 ? CrashLargeNotes : CrashSmallNotes};
    case 1:
        return {CrashStep::Kind::Add, PasserBy(generation), generation, CrashSmallNotes};
    case 2:
        return {CrashStep::Kind::Save, kept(1), generation, cycle % 2 ? CrashSmallNotes : CrashLargeNotes};
    default:
        return {CrashStep::Kind::Delete, PasserBy(generation - 2), generation, 0};
    }
}

QString CrashNotes(const QString& name, qint64 generation, qsizetype size)
{
    static const QString alphabet = QStringLiteral("abcdefghij ,.'\r\néèàç€«»\u00A0😀𝄞");
    QString notes = QStringLiteral("%1 n°%2 (%3)\r\n").arg(name).arg(generation).arg(size);
    notes.reserve(size);
    std::mt19937 random(NameSeed(name) ^ static_cast<quint32>(generation * 7919));
    std::uniform_int_distribution<qsizetype> pick(0, alphabet.size() - 1);
    while (notes.size() < size) {
        qsizetype at = pick(random);
        if (alphabet.at(at).isLowSurrogate())
            --at;
        const qsizetype length = alphabet.at(at).isHighSurrogate() ? 2 : 1;
        if (notes.size() + length > size)
            notes.append(alphabet.front());
        else
            notes.append(QStringView(alphabet).sliced(at, length));
    }
    return notes;
}
