// The journal-line writer: one MV_ASIENTOS row composed from a journal line, with the
// VAT-book columns on the first line of a sales invoice, credit note or debit note.

#include <cstdint>
#include <cstdio>
#include <string>

#include "data/db_dll.h"
#include "data/sentencias.h"
#include "data/valores_sesion.h"
#include "import/asientos.h"
#include "platform/regional.h"
#include "utility/utilidades.h"

namespace {

using plataforma::Moneda;

// An amount as a number text with the regional decimal separator, the form the builder's
// amount conversion reads without doubt (a "." could be taken for thousands grouping).
std::string TextoRegional(Moneda m) {
  std::string t = utilidad::ImporteATexto(m);
  for (char& c : t) {
    if (c == '.') c = plataforma::ConfiguracionRegional().separadorDecimal;
  }
  return t;
}

// Signo x FmtMoneda(parte, session decimals, no grouping), as a number text.
std::string ParteIva(double parte, int signo) {
  const std::string redondeado = FmtMoneda(TextoRegional(Moneda::DesdeDouble(parte)), -1, false);
  Moneda m = utilidad::TextoAImporte(redondeado);
  m.diezmilesimos *= signo;
  return TextoRegional(m);
}

bool LlevaLibroIva(const LineaAsiento& linea) {
  if (linea.secuencia != 1) return false;
  const std::string tc = utilidad::Mayusculas(linea.tc);
  return tc == "FC" || tc == "NC" || tc == "ND";
}

void AgregaColumnasIva(ListaCampos& campos, const LineaAsiento& linea, Moneda absoluto) {
  const int signo = utilidad::IgualSinCaso(linea.tc, "NC") ? -1 : 1;
  DB_Dll& db = DB();
  const std::string cuit = utilidad::Trim(db.DatosTabla(
      "MA_CUENTASADIC", linea.cuenta, "NUMERO_DOCUMENTO", "CODIGO", kTipoTexto, "", true, false));
  const std::string condIva =
      db.DatosTabla("MA_CUENTASADIC", linea.cuenta, "IVA", "CODIGO", kTipoTexto, "", true, false);
  const double a = absoluto.ComoDouble();
  Moneda total = absoluto;
  total.diezmilesimos *= signo;

  AgregaCampo(campos, "CabCuenta", linea.cuentaCliente, kComilla);
  AgregaCampo(campos, "CabNombre", linea.descripcion, kComilla);
  AgregaCampo(campos, "CabCuit", cuit, kComilla);
  AgregaCampo(campos, "CabCondIVA", condIva, kComilla);
  AgregaCampo(campos, "LIVA_TIPO", "VENTAS", kComilla);
  AgregaCampo(campos, "LIVA_TOTAL", TextoRegional(total), kNumero);
  AgregaCampo(campos, "LIVA_IMPNETOGRAV", ParteIva(a / 1.21, signo), kNumero);
  AgregaCampo(campos, "LIVA_IMPNETONGRAV", "0", kNumero);
  AgregaCampo(campos, "LIVA_IMPIVA", ParteIva(21.0 * a / 121.0, signo), kNumero);
  AgregaCampo(campos, "LIVA_EXENTO", "0", kNumero);
  AgregaCampo(campos, "LIVA_ALICIVA", "21", kNumero);
}

std::string ValorIdCajas() {
  const std::string caja = utilidad::Trim(gCaja);
  if (caja.empty()) return "NULL";
  return "'" + utilidad::FormateaCodigo(caja, 4) + "'";
}

std::string ValorUnegocio() {
  if (utilidad::IgualSinCaso(gUnidadNegocio, "Null")) return gUnidadNegocio;
  return DB().SQLValue(plataforma::Valor{gUnidadNegocio}, kComilla);
}

}  // namespace

Moneda ImporteDeCampo(const plataforma::Valor& v) {
  if (const auto* m = std::get_if<Moneda>(&v)) return *m;
  if (const auto* d = std::get_if<double>(&v)) return Moneda::DesdeDouble(*d);
  if (const auto* i = std::get_if<int64_t>(&v)) return Moneda{*i * 10000};
  if (const auto* s = std::get_if<std::string>(&v)) {
    try {
      return utilidad::TextoAImporte(*s);
    } catch (const plataforma::ErrorEjecucion& e) {
      if (e.Number != plataforma::kErrDesbordamiento) throw;
      // Past the range (a value another program stored, or an engine's rounding of the
      // range's end): at its end, as a floating value past it is read.
      const bool negativo = utilidad::Trim(*s).rfind('-', 0) == 0;
      return Moneda{negativo ? -INT64_MAX : INT64_MAX};
    }
  }
  return Moneda{};
}

