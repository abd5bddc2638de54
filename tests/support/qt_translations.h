#pragma once
// Where the Qt suites look for Qt's translation catalogues: the program's own folders and,
// for the Windows build under wine, Debian's on the host (Qt for Windows is built without
// its catalogues, so its translations folder has none; the Windows packages ship Debian's
// files, which are the same on every platform).
#include <QStringList>

#include "widgets/qt_translation.h"

inline QStringList TestQtTranslationFolders() {
  QStringList folders = QtTranslationFolders();
#ifdef _WIN32
  folders << QStringLiteral("Z:/usr/share/qt6/translations");
#endif
  return folders;
}
