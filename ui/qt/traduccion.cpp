#include "ui/qt/traduccion.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

bool InstalarTraduccionQt(QCoreApplication& aplicacion) {
  static QTranslator* traduccion = nullptr;
  if (traduccion) return true;
  auto* nueva = new QTranslator(&aplicacion);
  if (!nueva->load(QLocale(QLocale::Spanish), QStringLiteral("qtbase"), QStringLiteral("_"),
                   QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete nueva;
    return false;
  }
  aplicacion.installTranslator(nueva);
  traduccion = nueva;
  return true;
}
