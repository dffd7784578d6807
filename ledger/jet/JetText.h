#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>
#include <optional>

// Text as Jet stores it: Jet 4 in UTF-16 little-endian, or in its "compressed" form (FF FE, then one byte per
// character, a zero byte switching to and from two bytes per character); Jet 3 in the file's code page.
class JetTextDecoder {
public:
    // The decoder for Jet 4 text.
    JetTextDecoder();
    // The decoder for Jet 3 text in that Windows code page (0 stands for 1252); invalid when the code page
    // is unknown.
    explicit JetTextDecoder(int codePage);

    bool isValid() const { return jet4_ || codePage_.isValid(); }

    // The text, or nothing when the bytes are not text of that form (an odd length, a broken surrogate pair,
    // a byte the code page does not define).
    std::optional<QString> decode(QByteArrayView stored);

private:
    bool jet4_ = false;
    QStringDecoder codePage_;
};
