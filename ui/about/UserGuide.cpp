#include "ui/about/UserGuide.h"

#include "ui/toolkit/HandlerGuard.h"
#include "ui/toolkit/MessageBox.h"
#include "ui/toolkit/ShellOpen.h"
#include "ui/words/GuideWords.h"
#include "ui/words/Titles.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QUrl>
#include <QWidget>

namespace {

void OpenUserGuide(QWidget* parent, HandlerGuard& guard)
{
    const ProgramFolderSeam* seam = ProgramFolderSeam::live();
    const QStringList places = UserGuidePlaces(seam ? seam->folder() : QCoreApplication::applicationDirPath());
    for (const QString& place : places) {
        if (!QFileInfo(place).isFile())
            continue;
        ShellOpen(QUrl::fromLocalFile(place), parent, guard.guarded([parent, place] {
            ShowMessage(parent, GuideNotOpened(QDir::toNativeSeparators(place)), ProgramTitle,
                        MessageIcon::Information);
        }));
        return;
    }
    QStringList shownPlaces;
    for (const QString& place : places)
        shownPlaces.append(QDir::toNativeSeparators(place));
    ShowMessage(parent, GuideMissing(shownPlaces), ProgramTitle, MessageIcon::Error);
}

} // namespace

QStringList UserGuidePlaces(const QString& programFolder)
{
    const QDir folder(programFolder);
    return {QDir::cleanPath(folder.filePath(QStringLiteral("guide/index.html"))),
            QDir::cleanPath(folder.filePath(QStringLiteral("../share/doc/quentaril/guide/index.html")))};
}

void AddUserGuideShortcut(QWidget* window, HandlerGuard& guard)
{
    auto* action = new QAction(GuideCommand, window);
    action->setShortcut(QKeySequence::HelpContents);
    action->setShortcutContext(Qt::WindowShortcut);
    QObject::connect(action, &QAction::triggered, window,
                     guard.guarded([window, &guard] { OpenUserGuide(window, guard); }));
    window->addAction(action);
}
