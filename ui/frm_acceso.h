#pragma once
// The connection dialog "Control de Acceso" as a model without toolkit: its controls as plain
// state, its loading, its events and its buttons. The connection layer shows it through
// DialogoConexionAcceso when start-up lacks the server or the user; "BASES.TXT" beside the
// program keeps the registered connections, one line each.
//
//   frmAcceso forma;
//   forma.Form_Load();
//   forma.CambiarTexto(forma.TxtServidor, "SRV01");  // as the operator types
//   forma.bcAceptar_Click();

#include <memory>
#include <string>
#include <vector>

#include "data/db_dll.h"
#include "ui/vista_acceso.h"

// Colour values of the text boxes: the window-text colour, and the one of a hint.
inline constexpr int kColorTexto = 0;
inline constexpr int kColorSugerencia = 2;

// A text box: its content is real text, a hint included.
struct CajaTexto {
  std::string Name;
  std::string Text;
  std::string ToolTipText;
  bool Oculta = false;  // characters shown as "*"
  int ForeColor = kColorTexto;
  int SelStart = 0;
  int SelLength = 0;
};

// A list or combo box: its items and the selected index (-1 for none).
struct ListaTexto {
  std::vector<std::string> items;
  int ListIndex = -1;
  std::string Seleccion() const;  // the selected item, empty when none
};

class frmAcceso {
 public:
  frmAcceso();

  // Controls.
  std::string Caption = "Control de Acceso";
  CajaTexto TxtServidor, TxtDbName, TxtUserId, TxtUserPassword, TxtPuerto;
  ListaTexto CboPlataformaDB;  // "SQL Server", "ORACLE", "SQLite"
  ListaTexto lstBases;         // names of the registered connections
  bool Visible = false;
  // True when closed with "Aceptar" (or a double click on the list).
  bool Aceptar = false;

  void Form_Load();
  void LlenarList();
  void DatosBase(const std::string& Nombre);
  void AsignarDatosBase();
  void MensajeInicial(CajaTexto& caja);
  bool ExisteBaseDeDatos(const std::string& Servidor, const std::string& Dbname,
                         const std::string& Usuario, const std::string& Password,
                         const std::string& Proveedor);

  // Sets a box's text as the operator or the program does, running its change event.
  void CambiarTexto(CajaTexto& caja, const std::string& texto);
  // Sets a box's text as the operator's typing leaves it. In a box that shows its hint what was
  // typed replaces the hint, wherever the caret was: a click leaves the caret inside the hint,
  // where tabbing into the box selects the hint whole.
  void Teclear(CajaTexto& caja, const std::string& texto);

  // Events.
  void TxtServidor_Change() { MensajeInicial(TxtServidor); }
  void TxtDbName_Change() { MensajeInicial(TxtDbName); }
  void TxtUserPassword_Change() { MensajeInicial(TxtUserPassword); }
  void TxtUserId_GotFocus() { MensajeInicial(TxtUserId); }
  void lstBases_Click() { AsignarDatosBase(); }
  void lstBases_KeyPress() { AsignarDatosBase(); }
  void lstBases_DblClick();
  void SeleccionarBase(int indice);  // a click on entry `indice`

  // Buttons.
  void CmdRegistrar_Click();     // "Registrar"
  void CmdLineaComando_Click();  // "Crear Acceso Directo"
  void bcAceptar_Click();
  void bcCancelar_Click();

  // Path of "BASES.TXT" beside the program.
  static std::string RutaBases();

  // The start-up parameter string of the connection the dialog shows, never its password:
  // "@Server=" (marked for the platform chosen), "@DbName=" and "@Usuario=" of the boxes that
  // hold a value rather than their hint; empty when none does.
  std::string ParametrosDeLaConexion() const;

 private:
  // The connection last found by DatosBase, and the last port seen.
  std::string servidor_, base_, usuario_, password_, puerto_;
};

// Appends one line to "BASES.TXT": name, database, user, enciphered password and server,
// separated by ",", ended by CR LF. Raises plataforma::ErrorEjecucion 5 when a value holds a ","
// or a line end (the line would not read back as written), 75 when the file cannot be written.
void RegistrarConexion(const std::string& Nombre, const std::string& Base,
                       const std::string& Usuario, const std::string& Password,
                       const std::string& Servidor, const std::string& Prefijo, bool Oracle);

// The desktop folder of the user, as the system names it.
std::string CarpetaEscritorio();

// The connection dialog as the data-access class asks for it: loads the model, fills it from
// the session values, has the view show it and takes the entries back when accepted.
class DialogoConexionAcceso : public DialogoConexion {
 public:
  explicit DialogoConexionAcceso(VistaAcceso& vista) : vista_(vista) {}
  bool Mostrar(DatosConexion& datos) override;

 private:
  VistaAcceso& vista_;
};

// Makes the session's DB_Dll ask through `vista` (the entry point calls it once; after
// ReiniciarDB it must be called again). nullptr removes the dialog.
void InstalarDialogoConexion(VistaAcceso* vista);
