// Customer and supplier balances: the report layout (headers, voucher lines) and the posting of
// each open voucher as an opening entry of two journal lines.

#include "import/saldos.h"

#include <cstdio>
#include <string>
#include <vector>

#include "data/db_dll.h"
#include "data/sentencias.h"
#include "import/asientos.h"
#include "platform/dialogos.h"
#include "platform/regional.h"
#include "utility/utilidades.h"

namespace {

using plataforma::ErrorEjecucion;
using plataforma::Moneda;
using utilidad::Trim;

constexpr size_t kColumnaComprobante = 4;
constexpr size_t kColumnaVencimiento = 13;
constexpr size_t kColumnaImporteClientes = 37;
constexpr size_t kColumnaImporteProveedores = 34;

// The account of the vouchers under a header refused for a control character: none.
const std::string kSinCabeceraLegible = "(cabecera ilegible)";

const char* const kLetras[] = {"A", "B", "C", "D", "E", "F", "G",
                               "H", "I", "J", "K", "L", "M", "N"};

int Modo(const ContextoCorrida& ctx) { return ctx.ventana.OpcionSeleccionada(); }

// The first `n` characters of a UTF-8 text (characters, not bytes).
std::string PrimerosCaracteres(const std::string& texto, size_t n) {
  size_t i = 0;
  for (size_t contados = 0; i < texto.size() && contados < n; ++contados) {
    ++i;
    while (i < texto.size() && (static_cast<unsigned char>(texto[i]) & 0xC0) == 0x80) ++i;
  }
  return texto.substr(0, i);
}

// Characters `desde` (1-based) to the end, or an empty text when the token is shorter.
std::string DesdeCaracter(const std::string& texto, size_t desde) {
  return texto.size() >= desde ? texto.substr(desde - 1) : std::string();
}

std::string ConsultaComprobante(const ContextoCorrida& ctx, bool blancoFinal) {
  return "SELECT * FROM MV_ASIENTOS WHERE TC = '" + ctx.TC + "' AND SUCURSAL = '" + ctx.Sucursal +
         "'  AND NUMERO = '" + ctx.Numero + "'  AND LETRA = '" + ctx.Letra + "'" +
         (blancoFinal ? " " : "");
}

enum class Existencia { Libre, YaImportado, Ocupado };

// Opens the voucher query with the current letter and looks at every journal row of that number.
// The voucher is already imported only when a row on the customer's or supplier's own account
// carries it (an invoice by its number alone, other vouchers with the same amount): suppliers
// number their own invoices, so another account's voucher of that number is another voucher.
// `otraCuenta` receives the account of another voucher holding the number.
Existencia Buscar(ContextoCorrida& ctx, bool blancoFinal, Moneda absoluto, bool esFactura,
                  std::string* otraCuenta = nullptr) {
  std::string sql = ConsultaComprobante(ctx, blancoFinal);
  ado::Recordset rs;
  DB().AbrirRecordset(sql, rs);
  // A query that could not run says nothing about the voucher: never post it on that word.
  if (rs.State() != ado::adStateOpen) ExigirConsultaHecha();
  Existencia e = Existencia::Libre;
  const std::string propia = Trim(ctx.CuentaCliente);
  while (rs.State() == ado::adStateOpen && !rs.EOF() && e != Existencia::YaImportado) {
    const std::string cuenta = Trim(utilidad::ValorCampo(rs.Fields("Cuenta").Value()));
    if (utilidad::IgualSinCaso(cuenta, propia)) {
      if (esFactura || ImporteDeCampo(rs.Fields("Importe").Value()) == absoluto) {
        e = Existencia::YaImportado;
      } else {
        e = Existencia::Ocupado;
      }
    } else {
      // The first row of an entry is on its holder's account; the second on the counter-account.
      if (otraCuenta && otraCuenta->empty() &&
          utilidad::ValorCampo(rs.Fields("Secuencia").Value()) == "1") {
        *otraCuenta = cuenta;
      }
      e = Existencia::Ocupado;
    }
    rs.MoveNext();
  }
  DB().CierraRecordset(rs);
  return e;
}

// Decides whether the voucher can be posted, moving it to the first free letter when another
// voucher holds its number. False when it must be skipped (counted in the summary). A customer
// invoice keeps its number: held by another customer, it is reported as a conflict.
bool ComprobanteLibre(ContextoCorrida& ctx, Moneda absoluto) {
  const bool esFactura = utilidad::IgualSinCaso(ctx.TC, "FC");
  std::string otraCuenta;
  Existencia e = Buscar(ctx, true, absoluto, esFactura, &otraCuenta);
  if (e == Existencia::Libre) return true;
  if (e == Existencia::YaImportado) {
    ++ctx.resumen.yaImportados;
    return false;
  }
  if (esFactura) {
    ++ctx.resumen.conflictos;
    AnotarNoRegistrada(ctx, "en conflicto con otra cuenta",
                       ctx.TC + " " + ctx.Letra + " " + ctx.Sucursal + "-" + ctx.Numero);
    ctx.resumen.errores.push_back(
        "Archivo " + ctx.RutaArchivo + ", línea " + std::to_string(ctx.RegistroActual) +
        ": la factura " + ctx.TC + " " + ctx.Letra + " " + ctx.Sucursal + "-" + ctx.Numero +
        " de la cuenta " + Trim(ctx.CuentaCliente) + " ya está registrada en la cuenta " +
        (otraCuenta.empty() ? "de otro comprobante" : otraCuenta) + "; no se registró");
    return false;
  }
  for (const char* letra : kLetras) {
    ctx.Letra = letra;
    e = Buscar(ctx, false, absoluto, false);
    if (e == Existencia::Libre) return true;
    if (e == Existencia::YaImportado) {
      ++ctx.resumen.yaImportados;
      return false;
    }
  }
  ++ctx.resumen.sinLetraLibre;
  AnotarNoRegistrada(ctx, "sin letra libre", ctx.TC + " " + ctx.Sucursal + "-" + ctx.Numero);
  return false;
}

// Looks the customer's account up; while it is missing, asks the operator to create it.
void VerificaCliente(ContextoCorrida& ctx) {
  ctx.CuentaAsiento = ctx.CuentaCliente;
  for (;;) {
    ado::Recordset lrcs;
    if (Encontrada(DB().ExisteEnTabla("MA_CUENTAS", ctx.CuentaAsiento, "Codigo", &lrcs, kTipoTexto,
                                      "", true))) {
      ctx.Descripcion = utilidad::ValorCampo(lrcs.Fields("Descripcion").Value());
      return;
    }
    // The second line names the account being looked up, so the operator knows which one to
    // create (the description held here belongs to an earlier customer).
    const std::string texto = "No se encontro el cliente \r\n" + ctx.CuentaAsiento +
                              "\r\nDebe darlo de alta para continuar\r\n\r\n"
                              "Seleccione SI luego de darlo de Alta\r\n"
                              "Seleccione NO para abortar el proceso";
    if (plataforma::MsgBox(texto, plataforma::vbCritical + plataforma::vbYesNo,
                           " Aviso al operador") != plataforma::vbYes) {
      throw FinDeCorrida{};
    }
  }
}

std::string DescripcionConversion(const ContextoCorrida& ctx, const std::string& que,
                                  const std::string& valor) {
  return "Archivo " + ctx.RutaArchivo + ", línea " + std::to_string(ctx.RegistroActual) + ": " +
         que + " \"" + utilidad::Abreviado(valor) + "\" no se puede convertir";
}

// Converts the line's amount and dates before anything is composed; a value that does not
// convert goes to the run's error dialog naming line and value.
void ConvierteValores(ContextoCorrida& ctx, Moneda& importe) {
  auto rechazo = [&](const std::string& d, const std::string& motivo, const std::string& valor,
                     int32_t numero) {
    // Retrying the same line fails the same way: the summary names it once.
    if (ctx.resumen.errores.empty() || ctx.resumen.errores.back() != d) {
      ctx.resumen.errores.push_back(d);
    }
    AnotarNoRegistrada(ctx, motivo, valor);
    throw ErrorEjecucion(numero, d, "RegistraSaldo");
  };
  auto fallo = [&](const std::string& que, const std::string& valor) {
    rechazo(DescripcionConversion(ctx, que, valor), "error de conversión", valor,
            plataforma::kErrTipoIncompatible);
  };
  try {
    importe = ImporteDelArchivo(ctx.ImporteTexto);
  } catch (const ErrorEjecucion& e) {
    // An amount the company cannot hold as written is named with its line, like one that does
    // not convert.
    if (e.Number == plataforma::kErrDesbordamiento) {
      rechazo("Archivo " + ctx.RutaArchivo + ", línea " + std::to_string(ctx.RegistroActual) +
                  ": " + e.Description,
              "importe fuera de rango", ctx.ImporteTexto, e.Number);
    }
    fallo("el importe", ctx.ImporteTexto);
  }
  if (!plataforma::EsFecha(ctx.Fecha)) fallo("la fecha", ctx.Fecha);
  if (!plataforma::EsFecha(Trim(ctx.Vencimiento))) fallo("el vencimiento", ctx.Vencimiento);
}

// A total line of the report ("Total Cliente: 4567", "Total Proveedor: 000043") with an
// amount is noted for the account it names (the current one when it names none). The run
// itself takes it for a header of no account, as ever.
void AnotarTotalDeCuenta(ContextoCorrida& ctx) {
  const std::string primera = ctx.Columnas.empty() ? std::string() : Trim(ctx.Columnas[0]);
  if (utilidad::InStrSinCaso(primera, "Total") != 1) return;
  const char* palabra = Modo(ctx) == 1 ? "Proveedor" : "Cliente";
  if (!utilidad::ContieneSinCaso(primera, palabra)) return;
  const size_t columna = Modo(ctx) == 1 ? kColumnaImporteProveedores : kColumnaImporteClientes;
  if (columna >= ctx.Columnas.size() || Trim(ctx.Columnas[columna]).empty()) return;
  Moneda total;
  try {
    total = utilidad::TextoAImporte(ctx.Columnas[columna]);
  } catch (const ErrorEjecucion&) {
    return;
  }
  std::string numero =
      Trim(utilidad::ReemplazarSinCaso(Trim(primera.substr(5)), std::string(palabra) + ":", ""));
  if (Modo(ctx) == 1) numero = PrimerosCaracteres(numero, 6);
  const std::string cuenta =
      numero.empty() ? ctx.CuentaCliente : ctx.CuentaControl + utilidad::FormatoCeros(numero, 4);
  ctx.leido.AnotarTotalDeCuenta(cuenta, total);
}

}  // namespace

