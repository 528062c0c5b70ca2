// The import run: dispatch on the selected mode, the two passes over the input file, the line
// loop with its progress, the run's error policy and the clean-up on every way out of a run.

#include <algorithm>
#include <cstdio>
#include <exception>
#include <string>
#include <utility>
#include <vector>

#include "data/bloqueo_importacion.h"
#include "data/db_dll.h"
#include "data/reintento.h"
#include "data/traza.h"
#include "data/valores_sesion.h"
#include "import/asientos.h"
#include "import/contexto_corrida.h"
#include "import/formas.h"
#include "import/salidas_corrida.h"
#include "platform/dialogos.h"
#include "platform/error_ejecucion.h"
#include "platform/regional.h"
#include "utility/utilidades.h"

namespace {

using plataforma::ErrorEjecucion;

constexpr uint32_t kAzul = 0x0000FF;

// Set while a run is in progress: the loop yields to the interface once per line, so a second
// press of "Ejecutar" arrives inside the first run and must not start another one.
bool corridaEnCurso = false;

// What ends every run, also an abort or the operator's No: the input file is closed and the
// journal's triggers are enabled again when this run had disabled them.
class CierreDeCorrida {
 public:
  explicit CierreDeCorrida(ContextoCorrida& ctx) : ctx_(ctx) { corridaEnCurso = true; }
  ~CierreDeCorrida() {
    try {
      if (ctx_.archivo.Abierto()) ctx_.archivo.Cerrar();
      if (ctx_.triggersDeshabilitados) HabilitarTriggers(ctx_);
    } catch (...) {
      // Nothing of the clean-up may escape a destructor; the database keeps the error list.
    }
    corridaEnCurso = false;
  }
  CierreDeCorrida(const CierreDeCorrida&) = delete;
  CierreDeCorrida& operator=(const CierreDeCorrida&) = delete;

 private:
  ContextoCorrida& ctx_;
};

// The window's values as they stood at the press of "Ejecutar": what is typed or clicked
// during the run changes nothing of it (the checked counter-account is the one posted to).
// The concept an own-cheque run writes is shown in the window as well.
class ValoresDeLaCorrida : public ControlesVentana {
 public:
  explicit ValoresDeLaCorrida(ControlesVentana& v)
      : ventana_(v),
        opcion_(v.OpcionSeleccionada()),
        ruta_(v.txtRuta()),
        cuenta_(v.txtCuenta()),
        concepto_(v.txtConcepto()),
        ensayo_(v.Ensayo()) {}
  int OpcionSeleccionada() const override { return opcion_; }
  std::string txtRuta() const override { return ruta_; }
  std::string txtCuenta() const override { return cuenta_; }
  std::string txtConcepto() const override { return concepto_; }
  void SetTxtConcepto(const std::string& texto) override {
    concepto_ = texto;
    ventana_.SetTxtConcepto(texto);
  }
  void DibujaProgreso(double porcentaje, uint32_t color, const std::string& caption) override {
    ventana_.DibujaProgreso(porcentaje, color, caption);
  }
  void HacerEventos() override { ventana_.HacerEventos(); }
  void LineaEnCurso(int64_t actual, int64_t total) override {
    ventana_.LineaEnCurso(actual, total);
  }
  bool DetenerSolicitado() const override { return ventana_.DetenerSolicitado(); }
  bool Ensayo() const override { return ensayo_; }

 private:
  ControlesVentana& ventana_;
  int opcion_;
  std::string ruta_, cuenta_, concepto_;
  bool ensayo_;
};

// Oracle commits the open transaction before any DDL statement: a dry run there sends none.
bool EnsayoSinDDL() {
  return DB().EnEnsayo() && PlataformaDe(DB().gConnString) == Plataforma::Oracle;
}

}  // namespace

