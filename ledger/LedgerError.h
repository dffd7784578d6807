#pragma once

#include <QString>
#include <stdexcept>

// A failure of the ledger: the engine's own message, or a French one for what the program refuses itself.
class LedgerError : public std::runtime_error {
public:
    // engineCode is the engine's result code, or 0 for a refusal made by the program.
    LedgerError(const QString& message, int engineCode = 0);

    QString message() const { return message_; }
    int engineCode() const { return engineCode_; }
    // The engine ran out of memory.
    bool isOutOfMemory() const;

private:
    QString message_;
    int engineCode_;
};
