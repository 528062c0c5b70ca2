// The batch mode: the import window driven without a window. Every dialog is printed on
// standard error as "TITLE: TEXT" and answered by policy, so a run never waits on a person.

#include "app/lote.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>

#include "data/bloqueo_importacion.h"
#include "data/db_dll.h"
#include "platform/archivos.h"
#include "platform/dialogos.h"
#include "platform/senales.h"
#include "platform/sistema.h"
#include "session/guion.h"
#include "session/inicio.h"
#include "ui/frm_quilma.h"
#include "utility/utilidades.h"

namespace {

using namespace plataforma;

// One line per dialog: the line ends of a message become blanks.
std::string EnUnaLinea(std::string texto) {
  for (char& c : texto) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return texto;
}

// The terminal bar's line is open (no line end after it yet): any other output ends it first.
bool gLineaDeProgreso = false;

void TerminarLineaDeProgreso() {
  if (!gLineaDeProgreso) return;
  std::cerr << std::endl;
  gLineaDeProgreso = false;
}

class DialogosLote : public Dialogos {
 public:
  explicit DialogosLote(bool ignorarErrores) : ignorar_(ignorarErrores) {}

  int MsgBox(const std::string& texto, int botones, const std::string& titulo) override {
    TerminarLineaDeProgreso();
    std::cerr << EnUnaLinea(titulo) << ": " << EnUnaLinea(texto) << std::endl;
    switch (ConjuntoDeBotones(botones)) {
      case vbOKOnly:
      case vbOKCancel:
        return vbOK;
      case vbYesNo:
      case vbYesNoCancel:
        return vbNo;
      case vbAbortRetryIgnore:
        return ignorar_ ? vbIgnore : vbAbort;
      default:  // retry/cancel: retrying unattended would repeat the failure forever
        return vbCancel;
    }
  }
  std::string InputBox(const std::string& mensaje, const std::string& titulo,
                       const std::string&) override {
    TerminarLineaDeProgreso();
    std::cerr << EnUnaLinea(titulo) << ": " << EnUnaLinea(mensaje) << std::endl;
    return "";
  }
  std::string AbrirArchivo() override { return ""; }

 private:
  bool ignorar_;
};

// The progress bar on the terminal with lines done, lines per second and time left; redrawn
// when the whole percentage changes or a second has passed.
class BarraTerminal : public VistaQuilma {
 public:
  BarraTerminal() : activa_(ErroresEnTerminal()) {}
  ~BarraTerminal() override { TerminarLineaDeProgreso(); }
  void LineaEnCurso(int64_t actual, int64_t total) override {
    if (actual <= 1) inicio_ = std::chrono::steady_clock::now();
    actual_ = actual;
    total_ = total;
  }
  void DibujaProgreso(double porcentaje, uint32_t, const std::string& caption) override {
    if (!activa_) return;
    const int entero = static_cast<int>(std::clamp(porcentaje, 0.0, 100.0) + 0.5);
    const auto ahora = std::chrono::steady_clock::now();
    if (entero == ultimo_ && ahora - dibujado_ < std::chrono::seconds(1)) return;
    ultimo_ = entero;
    dibujado_ = ahora;
    constexpr int kAncho = 40;
    const int llenos = entero * kAncho / 100;
    const double segundos = std::chrono::duration<double>(ahora - inicio_).count();
    const double porSegundo = segundos > 0 ? static_cast<double>(actual_) / segundos : 0;
    const long faltan =
        porSegundo > 0 ? static_cast<long>(static_cast<double>(total_ - actual_) / porSegundo) : 0;
    // The rate is shown once a second's worth of lines says something about it.
    char texto[96];
    if (segundos < 1) {
      std::snprintf(texto, sizeof texto, " %lld/%lld líneas", static_cast<long long>(actual_),
                    static_cast<long long>(total_));
    } else {
      std::snprintf(texto, sizeof texto, " %lld/%lld líneas, %.0f l/s, faltan %ld:%02ld",
                    static_cast<long long>(actual_), static_cast<long long>(total_), porSegundo,
                    faltan / 60, faltan % 60);
    }
    std::cerr << "\r" << caption << "[" << std::string(llenos, '#')
              << std::string(kAncho - llenos, '.') << "] " << entero << "%" << texto << "\x1b[K"
              << std::flush;
    gLineaDeProgreso = true;
  }
  void HacerEventos() override {}

