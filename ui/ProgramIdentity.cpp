#include "ProgramIdentity.h"

#include <QCoreApplication>
#include <QFileInfo>

QString ProgramVersionText()
{
    return QStringLiteral("%1.%2.%3").arg(ProgramVersionMajor).arg(ProgramVersionMinor).arg(ProgramVersionRevision);
}

QString ProgramBaseName()
{
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

QString ProgramComments()
{
    return QStringLiteral("Programme permetant de gerer ses plorns");
}
