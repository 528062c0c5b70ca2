// The counter-account check of a run and the creation of posting accounts in MA_CUENTAS.

#include <cstdio>
#include <string>

#include "data/db_dll.h"
#include "data/sentencias.h"
#include "import/asientos.h"
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

}  // namespace

void ValidaContrapartida(ContextoCorrida& ctx) {
  const std::string cuenta = ctx.ventana.txtCuenta();
  const std::string tipo = ctx.ventana.OpcionSeleccionada() == kOpcionAltaEmpleados
                               ? " AND (TITULO=1)"
                               : " AND (TITULO=0 OR TITULO IS NULL)";
  const std::string condicion = "CODIGO='" + LiteralSeguro(cuenta) + "'" + tipo;
  const Busqueda b =
      DB().ExisteEnTabla("MA_CUENTAS", cuenta, "CODIGO", nullptr, kTipoTexto, condicion, true);
  if (b == Busqueda::Encontrada) return;
  // Unknown whether the account is valid (its lookup failed and was ignored): nothing is posted
  // to it, and the operator was already shown why.
  if (b == Busqueda::Fallida) throw FinDeCorrida{};
  plataforma::MsgBox("Debe informar una cuenta de contrapartida válida!!!",
                     plataforma::vbInformation + plataforma::vbOKOnly, "Aviso al Usuario");
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
