// The window command: opens the import window, whose load runs the start-up; without a
// connection the program ends before the window appears. Without a display it says so and
// points at the batch mode instead of letting Qt abort.

#include <cstdio>
#include <iostream>
#include <string>

#include "app/comandos.h"
#include "platform/archivos.h"

#ifdef IMPORTADOR_CON_QT
#include <QApplication>

#include "platform/dialogos.h"
#include "session/inicio.h"
#include "ui/frm_acceso.h"
#include "ui/frm_quilma.h"
#include "ui/qt/dialogo_acceso.h"
#include "ui/qt/dialogos_qt.h"
#include "ui/qt/traduccion.h"
#include "ui/qt/ventana_importacion.h"
#endif

namespace {

constexpr int kSinVentana = 2;  // no display, or no connection resulted

#ifdef IMPORTADOR_CON_QT
bool HayPantalla() {
  return !plataforma::Entorno("DISPLAY").empty() ||
         !plataforma::Entorno("WAYLAND_DISPLAY").empty() ||
         !plataforma::Entorno("QT_QPA_PLATFORM").empty();
}
#endif

}  // namespace

int ComandoVentana(int argc, char** argv, const std::string& parametros) {
#ifdef IMPORTADOR_CON_QT
  if (!HayPantalla()) {
    std::cerr << "importador: no hay pantalla donde abrir la ventana (DISPLAY, WAYLAND_DISPLAY y "
                 "QT_QPA_PLATFORM no están definidas); importe sin ventana con "
                 "'importador --lote --modo N --archivo ARCHIVO PARAMETROS' (vea --help)."
              << std::endl;
    return kSinVentana;
  }
  QApplication aplicacion(argc, argv);
  InstalarTraduccionQt(aplicacion);
  DialogosQt dialogos;
  plataforma::EstablecerDialogos(&dialogos);
  VistaAccesoQt vistaAcceso;
  InstalarDialogoConexion(&vistaAcceso);
  EstablecerLineaDeComandos(parametros);

  int estado = kSinVentana;
  {
    FrmQUILMA frm;
    VentanaImportacion ventana(frm);
    if (ventana.Form_Load()) {
      ventana.show();
      estado = aplicacion.exec();
    }
  }
  InstalarDialogoConexion(nullptr);
  plataforma::EstablecerDialogos(nullptr);
  return estado;
#else
  std::cerr << "importador: esta compilación no tiene ventana; use el modo por lotes (vea --help)."
            << std::endl;
  return kSinVentana;
#endif
}
