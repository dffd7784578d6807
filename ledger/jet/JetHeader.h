#pragma once

#include <QByteArray>
#include <QString>

enum class JetFormat {
    Jet3,   // Access 97
    Jet4,   // Access 2000 to 2003
    Ace,    // Access 2007 and later (.accdb)
    Unknown // not an Access file, or a version of Jet this program does not know
};

// What the first page of an Access file says about it.
struct JetHeader {
    JetFormat format = JetFormat::Unknown;
    // The database password, empty when the file has none. Only for Jet 3 and Jet 4.
    QString password;
    // The Windows code page of Jet 3 text.
    int codePage = 0;
};

// The header page is masked with RC4 under a fixed key, from this offset on.
inline constexpr int JetHeaderMaskedOffset = 0x18;

// Reads the header from the file's first bytes (the first 256 are enough). The engine never checks the
// password itself: whoever opens the file must.
JetHeader ParseJetHeader(const QByteArray& firstBytes);
