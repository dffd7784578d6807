#pragma once

#include <QByteArray>
#include <QString>
#include <memory>

// The floor of a save: the bytes of the notes encrypted page by page as SQLCipher 3 does (1024-byte pages,
// AES-256-CBC over all but the 48-byte reserve, a fresh IV per page write, HMAC-SHA1 over the ciphertext, the IV
// and the page number), then written and synced twice: once into a journal file, once into the ledger file.
// Nothing is read back, nothing else is written: no B-tree, no free list, no journal header.
class CryptoWriteFloor {
public:
    static constexpr int PageSize = 1024;
    static constexpr int Reserve = 48; // IV 16 + HMAC-SHA1 20, rounded up to the AES block
    static constexpr int PagePayload = PageSize - Reserve;

    // The two files are made in `folder`, each large enough for `maxBytes` of content.
    CryptoWriteFloor(const QString& folder, qsizetype maxBytes);
    ~CryptoWriteFloor();
    CryptoWriteFloor(const CryptoWriteFloor&) = delete;
    CryptoWriteFloor& operator=(const CryptoWriteFloor&) = delete;

    // Encrypts, writes and syncs `content`, journal then file; throws std::runtime_error on a failure.
    void save(const QByteArray& content);
    static qsizetype pagesFor(qsizetype bytes) { return (bytes + PagePayload - 1) / PagePayload; }
    // The content of the page last written into the ledger file at `index`, decrypted: the floor's own check.
    QByteArray decryptedPage(qsizetype index) const;

private:
    struct Engine;
    std::unique_ptr<Engine> engine_;
};
