#pragma once

// The notes sit in memory in clear: a crash must not leave them in a core file beside the ledger, nor may
// another process of the user read them through a debugger. Called first thing in main.
void DisableCoreDumps();
