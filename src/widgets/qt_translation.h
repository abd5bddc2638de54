#pragma once
// Qt's own texts (file dialogs, standard buttons, date pickers) in the user's language:
// Qt's translation catalogue for the locale, from the program's own translations folder
// (beside the Windows program) or else from Qt's (Debian: qt6-translations-l10n).
#include <QLocale>
#include <QString>
#include <QStringList>

class QCoreApplication;
class QTranslator;

// Where the catalogues are looked for, first match wins: <program folder>/translations,
// then Qt's translations folder.
QStringList QtTranslationFolders();

// Installs qtbase_<language>.qm for locale (e.g. qtbase_zh_CN.qm, qtbase_zh_TW.qm) on app
// and returns it (owned by app), or nullptr when no folder has one: Qt's English stays.
QTranslator* InstallQtTranslation(QCoreApplication& app, const QLocale& locale,
                                  const QStringList& folders = QtTranslationFolders());
