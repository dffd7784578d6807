#pragma once

#include <QString>

// The program asked to end from outside (a termination signal, the desktop session ending). A handler is never
// cut short: a message box open at that moment is closed with its safe answer (OK, or No for a question), the
// handler that opened it runs to its end, and only then do the windows close as their close boxes would, saving
// the notes. From then on no message box waits for anyone: each is answered at once with its safe answer and
// its text goes to standard error.

// Asks for the end: the windows close now when no handler is running, else once the outermost one returns.
void RequestProgramEnd();
bool ProgramEndRequested();

// The closing could not save what the user typed, and there is no one left to ask: says so on standard error and
// makes the program end with a failure status.
void EndWithUnsavedNotes(const QString& reason);
// EXIT_FAILURE once EndWithUnsavedNotes was called, else EXIT_SUCCESS.
int ProgramEndStatus();

// Marks a handler running: RunGuarded holds one around each handler.
class HandlerScope {
public:
    HandlerScope();
    ~HandlerScope();
    HandlerScope(const HandlerScope&) = delete;
    HandlerScope& operator=(const HandlerScope&) = delete;
};

// For tests: forgets an earlier request.
void ResetProgramEnd();
