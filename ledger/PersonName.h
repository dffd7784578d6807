#pragma once

#include <QByteArray>
#include <QString>

// A person's name as the ledger stores it. The stored bytes address the row whatever they hold: a name written
// by another tool may not be valid UTF-8, and it must still be read, saved and deleted as it is. The text is
// what the user sees.
class PersonName {
public:
    PersonName() = default;
    // A name the user typed, stored as UTF-8.
    PersonName(const QString& text) : stored_(text.toUtf8()) {}

    static PersonName fromStored(QByteArray stored);

    const QByteArray& stored() const { return stored_; }
    // The stored bytes as text: a leading U+FEFF kept, a sequence that is not UTF-8 shown as U+FFFD.
    QString text() const;

    bool operator==(const PersonName&) const = default;

private:
    QByteArray stored_;
};

// Text stored by the engine (UTF-8), decoded without losing a leading U+FEFF, which the fast conversion drops as
// a byte order mark.
QString DecodeStoredText(const char* bytes, qsizetype size);

// What keeps a name the user typed from being added, whatever the other names.
enum class NewNameProblem {
    None,
    // Nothing a reader can see once spaces and invisible marks (U+200B and the like) are set aside.
    Empty,
    // A control or format character or a line break (tab, NUL, U+2028, a right-to-left override...), which would
    // show the name as another or not at all.
    Invisible
};
NewNameProblem ProblemWithNewName(const QString& name);

// The form names are compared in: composed (NFC), so that two names a reader cannot tell apart are one.
QString ComposedName(const QString& name);
// Whether `name` is the reserved entry's whatever its case, as a reader would take it.
bool LooksLikeReservedName(const QString& name);
