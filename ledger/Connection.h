#pragma once

#include <memory>

// The engine's connection handle, owned. Declared without the engine's header so that the windows, which hold
// a Ledger, never see the engine.
struct sqlite3;

struct ConnectionCloser {
    void operator()(sqlite3* db) const;
};
using Connection = std::unique_ptr<sqlite3, ConnectionCloser>;

// How long a connection waits for another's lock: long enough to ride out another program's short write, short
// enough not to look frozen.
inline constexpr int DefaultBusyTimeoutMs = 5000;
