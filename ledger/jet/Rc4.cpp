#include "ledger/jet/Rc4.h"

#include <array>
#include <utility>

QByteArray Rc4(QByteArrayView key, QByteArrayView data)
{
    std::array<unsigned char, 256> state{};
    for (int i = 0; i < 256; ++i)
        state[i] = static_cast<unsigned char>(i);
    if (!key.isEmpty()) {
        unsigned j = 0;
        for (int i = 0; i < 256; ++i) {
            j = (j + state[i] + static_cast<unsigned char>(key[i % key.size()])) & 0xFF;
            std::swap(state[i], state[j]);
        }
    }
    QByteArray out(data.size(), Qt::Uninitialized);
    unsigned i = 0;
    unsigned j = 0;
    for (qsizetype n = 0; n < data.size(); ++n) {
        i = (i + 1) & 0xFF;
        j = (j + state[i]) & 0xFF;
        std::swap(state[i], state[j]);
        out[n] = static_cast<char>(static_cast<unsigned char>(data[n]) ^ state[(state[i] + state[j]) & 0xFF]);
    }
    return out;
}
