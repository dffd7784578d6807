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
