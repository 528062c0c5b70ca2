// The run report, as text and as JSON (see the header).

#include "ui/informe_corrida.h"

#include <functional>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#include "import/conciliacion.h"
#include "import/salidas_corrida.h"
#include "platform/archivos.h"
#include "platform/regional.h"
#include "ui/frm_quilma.h"
#include "utility/utilidades.h"

namespace {

using nlohmann::json;

const char* const kDesenlaces[] = {"completa", "parcial", "interrumpida", "rechazada"};

std::string Momento(const plataforma::FechaHora& f) {
  std::string iso = plataforma::FechaIso(f);
  iso[10] = 'T';
  return iso;
}

// A text or null when it is empty (a file not written, an input never read).
json TextoONulo(const std::string& texto) { return texto.empty() ? json() : json(texto); }

// An amount exactly, as the summary writes it ("." and no trailing zeros).
std::string Importe(plataforma::Moneda m) { return utilidad::ImporteATexto(m); }

// The reconciliation's figures, and its lines as the summary shows them; null when the run
// computed none.
json ConciliacionJson(const Conciliacion& c) {
  if (c.Vacia() && c.error.empty()) return nullptr;
  json cuentas = json::array();
  for (const ConciliacionCuenta& k : c.cuentas) {
    cuentas.push_back({{"cuenta", k.cuenta},
                       {"comprobantes", k.comprobantes},
                       {"totalArchivo", Importe(k.totalArchivo)},
                       {"sinImporte", k.sinImporte},
                       {"registrados", k.registrados},
                       {"yaImportados", k.yaImportados},
                       {"noRegistrados", k.noRegistrados},
                       {"totalDiario", Importe(k.totalDiario)},
                       {"diferencia", Importe(k.Diferencia())},
                       {"totalInforme", k.totalInforme ? json(Importe(*k.totalInforme)) : json()},
                       {"concilia", k.Concilia()}});
  }
  json cheques;
  if (c.cheques) {
    const ConciliacionCheques& q = *c.cheques;
    cheques = {{"contrapartida", q.contrapartida},
               {"enArchivo", q.enArchivo},
               {"totalArchivo", Importe(q.totalArchivo)},
               {"registrados", q.registrados},
               {"yaImportados", q.yaImportados},
               {"noRegistrados", q.noRegistrados},
               {"enDiario", q.enDiario},
               {"totalDiario", Importe(q.totalDiario)},
               {"ilegibles", q.ilegibles},
               {"numerosConDiferencia", q.numerosConDiferencia}};
  }
  json items = json::array();
  for (const ConciliacionItems& i : c.items) {
    items.push_back({{"que", i.que},
                     {"enArchivo", i.enArchivo},
                     {"hallados", i.hallados},
                     {"noRegistrados", i.noRegistrados},
                     {"faltantes", i.faltantes}});
  }
  json asientos;
  if (c.asientos) {
    const ConciliacionAsientos& a = *c.asientos;
    asientos = {{"asientos", a.asientos},    {"hallados", a.hallados},
                {"lineas", a.lineas},        {"debe", Importe(a.debe)},
                {"haber", Importe(a.haber)}, {"desbalanceados", a.desbalanceados}};
  }
  return {{"diferencias", DiferenciasConciliacion(c)},
          {"cuentas", cuentas},
          {"cheques", cheques},
          {"items", items},
          {"asientos", asientos},
          {"error", TextoONulo(c.error)},
          {"lineas", LineasConciliacion(c)}};
}

// Line ends of the Windows text files the operators open the report with.
std::string ConCrLf(const std::string& texto) {
  return utilidad::ReemplazaTexto(texto, "\n", "\r\n");
}

// A database's message in another encoding must not cost the report: such bytes are replaced.
std::string Documento(const json& informe) {
  return informe.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

// Writes the text report beside `entrada` and then the JSON one, which names the text one, to
// `rutaJson` when it is not empty (to the program's folder under the same name when that path
// cannot be written).
void EscribirAmbos(const std::string& entrada, const std::string& texto,
                   const std::function<std::string()>& documento, const std::string& rutaJson,
                   std::string& archivoInforme, std::string& archivoJson, bool& enPrograma) {
  if (entrada.empty()) return;
  const SalidasDeCorrida s = SalidasDe(entrada);
  archivoInforme = EscribirSalida(s, s.informe, ConCrLf(texto), enPrograma);
  if (rutaJson.empty()) return;
  const std::string bytes = documento();
  if (plataforma::EscribirBytes(rutaJson, bytes)) {
    archivoJson = rutaJson;
    return;
  }
  const std::string suya = plataforma::CarpetaPrograma() +
                           plataforma::TextoRuta(plataforma::RutaFs(rutaJson).filename());
  if (plataforma::EscribirBytes(suya, bytes)) {
    archivoJson = suya;
    enPrograma = true;
  }
}

// The head of every report: who ran what on which company, and when.
void Cabecera(std::ostringstream& s, bool ensayo, const std::string& empresa,
              const std::string& operador, const std::string& equipo,
              const plataforma::FechaHora& inicio, const plataforma::FechaHora& fin,
              bool enCurso = false) {
  if (ensayo) s << "ENSAYO: no se grabó nada\n";
  s << "INFORME DE LA IMPORTACIÓN\n"
    << "Empresa: " << empresa << "\n"
    << "Operador: " << operador << "\n"
    << "Equipo: " << equipo << "\n"
    << "Inicio: " << plataforma::FormatoFechaHora(inicio) << "\n"
    << "Fin: " << (enCurso ? "(en curso)" : plataforma::FormatoFechaHora(fin)) << "\n";
}

}  // namespace

std::string TextoInforme(const ResumenCorrida& r) {
  std::ostringstream s;
  Cabecera(s, r.ensayo, r.empresa, r.operador, r.equipo, r.inicio, r.fin, r.enCurso);
  s << "Modo: " << r.opcion << " " << NombreDeModo(r.opcion) << "\n"
    << "Cuenta de contrapartida: " << r.cuenta << "\n"
    << "Concepto: " << r.concepto << "\n"
    << "Archivo: " << r.archivo << "\n"
    << "SHA-256: " << (r.sha256Archivo.empty() ? "(el archivo no se leyó)" : r.sha256Archivo)
    << "\n"
    << "Ensayo: " << (r.ensayo ? "sí, no se grabó nada" : "no") << "\n\n";
  if (r.enCurso) {
    s << "Resultado: en curso: la corrida empezó y no terminó todavía. Si ya no está corriendo, "
         "se cortó antes de escribir su informe: lo registrado hasta entonces se conserva; "
         "importe el archivo de nuevo.\n";
    return s.str();
  }
  s << TextoResumen(r) << "\n";  // the summary ends with the reconciliation's lines
  if (r.conciliacion.Vacia() && r.conciliacion.error.empty()) {
    s << "Conciliación: no se calculó en esta corrida\n";
  }
  return s.str();
}

std::string JsonInforme(const ResumenCorrida& r) {
  json noRegistradas = json::array();
  for (const LineaNoRegistrada& l : r.noRegistradas) {
    noRegistradas.push_back({{"linea", l.linea}, {"motivo", l.motivo}, {"valor", l.valor}});
  }
  json conOtraLetra = json::array();
  for (const ComprobanteConOtraLetra& c : r.conOtraLetra) {
    conOtraLetra.push_back({{"linea", c.linea},
                            {"comprobante", c.comprobante},
                            {"letraArchivo", c.letraArchivo},
                            {"letra", c.letra}});
  }
  const json conciliacion = ConciliacionJson(r.conciliacion);
  const json informe = {
      {"empresa", r.empresa},
      {"operador", r.operador},
      {"equipo", r.equipo},
      {"inicio", Momento(r.inicio)},
      {"fin", r.enCurso ? json() : json(Momento(r.fin))},
      {"modo", {{"numero", r.opcion}, {"nombre", NombreDeModo(r.opcion)}}},
      {"cuentaContrapartida", r.cuenta},
      {"concepto", r.concepto},
      {"archivo", {{"ruta", r.archivo}, {"sha256", TextoONulo(r.sha256Archivo)}}},
      {"ensayo", r.ensayo},
      {"resultado", r.enCurso ? "en curso" : kDesenlaces[static_cast<int>(DesenlaceDe(r))]},
      {"archivoRechazado", TextoONulo(r.archivoRechazado)},
      {"cantidades",
       {{"lineasLeidas", r.lineasLeidas},
        {"registrados", r.registrados},
        {"yaImportados", r.yaImportados},
        {"otraLetra", r.otraLetra},
        {"sinLetraLibre", r.sinLetraLibre},
        {"incompletos", r.incompletos},
        {"conflictos", r.conflictos},
        {"mismoNumeroCheque", r.mismoNumeroCheque},
        {"importeCero", r.importeCero},
        {"fueraDeEjercicio", r.fueraDeEjercicio},
        {"cuentasCreadas", r.cuentasCreadas},
        {"cuentasExistentes", r.cuentasExistentes},
        {"tareasCatalogadas", r.tareasCatalogadas},
        {"vinculosGrabados", r.vinculosGrabados},
        {"rechazadosPorLaBase", r.lineasRechazadas.size()},
        {"erroresDeConversion", r.erroresDeConversion},
        {"valoresRehusados", r.valoresRehusados},
        {"erroresIgnorados", r.erroresIgnorados},
        {"lineasSinLeer", r.lineasSinLeer}}},
      // How each line read ended: these add up to lineasLeidas.
      {"lineas",
       {{"registradas", r.lineasRegistradas},
        {"yaImportadas", r.lineasYaImportadas},
        {"noRegistradas", r.lineasNoRegistradas},
        {"importeCero", r.lineasImporteCero},
        {"pasadasPorAlto", r.lineasPasadasPorAlto},
        {"enCursoAlTerminar", r.lineaEnCurso ? json(r.lineaEnCurso) : json()}}},
      {"primeraSinLeer", r.primeraSinLeer ? json(r.primeraSinLeer) : json()},
      {"conOtraLetra", conOtraLetra},
      {"noRegistradas", noRegistradas},
      {"avisos", r.avisos},
      {"errores", r.errores},
      {"detenidoEnLinea", r.detenidoEnLinea},
      {"detenidoPorSenal", TextoONulo(r.senal)},
      {"archivosDeLaCorrida",
       {{"rechazados", TextoONulo(r.archivoRechazados)},
        {"motivos", TextoONulo(r.archivoMotivos)},
        {"informe", TextoONulo(r.archivoInforme)},
        {"enCarpetaDelPrograma", r.salidasEnCarpetaPrograma}}},
      {"conciliacion", conciliacion},
  };
  return Documento(informe);
}

void EscribirInformes(ResumenCorrida& r, const std::string& rutaJson) {
  EscribirAmbos(
      r.archivo, TextoInforme(r), [&] { return JsonInforme(r); }, rutaJson, r.archivoInforme,
      r.archivoInformeJson, r.salidasEnCarpetaPrograma);
}

std::string TextoInforme(const ResumenLista& r) {
  std::ostringstream s;
  Cabecera(s, r.ensayo, r.empresa, r.operador, r.equipo, r.inicio, r.fin);
  s << "Modo: " << kModoLista << "\n"
    << "Archivo: " << r.archivo << "\n"
    << "SHA-256: " << (r.sha256Archivo.empty() ? "(el archivo no se leyó)" : r.sha256Archivo)
    << "\n"
    << "Ensayo: " << (r.ensayo ? "sí, no se grabó nada" : "no") << "\n\n"
    << TextoResumen(r) << "\n";
  if (r.conciliacion.Vacia() && r.conciliacion.error.empty()) {
    s << "Conciliación: no se calculó en esta corrida\n";
  }
  return s.str();
}

std::string JsonInforme(const ResumenLista& r) {
  const json informe = {
      {"empresa", r.empresa},
      {"operador", r.operador},
      {"equipo", r.equipo},
      {"inicio", Momento(r.inicio)},
      {"fin", Momento(r.fin)},
      {"modo", {{"numero", nullptr}, {"nombre", kModoLista}}},
      {"archivo", {{"ruta", r.archivo}, {"sha256", TextoONulo(r.sha256Archivo)}}},
      {"ensayo", r.ensayo},
      {"resultado", r.finalizado ? "completa" : "interrumpida"},
      {"cantidades",
       {{"clasesActualizadas", r.clasesActualizadas},
        {"nombresNoEncontrados", r.nombresNoEncontrados},
        {"sinDatosAdicionales", r.sinDatosAdicionales}}},
      {"archivosDeLaCorrida",
       {{"informe", TextoONulo(r.archivoInforme)},
        {"enCarpetaDelPrograma", r.informeEnCarpetaPrograma}}},
      {"conciliacion", ConciliacionJson(r.conciliacion)},
  };
  return Documento(informe);
}

void EscribirInformes(ResumenLista& r, const std::string& rutaJson) {
  EscribirAmbos(
      r.archivo, TextoInforme(r), [&] { return JsonInforme(r); }, rutaJson, r.archivoInforme,
      r.archivoInformeJson, r.informeEnCarpetaPrograma);
}