 private:
  bool activa_;
  int ultimo_ = -1;
  int64_t actual_ = 0, total_ = 0;
  std::chrono::steady_clock::time_point inicio_ = std::chrono::steady_clock::now();
  std::chrono::steady_clock::time_point dibujado_;
};

struct DialogosInstalados {
  explicit DialogosInstalados(Dialogos* d) { EstablecerDialogos(d); }
  ~DialogosInstalados() { EstablecerDialogos(nullptr); }
};

// The password given apart from the parameter string: the first line of --clave-archivo, which
// only its owner may read, else IMPORTADOR_CLAVE. False, with the reason printed, when the
// file is refused.
bool TomarClaveAparte(const OpcionesLote& o) {
  if (o.archivoClave.empty()) {
    const std::string clave = Entorno("IMPORTADOR_CLAVE");
    EstablecerClaveAparte(clave.empty() ? std::nullopt : std::optional<std::string>(clave));
    return true;
  }
  std::ifstream archivo(RutaFs(o.archivoClave), std::ios::binary);
  if (!ArchivoLegible(o.archivoClave) || !archivo) {
    std::cerr << "importador: no se puede leer el archivo de clave " << o.archivoClave << std::endl;
    return false;
  }
  if (LegiblePorOtros(o.archivoClave)) {
    std::cerr << "importador: el archivo de clave " << o.archivoClave
              << " lo pueden leer otros usuarios; déjelo solo para su dueño (chmod 600)"
              << std::endl;
    return false;
  }
  std::string clave;
  std::getline(archivo, clave);
  if (!clave.empty() && clave.back() == '\r') clave.pop_back();
  EstablecerClaveAparte(clave);
  return true;
}

// A signal that ended the wait for another run's company lock: the run did not begin.
bool DetenidaEsperandoLaEmpresa() {
  const Senal senal = SenalRecibida();
  if (senal == Senal::Ninguna) return false;
  std::cerr << "importador: detenido por la señal " << NombreDeSenal(senal)
            << " mientras esperaba la empresa; no se leyó ni grabó nada" << std::endl;
  return true;
}

int ListaDePrecios(FrmQUILMA& frm, const OpcionesLote& o) {
  frm.SetTxtLista(o.lista);
  frm.SetChkEnsayo(o.ensayo);
  frm.CmdEjecutarLista_Click();
  const ResumenLista& r = frm.UltimaLista();
  if (!r.empresaOcupada.empty()) {
    return DetenidaEsperandoLaEmpresa() ? kLoteInterrumpido : kLoteOcupada;
  }
  std::cout << TextoResumen(r) << std::flush;
  if (!r.finalizado) return kLoteInterrumpido;
  return DiferenciasConciliacion(r.conciliacion).empty() ? kLoteFinalizado : kLoteParcial;
}

int Importacion(FrmQUILMA& frm, const OpcionesLote& o) {
  frm.optOpcion_Click(o.modo);
  if (o.cuenta) frm.SetTxtCuenta(*o.cuenta);
  frm.SetTxtRuta(o.archivo);
  if (o.concepto) frm.SetTxtConcepto(*o.concepto);
  frm.SetChkEnsayo(o.ensayo);
  if (!frm.cmdEjecutarHabilitado()) {
    // The window keeps "Ejecutar" disabled for such a path; say why instead of doing nothing.
    std::cerr << "importador: no se puede leer el archivo " << o.archivo << std::endl;
    return kLoteUso;
  }
  BarraTerminal barra;
  frm.EstablecerVista(&barra);
  frm.cmdEjecutar_Click();
  frm.EstablecerVista(nullptr);
  TerminarLineaDeProgreso();
  if (!frm.UltimaCorrida().empresaOcupada.empty()) {
    return DetenidaEsperandoLaEmpresa() ? kLoteInterrumpido : kLoteOcupada;
  }
  std::cout << TextoResumen(frm.UltimaCorrida()) << std::flush;
  switch (DesenlaceDe(frm.UltimaCorrida())) {
    case Desenlace::Completa:
      return kLoteFinalizado;
    case Desenlace::Parcial:
      return kLoteParcial;
    case Desenlace::Rechazada:
      return kLoteUso;  // a file that cannot be imported, as one that cannot be read
    case Desenlace::Interrumpida:
      break;
  }
  return kLoteInterrumpido;
}

}  // namespace

