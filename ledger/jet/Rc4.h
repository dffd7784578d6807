#pragma once

#include <QByteArray>
#include <QByteArrayView>

// The RC4 stream cipher, with which Jet masks its header page and, in files encoded by Access, every other
// page. The same call encodes and decodes.
QByteArray Rc4(QByteArrayView key, QByteArrayView data);
