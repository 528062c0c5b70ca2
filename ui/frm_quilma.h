#pragma once
// The import window FrmQUILMA as plain state: its controls and event handlers, without a
// toolkit. The Qt view, the batch mode and the tests all drive the same handlers; the import run
// reads the controls through ControlesVentana when it needs them.

#include <string>

#include "import/contexto_corrida.h"
#include "import/lista_precios.h"
#include "ui/vista_quilma.h"

// True when the path, without its double quotes, names a file that can be opened for reading.
bool ExisteArchivo(const std::string& ruta);

class FrmQUILMA : public ControlesVentana {
 public:
  inline static const std::string kConceptoInicial = "Saldos Iniciales: Importación";

  // The view that draws the progress and processes events; none draws nothing.
  void EstablecerVista(VistaQuilma* vista) { vista_ = vista; }

  // Event handlers.
  bool Form_Load();  // IniciarSesion; false when no connection resulted (the program ends)
  void optOpcion_Click(int Index);
  void txtRuta_Change();
  void cmdExaminar_Click();
  void CmdLista_Click();
  void cmdEjecutar_Click();
  void CmdEjecutarLista_Click();
  // Asks the run in progress to stop after its current line (nothing when none runs).
  void Detener();
  // Where every run writes its report as JSON besides the text one; empty: none.
  void EstablecerInformeJson(const std::string& ruta) { informeJson_ = ruta; }

  // Controls. Setting txtRuta raises its change event, as a text box does. While a run is in
  // progress the mode, the paths and the counter-account hold still: changes are refused (the
  // concept is the run's own to write then).
  void SetTxtRuta(const std::string& texto);
  void SetTxtCuenta(const std::string& texto) {
    if (!enCurso_) txtCuenta_ = texto;
  }
  void SetTxtConcepto(const std::string& texto) override { txtConcepto_ = texto; }
  void SetTxtLista(const std::string& texto) {
    if (!enCurso_) TxtLista_ = texto;
  }
  const std::string& TxtLista() const { return TxtLista_; }
  // The check box "Ensayo (no graba nada)": unchecked at load, held still during a run.
  void SetChkEnsayo(bool marcado) {
    if (!enCurso_) chkEnsayo_ = marcado;
  }
  bool chkEnsayo() const { return chkEnsayo_; }
  bool cmdEjecutarHabilitado() const { return cmdEjecutar_; }

  // ControlesVentana: what the run reads.
  int OpcionSeleccionada() const override { return optOpcion_; }
  std::string txtRuta() const override { return txtRuta_; }
  std::string txtCuenta() const override { return txtCuenta_; }
  std::string txtConcepto() const override { return txtConcepto_; }
  void DibujaProgreso(double porcentaje, uint32_t color, const std::string& caption) override;
  void HacerEventos() override;
  void LineaEnCurso(int64_t actual, int64_t total) override {
    if (vista_) vista_->LineaEnCurso(actual, total);
  }
  bool DetenerSolicitado() const override { return detener_; }
  bool Ensayo() const override { return chkEnsayo_; }
  // The run holds the company: its report, saying it is in progress, replaces an earlier one.
  void CorridaEmpezada(const ResumenCorrida& r) override;

  // Results of the latest runs, for the view (and the batch mode) to show.
  const ResumenCorrida& UltimaCorrida() const { return resumen_; }
  const ResumenLista& UltimaLista() const { return resumenLista_; }
  bool CorridaEnCurso() const { return enCurso_; }

 private:
  int optOpcion_ = -1;
  std::string txtRuta_;
  std::string txtCuenta_;
  std::string txtConcepto_ = kConceptoInicial;
  std::string TxtLista_;
  bool cmdEjecutar_ = false;
  bool chkEnsayo_ = false;
  bool enCurso_ = false;
  bool detener_ = false;
  std::string informeJson_;
  ResumenCorrida resumen_;
  ResumenLista resumenLista_;
  VistaQuilma* vista_ = nullptr;
};

// The run summary as lines of text (window and batch mode show the same counts); a dry run's
// opens with "ENSAYO: no se grabó nada".
std::string TextoResumen(const ResumenCorrida& r);
// The price-list tool's summary, the same way.
std::string TextoResumen(const ResumenLista& r);
