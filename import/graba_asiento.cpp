// The journal-line writer: one MV_ASIENTOS row composed from the run variables, with the
// VAT-book columns on the first line of a sales invoice, credit note or debit note.

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

bool LlevaLibroIva(const ContextoCorrida& ctx) {
  if (ctx.Secuencia != 1) return false;
  const std::string tc = utilidad::Mayusculas(ctx.TC);
  return tc == "FC" || tc == "NC" || tc == "ND";
}

// Adds a column whose value is computed here rather than held in a run variable.
void AgregaValor(const std::string& campo, std::string valor, const std::string& comilla) {
  AgregaCampo(campo, valor, comilla);
}

void AgregaColumnasIva(ContextoCorrida& ctx, Moneda absoluto) {
  const int signo = utilidad::IgualSinCaso(ctx.TC, "NC") ? -1 : 1;
  DB_Dll& db = DB();
  const std::string cuit =
      utilidad::Trim(db.DatosTabla("MA_CUENTASADIC", ctx.CuentaAsiento, "NUMERO_DOCUMENTO",
                                   "CODIGO", kTipoTexto, "", true, false));
  const std::string condIva = db.DatosTabla("MA_CUENTASADIC", ctx.CuentaAsiento, "IVA", "CODIGO",
                                            kTipoTexto, "", true, false);
  const double a = absoluto.ComoDouble();
  Moneda total = absoluto;
  total.diezmilesimos *= signo;

  AgregaCampo("CabCuenta", ctx.CuentaCliente, kComilla);
  AgregaCampo("CabNombre", ctx.Descripcion, kComilla);
  AgregaValor("CabCuit", cuit, kComilla);
  AgregaValor("CabCondIVA", condIva, kComilla);
  AgregaValor("LIVA_TIPO", "VENTAS", kComilla);
  AgregaValor("LIVA_TOTAL", TextoRegional(total), kNumero);
  AgregaValor("LIVA_IMPNETOGRAV", ParteIva(a / 1.21, signo), kNumero);
  AgregaValor("LIVA_IMPNETONGRAV", "0", kNumero);
  AgregaValor("LIVA_IMPIVA", ParteIva(21.0 * a / 121.0, signo), kNumero);
  AgregaValor("LIVA_EXENTO", "0", kNumero);
  AgregaValor("LIVA_ALICIVA", "21", kNumero);
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
  if (const auto* s = std::get_if<std::string>(&v)) return utilidad::TextoAImporte(*s);
  return Moneda{};
}

void GrabaAsiento(ContextoCorrida& ctx) {
  // Conversions first: a date or amount that cannot be read raises before any column is added.
  const int mes = plataforma::CDate(ctx.Fecha).mes;
  const Moneda absoluto = utilidad::TextoAImporte(ctx.ImporteTexto).Absoluto();
  const std::string importe = TextoRegional(absoluto);

  CamposSQL.clear();
  AgregaCampo("Fecha", ctx.Fecha, kComilla, true);
  AgregaCampo("FechaSubDiario", ctx.Fecha, kComilla);
  AgregaValor("Mes_Operativo", std::to_string(mes), kComilla);
  AgregaCampo("[NUMERO ASIENTO]", ctx.NumeroAsiento, kNumero);
  AgregaCampo("Cuenta", ctx.CuentaAsiento, kComilla);
  AgregaValor("Secuencia", std::to_string(ctx.Secuencia), kComilla);
  AgregaValor("CabImporte", importe, kNumero);
  AgregaCampo("[Debe-Haber]", ctx.DebeHaber, kComilla);
  AgregaValor("Importe", importe, kNumero);
  AgregaCampo("Periodo", ctx.Periodo, kComilla);
  AgregaCampo("TC", ctx.TC, kComilla);
  AgregaCampo("Sucursal", ctx.Sucursal, kComilla);
  AgregaCampo("Numero", ctx.Numero, kComilla);
  AgregaCampo("Letra", ctx.Letra, kComilla);
  AgregaValor("Tipo_Reg", "    ", kComilla);
  AgregaValor("tj_observaciones", "Importado", kComilla);
  AgregaValor("Detalle", utilidad::Trim(ctx.ventana.txtConcepto()), kComilla);
  AgregaValor("Moneda", "   1", kComilla);
  AgregaValor("cotizacion", "1", kNumero);
  AgregaCampo("USUARIO_LOGEADO", gUsuarioLogeado, kComilla);
  AgregaValor("IdCajas", ValorIdCajas(), kComilla);
  AgregaValor("Unegocio", ValorUnegocio(), kComilla);
  AgregaValor("FechaHora_Grabacion", plataforma::FormatoFechaHora(FechaServidor()), kComilla);
  // The due date is written without the blanks around it: the column is a date, and a padded
  // text would be stored as text that reads back as no date.
  ctx.Vencimiento = utilidad::Trim(ctx.Vencimiento);
  if (!ctx.Vencimiento.empty()) AgregaCampo("VENCIMIENTO", ctx.Vencimiento, kComilla);
  if (!utilidad::Trim(ctx.NroComprobanteBancario).empty()) {
    AgregaCampo("nroComprobanteBancario", ctx.NroComprobanteBancario, kComilla);
  }
  if (LlevaLibroIva(ctx)) AgregaColumnasIva(ctx, absoluto);

  std::string sinCondicion;
  ArmaSentencia(CamposSQL, ctx.SentenciasSQL, "MV_ASIENTOS", false, sinCondicion, false);
}
