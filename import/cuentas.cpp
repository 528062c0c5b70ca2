// The counter-account check of a run and the creation of posting accounts in MA_CUENTAS.

#include <cstdio>
#include <string>

#include "data/db_dll.h"
#include "data/sentencias.h"
#include "import/asientos.h"
#include "import/contexto_corrida.h"
#include "platform/dialogos.h"
#include "utility/utilidades.h"

namespace {

// The employee mode creates its accounts under a title account; every other mode posts.
constexpr int kOpcionAltaEmpleados = 2;

// The operator's text inside a quoted literal: a quote is doubled, so it can never end the
// literal early and turn the rest of the text into conditions.
std::string LiteralSeguro(const std::string& texto) {
  return utilidad::ReemplazaTexto(texto, "'", "''");
}

// Why the counter-account, of the right kind, still cannot take the run's other side: it is
// the account of the lines themselves (511 of every cheque), or a customer's or a supplier's
// (under 11201 or 21101, or a customer of VT_CLIENTES), so every entry would move an amount
// between two holders' accounts, and employees would be created among customers or
// suppliers. Empty when it can.
std::string CuentaAjena(const ContextoCorrida& ctx, const std::string& cuenta) {
  const std::string codigo = utilidad::Trim(cuenta);
  const int opcion = ctx.ventana.OpcionSeleccionada();
  if ((opcion == 3 || opcion == 4) && utilidad::IgualSinCaso(codigo, "511")) {
    return "es la cuenta 511, la del otro lado de cada cheque";
  }
  if (utilidad::InStrSinCaso(codigo, "11201") == 1) {
    return "es de clientes: 11201 o una cuenta bajo ella";
  }
  if (utilidad::InStrSinCaso(codigo, "21101") == 1) {
    return "es de proveedores: 21101 o una cuenta bajo ella";
  }
  const Busqueda b =
      DB().ExisteEnTabla("VT_CLIENTES", codigo, "Codigo", nullptr, kTipoTexto, "", true);
  // Unknown whether it is a customer's: nothing is posted to it (the lookup's error was shown).
  if (b == Busqueda::Fallida) throw FinDeCorrida{};
  return b == Busqueda::Encontrada ? "es la cuenta de un cliente (VT_CLIENTES)" : "";
}

}  // namespace

void ValidaContrapartida(ContextoCorrida& ctx) {
  const std::string cuenta = ctx.ventana.txtCuenta();
  const std::string tipo = ctx.ventana.OpcionSeleccionada() == kOpcionAltaEmpleados
                               ? " AND (TITULO=1)"
                               : " AND (TITULO=0 OR TITULO IS NULL)";
  const std::string condicion = "CODIGO='" + LiteralSeguro(cuenta) + "'" + tipo;
  const Busqueda b =
      DB().ExisteEnTabla("MA_CUENTAS", cuenta, "CODIGO", nullptr, kTipoTexto, condicion, true);
  // Unknown whether the account is valid (its lookup failed and was ignored): nothing is posted
  // to it, and the operator was already shown why.
  if (b == Busqueda::Fallida) throw FinDeCorrida{};
  std::string mensaje = "Debe informar una cuenta de contrapartida válida!!!";
  if (b == Busqueda::Encontrada) {
    const std::string ajena = CuentaAjena(ctx, cuenta);
    if (ajena.empty()) return;
    mensaje += "\r\n\r\nLa cuenta " + utilidad::Trim(cuenta) + " " + ajena + ".";
  }
  plataforma::MsgBox(mensaje, plataforma::vbInformation + plataforma::vbOKOnly,
                     "Aviso al Usuario");
  throw FinDeCorrida{};
}

bool AltaCuenta(ContextoCorrida& ctx) {
  ctx.SentenciasSQL = ListaSentencias(1);
  ListaCampos campos;
  AgregaCampo(campos, "CODIGO", ctx.CuentaCliente, kComilla);
  AgregaCampo(campos, "Descripcion", ctx.Descripcion, kComilla);
  AgregaCampo(campos, "Titulo", "0", kNumero);
  AgregaSentencia(ctx.SentenciasSQL, ArmaSentencia(campos, "MA_CUENTAS", false));
  return EjecutaSentencias(ctx.SentenciasSQL);
}
