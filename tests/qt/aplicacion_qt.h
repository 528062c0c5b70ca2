#pragma once
// The one QApplication of the GUI test binary, created on first use and kept until the process
// ends (offscreen unless the environment names a platform), and a helper that answers the next
// modal dialog from inside its event loop.

#include <QApplication>
#include <QTimer>
#include <functional>

inline QApplication& AplicacionQt() {
  static QApplication* aplicacion = [] {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char nombre[] = "test_qt";
    static char* argv[] = {nombre, nullptr};
    return new QApplication(argc, argv);
  }();
  return *aplicacion;
}

// Runs `accion` on the modal widget shown next (polling, as it appears inside exec()).
inline void AlMostrarseModal(std::function<void(QWidget*)> accion) {
  auto* reloj = new QTimer;
  reloj->setInterval(10);
  QObject::connect(reloj, &QTimer::timeout, [reloj, accion] {
    if (QWidget* modal = QApplication::activeModalWidget(); modal && modal->isVisible()) {
      reloj->stop();
      reloj->deleteLater();
      accion(modal);
    }
  });
  reloj->start();
}
