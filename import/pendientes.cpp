// Pending delivery notes and work orders: the report is read in blocks that start at a date
// line; a line whose first field is a customer number names a document (its header goes into
// V_MV_CPTE), any other line is a task of the current document (catalogued in V_TA_TAREAS and
// linked in V_MV_CPTETAREAS). Rows already present are left alone, so a file can be re-run.

#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "data/db_dll.h"
#include "data/valores_sesion.h"
#include "import/asientos.h"
#include "import/contexto_corrida.h"
#include "platform/ado.h"
#include "platform/dialogos.h"
#include "platform/error_ejecucion.h"
#include "platform/regional.h"
#include "utility/utilidades.h"

namespace {

using utilidad::FormateaCodigo;
using utilidad::FormatoCeros;
using utilidad::QuitarCaracteres;
using utilidad::Trim;

// Uniform values in [0, 1), seeded once per process from the time of day.
double Aleatorio() {
  static std::mt19937 generador(static_cast<std::mt19937::result_type>(
      std::chrono::system_clock::now().time_since_epoch().count()));
  static std::uniform_real_distribution<double> uniforme(0.0, 1.0);
  return uniforme(generador);
}

// A random task code from 0150 to 9998.
std::string CodigoTareaAleatorio() {
  return FormatoCeros(std::to_string(static_cast<int>(9849 * Aleatorio() + 150)), 4);
}

// The document that task lines attach to.
struct Documento {
  bool valido = false;  // false until a well-formed reference is read
  std::string cuentaCliente, nombreCliente;
  std::string TC, Letra, Sucursal, Numero;
  std::string IdComprobante() const { return Sucursal + Numero + Letra; }
};

// What the mode carries from line to line.
struct EstadoPendientes {
  std::string fechaBloque;
  bool bloqueIniciado = false;
  Documento documento;
};

std::string Tramo(const std::string& texto, size_t desde, size_t largo = std::string::npos) {
  return desde < texto.size() ? texto.substr(desde, largo) : std::string();
}

// Reads a reference such as "RT A 0001-00001234". Single quotes are dropped, as every stored
// value loses them, so lookups ask for what was written. False with fewer than three tokens or
// without branch and number: such a reference names no document.
bool LeerReferencia(const std::string& referencia, Documento& doc) {
  const std::vector<std::string> tokens = utilidad::Dividir(
      utilidad::ReemplazaTexto(Trim(QuitarCaracteres(referencia, "'")), " ", "|"), "|");
  if (tokens.size() < 3) return false;
  doc.TC = Trim(tokens[0]);
  if (utilidad::IgualSinCaso(doc.TC, "RT")) doc.TC = "RM";
  doc.Letra = Trim(tokens[1]);
  if (doc.Letra.empty()) doc.Letra = "X";
  doc.Sucursal = Tramo(tokens[2], 0, 4);
  doc.Numero = Tramo(tokens[2], 5);
  // A doubled blank before the number leaves token 2 empty: the number is in token 3.
  if (tokens.size() > 3 && doc.Sucursal.empty() && doc.Numero.empty()) {
    doc.Sucursal = Tramo(tokens[3], 0, 4);
    doc.Numero = Tramo(tokens[3], 5);
  }
  if (doc.TC.empty() || doc.Sucursal.empty() || doc.Numero.empty()) return false;
  doc.Sucursal = FormatoCeros(doc.Sucursal, 4);
  doc.Numero = FormatoCeros(doc.Numero, 8);
  return true;
}

std::string CondicionComprobante(const Documento& doc) {
  return "TC='" + doc.TC + "' AND IDCOMPROBANTE='" + doc.IdComprobante() + "'";
}

void AnotarOmitida(ContextoCorrida& ctx, const std::string& motivo) {
  ++ctx.resumen.incompletos;
  AnotarNoRegistrada(ctx, "incompleta", motivo);
  ctx.resumen.errores.push_back("Línea " + std::to_string(ctx.RegistroActual) + " de " +
                                ctx.RutaArchivo + ": " + motivo + ": " +
                                utilidad::Abreviado(ctx.Linea));
}

bool Registrar(ContextoCorrida& ctx, long& contador) {
  if (EjecutaSentencias(ctx.SentenciasSQL)) {
    ++contador;
    return true;
  }
  ctx.resumen.lineasRechazadas.push_back(ctx.RegistroActual);
  AnotarNoRegistrada(ctx, "rechazada por la base", UltimoRechazo());
  return false;
}

// The header row of the current document.
bool GrabaCabecera(ContextoCorrida& ctx, const EstadoPendientes& e) {
  const Documento& doc = e.documento;
  const std::string unegocio =
      utilidad::IgualSinCaso(gUnidadNegocio, "Null") ? "NULL" : gUnidadNegocio;

  ctx.SentenciasSQL = {""};
  ListaCampos campos;
  AgregaCampo(campos, "Fecha", e.fechaBloque, kComilla);
  AgregaCampo(campos, "Cuenta", doc.cuentaCliente, kComilla);
  AgregaCampo(campos, "Nombre", doc.nombreCliente, kComilla);
  AgregaCampo(campos, "TC", doc.TC, kComilla);
  AgregaCampo(campos, "IdComprobante", doc.IdComprobante(), kComilla);
  AgregaCampo(campos, "USUARIO", gUsuarioLogeado, kComilla);
  AgregaCampo(campos, "Unegocio", unegocio, kComilla);
  AgregaCampo(campos, "FechaHora_Grabacion", plataforma::FormatoFechaHora(FechaServidor()),
              kComilla);
  AgregaSentencia(ctx.SentenciasSQL, ArmaSentencia(campos, "V_MV_CPTE", false));
  return Registrar(ctx, ctx.resumen.registrados);
}

// The link row between the current document and one task.
void GrabaTareaComprobante(ContextoCorrida& ctx, const Documento& doc, std::string idTarea,
                           std::string descripcion) {
  ctx.SentenciasSQL = {""};
  ListaCampos campos;
  AgregaCampo(campos, "TC", doc.TC, kComilla);
  AgregaCampo(campos, "IdComprobante", doc.IdComprobante(), kComilla);
  AgregaCampo(campos, "idTarea", idTarea, kComilla);
  AgregaCampo(campos, "Descripcion", descripcion, kComilla);
  AgregaSentencia(ctx.SentenciasSQL, ArmaSentencia(campos, "V_MV_CPTETAREAS", false));
  Registrar(ctx, ctx.resumen.vinculosGrabados);
}

void ProcesarDocumento(ContextoCorrida& ctx, EstadoPendientes& e, const std::string& cuenta) {
  // Whatever happens below, task lines must not attach to the previous document any more.
  e.documento = Documento{};
  std::string referencia;
  if (!Paso(ctx, [&] { referencia = Columna(ctx, 2); })) {
    AnotarOmitida(ctx, "comprobante sin referencia; ni él ni sus tareas se importan");
    return;
  }
  Documento doc;
  if (!LeerReferencia(referencia, doc)) {
    AnotarOmitida(ctx, "referencia de comprobante incompleta \"" + referencia +
                           "\"; ni él ni sus tareas se importan");
    return;
  }
  doc.cuentaCliente = cuenta;
  // Noted now, so that a document whose header is never written still shows as missing.
  ctx.leido.AnotarDocumento(doc.TC, doc.IdComprobante());
  if (!Paso(ctx, [&] {
        doc.nombreCliente = DB().DatosTabla("VT_CLIENTES", cuenta, "RAZON_SOCIAL", "Codigo",
                                            kTipoTexto, "", true, false);
      })) {
    return;
  }
  doc.valido = true;
  e.documento = doc;

  bool existe = true;
  if (!Paso(ctx, [&] {
        existe = Encontrada(DB().ExisteEnTabla("V_MV_CPTE", doc.TC, "TC", nullptr, kTipoTexto,
                                               CondicionComprobante(doc), true));
      })) {
    e.documento.valido = false;  // its header is unknown: no task may link to it
    return;
  }
  if (existe) {
    ++ctx.resumen.yaImportados;
    return;
  }
  // A header the database refused has no tasks either: a link must never lack its header.
  bool grabada = false;
  if (!Paso(ctx, [&] { grabada = GrabaCabecera(ctx, e); }) || !grabada) {
    e.documento.valido = false;
  }
}

// The catalogued id of the description, or empty when it is not catalogued.
std::string TareaCatalogada(const std::string& descripcion) {
  ado::Recordset rs;
  std::string id;
  // A failed lookup raises: it would catalogue the task a second time.
  if (Encontrada(DB().ExisteEnTabla("V_TA_TAREAS", descripcion, "Descripcion", &rs, kTipoTexto, "",
                                    true))) {
    id = Trim(utilidad::ValorCampo(rs.Fields("idTarea").Value()));
  }
  if (rs.State() == ado::adStateOpen) DB().CierraRecordset(rs);
  return id;
}

// A code that no catalogued task uses: the file's own when free, else a random one.
std::string CodigoLibre(std::string id) {
  // 9849 codes can be drawn; far more draws than that means the catalogue is full.
  for (int intentos = 0; intentos < 200000; ++intentos) {
    // A failed lookup raises: it would link the task to another's code.
    if (!id.empty() && !Encontrada(DB().ExisteEnTabla("V_TA_TAREAS", id, "idtarea", nullptr,
                                                      kTipoTexto, "", true))) {
      return id;
    }
    id = CodigoTareaAleatorio();
  }
  throw plataforma::ErrorEjecucion(plataforma::kErrDesbordamiento,
                                   "No queda código de tarea libre en V_TA_TAREAS");
}

// False when the database refused the task: the line is then not posted (no link is written
// to a task the catalogue lacks).
bool Catalogar(ContextoCorrida& ctx, const std::string& id, const std::string& descripcion) {
  std::string sql =
      "INSERT INTO V_TA_TAREAS (IDTAREA,DESCRIPCION) VALUES ('" + id + "','" + descripcion + "')";
  DB().EjecutaConsultaSQL(sql);
  ado::ErrorCollection& errores = DB().Cnn().Errors();
  if (errores.Count() == 0) {
    ++ctx.resumen.tareasCatalogadas;
    return true;
  }
  const std::string rechazo = errores.Item(0).Description;
  plataforma::MsgBox(rechazo, plataforma::vbCritical, "Aviso");
  ctx.resumen.lineasRechazadas.push_back(ctx.RegistroActual);
  AnotarNoRegistrada(ctx, "rechazada por la base", rechazo);
  return false;
}

void ProcesarTarea(ContextoCorrida& ctx, EstadoPendientes& e) {
  std::string codigo, descripcion;
  if (!Paso(ctx, [&] {
        codigo = Columna(ctx, 0);
        descripcion = Columna(ctx, 2);
      })) {
    AnotarOmitida(ctx, "tarea con campos faltantes");
    return;
  }
  // The id and description are stored without quotes and the id with four characters in every
  // table, so the catalogue, the link and the link test all name the same task.
  descripcion = QuitarCaracteres(Trim(descripcion), "'");
  // A task of a document whose reference was read is an item the links must show.
  if (!e.documento.TC.empty() && !descripcion.empty()) {
    ctx.leido.AnotarTarea(e.documento.TC, e.documento.IdComprobante(), descripcion);
  }
  if (!e.documento.valido) {
    AnotarOmitida(ctx, "tarea sin comprobante válido");
    return;
  }
  if (descripcion.empty()) {
    AnotarOmitida(ctx, "tarea sin descripción");
    return;
  }
  std::string id = QuitarCaracteres(utilidad::AjustaAncho(Trim(codigo), 4), "'");
  if (!id.empty()) id = FormateaCodigo(id, 4);

  std::string catalogada;
  if (!Paso(ctx, [&] { catalogada = TareaCatalogada(descripcion); })) return;
  if (!catalogada.empty()) {
    id = catalogada;
  } else {
    if (!Paso(ctx, [&] { id = CodigoLibre(id); })) return;
    bool catalogo = false;
    Paso(ctx, [&] { catalogo = Catalogar(ctx, id, descripcion); });
    if (!catalogo) return;
  }

  bool existe = true;
  if (!Paso(ctx, [&] {
        existe = Encontrada(DB().ExisteEnTabla(
            "V_MV_CPTETAREAS", e.documento.TC, "TC", nullptr, kTipoTexto,
            CondicionComprobante(e.documento) + " AND IDTAREA='" + FormateaCodigo(id, 4) + "'",
            true));
      })) {
    return;
  }
  if (existe) return;
  Paso(ctx, [&] { GrabaTareaComprobante(ctx, e.documento, id, descripcion); });
}

void ProcesarLinea(ContextoCorrida& ctx, EstadoPendientes& e) {
  const std::string campo0 = ctx.Columnas.empty() ? std::string() : ctx.Columnas[0];
  // The block's date line and its document line are what a task needs before it in the
  // rejected-lines file (the document, the date line).
  if (plataforma::EsFecha(campo0)) {
    e.fechaBloque = campo0;
    e.bloqueIniciado = false;
    AnotarContexto(ctx, 0);
  }
  if (e.fechaBloque.empty() || !plataforma::EsFecha(e.fechaBloque)) return;
  if (!e.bloqueIniciado) {
    e.bloqueIniciado = true;
    return;
  }

  // A customer code never holds a quote; such a field is a task code and needs no lookup.
  const std::string cuenta = "11201" + FormatoCeros(campo0, 4);
  bool esCliente = false;
  if (campo0.find('\'') == std::string::npos && !Paso(ctx, [&] {
        esCliente = Encontrada(
            DB().ExisteEnTabla("VT_CLIENTES", cuenta, "Codigo", nullptr, kTipoTexto, "", true));
      })) {
    // Unknown whether this line opens a document: the tasks after it belong to no known one.
    e.documento = Documento{};
    return;
  }
  if (esCliente) {
    AnotarContexto(ctx, 1);
    ProcesarDocumento(ctx, e, cuenta);
  } else {
    ProcesarTarea(ctx, e);
  }
}

}  // namespace

void ImportarPendientes(ContextoCorrida& ctx) {
  EstadoPendientes estado;
  RecorrerArchivo(
      ctx, nullptr, [&] { ProcesarLinea(ctx, estado); }, nullptr);
}
