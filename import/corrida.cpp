// The import run: dispatch on the selected mode, the two passes over the input file, the line
// loop with its progress, the run's error policy and the clean-up on every way out of a run.

#include <algorithm>
#include <cstdio>
#include <exception>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "data/bloqueo_importacion.h"
#include "data/corridas_importador.h"
#include "data/db_dll.h"
#include "data/reintento.h"
#include "data/traza.h"
#include "data/valores_sesion.h"
#include "import/asientos.h"
#include "import/contexto_corrida.h"
#include "import/formas.h"
#include "import/salidas_corrida.h"
#include "platform/bloqueo_archivo.h"
#include "platform/dialogos.h"
#include "platform/error_ejecucion.h"
#include "platform/regional.h"
#include "platform/senales.h"
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
// The concept an own-cheque run writes is shown in the window during the run; at its end the
// window shows the operator's concept again, so the next run posts that one.
class ValoresDeLaCorrida : public ControlesVentana {
 public:
  explicit ValoresDeLaCorrida(ControlesVentana& v)
      : ventana_(v),
        opcion_(v.OpcionSeleccionada()),
        ruta_(v.txtRuta()),
        cuenta_(v.txtCuenta()),
        concepto_(v.txtConcepto()),
        delOperador_(concepto_),
        ensayo_(v.Ensayo()) {}
  ~ValoresDeLaCorrida() override {
    if (escrito_) ventana_.SetTxtConcepto(delOperador_);
  }
  ValoresDeLaCorrida(const ValoresDeLaCorrida&) = delete;
  ValoresDeLaCorrida& operator=(const ValoresDeLaCorrida&) = delete;
  int OpcionSeleccionada() const override { return opcion_; }
  std::string txtRuta() const override { return ruta_; }
  std::string txtCuenta() const override { return cuenta_; }
  std::string txtConcepto() const override { return concepto_; }
  void SetTxtConcepto(const std::string& texto) override {
    concepto_ = texto;
    escrito_ = true;
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
  void CorridaEmpezada(const ResumenCorrida& r) override { ventana_.CorridaEmpezada(r); }

 private:
  ControlesVentana& ventana_;
  int opcion_;
  std::string ruta_, cuenta_, concepto_;
  const std::string delOperador_;  // the concept box at the press of "Ejecutar"
  bool ensayo_;
  bool escrito_ = false;  // the run wrote the concept box
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
        if (ctx.RegistroActual > 0) ctx.ignoradoEnLinea = error.Description;
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
  return r.noRegistradas.empty() && DiferenciasConciliacion(r.conciliacion).empty()
             ? Desenlace::Completa
             : Desenlace::Parcial;
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

// A signal (batch mode) asks the run to stop as the window's "Detener" does; its name is kept
// for the summary. True when the run must stop before its next line.
bool DetencionPedida(ContextoCorrida& ctx) {
  const plataforma::Senal senal = plataforma::SenalRecibida();
  if (senal != plataforma::Senal::Ninguna) ctx.resumen.senal = plataforma::NombreDeSenal(senal);
  return senal != plataforma::Senal::Ninguna || ctx.ventana.DetenerSolicitado();
}

long Registradas(const ResumenCorrida& r) {
  return r.registrados + r.cuentasCreadas + r.tareasCatalogadas + r.vinculosGrabados;
}

// Reasons of a line not posted that the summary counts apart; any other is a refused value.
bool MotivoConCuentaPropia(const std::string& motivo) {
  static const char* const kMotivos[] = {
      "incompleta",         "sin letra libre",       "en conflicto con otra cuenta",
      "fuera de ejercicio", "rechazada por la base", "error de conversión"};
  return std::find(std::begin(kMotivos), std::end(kMotivos), motivo) != std::end(kMotivos);
}

// Counts how the current line ended, once, on every way out of it (an abort as well), so that
// the summary's line counts add up to the lines read.
class FinDeLinea {
 public:
  explicit FinDeLinea(ContextoCorrida& ctx)
      : ctx_(ctx),
        registradas_(Registradas(ctx.resumen)),
        yaImportadas_(ctx.resumen.yaImportados + ctx.resumen.cuentasExistentes),
        importeCero_(ctx.resumen.importeCero),
        excepciones_(std::uncaught_exceptions()) {}
  // Nothing of the line was posted nor found already there.
  bool NadaHecho() const {
    return Registradas(ctx_.resumen) == registradas_ &&
           ctx_.resumen.yaImportados + ctx_.resumen.cuentasExistentes == yaImportadas_;
  }
  ~FinDeLinea() {
    ResumenCorrida& r = ctx_.resumen;
    const auto& no = r.noRegistradas;
    if (!no.empty() && no.back().linea == ctx_.RegistroActual) {
      ++r.lineasNoRegistradas;
      // The line's first reason is what kept it out.
      size_t i = no.size() - 1;
      while (i > 0 && no[i - 1].linea == ctx_.RegistroActual) --i;
      if (no[i].motivo == "error de conversión") {
        ++r.erroresDeConversion;
      } else if (no[i].motivo == "error ignorado") {
        ++r.erroresIgnorados;
      } else if (!MotivoConCuentaPropia(no[i].motivo)) {
        ++r.valoresRehusados;
      }
    } else if (Registradas(r) > registradas_) {
      ++r.lineasRegistradas;
    } else if (r.yaImportados + r.cuentasExistentes > yaImportadas_) {
      ++r.lineasYaImportadas;
    } else if (r.importeCero > importeCero_) {
      ++r.lineasImporteCero;
    } else if (std::uncaught_exceptions() > excepciones_) {
      r.lineaEnCurso = static_cast<long>(ctx_.RegistroActual);
    } else {
      ++r.lineasPasadasPorAlto;
    }
  }
  FinDeLinea(const FinDeLinea&) = delete;
  FinDeLinea& operator=(const FinDeLinea&) = delete;

 private:
  ContextoCorrida& ctx_;
  long registradas_, yaImportadas_, importeCero_;
  int excepciones_;
};

// After a stop on the limit of refusals: the lines never read go to the rejected-lines file,
// after what the first of them needs before it (its customer's header), so that importing that
// file finishes the job.
void AnotarLineasSinLeer(ContextoCorrida& ctx) {
  if (!ctx.archivo.Abierto()) return;
  LineasParaCorregir& p = ctx.paraCorregir;
  const int64_t ultima = p.lineas.empty() ? 0 : p.lineas.back().numero;
  bool primera = true;
  int64_t numero = ctx.RegistroActual;
  try {
    while (!ctx.archivo.EOF_()) {
      ctx.archivo.LeerLinea();
      ++numero;
      if (primera) {
        for (const LineaEnBruto& l : p.contexto) {
          if (l.numero > ultima && l.numero <= ctx.RegistroActual) p.lineas.push_back(l);
        }
        ctx.resumen.primeraSinLeer = numero;
        primera = false;
      }
      p.lineas.push_back({numero, ctx.archivo.LineaEnBruto()});
      ++ctx.resumen.lineasSinLeer;
    }
  } catch (const ErrorEjecucion& e) {
    ctx.resumen.errores.push_back("No se pudo copiar el resto del archivo desde la línea " +
                                  std::to_string(numero + 1) +
                                  " al de líneas para corregir: " + e.Description);
  }
  if (ctx.resumen.lineasSinLeer > 0) {
    p.marcaDeOrden = ctx.archivo.MarcaDeOrden();
    ctx.resumen.avisos.push_back(
        "las " + std::to_string(ctx.resumen.lineasSinLeer) + " líneas desde la " +
        std::to_string(ctx.resumen.primeraSinLeer) +
        " no se leyeron: van en el archivo de líneas para corregir, después de las rechazadas; "
        "importarlo termina el trabajo");
  }
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
  // A signal that came before the first line (while the run took the lock, checked the
  // counter-account or counted the lines) stops it before reading any.
  const bool antesDeLaPrimera = plataforma::SenalRecibida() != plataforma::Senal::Ninguna;
  if (antesDeLaPrimera) DetencionPedida(ctx);
  while (!antesDeLaPrimera && ctx.archivo.Abierto() && !ctx.archivo.EOF_()) {
    ctx.ventana.HacerEventos();
    ++ctx.RegistroActual;
    ctx.ventana.LineaEnCurso(ctx.RegistroActual, ctx.TotalRegistros);
    ctx.ventana.DibujaProgreso(PorcentajeDeLinea(ctx.RegistroActual, ctx.TotalRegistros), kAzul,
                               "");
    if (!Paso(ctx, [&] { ctx.Linea = ctx.archivo.LeerLinea(); })) continue;
    ctx.Columnas = utilidad::Dividir(ctx.Linea, ";");
    ++ctx.resumen.lineasLeidas;
    ctx.ignoradoEnLinea.clear();
    FinDeLinea finDeLinea(ctx);
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
      if (ctx.anotarNoLeida) Paso(ctx, ctx.anotarNoLeida);
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
      const bool leida = !porLinea || Paso(ctx, porLinea);
      // A line a failure passed over (the operator's Ignore) and nothing of which was posted is
      // a line not posted, as any other: never a silent skip.
      const auto& no = ctx.resumen.noRegistradas;
      if (!ctx.ignoradoEnLinea.empty() && finDeLinea.NadaHecho() &&
          (no.empty() || no.back().linea != ctx.RegistroActual)) {
        AnotarNoRegistrada(ctx, "error ignorado", ctx.ignoradoEnLinea);
        if (!leida && ctx.anotarNoLeida) Paso(ctx, ctx.anotarNoLeida);
      }
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
    if (DetencionPedida(ctx)) {
      ctx.resumen.detenidoEnLinea = ctx.RegistroActual;
      break;
    }
  }
  if (ctx.resumen.detenidoPorRechazos) AnotarLineasSinLeer(ctx);
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
  if (!ctx.resumen.senal.empty()) {
    plataforma::MsgBox(
        "Proceso detenido por la señal " + ctx.resumen.senal +
            (ctx.resumen.detenidoEnLinea
                 ? " después de la línea " + std::to_string(ctx.resumen.detenidoEnLinea)
                 : std::string(" antes de la primera línea")) +
            " de " + std::to_string(ctx.TotalRegistros) + ". Lo registrado se conserva.",
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

namespace {

const char kHabilitar[] = "ALTER TABLE MV_ASIENTOS ENABLE TRIGGER ALL";

std::string Dato(const std::string& v) { return v.empty() ? "(sin dato)" : v; }

// Who left the row, as the notice names the run.
std::string DescripcionDe(const CorridaAnotada& c) {
  return "operador " + Dato(c.operador) + ", equipo " + Dato(c.equipo) + " (proceso " +
         std::to_string(c.proceso) + "), modo " + Dato(c.modo) + ", archivo " + Dato(c.archivo) +
         ", iniciada el " + plataforma::FormatoFechaHora(c.inicio);
}

std::string EnUnaLinea(const std::vector<std::string>& partes, const std::string& separador) {
  std::string texto;
  for (const std::string& p : partes) texto += (texto.empty() ? "" : separador) + p;
  return texto;
}

}  // namespace

void DeshabilitarTriggers(ContextoCorrida& ctx) {
  if (EnsayoSinDDL()) return;
  // Written first: a run that dies with the triggers off leaves its row for the next run.
  CorridaAnotada c;
  c.operador = gUsuarioLogeado;
  c.equipo = utilidad::NombreMaquina();
  c.proceso = plataforma::IdProceso();
  c.modo = NombreDeModo(ctx.ventana.OpcionSeleccionada());
  c.archivo = ctx.RutaArchivo;
  c.inicio = ctx.resumen.inicio;
  c.triggersDesde = plataforma::Ahora();
  c.corrida = ClaveDeCorrida(c);
  try {
    AnotarTriggersDeshabilitados(c);
  } catch (const ErrorEjecucion& e) {
    throw ErrorEjecucion(e.Number,
                         std::string("No se pudo anotar en ") + kTablaCorridas +
                             " que esta importación deshabilita los triggers de MV_ASIENTOS (" +
                             e.Description +
                             "): sin esa anotación, una importación cortada los dejaría "
                             "deshabilitados sin aviso. Ignorar sigue con los triggers habilitados.",
                         e.Source);
  }
  ctx.corridaAnotada = c.corrida;
  EnviarSentencia("ALTER TABLE MV_ASIENTOS DISABLE TRIGGER ALL");
  ctx.triggersDeshabilitados = true;
}

void HabilitarTriggers(ContextoCorrida& ctx) {
  if (EnsayoSinDDL()) return;
  // A dry run that lost its transaction lost the switch and the row with it: the triggers are on.
  if (DB().EnsayoPerdido()) {
    ctx.triggersDeshabilitados = false;
    ctx.corridaAnotada.clear();
    return;
  }
  EnviarSentencia(kHabilitar);
  // Told once: the clean-up at the end of the run must not send it, nor show it, again.
  ctx.triggersDeshabilitados = false;
  // A refusal leaves the journal's triggers off on the server: the operator must know, and the
  // run's row stays for the next run to enable them.
  const auto& errores = DB().Cnn().Errors();
  if (errores.Count() > 0) {
    const std::string descripcion = errores.Item(0).Description;
    ctx.resumen.errores.push_back(std::string(kHabilitar) + ": " + descripcion);
    plataforma::MsgBox(descripcion, plataforma::vbCritical + plataforma::vbOKOnly, "Atención");
    return;
  }
  if (ctx.corridaAnotada.empty()) return;
  // Killed between the switch and this, the row only makes the next run switch them on again.
  try {
    QuitarCorridas({ctx.corridaAnotada});
    ctx.corridaAnotada.clear();
  } catch (const ErrorEjecucion& e) {
    const std::string texto = std::string("Los triggers de MV_ASIENTOS se habilitaron, pero no se "
                                          "pudo quitar la anotación de esta importación en ") +
                              kTablaCorridas + " (" + e.Description +
                              "): la próxima importación avisará que quedaron deshabilitados.";
    ctx.resumen.errores.push_back(texto);
    plataforma::MsgBox(texto, plataforma::vbCritical + plataforma::vbOKOnly, "Atención");
  }
}

void RehabilitarTriggersDejados(std::vector<std::string>& avisos,
                                std::vector<std::string>& errores) {
  std::vector<CorridaAnotada> dejadas;
  try {
    dejadas = CorridasConTriggersDeshabilitados();
  } catch (const ErrorEjecucion& e) {
    errores.push_back(e.Description);
    plataforma::MsgBox(e.Description + ": no se sabe si una importación anterior dejó "
                                       "deshabilitados los triggers de MV_ASIENTOS.",
                       plataforma::vbCritical + plataforma::vbOKOnly, "Atención");
    return;
  }
  if (dejadas.empty()) return;
  // The embedded engine has no switch for them (the data layer leaves the statement out): the
  // row only tells that a run was cut in the middle of its lines.
  const bool sinSwitch = PlataformaDe(DB().gConnString) == Plataforma::SQLite;
  std::vector<std::string> partes;
  std::vector<std::string> claves;
  for (const CorridaAnotada& c : dejadas) {
    const std::string desde = plataforma::FormatoFechaHora(c.triggersDesde);
    partes.push_back(
        sinSwitch ? "Una importación anterior no terminó (se cortó mientras importaba sus "
                    "líneas, desde el " +
                        desde + "): " + DescripcionDe(c) + "."
                  : "Los triggers de MV_ASIENTOS estaban deshabilitados desde el " + desde +
                        " por una importación que no terminó: " + DescripcionDe(c) + ".");
    claves.push_back(c.corrida);
  }
  EnviarSentencia(kHabilitar);
  const auto& rechazo = DB().Cnn().Errors();
  if (rechazo.Count() > 0) {
    partes.push_back("La base no permitió habilitarlos (" + rechazo.Item(0).Description +
                     "): siguen deshabilitados.");
    errores.push_back(EnUnaLinea(partes, " "));
    plataforma::MsgBox(EnUnaLinea(partes, "\r\n"), plataforma::vbCritical + plataforma::vbOKOnly,
                       "Atención");
    return;
  }
  partes.push_back(sinSwitch ? "En esta base los triggers de MV_ASIENTOS no se deshabilitan: no "
                               "hubo que habilitarlos."
                             : "Se habilitaron de nuevo.");
  try {
    QuitarCorridas(claves);
  } catch (const ErrorEjecucion& e) {
    partes.push_back(std::string("No se pudo quitar la anotación de ") + kTablaCorridas + " (" +
                     e.Description + "): la próxima importación avisará de nuevo.");
    errores.push_back(partes.back());
  }
  avisos.push_back(EnUnaLinea(partes, " "));
  plataforma::MsgBox(EnUnaLinea(partes, "\r\n"), plataforma::vbExclamation + plataforma::vbOKOnly,
                     "Aviso al Usuario");
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
  {
    // From here on a run that is killed leaves a report that says it did not end.
    ResumenCorrida empezada = r;
    empezada.concepto = valores.txtConcepto();
    empezada.enCurso = true;
    valores.CorridaEmpezada(empezada);
  }
  // Checked at start-up too; a window left open may run on a company damaged since.
  if (const std::string danio = DB().DanioDeEmpresa(); !danio.empty()) {
    plataforma::MsgBox(MensajeEmpresaDaniada(danio), plataforma::vbCritical + plataforma::vbOKOnly,
                       "Aviso al Usuario");
    r.fin = plataforma::Ahora();
    return ctx.resumen;
  }
  // Before a dry run's transaction, so the repair stays whatever the run is.
  RehabilitarTriggersDejados(r.avisos, r.errores);
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
