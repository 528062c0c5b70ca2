// Received and own cheques: each cheque becomes a two-line opening journal entry between the
// window's counter-account and account "511", keyed by its bank voucher number so a file can be
// imported again without duplicates.

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "data/db_dll.h"
#include "import/asientos.h"
#include "import/contexto_corrida.h"
#include "platform/ado.h"
#include "platform/regional.h"
#include "platform/sqlite_funciones.h"
#include "utility/utilidades.h"

namespace {

using utilidad::Trim;

// Where each field of a cheque line sits, and the sides of its first journal line.
struct DisenoCheque {
  size_t fecha, vencimiento, descripcion, cheque, importe;
  std::string prefijoBancario;  // own cheques are stored as "B-" & the cheque number
  std::string debeHaberPrimera;
  std::string debeHaberSegunda;
  bool escribeConcepto;  // own cheques carry their description as the entries' concept
};

const DisenoCheque kTerceros{0, 1, 3, 5, 7, "", "D", "H", false};
const DisenoCheque kPropios{0, 3, 1, 4, 5, "B-", "H", "D", true};

const char kConceptoPorDefecto[] = "Saldos Iniciales: Importación";

// Every value a cheque line sets; cleared first so a short line never carries the previous
// cheque's date, number or amount into a new entry.
void LimpiarVariables(ContextoCorrida& ctx) {
  ctx.SentenciasSQL = {""};
  ctx.Fecha.clear();
  ctx.Vencimiento.clear();
  ctx.Descripcion.clear();
  ctx.NroComprobanteBancario.clear();
  ctx.ImporteTexto.clear();
  ctx.Numero.clear();
  ctx.CuentaAsiento.clear();
  ctx.Periodo.clear();
  ctx.NumeroAsiento.clear();
  ctx.TC = "CC";
  ctx.Sucursal = "0001";
  ctx.Letra = "X";
}

// Whether a journal date and a date text of the file name the same day (both empty counts).
bool MismaFecha(const plataforma::Valor& guardada, const std::string& texto) {
  const std::string a = Trim(utilidad::ValorCampo(guardada));
  const std::string b = Trim(texto);
  if (a.empty() || b.empty() || !plataforma::EsFecha(a) || !plataforma::EsFecha(b)) return a == b;
  const plataforma::FechaHora x = plataforma::CDate(a), y = plataforma::CDate(b);
  return x.anio == y.anio && x.mes == y.mes && x.dia == y.dia;
}

enum class Cheque { Nuevo, YaImportado, MismoNumero };

// What tells one cheque of the file from another as the journal can: bank number (compared as
// the server compares texts), absolute amount and due date; the counter-account is the run's.
// Look-alikes (another bank, another drawer) share it. Empty for a line no cheque is read from.
std::optional<std::string> ClaveDeCheque(const std::vector<std::string>& columnas,
                                         const DisenoCheque& d) {
  if (columnas.size() <= std::max({d.cheque, d.importe, d.vencimiento})) return std::nullopt;
  const std::string cheque = utilidad::QuitarCaracteres(columnas[d.cheque], "'");
  if (Trim(cheque).empty()) return std::nullopt;
  plataforma::Moneda monto;
  try {
    monto = utilidad::TextoAImporte(columnas[d.importe]).Absoluto();
  } catch (const plataforma::ErrorEjecucion&) {
    return std::nullopt;
  }
  if (monto.diezmilesimos <= 0) return std::nullopt;
  std::string vencimiento = Trim(columnas[d.vencimiento]);
  if (!vencimiento.empty()) {
    if (!plataforma::EsFecha(vencimiento)) return std::nullopt;
    vencimiento = plataforma::FechaIso(plataforma::CDate(vencimiento)).substr(0, 10);
  }
  return plataforma::PlegarTexto(Trim(d.prefijoBancario + cheque)) + '\x1F' +
         std::to_string(monto.diezmilesimos) + '\x1F' + vencimiento;
}

// The `k`-th cheque of the file with its key is in the journal already only when the journal
// holds at least `k` lines with its bank voucher number, amount and due date on the
// counter-account of this run: two look-alikes of one file are two cheques. The same number
// with other values is another cheque (banks number their cheques apart).
Cheque BuscarCheque(ContextoCorrida& ctx, plataforma::Moneda monto, long k) {
  std::string sql =
      "SELECT * FROM MV_ASIENTOS with(nolock) WHERE LTRIM(RTRIM(NROCOMPROBANTEBANCARIO)) ='" +
      Trim(ctx.NroComprobanteBancario) + "'";
  ado::Recordset rs;
  DB().AbrirRecordset(sql, rs);
  // A query that could not run says nothing about the cheque: never post it on that word.
  if (rs.State() != ado::adStateOpen) ExigirConsultaHecha();
  long filas = 0, iguales = 0;
  const std::string contrapartida = Trim(ctx.ventana.txtCuenta());
  while (rs.State() == ado::adStateOpen && !rs.EOF()) {
    ++filas;
    if (utilidad::IgualSinCaso(Trim(utilidad::ValorCampo(rs.Fields("Cuenta").Value())),
                               contrapartida) &&
        ImporteDeCampo(rs.Fields("Importe").Value()) == monto &&
        MismaFecha(rs.Fields("VENCIMIENTO").Value(), ctx.Vencimiento)) {
      ++iguales;
    }
    rs.MoveNext();
  }
  DB().CierraRecordset(rs);
  if (iguales >= k) return Cheque::YaImportado;
  return filas > 0 ? Cheque::MismoNumero : Cheque::Nuevo;
}

void AnotarIncompleto(ContextoCorrida& ctx, const std::string& motivo) {
  ++ctx.resumen.incompletos;
  AnotarNoRegistrada(ctx, "incompleta", motivo);
  ctx.resumen.errores.push_back("Línea " + std::to_string(ctx.RegistroActual) + " de " +
                                ctx.RutaArchivo + ": " + motivo +
                                "; no se importó: " + utilidad::Abreviado(ctx.Linea));
}

// Next number of the cheque sequence shared by both modes (TC "CC", branch 0001, letter X).
std::string SiguienteNumeroCheque(ContextoCorrida& ctx) {
  std::string sql = "SELECT MAX(NUMERO) AS NUMERO FROM MV_ASIENTOS WHERE TC='CC' AND SUCURSAL='" +
                    ctx.Sucursal + "' AND LETRA='" + ctx.Letra + "'";
  ado::Recordset rs;
  DB().AbrirRecordset(sql, rs);
  // A failed query must not restart the sequence at 1 (a number already used).
  if (rs.State() != ado::adStateOpen) {
    throw plataforma::ErrorEjecucion(plataforma::kErrArgumentoInvalido,
                                     "No se pudo leer el último número de cheque: " + sql);
  }
  std::string numero = "1";
  if (!rs.EOF()) {
    const std::string maximo = utilidad::ValorCampo(rs.Fields("Numero").Value());
    plataforma::Moneda siguiente = utilidad::TextoAImporte(maximo);
    siguiente.diezmilesimos += 10000;
    numero = utilidad::ImporteATexto(siguiente);
  }
  DB().CierraRecordset(rs);
  return utilidad::FormatoCeros(numero, 8);
}

// `k`: the place of the line among the file's cheques with its key.
void ProcesarCheque(ContextoCorrida& ctx, const DisenoCheque& d, long k) {
  LimpiarVariables(ctx);

  std::string importe, cheque;
  if (!Paso(ctx, [&] {
        ctx.Fecha = Columna(ctx, d.fecha);
        ctx.Vencimiento = Columna(ctx, d.vencimiento);
        ctx.Descripcion = Columna(ctx, d.descripcion);
        cheque = Columna(ctx, d.cheque);
        importe = Columna(ctx, d.importe);
      })) {
    AnotarIncompleto(ctx, "faltan campos");
    return;
  }
  // A due date that is no date would be stored as text in a date column, where reading the
  // entry back fails (the driver's date reader runs past such texts).
  if (!Trim(ctx.Vencimiento).empty() && !plataforma::EsFecha(Trim(ctx.Vencimiento))) {
    AnotarIncompleto(ctx, "vencimiento ilegible \"" + ctx.Vencimiento + "\"");
    return;
  }
  // Without a cheque number the entry would have no key and be imported again on every run.
  if (Trim(cheque).empty()) {
    AnotarIncompleto(ctx, "sin número de cheque");
    return;
  }
  // The journal stores the number without quotes; look it up the same way.
  cheque = utilidad::QuitarCaracteres(cheque, "'");
  ctx.NroComprobanteBancario = d.prefijoBancario + cheque;

  plataforma::Moneda monto;
  std::string fueraDeRango;
  if (!Paso(ctx, [&] {
        try {
          monto = ImporteDelArchivo(importe).Absoluto();
        } catch (const plataforma::ErrorEjecucion& e) {
          if (e.Number == plataforma::kErrDesbordamiento) fueraDeRango = e.Description;
          throw;
        }
        ctx.ImporteTexto = utilidad::ImporteATexto(monto);
      })) {
    AnotarIncompleto(ctx, fueraDeRango.empty() ? "importe ilegible \"" + importe + "\""
                                               : fueraDeRango);
    return;
  }
  if (monto.diezmilesimos <= 0) {
    ++ctx.resumen.importeCero;
    return;
  }

  Cheque encontrado = Cheque::YaImportado;
  if (!Paso(ctx, [&] { encontrado = BuscarCheque(ctx, monto, k); })) return;
  if (encontrado == Cheque::YaImportado) {
    ++ctx.resumen.yaImportados;
    return;
  }

  if (d.escribeConcepto) {
    ctx.ventana.SetTxtConcepto(Trim(ctx.Descripcion).empty() ? kConceptoPorDefecto
                                                             : ctx.Descripcion);
  }

  // Each step the entry needs must complete; a skipped one leaves the cheque unwritten.
  auto componer = [&] {
    ctx.SentenciasSQL = {""};
    LineaAsiento linea = LineaDelComprobante(ctx);
    linea.cuenta = ctx.ventana.txtCuenta();
    linea.nroComprobanteBancario = d.prefijoBancario + cheque;
    linea.debeHaber = d.debeHaberPrimera;
    linea.secuencia = 1;
    AgregaSentencia(ctx.SentenciasSQL, GrabaAsiento(linea));
    linea.nroComprobanteBancario.clear();
    linea.cuenta = "511";
    linea.debeHaber = d.debeHaberSegunda;
    linea.secuencia = 2;
    AgregaSentencia(ctx.SentenciasSQL, GrabaAsiento(linea));
  };
  auto numerar = [&] {
    const int mes = plataforma::CDate(ctx.Fecha).mes;
    ctx.NumeroAsiento =
        std::to_string(ValidaTCRegistraciones(std::to_string(mes), ctx.Periodo, "    "));
  };
  const bool armado = Paso(ctx, [&] { ctx.Numero = SiguienteNumeroCheque(ctx); }) &&
                      Paso(ctx,
                           [&] {
                             ctx.Periodo = std::to_string(PeriodoDeFecha(ctx.Fecha));
                             numerar();
                           }) &&
                      Paso(ctx, componer);
  if (armado && ctx.Periodo == "0") {
    // A cheque dated in no fiscal year would be posted to period 0, outside every balance.
    ++ctx.resumen.fueraDeEjercicio;
    AnotarNoRegistrada(ctx, "fuera de ejercicio", ctx.Fecha);
    return;
  }
  if (!armado) {
    AnotarIncompleto(ctx, "no se pudo componer el asiento");
    return;
  }

  // Another program may take the entry number before the batch commits: number and compose again.
  if (EjecutaAsiento(ctx.SentenciasSQL, [&] {
        numerar();
        componer();
      })) {
    ++ctx.resumen.registrados;
    if (encontrado == Cheque::MismoNumero) ++ctx.resumen.mismoNumeroCheque;
  } else {
    ctx.resumen.lineasRechazadas.push_back(ctx.RegistroActual);
    AnotarNoRegistrada(ctx, "rechazada por la base", UltimoRechazo());
  }
}

bool ConControl(const std::string& texto) {
  return std::any_of(texto.begin(), texto.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

// The cheque a line names, for the reconciliation: its bank number as the journal stores it
// and its amount; nothing for a zero amount. A line not posted whose number or amount cannot
// be read is counted as such (a blank line, with nothing recorded, is no cheque).
void AnotarChequeLeido(ContextoCorrida& ctx, const DisenoCheque& d, Destino destino) {
  const auto& no = ctx.resumen.noRegistradas;
  const bool noRegistrada = !no.empty() && no.back().linea == ctx.RegistroActual;
  auto ilegible = [&] {
    if (noRegistrada) ctx.leido.AnotarChequeIlegible();
  };
  if (ctx.Columnas.size() <= std::max(d.cheque, d.importe)) return ilegible();
  const std::string cheque = utilidad::QuitarCaracteres(ctx.Columnas[d.cheque], "'");
  if (Trim(cheque).empty() || ConControl(cheque) || ConControl(ctx.Columnas[d.importe])) {
    return ilegible();
  }
  plataforma::Moneda monto;
  try {
    monto = utilidad::TextoAImporte(ctx.Columnas[d.importe]).Absoluto();
  } catch (const plataforma::ErrorEjecucion&) {
    return ilegible();
  }
  if (monto.diezmilesimos > 0) ctx.leido.AnotarCheque(d.prefijoBancario + cheque, monto, destino);
}

// A line as the file holds it, without its line end.
std::string SinFinDeLinea(std::string bytes) {
  while (!bytes.empty() && (bytes.back() == '\r' || bytes.back() == '\n')) bytes.pop_back();
  return bytes;
}

// The look-alikes of one run: how many of each key the file has shown so far, and the lines the
// journal counts (posted now or found), which the rejected-lines file needs before a look-alike
// not posted: imported on its own, that file would find the rejected cheque in the journal (its
// twin) and post nothing. On every way out of the run, an abort too, the lines to correct get
// them, each before the first line of its key not posted, so the k-th of the file is the k-th
// there too.
class Gemelos {
 public:
  Gemelos(ContextoCorrida& ctx, const DisenoCheque& d) : ctx_(ctx), d_(d) {}
  ~Gemelos() {
    try {
      Anteponer();
    } catch (...) {
      // Nothing may escape a destructor; the lines to correct stay as they were.
    }
  }
  Gemelos(const Gemelos&) = delete;
  Gemelos& operator=(const Gemelos&) = delete;

  // The place of the current line among the file's cheques with its key (a line without one is
  // the first of its own).
  long Contar(const std::optional<std::string>& clave) { return clave ? ++vistos_[*clave] : 1; }
  void EnDiario() {
    if (ctx_.archivo.Abierto())
      contadas_.push_back({ctx_.RegistroActual, ctx_.archivo.LineaEnBruto()});
  }

 private:
  // The key of a line in its own bytes: the file's lines are compared in one encoding, whatever
  // it is, so a line that was never read (a control character) has its key as well.
  std::optional<std::string> Clave(const LineaEnBruto& l) const {
    return ClaveDeCheque(utilidad::Dividir(SinFinDeLinea(l.bytes), ";"), d_);
  }

  void Anteponer() {
    std::vector<LineaEnBruto>& lineas = ctx_.paraCorregir.lineas;
    if (lineas.empty() || contadas_.empty()) return;
    std::map<std::string, int64_t> primera;  // key -> first line of it not posted
    for (const LineaEnBruto& l : lineas) {
      if (const auto k = Clave(l)) primera.try_emplace(*k, l.numero);
    }
    // Ordered by where each goes, then context before the line it goes before, then the file's.
    std::vector<std::tuple<int64_t, int, LineaEnBruto>> orden;
    for (const LineaEnBruto& l : lineas) orden.emplace_back(l.numero, 1, l);
    for (const LineaEnBruto& c : contadas_) {
      const auto k = Clave(c);
      const auto p = k ? primera.find(*k) : primera.end();
      if (p != primera.end()) orden.emplace_back(std::min(c.numero, p->second), 0, c);
    }
    std::sort(orden.begin(), orden.end(), [](const auto& a, const auto& b) {
      return std::tie(std::get<0>(a), std::get<1>(a), std::get<2>(a).numero) <
             std::tie(std::get<0>(b), std::get<1>(b), std::get<2>(b).numero);
    });
    lineas.clear();
    for (auto& o : orden) lineas.push_back(std::move(std::get<2>(o)));
  }

  ContextoCorrida& ctx_;
  const DisenoCheque& d_;
  std::map<std::string, long> vistos_;
  std::vector<LineaEnBruto> contadas_;
};

void ImportarCheques(ContextoCorrida& ctx, const DisenoCheque& d) {
  Gemelos gemelos(ctx, d);
  ctx.anotarNoLeida = [&] { AnotarChequeLeido(ctx, d, Destino::NoRegistrada); };
  RecorrerArchivo(
      ctx, [&] { DeshabilitarTriggers(ctx); },
      [&] {
        const Hechos antes = HechosDe(ctx.resumen);
        ProcesarCheque(ctx, d, gemelos.Contar(ClaveDeCheque(ctx.Columnas, d)));
        const Destino destino = DestinoDeLinea(antes, HechosDe(ctx.resumen));
        AnotarChequeLeido(ctx, d, destino);
        if (destino == Destino::Registrada) AnotarAsientoGrabado(ctx);
        if (destino != Destino::NoRegistrada) gemelos.EnDiario();
      },
      [&] { HabilitarTriggers(ctx); });
}

}  // namespace

void ImportarChequesTerceros(ContextoCorrida& ctx) { ImportarCheques(ctx, kTerceros); }

void ImportarChequesPropios(ContextoCorrida& ctx) { ImportarCheques(ctx, kPropios); }
