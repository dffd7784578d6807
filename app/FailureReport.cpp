#include "app/FailureReport.h"

#include "ui/toolkit/MessageBox.h"
#include "ui/words/EndWords.h"
#include "ui/words/Titles.h"

#include <QApplication>

QString TellFailure(std::exception_ptr failure)
{
    const QString message = DescribeEndingFailure(failure);
    // Told outside the catch blocks: the message box runs an event loop.
    ShowMessage(QApplication::activeWindow(), message, ErrorTitle, MessageIcon::Error, MessageButtons::Ok);
    return message;
}