std::string NombreDeModo(int opcion) {
  static const char* const kModos[] = {"Conformación Saldo Clientes",
                                       "Conformación Saldo Proveedores",
                                       "Alta Empleados",
                                       "Cheques de Terceros",
                                       "Cheques Propios",
                                       "Remitos Pendientes de Facturar",
                                       "OT Pendientes de Remitir"};
  return opcion >= 0 && opcion < 7 ? kModos[opcion] : "ninguno";
}

namespace {

bool Seleccionada(const ContextoCorrida& ctx, int opcion) {
  return ctx.ventana.OpcionSeleccionada() == opcion;
}

void EnviarSentencia(std::string sentencia) { DB().EjecutaConsultaSQL(sentencia); }

}  // namespace

bool Paso(ContextoCorrida& ctx, const std::function<void()>& paso) {
  return IntentarPaso(paso, [&](ErrorEjecucion error) {
    if (error.Number == plataforma::kErrIndiceFueraDeRango) return TrasFalla::Salir;
    // Inside the line loop the operator must learn which line failed; a description that
    // already names its line is shown as it is.
    if (ctx.RegistroActual > 0 && error.Description.find(", línea ") == std::string::npos) {
      error.Description = "Archivo " + ctx.RutaArchivo + ", línea " +
                          std::to_string(ctx.RegistroActual) + ": " + error.Description;
    }
    switch (utilidad::MensajeError(error)) {
      case plataforma::vbRetry:
        return TrasFalla::Repetir;
      case plataforma::vbIgnore:
        return TrasFalla::Salir;  // the step is not done: the caller passes over what needs it
      default:
        throw FinDeCorrida{};
    }
  });
}

void ExigirConsultaHecha() {
  const auto& errores = DB().Cnn().Errors();
  if (errores.Count() == 0) return;
  const auto& e = errores.Item(0);
  throw ErrorEjecucion(e.Number, e.Description, e.Source);
}

double PorcentajeDeLinea(int64_t actual, int64_t total) {
  if (total <= 0) return 100.0;
  return static_cast<double>(actual * 100) / static_cast<double>(total);
}

namespace {
int gMaximoRechazos = 10;
}  // namespace

void EstablecerMaximoRechazos(int maximo) { gMaximoRechazos = maximo < 0 ? 0 : maximo; }

Desenlace DesenlaceDe(const ResumenCorrida& r) {
  if (!r.archivoRechazado.empty()) return Desenlace::Rechazada;
  if (r.detenidoPorRechazos) return Desenlace::Parcial;
  if (!r.finalizado) return Desenlace::Interrumpida;
  return r.noRegistradas.empty() ? Desenlace::Completa : Desenlace::Parcial;
}

void AnotarNoRegistrada(ContextoCorrida& ctx, const std::string& motivo, const std::string& valor) {
  std::string corto = utilidad::Abreviado(valor);
  auto& lista = ctx.resumen.noRegistradas;
  if (!lista.empty() && lista.back().linea == ctx.RegistroActual && lista.back().motivo == motivo) {
    return;
  }
  lista.push_back({ctx.RegistroActual, motivo, corto});
  if (!ctx.archivo.Abierto()) return;
  // Lines are kept in the file's order, each once: a context line numbered after the last one
  // kept was not written yet (the lines before it in the context were, or come now).
  LineasParaCorregir& p = ctx.paraCorregir;
  const int64_t ultima = p.lineas.empty() ? 0 : p.lineas.back().numero;
  for (const LineaEnBruto& l : p.contexto) {
    if (l.numero > ultima && l.numero < ctx.RegistroActual) p.lineas.push_back(l);
  }
  if (ctx.RegistroActual > ultima) {
    p.lineas.push_back({ctx.RegistroActual, ctx.archivo.LineaEnBruto()});
  }
  p.marcaDeOrden = ctx.archivo.MarcaDeOrden();
}

void AnotarContexto(ContextoCorrida& ctx, size_t nivel) {
  std::vector<LineaEnBruto>& contexto = ctx.paraCorregir.contexto;
  if (contexto.size() > nivel) contexto.resize(nivel);
  if (ctx.archivo.Abierto()) contexto.push_back({ctx.RegistroActual, ctx.archivo.LineaEnBruto()});
}

