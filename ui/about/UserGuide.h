#pragma once

#include "ui/toolkit/ScopedSeam.h"

#include <QString>
#include <QStringList>
#include <utility>

class HandlerGuard;
class QWidget;

// The places the guide's page may be, first found first: beside the program (the build, an install for the user),
// then under share/doc as a package puts it.
QStringList UserGuidePlaces(const QString& programFolder);

// F1 anywhere in `window` opens the guide in the desktop's browser, through `guard`; where no browser takes it,
// the user is told where the guide is.
void AddUserGuideShortcut(QWidget* window, HandlerGuard& guard);

// Test seam: while one is alive, the guide is looked for beside this folder instead of the program's.
class ProgramFolderSeam : public ScopedSeam<ProgramFolderSeam> {
public:
    explicit ProgramFolderSeam(QString folder) : folder_(std::move(folder)) {}
    const QString& folder() const { return folder_; }

private:
    QString folder_;
};
