// Employees: one ledger account per name of the list, under the title account typed in
// txtCuenta, with the next free code under that title. Names already present are left alone.

#include <cstdio>
#include <string>

#include "data/db_dll.h"
#include "import/asientos.h"
#include "import/contexto_corrida.h"
#include "platform/ado.h"
#include "platform/error_ejecucion.h"
#include "utility/utilidades.h"

namespace {

using utilidad::Trim;

// A whole code read as a number; the text ordering of MAX(CODIGO) may give one that is not.
long long CodigoComoNumero(const std::string& codigo) {
  const std::string texto = Trim(codigo);
  if (texto.empty() || texto.size() > 18 ||
      texto.find_first_not_of("0123456789") != std::string::npos) {
    throw plataforma::ErrorEjecucion(plataforma::kErrTipoIncompatible,
                                     "El código de cuenta \"" + codigo + "\" no es un número");
  }
  return std::stoll(texto);
}

// The next free code under the title: its highest sub-account plus one, or title & "0001".
std::string NuevoCodigo(const std::string& titulo) {
  std::string sql = "SELECT MAX(CODIGO) AS CODIGO FROM MA_CUENTAS WHERE CODIGO LIKE '" + titulo +
                    "%' and len(CODIGO)>" + std::to_string(titulo.size());
  ado::Recordset rs;
  DB().AbrirRecordset(sql, rs);
  // A failed query must not give "0001" again: that code may be taken.
  if (rs.State() != ado::adStateOpen) {
    throw plataforma::ErrorEjecucion(plataforma::kErrArgumentoInvalido,
                                     "No se pudo leer el último código bajo " + titulo);
  }
  std::string maximo;
  if (!rs.EOF()) maximo = utilidad::ValorCampo(rs.Fields("Codigo").Value());
  DB().CierraRecordset(rs);
  if (maximo.empty()) return Trim(titulo) + "0001";
  return std::to_string(CodigoComoNumero(maximo) + 1);
}

void ProcesarEmpleado(ContextoCorrida& ctx) {
  ctx.Descripcion.clear();
  ctx.CuentaCliente.clear();
  // The account is stored without single quotes, and trimmed after they are gone (a quote
  // must not leave blanks in front of the name); compare with the name as stored, so the
  // query holds no stray quote and a second run finds what the first one created.
  ctx.Descripcion =
      Trim(utilidad::QuitarCaracteres(utilidad::ReemplazaTexto(ctx.Linea, ";", " "), "'"));
  // An empty line, or one of separators only (an empty row of the export), names no one.
  if (ctx.Descripcion.empty()) return;
  const std::string titulo = ctx.ventana.txtCuenta();
  const std::string& almacenado = ctx.Descripcion;

  bool existe = true;
  if (!Paso(ctx, [&] {
        existe = Encontrada(DB().ExisteEnTabla(
            "MA_CUENTAS", almacenado, "DESCRIPCION", nullptr, kTipoTexto,
            " DESCRIPCION='" + almacenado + "' AND CODIGO LIKE '" + Trim(titulo) + "%'", true));
      })) {
    return;
  }
  if (existe) {
    ++ctx.resumen.cuentasExistentes;
    return;
  }

  // Without a fresh code the account would reuse the previous employee's: create nothing.
  if (!Paso(ctx, [&] { ctx.CuentaCliente = NuevoCodigo(titulo); })) {
    ++ctx.resumen.incompletos;
    AnotarNoRegistrada(ctx, "incompleta", "sin código nuevo para " + ctx.Descripcion);
    ctx.resumen.errores.push_back("Línea " + std::to_string(ctx.RegistroActual) + " de " +
                                  ctx.RutaArchivo + ": sin código nuevo para " + ctx.Descripcion +
                                  "; no se creó la cuenta");
    return;
  }
  if (AltaCuenta(ctx)) {
    ++ctx.resumen.cuentasCreadas;
  } else {
    ctx.resumen.lineasRechazadas.push_back(ctx.RegistroActual);
    AnotarNoRegistrada(ctx, "rechazada por la base", UltimoRechazo());
  }
}

}  // namespace

void ImportarEmpleados(ContextoCorrida& ctx) {
  RecorrerArchivo(
      ctx, nullptr,
      [&] {
        ProcesarEmpleado(ctx);
        // The name as stored, to be found under the title at the end of the run.
        if (!ctx.Descripcion.empty()) ctx.leido.AnotarEmpleado(ctx.Descripcion);
      },
      nullptr);
}