bool Encontrada(Busqueda b) {
  if (b != Busqueda::Fallida) return b == Busqueda::Encontrada;
  ExigirConsultaHecha();
  throw ErrorEjecucion(plataforma::kErrArgumentoInvalido,
                       "La búsqueda en la base no se pudo hacer");
}

void AnotarAsientoGrabado(ContextoCorrida& ctx) {
  ctx.leido.AnotarAsiento(
      {plataforma::CDate(ctx.Fecha).mes, std::stoi(ctx.Periodo), std::stoll(ctx.NumeroAsiento)});
}

Hechos HechosDe(const ResumenCorrida& r) {
  return {r.registrados + r.cuentasCreadas, r.yaImportados + r.cuentasExistentes};
}

Destino DestinoDeLinea(Hechos antes, Hechos despues) {
  if (despues.registrados > antes.registrados) return Destino::Registrada;
  if (despues.yaImportados > antes.yaImportados) return Destino::YaImportada;
  return Destino::NoRegistrada;
}

const std::string& Columna(const ContextoCorrida& ctx, size_t i) {
  if (i >= ctx.Columnas.size()) {
    throw ErrorEjecucion(plataforma::kErrIndiceFueraDeRango, "Subíndice fuera del intervalo");
  }
  return ctx.Columnas[i];
}

namespace {

// Ends the run before anything is written, telling the operator why the file is not imported.
[[noreturn]] void RechazarArchivo(ContextoCorrida& ctx, const std::string& motivo) {
  ctx.resumen.archivoRechazado = "el archivo " + ctx.RutaArchivo + " " + motivo;
  plataforma::MsgBox("El archivo " + ctx.RutaArchivo + " " + motivo,
                     plataforma::vbExclamation + plataforma::vbOKOnly, "Aviso al Usuario");
  throw FinDeCorrida{};
}

}  // namespace

void AbrirArchivo(ContextoCorrida& ctx) {
  ctx.RutaArchivo = ctx.ventana.txtRuta();
  ctx.resumen.archivo = ctx.RutaArchivo;
  if (ctx.archivo.Abierto()) ctx.archivo.Cerrar();
  // The window enables "Ejecutar" for a path pasted with its double quotes (it tests the path
  // without them); open the same path it tested, or the enabled button would lead to an error.
  try {
    ctx.archivo.Abrir(utilidad::QuitarCaracteres(ctx.RutaArchivo, "\""));
  } catch (const ErrorEjecucion&) {
    // A binary file, or text in UTF-16: no retry makes it text.
    if (const int64_t linea = ctx.archivo.LineaConNul()) {
      RechazarArchivo(ctx, "no es un archivo de texto: la línea " + std::to_string(linea) +
                               " tiene un byte NUL (¿un archivo binario, o texto en UTF-16?). "
                               "No se importó nada.");
    }
    throw;
  }
}

