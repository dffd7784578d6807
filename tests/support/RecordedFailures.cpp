#include "support/RecordedFailures.h"

#include "app/FailureReport.h"

void RecordedFailures::handlerFailed(std::exception_ptr failure)
{
    messages_.append(TellFailure(failure));
}

void RecordedFailures::endWithUnsavedNotes(const QString&)
{
    endStatus_ = EXIT_FAILURE;
}
