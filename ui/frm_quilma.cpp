// The import window's handlers: mode options with their proposed counter-accounts, the file
// fields with their browse buttons, and the two "Ejecutar" buttons.

#include "ui/frm_quilma.h"

#include <cstdio>
#include <initializer_list>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "data/configuracion.h"
#include "data/db_dll.h"
#include "platform/archivos.h"
#include "session/inicio.h"
#include "ui/informe_corrida.h"
#include "utility/utilidades.h"

bool ExisteArchivo(const std::string& ruta) {
  return plataforma::ArchivoLegible(utilidad::QuitarCaracteres(ruta, "\""));
}

bool FrmQUILMA::Form_Load() {
  std::string connString;
  return IniciarSesion(false, "", connString, 3);
}

void FrmQUILMA::optOpcion_Click(int Index) {
  // Counter-accounts proposed for modes 1-4; the pending-document modes take none.
  static const char* const kPropuestas[] = {"13101", "21105", "111010002", "111020001"};
  if (enCurso_) return;
  optOpcion_ = Index;
  if (Index == 0) {
    txtCuenta_ = Cfg("CUENTAVENTASDEFAULTINS");
  } else if (Index >= 1 && Index <= 4) {
    txtCuenta_ = kPropuestas[Index - 1];
  }
}

void FrmQUILMA::txtRuta_Change() {
  try {
    cmdEjecutar_ = ExisteArchivo(txtRuta_);
  } catch (...) {
    // A failing test leaves the button as it was.
  }
}

void FrmQUILMA::SetTxtRuta(const std::string& texto) {
  if (enCurso_) return;
  txtRuta_ = texto;
  txtRuta_Change();
}

void FrmQUILMA::cmdExaminar_Click() {
  if (enCurso_) return;
  DB().CmdDlg().MostrarAbrir();
  SetTxtRuta(DB().CmdDlg().NombreArchivo());
}

void FrmQUILMA::CmdLista_Click() {
  if (enCurso_) return;
  DB().CmdDlg().MostrarAbrir();
  TxtLista_ = DB().CmdDlg().NombreArchivo();
}

void FrmQUILMA::cmdEjecutar_Click() {
  // The run yields to the interface once per line: a second press arrives inside the first.
  if (enCurso_) return;
  enCurso_ = true;
  detener_ = false;
  struct Fin {
    bool& enCurso;
    ~Fin() { enCurso = false; }
  } fin{enCurso_};
  resumen_ = EjecutarImportacion(*this);
  // A run that did not start (the company busy) has nothing to report.
  if (resumen_.empresaOcupada.empty()) EscribirInformes(resumen_, informeJson_);
}

void FrmQUILMA::CorridaEmpezada(const ResumenCorrida& r) {
  ResumenCorrida enCurso = r;
  EscribirInformes(enCurso, informeJson_);
}

void FrmQUILMA::CmdEjecutarLista_Click() {
  if (enCurso_) return;
  resumenLista_ = ::CmdEjecutarLista_Click(TxtLista_, chkEnsayo_);
  // A tool that did not start (the company busy) has nothing to report.
  if (resumenLista_.empresaOcupada.empty()) EscribirInformes(resumenLista_, informeJson_);
}

void FrmQUILMA::Detener() {
  if (enCurso_) detener_ = true;
}

void FrmQUILMA::DibujaProgreso(double porcentaje, uint32_t color, const std::string& caption) {
  if (vista_) vista_->DibujaProgreso(porcentaje, color, caption);
}

void FrmQUILMA::HacerEventos() {
  if (vista_) vista_->HacerEventos();
}

namespace {

// The end of every summary: how the process ended, and the files it left (those written).
void CierreDelResumen(std::ostringstream& s, bool finalizado, bool enCarpetaPrograma,
                      std::initializer_list<std::pair<const char*, const std::string&>> archivos) {
  s << (finalizado ? "Proceso finalizado" : "Proceso interrumpido") << "\n";
  if (enCarpetaPrograma) {
    s << "La carpeta del archivo no se puede escribir: lo que sigue quedó en la carpeta del "
         "programa\n";
  }
  for (const auto& [titulo, ruta] : archivos) {
    if (!ruta.empty()) s << titulo << ": " << ruta << "\n";
  }
}

}  // namespace