namespace {

// Refuses, before anything is written, a file with no data or one whose lines are mostly of
// another mode's layout.
void RevisarForma(ContextoCorrida& ctx, const std::vector<std::string>& lineas) {
  const int opcion = ctx.ventana.OpcionSeleccionada();
  const Calce c = CalzaConModo(opcion, lineas);
  if (c.calza) return;
  if (c.conDatos == 0) {
    RechazarArchivo(ctx, "está vacío (no tiene ninguna línea con datos). No se importó nada.");
  }
  RechazarArchivo(ctx, "no tiene la forma de " + NombreDeForma(opcion) + ": " +
                           std::to_string(c.noCalzan) + " de " + std::to_string(c.conDatos) +
                           " líneas con datos no son de ella; parece de " +
                           NombreDeForma(c.pareceDe) + ". No se importó nada.");
}

// The first control character of a line (UTF-8): a byte below 0x20 (a lone LF included), DEL,
// or a C1 control U+0080-U+009F (what the bytes Windows-1252 leaves undefined become, and those
// characters in a UTF-8 file). Its position and its code; npos when there is none.
std::pair<size_t, unsigned> PrimerControl(const std::string& linea) {
  for (size_t i = 0; i < linea.size(); ++i) {
    const auto c = static_cast<unsigned char>(linea[i]);
    if (c < 0x20 || c == 0x7F) return {i, c};
    // Only U+0080-U+009F start with 0xC2 0x80-0x9F in well-formed UTF-8.
    const auto siguiente = i + 1 < linea.size() ? static_cast<unsigned char>(linea[i + 1]) : 0u;
    if (c == 0xC2 && siguiente >= 0x80 && siguiente <= 0x9F) return {i, siguiente};
  }
  return {std::string::npos, 0};
}

// Refusals of the same kind line after line (a read-only company, a full disk, a column too
// short for a value every line carries).
struct Seguidilla {
  long rechazadas = 0;    // refused lines in a row with the same refusal
  std::string rechazo;    // that refusal
  long registradas = -1;  // what the run had posted after the line before
  bool preguntado = false;
};

long Registradas(const ResumenCorrida& r) {
  return r.registrados + r.cuentasCreadas + r.tareasCatalogadas + r.vinculosGrabados;
}

// After each line: true when the run must stop, the operator (or the batch policy) having
// declined to go on after the limit of refusals in a row. Going on silences the refusal dialogs.
bool SeguidillaDeRechazos(ContextoCorrida& ctx, Seguidilla& s) {
  const auto& rechazadas = ctx.resumen.lineasRechazadas;
  const bool rechazada = !rechazadas.empty() && rechazadas.back() == ctx.RegistroActual;
  const long registradas = Registradas(ctx.resumen);
  if (rechazada) {
    if (s.rechazadas > 0 && UltimoRechazo() == s.rechazo) {
      ++s.rechazadas;
    } else {
      s.rechazadas = 1;
      s.rechazo = UltimoRechazo();
    }
  } else if (registradas != s.registradas) {
    s.rechazadas = 0;
  }
  s.registradas = registradas;
  if (s.preguntado || gMaximoRechazos == 0 || s.rechazadas < gMaximoRechazos) return false;
  s.preguntado = true;
  const int respuesta = plataforma::MsgBox(
      "La base rechazó " + std::to_string(s.rechazadas) +
          " líneas seguidas con el mismo error:\r\n" + utilidad::Abreviado(s.rechazo) +
          "\r\n\r\n¿Continuar con el resto del archivo sin mostrar cada rechazo?",
      plataforma::vbYesNo + plataforma::vbExclamation, "Aviso al Usuario");
  if (respuesta == plataforma::vbYes) {
    SilenciarRechazos(true);
    return false;
  }
  ctx.resumen.detenidoPorRechazos = true;
  ctx.resumen.avisos.push_back("la importación se detuvo después de la línea " +
                               std::to_string(ctx.RegistroActual) + ": " +
                               std::to_string(s.rechazadas) + " rechazos seguidos de la base");
  return true;
}

}  // namespace