std::string MapearTipoComprobante(const std::string& codigo, int modo) {
  struct Par {
    const char* codigo;
    const char* clientes;
    const char* proveedores;
  };
  static const Par kTabla[] = {
      {"FC", "FC", "FCC"}, {"REC", "CB", "CB"}, {"CR", "NC", "NC"},  {"NCD", "NC", "NC"},
      {"NCI", "NC", "NC"}, {"NDI", "ND", "ND"}, {"CON", "CC", "CC"}, {"NC", nullptr, "NCC"},
  };
  for (const Par& p : kTabla) {
    if (!utilidad::IgualSinCaso(codigo, p.codigo)) continue;
    const char* r = modo == 1 ? p.proveedores : p.clientes;
    return r ? r : codigo;
  }
  return codigo;
}

bool DetectaTitular(ContextoCorrida& ctx) {
  if (Modo(ctx) == 1) {
    if (!utilidad::ContieneSinCaso(Trim(ctx.Linea), "Proveedor")) return false;
    ctx.Linea = utilidad::ReemplazaTexto(ctx.Linea, ";", " ");
    ctx.Linea = Trim(utilidad::ReemplazarSinCaso(ctx.Linea, "Proveedor:", ""));
    ctx.CuentaCliente =
        ctx.CuentaControl + utilidad::FormatoCeros(PrimerosCaracteres(ctx.Linea, 6), 4);
    return true;
  }
  if (!utilidad::ContieneSinCaso(Trim(ctx.Linea), "Cliente")) return false;
  const std::string numero = utilidad::ReemplazarSinCaso(Trim(Columna(ctx, 0)), "Cliente:", "");
  ctx.CuentaCliente = ctx.CuentaControl + utilidad::FormatoCeros(numero, 4);
  return true;
}

