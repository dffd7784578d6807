#include "bench/CryptoWriteFloor.h"

#include <QDir>
#include <QFile>
#include <array>
#include <cstring>
#include <fcntl.h>
#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/rand.h>
#include <stdexcept>
#include <string>
#include <unistd.h>

namespace {

void Require(bool done, const char* what)
{
    if (!done)
        throw std::runtime_error(std::string("crypto floor: ") + what);
}

struct CipherContextFree {
    void operator()(EVP_CIPHER_CTX* context) const { EVP_CIPHER_CTX_free(context); }
};
struct MacFree {
    void operator()(EVP_MAC* mac) const { EVP_MAC_free(mac); }
};
struct MacContextFree {
    void operator()(EVP_MAC_CTX* context) const { EVP_MAC_CTX_free(context); }
};

class FileDescriptor {
public:
    explicit FileDescriptor(const QString& path)
        : fd_(::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600))
    {
        Require(fd_ >= 0, "cannot open a file");
    }
    ~FileDescriptor() { ::close(fd_); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

} // namespace

struct CryptoWriteFloor::Engine {
    Engine(const QString& folder)
        : journal(QDir(folder).filePath(QStringLiteral("floor.mdb-journal"))),
          ledger(QDir(folder).filePath(QStringLiteral("floor.mdb"))), cipher(EVP_CIPHER_CTX_new()),
          mac(EVP_MAC_fetch(nullptr, "HMAC", nullptr))
    {
        Require(cipher && mac, "no cipher or no HMAC");
        hmac.reset(EVP_MAC_CTX_new(mac.get()));
        Require(hmac != nullptr, "no HMAC context");
        Require(RAND_bytes(key.data(), static_cast<int>(key.size())) == 1 &&
                    RAND_bytes(hmacKey.data(), static_cast<int>(hmacKey.size())) == 1,
                "no random key");
        char digest[] = "SHA1";
        const OSSL_PARAM parameters[] = {OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digest, 0),
                                         OSSL_PARAM_construct_end()};
        Require(EVP_MAC_init(hmac.get(), hmacKey.data(), hmacKey.size(), parameters) == 1, "HMAC init");
    }

    // One page as SQLCipher 3 writes it: ciphertext, IV, HMAC, the rest of the reserve left as it is.
    void encryptPage(const unsigned char* plain, quint32 pageNumber, unsigned char* page)
    {
        unsigned char* iv = page + PagePayload;
        Require(RAND_bytes(iv, 16) == 1, "no IV");
        int written = 0;
        int finished = 0;
        Require(EVP_EncryptInit_ex(cipher.get(), EVP_aes_256_cbc(), nullptr, key.data(), iv) == 1 &&
                    EVP_CIPHER_CTX_set_padding(cipher.get(), 0) == 1 &&
                    EVP_EncryptUpdate(cipher.get(), page, &written, plain, PagePayload) == 1 &&
                    EVP_EncryptFinal_ex(cipher.get(), page + written, &finished) == 1 &&
                    written + finished == PagePayload,
                "AES-256-CBC");
        const unsigned char number[4] = {
            static_cast<unsigned char>(pageNumber), static_cast<unsigned char>(pageNumber >> 8),
            static_cast<unsigned char>(pageNumber >> 16), static_cast<unsigned char>(pageNumber >> 24)};
        size_t macLength = 0;
        // A null key starts again with the key already set.
        Require(EVP_MAC_init(hmac.get(), nullptr, 0, nullptr) == 1 &&
                    EVP_MAC_update(hmac.get(), page, PagePayload + 16) == 1 &&
                    EVP_MAC_update(hmac.get(), number, sizeof number) == 1 &&
                    EVP_MAC_final(hmac.get(), page + PagePayload + 16, &macLength, 20) == 1 && macLength == 20,
                "HMAC-SHA1");
    }

    void writeAndSync(const FileDescriptor& file, const QByteArray& content)
    {
        const qsizetype pages = pagesFor(content.size());
        // The last page's tail is zeros, as the engine's pages are.
        QByteArray plain = content;
        plain.resize(pages * PagePayload, '\0');
        buffer.resize(pages * PageSize);
        auto* out = reinterpret_cast<unsigned char*>(buffer.data());
        const auto* in = reinterpret_cast<const unsigned char*>(plain.constData());
        for (qsizetype page = 0; page < pages; ++page)
            encryptPage(in + page * PagePayload, static_cast<quint32>(page + 2), out + page * PageSize);
        Require(::pwrite(file.get(), buffer.constData(), static_cast<size_t>(buffer.size()), 0) == buffer.size(),
                "write");
        Require(::fdatasync(file.get()) == 0, "sync");
    }

    FileDescriptor journal;
    FileDescriptor ledger;
    std::unique_ptr<EVP_CIPHER_CTX, CipherContextFree> cipher;
    std::unique_ptr<EVP_MAC, MacFree> mac;
    std::unique_ptr<EVP_MAC_CTX, MacContextFree> hmac;
    std::array<unsigned char, 32> key{};
    std::array<unsigned char, 32> hmacKey{};
    QByteArray buffer;
};

CryptoWriteFloor::CryptoWriteFloor(const QString& folder, qsizetype maxBytes)
    : engine_(std::make_unique<Engine>(folder))
{
    // Both files at their full size first: a save overwrites pages, it does not grow the file.
    const QByteArray zeros(pagesFor(maxBytes) * PageSize, '\0');
    for (const FileDescriptor* file : {&engine_->journal, &engine_->ledger}) {
        Require(::pwrite(file->get(), zeros.constData(), static_cast<size_t>(zeros.size()), 0) == zeros.size(),
                "write");
        Require(::fsync(file->get()) == 0, "sync");
    }
}

CryptoWriteFloor::~CryptoWriteFloor() = default;

void CryptoWriteFloor::save(const QByteArray& content)
{
    engine_->writeAndSync(engine_->journal, content);
    engine_->writeAndSync(engine_->ledger, content);
}

QByteArray CryptoWriteFloor::decryptedPage(qsizetype index) const
{
    QByteArray page(PageSize, '\0');
    Require(::pread(engine_->ledger.get(), page.data(), PageSize, index * PageSize) == PageSize, "read");
    const auto* in = reinterpret_cast<const unsigned char*>(page.constData());
    QByteArray plain(PagePayload + 16, '\0');
    auto* out = reinterpret_cast<unsigned char*>(plain.data());
    std::unique_ptr<EVP_CIPHER_CTX, CipherContextFree> context(EVP_CIPHER_CTX_new());
    int written = 0;
    int finished = 0;
    Require(context &&
                EVP_DecryptInit_ex(context.get(), EVP_aes_256_cbc(), nullptr, engine_->key.data(), in + PagePayload) ==
                    1 &&
                EVP_CIPHER_CTX_set_padding(context.get(), 0) == 1 &&
                EVP_DecryptUpdate(context.get(), out, &written, in, PagePayload) == 1 &&
                EVP_DecryptFinal_ex(context.get(), out + written, &finished) == 1,
            "AES-256-CBC decryption");
    plain.truncate(written + finished);
    return plain;
}