void RecorrerArchivo(ContextoCorrida& ctx, const std::function<void()>& antes,
                     const std::function<void()>& porLinea, const std::function<void()>& despues) {
  // First pass: count the lines, and keep them to judge the file before anything is written.
  ctx.TotalRegistros = 0;
  std::vector<std::string> lineas;
  const bool abierto = ctx.archivo.Abierto();
  Paso(ctx, [&] {
    while (ctx.archivo.Abierto() && !ctx.archivo.EOF_()) {
      lineas.push_back(ctx.archivo.LeerLinea());
      ++ctx.TotalRegistros;
    }
  });
  if (ctx.archivo.Abierto()) ctx.archivo.Cerrar();
  if (!abierto) RechazarArchivo(ctx, "no se pudo leer. No se importó nada.");
  RevisarForma(ctx, lineas);
  lineas = {};
  Paso(ctx, [&] { AbrirArchivo(ctx); });
  ctx.resumen.sha256Archivo =
      ctx.archivo.Abierto() ? utilidad::Sha256Hex(ctx.archivo.Bytes()) : std::string();
  if (ctx.archivo.FinesDeLineaLF()) {
    ctx.resumen.avisos.push_back(
        "el archivo tiene fines de línea LF (sin CR): se leyó una "
        "línea por cada LF");
  } else if (const long l = ctx.archivo.LineaConLFSuelto()) {
    ctx.resumen.avisos.push_back(
        "el archivo termina sus líneas con CR LF y tiene LF sueltos dentro de líneas, que no se "
        "importan (carácter de control 0x0A); el primero en la línea " +
        std::to_string(l));
  }

  ctx.RegistroActual = 0;
  Seguidilla seguidilla;
  // The refusal dialogs speak again in every run, whatever the one before chose.
  struct Silencio {
    Silencio() { SilenciarRechazos(false); }
    ~Silencio() { SilenciarRechazos(false); }
  } silencio;
  if (antes) Paso(ctx, antes);
  while (ctx.archivo.Abierto() && !ctx.archivo.EOF_()) {
    ctx.ventana.HacerEventos();
    ++ctx.RegistroActual;
    ctx.ventana.LineaEnCurso(ctx.RegistroActual, ctx.TotalRegistros);
    ctx.ventana.DibujaProgreso(PorcentajeDeLinea(ctx.RegistroActual, ctx.TotalRegistros), kAzul,
                               "");
    if (!Paso(ctx, [&] { ctx.Linea = ctx.archivo.LeerLinea(); })) continue;
    ctx.Columnas = utilidad::Dividir(ctx.Linea, ";");
    ++ctx.resumen.lineasLeidas;
    // A blank line is passed over in every mode: it holds nothing to post or to miss.
    if (utilidad::Trim(ctx.Linea).empty()) continue;
    // A control character is no text of an export: stored, it would corrupt the value (and a
    // statement's literals). The line is not read.
    if (const auto [i, control] = PrimerControl(ctx.Linea); i != std::string::npos) {
      const size_t columna = static_cast<size_t>(
          std::count(ctx.Linea.begin(), ctx.Linea.begin() + static_cast<std::ptrdiff_t>(i), ';'));
      // A C1 control of a UTF-8 file is named as a character; every other as the file's byte.
      char codigo[16];
      if (control >= 0x80 && ctx.archivo.Utf8()) {
        std::snprintf(codigo, sizeof codigo, "U+%04X", control);
      } else {
        std::snprintf(codigo, sizeof codigo, "0x%02X", control);
      }
      AnotarNoRegistrada(ctx, "carácter de control",
                         std::string(codigo) + " en la columna " + std::to_string(columna));
      continue;
    }
    {
      // A refusal of this line's batch names the file and the line, however the line ends.
      struct Origen {
        explicit Origen(const ContextoCorrida& c) {
          EstablecerOrigenDeLote(&c.RutaArchivo, c.RegistroActual);
        }
        ~Origen() { EstablecerOrigenDeLote(nullptr, 0); }
      } origen(ctx);
      if (porLinea) Paso(ctx, porLinea);
    }
    if (SeguidillaDeRechazos(ctx, seguidilla)) break;
    // A trace that lost a statement no longer proves the run: it stops here, as interrupted.
    if (TrazaFallida()) {
      plataforma::MsgBox("No se pudo escribir la traza " + ArchivoTraza() +
                             " (¿disco lleno?). La importación se detuvo después de la línea " +
                             std::to_string(ctx.RegistroActual) + ".",
                         plataforma::vbCritical + plataforma::vbOKOnly, "Atención");
      throw FinDeCorrida{};
    }
    // A dry run whose transaction ended before its time stops: going on would prove nothing.
    if (DB().EnsayoPerdido()) {
      plataforma::MsgBox(
          "El ensayo perdió su transacción con la base (¿conexión perdida?). "
          "Se detuvo después de la línea " +
              std::to_string(ctx.RegistroActual) + "; no se grabó nada.",
          plataforma::vbCritical + plataforma::vbOKOnly, "Atención");
      throw FinDeCorrida{};
    }
    // A stop asked for during the line ends the run here: the line's transaction is over.
    if (ctx.ventana.DetenerSolicitado()) {
      ctx.resumen.detenidoEnLinea = ctx.RegistroActual;
      break;
    }
  }
  if (despues) Paso(ctx, despues);
  if (ctx.archivo.Abierto()) ctx.archivo.Cerrar();
  if (ctx.resumen.detenidoPorRechazos) {
    plataforma::MsgBox("Proceso detenido después de la línea " +
                           std::to_string(ctx.RegistroActual) + " de " +
                           std::to_string(ctx.TotalRegistros) + ": la base rechazó " +
                           "demasiadas líneas seguidas. Lo registrado se conserva.",
                       plataforma::vbExclamation, "Aviso al Usuario");
    return;
  }
  if (ctx.resumen.detenidoEnLinea) {
    plataforma::MsgBox("Proceso detenido por el operador después de la línea " +
                           std::to_string(ctx.resumen.detenidoEnLinea) + " de " +
                           std::to_string(ctx.TotalRegistros),
                       plataforma::vbInformation, "Aviso al Usuario");
    return;
  }
  plataforma::MsgBox("Proceso Finalizado!!!", plataforma::vbInformation, "Aviso al Usuario");
  ctx.resumen.finalizado = true;
}