void LeerLineaSaldo(ContextoCorrida& ctx) {
  // A line that lacks a column must never post the values of the line before.
  ctx.Fecha.clear();
  ctx.TC.clear();
  ctx.Letra.clear();
  ctx.Sucursal.clear();
  ctx.Numero.clear();
  ctx.Vencimiento.clear();
  ctx.ImporteTexto.clear();

  std::string tipo;
  Paso(ctx, [&] { ctx.Fecha = Trim(Columna(ctx, 0)); });
  Paso(ctx, [&] {
    // Single quotes are dropped, as every stored value loses them: the duplicate check then
    // asks for what a first run wrote, and no quote of the file can end a literal of the query.
    const auto tokens = utilidad::Dividir(
        Trim(utilidad::QuitarCaracteres(Columna(ctx, kColumnaComprobante), "'")), " ");
    tipo = Trim(tokens[0]);
    if (tokens.size() > 1) ctx.Letra = Trim(tokens[1]);
    if (tokens.size() > 2) {
      ctx.Sucursal = tokens[2].substr(0, 4);
      ctx.Numero = DesdeCaracter(tokens[2], 6);
    }
    // Credit receipts write the whole third token as the number.
    if (utilidad::IgualSinCaso(tipo, "CR") && tokens.size() > 2) {
      ctx.Numero = utilidad::QuitarCaracteres(tokens[2], "-");
      ctx.Sucursal = "0001";
      ctx.Letra = "A";
    }
  });
  Paso(ctx, [&] { ctx.Vencimiento = Columna(ctx, kColumnaVencimiento); });
  Paso(ctx, [&] {
    ctx.ImporteTexto =
        Columna(ctx, Modo(ctx) == 1 ? kColumnaImporteProveedores : kColumnaImporteClientes);
  });
  ctx.Sucursal = utilidad::FormatoCeros(ctx.Sucursal, 4);
  ctx.Numero = utilidad::FormatoCeros(ctx.Numero, 8);
  if (ctx.Letra.empty()) ctx.Letra = "X";
  ctx.TC = MapearTipoComprobante(tipo, Modo(ctx));
}