std::string TextoResumen(const ResumenCorrida& r) {
  std::ostringstream s;
  if (r.ensayo) s << "ENSAYO: no se grabó nada\n";
  // What does not reconcile comes before every count: it is what the operator must look at.
  const std::vector<std::string> diferencias = DiferenciasConciliacion(r.conciliacion);
  if (!diferencias.empty()) {
    s << "NO CONCILIA con la base:\n";
    for (const std::string& d : diferencias) s << "  " << d << "\n";
  }
  const long hallados = r.registrados + r.yaImportados + r.cuentasCreadas + r.cuentasExistentes +
                        r.tareasCatalogadas + r.vinculosGrabados;
  if (r.lineasLeidas > 0 && hallados == 0) {
    s << "No se registró nada: ninguna línea del archivo se grabó ni estaba ya importada\n";
  }
  if (!r.archivoRechazado.empty()) s << "Archivo rechazado: " << r.archivoRechazado << "\n";
  for (const std::string& a : r.avisos) s << "Aviso: " << a << "\n";
  s << "Líneas leídas: " << r.lineasLeidas << "\n";
  if (r.lineasLeidas > 0) {
    s << "  registradas " << r.lineasRegistradas << ", ya importadas " << r.lineasYaImportadas
      << ", no registradas " << r.lineasNoRegistradas;
    if (r.lineasImporteCero) s << ", con importe cero " << r.lineasImporteCero;
    s << ", pasadas por alto (en blanco, títulos, cabeceras, totales) " << r.lineasPasadasPorAlto;
    if (r.lineaEnCurso) s << "; la corrida terminó en la línea " << r.lineaEnCurso;
    s << "\n";
  }
  s << "Registrados: " << r.registrados << "\n"
    << "Ya importados: " << r.yaImportados << "\n"
    << "Con otra letra: " << r.otraLetra << "\n";
  for (const ComprobanteConOtraLetra& c : r.conOtraLetra) {
    s << "  línea " << c.linea << ": " << c.comprobante << ", letra " << c.letraArchivo
      << " en el archivo, registrado con la letra " << c.letra << "\n";
  }
  s << "Sin letra libre: " << r.sinLetraLibre << "\n"
    << "Incompletos: " << r.incompletos << "\n"
    << "Errores de conversión: " << r.erroresDeConversion << "\n"
    << "Valores rehusados: " << r.valoresRehusados << "\n";
  if (r.erroresIgnorados) s << "Errores ignorados: " << r.erroresIgnorados << "\n";
  if (r.cuentasCreadas || r.cuentasExistentes) {
    s << "Cuentas creadas: " << r.cuentasCreadas << "\n"
      << "Cuentas existentes: " << r.cuentasExistentes << "\n";
  }
  if (r.importeCero) s << "Importe cero: " << r.importeCero << "\n";
  if (r.conflictos) s << "En conflicto con otra cuenta: " << r.conflictos << "\n";
  if (r.fueraDeEjercicio) s << "Fuera de ejercicio: " << r.fueraDeEjercicio << "\n";
  if (r.mismoNumeroCheque) s << "Mismo número, otro cheque: " << r.mismoNumeroCheque << "\n";
  if (r.tareasCatalogadas || r.vinculosGrabados) {
    s << "Tareas catalogadas: " << r.tareasCatalogadas << "\n"
      << "Vínculos grabados: " << r.vinculosGrabados << "\n";
  }
  s << "Rechazados por la base: " << r.lineasRechazadas.size();
  if (!r.lineasRechazadas.empty()) {
    s << " (líneas";
    for (long n : r.lineasRechazadas) s << " " << n;
    s << ")";
  }
  s << "\n";
  for (const std::string& e : r.errores) s << "Error: " << e << "\n";
  if (!r.noRegistradas.empty()) {
    s << "Líneas no registradas: " << r.noRegistradas.size() << " (archivo " << r.archivo << ")\n";
    for (const LineaNoRegistrada& l : r.noRegistradas) {
      s << "  línea " << l.linea << ": " << l.motivo << ": " << l.valor << "\n";
    }
  }
  if (!r.senal.empty()) {
    s << "Detenido por la señal " << r.senal;
    if (r.detenidoEnLinea) {
      s << " después de la línea " << r.detenidoEnLinea << "\n";
    } else {
      s << " antes de la primera línea\n";
    }
  } else if (r.detenidoEnLinea) {
    s << "Detenido por el operador después de la línea " << r.detenidoEnLinea << "\n";
  }
  for (const std::string& l : LineasConciliacion(r.conciliacion)) s << l << "\n";
  static const char* const kDesenlaces[] = {"completo", "parcial: hay líneas no registradas",
                                            "interrumpido antes del final",
                                            "archivo rechazado: no se importó nada"};
  const Desenlace desenlace = DesenlaceDe(r);
  s << "Resultado: "
    << (desenlace == Desenlace::Parcial && r.noRegistradas.empty() && !r.detenidoPorRechazos
            ? "parcial: la conciliación no concilia"
            : kDesenlaces[static_cast<int>(desenlace)])
    << "\n";
  CierreDelResumen(s, r.finalizado, r.salidasEnCarpetaPrograma,
                   {{"Líneas para corregir", r.archivoRechazados},
                    {"Motivos", r.archivoMotivos},
                    {"Informe", r.archivoInforme},
                    {"Informe JSON", r.archivoInformeJson}});
  return s.str();
}

std::string TextoResumen(const ResumenLista& r) {
  std::ostringstream s;
  if (r.ensayo) s << "ENSAYO: no se grabó nada\n";
  s << "Clases actualizadas: " << r.clasesActualizadas << "\n"
    << "Nombres no encontrados: " << r.nombresNoEncontrados << "\n";
  if (r.sinDatosAdicionales) s << "Sin datos adicionales: " << r.sinDatosAdicionales << "\n";
  for (const std::string& l : LineasConciliacion(r.conciliacion)) s << l << "\n";
  if (!r.senal.empty()) {
    s << "Detenido por la señal " << r.senal << " después de la línea " << r.detenidoEnLinea
      << "\n";
  }
  const bool concilia = DiferenciasConciliacion(r.conciliacion).empty();
  s << "Resultado: "
    << (!r.finalizado ? "interrumpido antes del final"
                      : (concilia ? "completo" : "parcial: la conciliación no concilia"))
    << "\n";
  CierreDelResumen(s, r.finalizado, r.informeEnCarpetaPrograma,
                   {{"Informe", r.archivoInforme}, {"Informe JSON", r.archivoInformeJson}});
  return s.str();
}
