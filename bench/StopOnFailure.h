#pragma once

#include "ui/toolkit/HandlerGuard.h"

#include <cstdio>
#include <cstdlib>
#include <exception>

// The windows' guard in the benchmarks: a handler that fails stops the run, saying what it threw, since figures
// measured past a failure would mean nothing.
class StopOnFailure final : public GuardPolicy {
public:
    HandlerGuard& guard() { return guard_; }

    void handlerFailed(std::exception_ptr failure) override
    {
        try {
            std::rethrow_exception(failure);
        } catch (const std::exception& thrown) {
            std::fprintf(stderr, "a handler of the window failed: %s\n", thrown.what());
        } catch (...) {
            std::fputs("a handler of the window failed\n", stderr);
        }
        std::abort();
    }
    void endWithUnsavedNotes(const QString&) override {}

private:
    HandlerGuard guard_{*this};
};