bool LineaSaldoCompleta(const ContextoCorrida& ctx) {
  return !ctx.TC.empty() && !Trim(ctx.Sucursal).empty() && !Trim(ctx.Numero).empty() &&
         !Trim(ctx.Vencimiento).empty() && !Trim(ctx.ImporteTexto).empty();
}

void RegistraSaldo(ContextoCorrida& ctx) {
  Moneda importe;
  if (!Paso(ctx, [&] { ConvierteValores(ctx, importe); })) return;
  const Moneda absoluto = importe.Absoluto();
  const std::string letraDelArchivo = ctx.Letra;

  ctx.SentenciasSQL.assign(1, "");
  if (!ComprobanteLibre(ctx, absoluto)) return;

  // A voucher dated in no fiscal year would be posted to period 0, outside every balance.
  ctx.Periodo = std::to_string(PeriodoDeFecha(ctx.Fecha));
  if (ctx.Periodo == "0") {
    ++ctx.resumen.fueraDeEjercicio;
    AnotarNoRegistrada(ctx, "fuera de ejercicio", ctx.Fecha);
    return;
  }
  VerificaCliente(ctx);

  const std::string mes = std::to_string(plataforma::CDate(ctx.Fecha).mes);
  const std::string primerLado = importe.diezmilesimos >= 0 ? "D" : "H";
  // The entry is composed with the next free number; again with a fresh one when another
  // program took that number before the batch committed.
  auto componer = [&] {
    ctx.SentenciasSQL.assign(1, "");
    ctx.SentenciasSQL.push_back("IF NOT EXISTS(SELECT FECHA FROM MA_CALENDARIO WHERE FECHA='" +
                                ctx.Fecha + "') INSERT INTO MA_CALENDARIO (FECHA) VALUES('" +
                                ctx.Fecha + "')");
    ctx.SentenciasSQL.push_back("");
    ctx.NumeroAsiento = std::to_string(ValidaTCRegistraciones(mes, ctx.Periodo, "    "));
    LineaAsiento linea = LineaDelComprobante(ctx);
    linea.cuenta = ctx.CuentaCliente;
    linea.debeHaber = primerLado;
    linea.secuencia = 1;
    AgregaSentencia(ctx.SentenciasSQL, GrabaAsiento(linea));
    linea.debeHaber = primerLado == "D" ? "H" : "D";
    linea.cuenta = ctx.ventana.txtCuenta();
    linea.secuencia = 2;
    AgregaSentencia(ctx.SentenciasSQL, GrabaAsiento(linea));
  };
  componer();

  if (EjecutaAsiento(ctx.SentenciasSQL, componer)) {
    ++ctx.resumen.registrados;
    if (ctx.Letra != letraDelArchivo) {
      ++ctx.resumen.otraLetra;
      ctx.resumen.conOtraLetra.push_back({ctx.RegistroActual,
                                          ctx.TC + " " + ctx.Sucursal + "-" + ctx.Numero,
                                          letraDelArchivo, ctx.Letra});
    }
  } else {
    ctx.resumen.lineasRechazadas.push_back(ctx.RegistroActual);
    AnotarNoRegistrada(ctx, "rechazada por la base", UltimoRechazo());
  }
}

