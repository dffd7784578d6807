#pragma once

#include <QString>

// The titles of the program's message boxes.
inline const QString ProgramTitle = QStringLiteral("Quentaril");
inline const QString ErrorTitle = QStringLiteral("Erreur");