int EjecutarLote(const OpcionesLote& o) {
  // SIGTERM, SIGINT and SIGHUP (Ctrl+C, Ctrl+Break and the console's close on Windows) stop the
  // run after its current line; a closed pipe or a file-size limit fails a write, no more.
  // Whatever the way out, the console handler is told that everything has been written.
  InstalarSenalesDeDetencion(kLoteInterrumpido);
  struct AvisoDeFin {
    ~AvisoDeFin() { DetencionDelProceso().MarcarTerminada(); }
  } avisoDeFin;
  if (!o.traza.empty()) {
    // A trace that cannot be written proves nothing: the run does not start without it.
    std::ofstream prueba(RutaFs(o.traza), std::ios::app | std::ios::binary);
    if (!prueba) {
      std::cerr << "importador: no se puede escribir la traza " << o.traza << std::endl;
      return kLoteUso;
    }
    EstablecerEntorno("IMPORTADOR_TRAZA", o.traza);
  }
  if (!o.informeJson.empty()) {
    // Asked for, the report must be writable before the run, not found missing after it.
    std::ofstream prueba(RutaFs(o.informeJson), std::ios::app | std::ios::binary);
    if (!prueba) {
      std::cerr << "importador: no se puede escribir el informe " << o.informeJson << std::endl;
      return kLoteUso;
    }
  }
  DialogosLote dialogos(o.ignorarErrores);
  DialogosInstalados instalados(&dialogos);
  EstablecerAbridorRegistro(nullptr);  // a script's error log stays in TEMP: nobody to read it

  // Without a server or a user start-up would show the connection dialog: nobody can answer it.
  const ParametrosInicio p = ExtraerParametros(o.parametros);
  std::string faltan;
  if (utilidad::Trim(p.servidor).empty()) faltan = "@Server";
  if (utilidad::Trim(p.usuario).empty()) faltan += faltan.empty() ? "@Usuario" : " y @Usuario";
  if (!faltan.empty()) {
    std::cerr << "importador: faltan en los parámetros " << faltan
              << " (el modo por lotes no puede preguntarlos)" << std::endl;
    return kLoteUso;
  }

  if (!TomarClaveAparte(o)) return kLoteUso;

  std::string connString;
  if (!IniciarSesion(false, o.parametros, connString, 3, !o.ensayo)) {
    // A damaged company was told and left as it was found: refused as a run on it is.
    if (!DB().EmpresaDaniadaAlAbrir().empty()) return kLoteInterrumpido;
    std::cerr << "importador: no se pudo abrir la conexión con la base de la empresa" << std::endl;
    return kLoteUso;
  }
  // No mode and no list: start-up alone, a check of the connection that also provisions the
  // statistics database.
  if (o.modo < 0 && o.lista.empty()) {
    std::cout << "Inicio de sesión completo" << std::endl;
    return kLoteFinalizado;
  }
  if (const Senal senal = SenalRecibida(); senal != Senal::Ninguna) {
    std::cerr << "importador: detenido por la señal " << NombreDeSenal(senal)
              << " antes de empezar la corrida; no se leyó ni grabó nada" << std::endl;
    return kLoteInterrumpido;
  }
  EstablecerEsperaImportacion(o.esperaSegundos);
  EstablecerMaximoRechazos(o.maximoRechazos);
  FrmQUILMA frm;
  frm.EstablecerInformeJson(o.informeJson);
  return o.lista.empty() ? Importacion(frm, o) : ListaDePrecios(frm, o);
}
