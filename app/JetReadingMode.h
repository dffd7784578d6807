#pragma once

#include "app/JetRowFrames.h"

#include <QByteArray>
#include <functional>

// The first argument that starts this executable as the program's reading process. Reserved: the program
// starts it so, with its request on a pipe for standard input and a pipe for the answer as standard output.
inline constexpr char JetReadingModeArgument[] = "--quentaril-processus-de-lecture-jet";

// What the reading process does with a request: the answer's bytes (EncodeJetRows or EncodeJetReadFailure).
using JetReadingWork = std::function<QByteArray(const JetReadingRequest&)>;

// Called first in main(), before any application object. When this process was started as the reading process,
// it reads the Jet file the request names (through libmdb, the one place the program calls it), writes the
// answer to standard output and ends the process; otherwise it returns at once and the program goes on.
// Started with the reserved argument by anyone else (standard input or output not a pipe, no whole request),
// it says so on standard error and ends with a failure status, having read nothing.
void RunJetReadingModeIfAsked(int argc, char* argv[]);
// The same with other work than the reading: for the tests' reading processes alone.
void RunJetReadingModeIfAsked(int argc, char* argv[], const JetReadingWork& work);
