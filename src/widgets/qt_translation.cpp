#include "widgets/qt_translation.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QTranslator>

QStringList QtTranslationFolders() {
  return {QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("translations")),
          QLibraryInfo::path(QLibraryInfo::TranslationsPath)};
}

QTranslator* InstallQtTranslation(QCoreApplication& app, const QLocale& locale, const QStringList& folders) {
  for (const QString& folder : folders) {
    auto* translator = new QTranslator(&app);
    if (translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"), folder) &&
        QCoreApplication::installTranslator(translator))
      return translator;
    delete translator;
  }
  return nullptr;
}
