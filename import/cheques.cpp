// Received and own cheques: each cheque becomes a two-line opening journal entry between the
// window's counter-account and account "511", keyed by its bank voucher number so a file can be
// imported again without duplicates.

#include <algorithm>
#include <cstdio>
#include <string>

#include "data/db_dll.h"
#include "import/asientos.h"
#include "import/contexto_corrida.h"
#include "platform/ado.h"
#include "platform/regional.h"
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

// A cheque is in the journal already only when a line with its bank voucher number carries its
// amount and due date on the counter-account of this run: banks number their cheques apart, so
// the same number on another line is another cheque.
Cheque BuscarCheque(ContextoCorrida& ctx, plataforma::Moneda monto) {
  std::string sql =
      "SELECT * FROM MV_ASIENTOS with(nolock) WHERE LTRIM(RTRIM(NROCOMPROBANTEBANCARIO)) ='" +
      Trim(ctx.NroComprobanteBancario) + "'";
  ado::Recordset rs;
  DB().AbrirRecordset(sql, rs);
  // A query that could not run says nothing about the cheque: never post it on that word.
  if (rs.State() != ado::adStateOpen) ExigirConsultaHecha();
  Cheque c = Cheque::Nuevo;
  const std::string contrapartida = Trim(ctx.ventana.txtCuenta());
  while (rs.State() == ado::adStateOpen && !rs.EOF() && c != Cheque::YaImportado) {
    const bool mismo =
        utilidad::IgualSinCaso(Trim(utilidad::ValorCampo(rs.Fields("Cuenta").Value())),
                               contrapartida) &&
        ImporteDeCampo(rs.Fields("Importe").Value()) == monto &&
        MismaFecha(rs.Fields("VENCIMIENTO").Value(), ctx.Vencimiento);
    c = mismo ? Cheque::YaImportado : Cheque::MismoNumero;
    rs.MoveNext();
  }
  DB().CierraRecordset(rs);
  return c;
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

void ProcesarCheque(ContextoCorrida& ctx, const DisenoCheque& d) {
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
  if (!Paso(ctx, [&] { encontrado = BuscarCheque(ctx, monto); })) return;
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

void ImportarCheques(ContextoCorrida& ctx, const DisenoCheque& d) {
  ctx.anotarNoLeida = [&] { AnotarChequeLeido(ctx, d, Destino::NoRegistrada); };
  RecorrerArchivo(
      ctx, [&] { DeshabilitarTriggers(ctx); },
      [&] {
        const Hechos antes = HechosDe(ctx.resumen);
        ProcesarCheque(ctx, d);
        const Destino destino = DestinoDeLinea(antes, HechosDe(ctx.resumen));
        AnotarChequeLeido(ctx, d, destino);
        if (destino == Destino::Registrada) AnotarAsientoGrabado(ctx);
      },
      [&] { HabilitarTriggers(ctx); });
}

}  // namespace

void ImportarChequesTerceros(ContextoCorrida& ctx) { ImportarCheques(ctx, kTerceros); }

void ImportarChequesPropios(ContextoCorrida& ctx) { ImportarCheques(ctx, kPropios); }