void DeshabilitarTriggers(ContextoCorrida& ctx) {
  if (EnsayoSinDDL()) return;
  EnviarSentencia("ALTER TABLE MV_ASIENTOS DISABLE TRIGGER ALL");
  ctx.triggersDeshabilitados = true;
}

void HabilitarTriggers(ContextoCorrida& ctx) {
  if (EnsayoSinDDL()) return;
  // A dry run that lost its transaction lost the switch with it: the triggers are on.
  if (DB().EnsayoPerdido()) {
    ctx.triggersDeshabilitados = false;
    return;
  }
  const std::string sentencia = "ALTER TABLE MV_ASIENTOS ENABLE TRIGGER ALL";
  EnviarSentencia(sentencia);
  // Told once: the clean-up at the end of the run must not send it, nor show it, again.
  ctx.triggersDeshabilitados = false;
  // A refusal leaves the journal's triggers off on the server: the operator must know.
  const auto& errores = DB().Cnn().Errors();
  if (errores.Count() == 0) return;
  const std::string descripcion = errores.Item(0).Description;
  ctx.resumen.errores.push_back(sentencia + ": " + descripcion);
  plataforma::MsgBox(descripcion, plataforma::vbCritical + plataforma::vbOKOnly, "Atención");
}

// On the embedded engine, the company file's pages must be whole before anything is written to
// it: "" when they are, else what the engine reports.
std::string DanioDeEmpresa() {
  if (PlataformaDe(DB().gConnString) != Plataforma::SQLite) return "";
  try {
    auto r = DB().Cnn().Execute("PRAGMA quick_check");
    std::string informe;
    for (const auto& fila : r ? r->filas : decltype(r->filas){}) {
      if (!fila.empty()) informe += utilidad::ValorCampo(fila[0]) + " ";
    }
    informe = utilidad::Trim(informe);
    return informe == "ok" ? "" : (informe.empty() ? "sin respuesta" : informe);
  } catch (const std::exception& e) {
    return e.what();
  }
}