namespace {

// A line of a block refused before it was read still counts against the block's account, as a
// voucher not posted with what of it can be read (an amount that cannot is said, not made up).
// A header refused so leaves its vouchers with no account to post to: each is refused.
void AnotarSaldoNoLeido(ContextoCorrida& ctx) {
  if (Trim(ctx.CuentaCliente).empty()) return;  // a title before the first header
  const std::string cuenta = ctx.CuentaCliente;
  if (DetectaTitular(ctx)) {
    ctx.CuentaCliente = kSinCabeceraLegible;
    return;
  }
  LeerLineaSaldo(ctx);
  ctx.leido.AnotarComprobante(cuenta, {ctx.TC, ctx.Sucursal, ctx.Numero, ctx.Letra},
                              ctx.ImporteTexto, Destino::NoRegistrada);
}

}  // namespace

void ImportarSaldos(ContextoCorrida& ctx) {
  ctx.CuentaCliente.clear();
  ctx.anotarNoLeida = [&] { AnotarSaldoNoLeido(ctx); };
  RecorrerArchivo(
      ctx, [&] { DeshabilitarTriggers(ctx); },
      [&] {
        if (Trim(ctx.Linea).empty()) return;
        // Report titles before the first header only feed the header detection.
        // A header is what its vouchers need before them in the rejected-lines file.
        if (Trim(ctx.CuentaCliente).empty()) {
          if (DetectaTitular(ctx)) AnotarContexto(ctx, 0);
          return;
        }
        AnotarTotalDeCuenta(ctx);
        const bool esTitular = DetectaTitular(ctx);
        if (esTitular) AnotarContexto(ctx, 0);
        LeerLineaSaldo(ctx);
        const std::string cuenta = ctx.CuentaCliente;
        const Hechos antes = HechosDe(ctx.resumen);
        if (LineaSaldoCompleta(ctx) && cuenta == kSinCabeceraLegible) {
          AnotarNoRegistrada(ctx, "sin cabecera legible",
                             "la cabecera de su bloque tiene un carácter de control");
        } else if (LineaSaldoCompleta(ctx)) {
          RegistraSaldo(ctx);
        } else if (!esTitular) {
          ++ctx.resumen.incompletos;
          AnotarNoRegistrada(ctx, "incompleta", Trim(ctx.Linea));
        } else {
          return;
        }
        // The voucher as it ended: with the letter it was posted or found with.
        const Destino destino = DestinoDeLinea(antes, HechosDe(ctx.resumen));
        ctx.leido.AnotarComprobante(cuenta, {ctx.TC, ctx.Sucursal, ctx.Numero, ctx.Letra},
                                    ctx.ImporteTexto, destino);
        if (destino == Destino::Registrada) AnotarAsientoGrabado(ctx);
      },
      [&] { HabilitarTriggers(ctx); });
}