Moneda ImporteDelArchivo(const std::string& texto) {
  Moneda m;
  try {
    m = utilidad::TextoAImporte(texto);
  } catch (const plataforma::ErrorEjecucion& e) {
    if (e.Number != plataforma::kErrDesbordamiento) throw;
    throw plataforma::ErrorEjecucion(plataforma::kErrDesbordamiento,
                                     "el importe \"" + utilidad::Abreviado(texto) +
                                         "\" está fuera del rango de un importe "
                                         "(±922337203685477,5807)");
  }
  // The embedded engine keeps an amount as a binary floating value: 15 significant digits
  // come back as written, more come back rounded.
  if (PlataformaDe(DB().gConnString) == Plataforma::SQLite) {
    uint64_t v = m.diezmilesimos < 0 ? -static_cast<uint64_t>(m.diezmilesimos)
                                     : static_cast<uint64_t>(m.diezmilesimos);
    while (v != 0 && v % 10 == 0) v /= 10;
    int cifras = 0;
    for (; v != 0; v /= 10) ++cifras;
    if (cifras > 15) {
      throw plataforma::ErrorEjecucion(
          plataforma::kErrDesbordamiento,
          "el importe \"" + utilidad::Abreviado(texto) +
              "\" tiene más de 15 cifras significativas: la base integrada lo guardaría "
              "redondeado");
    }
  }
  return m;
}

LineaAsiento LineaDelComprobante(const ContextoCorrida& ctx) {
  LineaAsiento linea;
  linea.fecha = ctx.Fecha;
  linea.numeroAsiento = ctx.NumeroAsiento;
  linea.importeTexto = ctx.ImporteTexto;
  linea.periodo = ctx.Periodo;
  linea.tc = ctx.TC;
  linea.sucursal = ctx.Sucursal;
  linea.numero = ctx.Numero;
  linea.letra = ctx.Letra;
  linea.vencimiento = ctx.Vencimiento;
  linea.cuentaCliente = ctx.CuentaCliente;
  linea.descripcion = ctx.Descripcion;
  linea.detalle = ctx.ventana.txtConcepto();
  return linea;
}

std::string GrabaAsiento(const LineaAsiento& linea) {
  // Conversions first: a date or amount that cannot be read raises before anything is composed.
  const int mes = plataforma::CDate(linea.fecha).mes;
  const Moneda absoluto = utilidad::TextoAImporte(linea.importeTexto).Absoluto();
  const std::string importe = TextoRegional(absoluto);

  ListaCampos campos;
  AgregaCampo(campos, "Fecha", linea.fecha, kComilla);
  AgregaCampo(campos, "FechaSubDiario", linea.fecha, kComilla);
  AgregaCampo(campos, "Mes_Operativo", std::to_string(mes), kComilla);
  AgregaCampo(campos, "[NUMERO ASIENTO]", linea.numeroAsiento, kNumero);
  AgregaCampo(campos, "Cuenta", linea.cuenta, kComilla);
  AgregaCampo(campos, "Secuencia", std::to_string(linea.secuencia), kComilla);
  AgregaCampo(campos, "CabImporte", importe, kNumero);
  AgregaCampo(campos, "[Debe-Haber]", linea.debeHaber, kComilla);
  AgregaCampo(campos, "Importe", importe, kNumero);
  AgregaCampo(campos, "Periodo", linea.periodo, kComilla);
  AgregaCampo(campos, "TC", linea.tc, kComilla);
  AgregaCampo(campos, "Sucursal", linea.sucursal, kComilla);
  AgregaCampo(campos, "Numero", linea.numero, kComilla);
  AgregaCampo(campos, "Letra", linea.letra, kComilla);
  AgregaCampo(campos, "Tipo_Reg", "    ", kComilla);
  AgregaCampo(campos, "tj_observaciones", "Importado", kComilla);
  AgregaCampo(campos, "Detalle", utilidad::Trim(linea.detalle), kComilla);
  AgregaCampo(campos, "Moneda", "   1", kComilla);
  AgregaCampo(campos, "cotizacion", "1", kNumero);
  AgregaCampo(campos, "USUARIO_LOGEADO", gUsuarioLogeado, kComilla);
  AgregaCampo(campos, "IdCajas", ValorIdCajas(), kComilla);
  AgregaCampo(campos, "Unegocio", ValorUnegocio(), kComilla);
  AgregaCampo(campos, "FechaHora_Grabacion", plataforma::FormatoFechaHora(FechaServidor()),
              kComilla);
  // The due date is written without the blanks around it: the column is a date, and a padded
  // text would be stored as text that reads back as no date.
  const std::string vencimiento = utilidad::Trim(linea.vencimiento);
  if (!vencimiento.empty()) AgregaCampo(campos, "VENCIMIENTO", vencimiento, kComilla);
  if (!utilidad::Trim(linea.nroComprobanteBancario).empty()) {
    AgregaCampo(campos, "nroComprobanteBancario", linea.nroComprobanteBancario, kComilla);
  }
  if (LlevaLibroIva(linea)) AgregaColumnasIva(campos, linea, absoluto);
  return ArmaSentencia(campos, "MV_ASIENTOS", false);
}