ResumenCorrida EjecutarImportacion(ControlesVentana& ventana) {
  if (corridaEnCurso) return {};
  ValoresDeLaCorrida valores(ventana);
  ContextoCorrida ctx(valores);
  ResumenCorrida& r = ctx.resumen;
  r.inicio = plataforma::Ahora();
  r.empresa = DB().gDBName;
  r.operador = gUsuarioLogeado;
  r.equipo = utilidad::NombreMaquina();
  r.opcion = valores.OpcionSeleccionada();
  r.cuenta = valores.txtCuenta();
  r.archivo = valores.txtRuta();
  r.ensayo = valores.Ensayo();
  // One run per company at a time, taken before anything is written and released on every
  // way out of the run (the lock outlives the clean-up, which still writes).
  BloqueoImportacion bloqueo;
  if (!bloqueo.Tomar(NombreDeModo(valores.OpcionSeleccionada()), valores.txtRuta(),
                     ctx.resumen.empresaOcupada)) {
    plataforma::MsgBox(MensajeEmpresaOcupada(ctx.resumen.empresaOcupada),
                       plataforma::vbExclamation + plataforma::vbOKOnly, "Aviso al Usuario");
    return ctx.resumen;
  }
  if (const std::string danio = DanioDeEmpresa(); !danio.empty()) {
    plataforma::MsgBox("La empresa " + ValorDeConexion(DB().gConnString, "Data Source") +
                           " está dañada (" + utilidad::AjustaAncho(danio, 200) +
                           "): no se importa nada en ella. Restaure una copia de seguridad.",
                       plataforma::vbCritical + plataforma::vbOKOnly, "Aviso al Usuario");
    r.fin = plataforma::Ahora();
    return ctx.resumen;
  }
  // Begun after the lock and rolled back before it is released, after the run's clean-up
  // (which switches the triggers on again inside it).
  TransaccionDeEnsayo ensayo;
  if (valores.Ensayo() && !ensayo.Iniciar()) {
    plataforma::MsgBox("No se pudo comenzar la transacción del ensayo: " +
                           utilidad::Abreviado(DB().Cnn().Errors().Count() > 0
                                                   ? DB().Cnn().Errors().Item(0).Description
                                                   : std::string("sin respuesta de la base")),
                       plataforma::vbCritical + plataforma::vbOKOnly, "Aviso al Usuario");
    return ctx.resumen;
  }
  try {
    CierreDeCorrida cierre(ctx);
    // The pending-document modes take no counter-account; with no option selected the check
    // still runs, and the run ends after it.
    if (!Seleccionada(ctx, 5) && !Seleccionada(ctx, 6)) {
      Paso(ctx, [&] { ValidaContrapartida(ctx); });
    }
    auto abrirYCorrer = [&](void (*modo)(ContextoCorrida&)) {
      Paso(ctx, [&] { AbrirArchivo(ctx); });
      modo(ctx);
    };
    if (Seleccionada(ctx, 0) || Seleccionada(ctx, 1)) {
      ctx.CuentaControl = Seleccionada(ctx, 0) ? "11201" : "21101";
      abrirYCorrer(ImportarSaldos);
    } else if (Seleccionada(ctx, 2)) {
      abrirYCorrer(ImportarEmpleados);
    } else if (Seleccionada(ctx, 3)) {
      abrirYCorrer(ImportarChequesTerceros);
    } else if (Seleccionada(ctx, 4)) {
      abrirYCorrer(ImportarChequesPropios);
    } else if (Seleccionada(ctx, 5) || Seleccionada(ctx, 6)) {
      abrirYCorrer(ImportarPendientes);
    }
  } catch (const FinDeCorrida&) {
    // The run ended early; the clean-up above already ran.
  }
  // Extra reads after the last line, still under the company lock (and inside a dry run's
  // transaction): nothing of a line changes.
  r.conciliacion = Conciliar(ctx.leido, valores.txtCuenta());
  r.concepto = valores.txtConcepto();  // an own-cheque run writes its own
  EscribirRechazados(ctx);
  r.fin = plataforma::Ahora();
  return ctx.resumen;
}
