#include "ui/frm_acceso.h"

#include <algorithm>
#include <functional>

#include "data/aviso_operador.h"
#include "data/bases_registradas.h"
#include "data/conexiones.h"
#include "data/empresa.h"
#include "data/reintento.h"
#include "platform/archivos.h"
#include "platform/dialogos.h"
#include "platform/error_ejecucion.h"
#include "platform/sistema.h"
#include "utility/utilidades.h"

namespace {

using plataforma::ErrorEjecucion;
using utilidad::Mayusculas;
using utilidad::Trim;

std::string SinPuerto(const std::string& servidor) {
  size_t dos = InicioPuerto(servidor);
  return dos == std::string::npos ? servidor : servidor.substr(0, dos);
}

std::string PistaDe(const CajaTexto& caja) {
  if (caja.Name == "TxtUserId") return "Ingrese el usuario";
  if (caja.Name == "TxtDbName") return "ingrese el nombre de la base de datos";
  if (caja.Name == "TxtServidor") return "ingrese el nombre del servidor e instancia";
  return "";
}

CajaTexto Caja(const std::string& nombre, const std::string& texto, const std::string& ayuda) {
  CajaTexto c;
  c.Name = nombre;
  c.Text = texto;
  c.ToolTipText = ayuda;
  return c;
}

bool ConexionAbierta() {
  DB_Dll& db = DB();
  return db.gCnn && db.gCnn->State() == ado::adStateOpen;
}

void CerrarSesionSiAbierta() {
  if (ConexionAbierta()) DB().Cnn().Close();
}

// The path of the running program, for the desktop shortcut.
std::string RutaDelPrograma() {
  const std::string ruta = plataforma::RutaEjecutable();
  if (ruta.empty()) return plataforma::CarpetaPrograma() + plataforma::NombreEjecutable();
  return ruta;
}

// Failures of "Registrar" that leave the next step to run: an operation on a closed object, the
// service already running (as a Windows error and as its HRESULT), an automation error, and
// 20480, which the registration has always passed over.
constexpr int32_t kErrServicioYaIniciado = 1056;
constexpr int32_t kErrAutomatizacion = 440;
constexpr int32_t kErrRegistroPasadoPorAlto = 20480;
constexpr int32_t kHresultServicioYaIniciado = static_cast<int32_t>(0x80070420u);

bool FallaIgnorada(int32_t numero) {
  return numero == ado::adErrObjectClosed || numero == kErrServicioYaIniciado ||
         numero == kErrAutomatizacion || numero == kErrRegistroPasadoPorAlto ||
         numero == kHresultServicioYaIniciado;
}

// Removes a password from a text that is about to be shown.
std::string SinClave(const std::string& texto, const std::string& clave) {
  if (clave.empty()) return texto;
  return utilidad::ReemplazaTexto(texto, clave, "****");
}

}  // namespace

std::string ListaTexto::Seleccion() const {
  if (ListIndex < 0 || ListIndex >= static_cast<int>(items.size())) return "";
  return items[static_cast<size_t>(ListIndex)];
}

frmAcceso::frmAcceso()
    : TxtServidor(Caja("TxtServidor", "", "ingrese el nombre del servidor e instancia")),
      TxtDbName(Caja("TxtDbName", "", "ingrese el nombre de la base de datos")),
      TxtUserId(Caja("TxtUserId", "", "Ingrese el nombre de usuario")),
      TxtUserPassword(Caja("TxtUserPassword", "", "Ingrese la contraseña")),
      TxtPuerto(Caja("TxtPuerto", "1433", "Ingrese el Puerto ")) {
  TxtUserPassword.Oculta = true;
  CboPlataformaDB.items = {"SQL Server", "ORACLE", "SQLite"};
  CboPlataformaDB.ListIndex = 0;
}

std::string frmAcceso::RutaBases() { return RutaBasesRegistradas(); }

void frmAcceso::Form_Load() {
  LlenarList();
  MensajeInicial(TxtUserId);
  MensajeInicial(TxtUserPassword);
  MensajeInicial(TxtDbName);
  MensajeInicial(TxtServidor);
}

void frmAcceso::LlenarList() {
  const std::string ruta = RutaBases();
  // Abort stops filling; Retry repeats the reading; Ignore keeps what was read.
  for (;;) {
    try {
      lstBases.items.clear();
      lstBases.ListIndex = -1;
      if (!plataforma::ArchivoLegible(ruta)) return;
      for (const BaseRegistrada& r : LeerBasesRegistradas(ruta)) {
        if (!Trim(r.nombre).empty()) lstBases.items.push_back(r.nombre);
      }
      break;
    } catch (const ErrorEjecucion& e) {
      int respuesta = AvisoOperador(e, 18, "FormLoad");
      if (respuesta == plataforma::vbRetry) continue;
      if (respuesta != plataforma::vbIgnore) return;
      break;
    }
  }
  if (!lstBases.items.empty()) SeleccionarBase(0);
}

void frmAcceso::DatosBase(const std::string& Nombre) {
  const std::string ruta = RutaBases();
  if (!plataforma::ArchivoLegible(ruta)) return;
  try {
    for (const BaseRegistrada& r : LeerBasesRegistradas(ruta)) {
      if (Trim(r.nombre) == Trim(Nombre)) {
        servidor_ = r.servidor;
        base_ = r.base;
        usuario_ = r.usuario;
        password_ = utilidad::Desencriptar(r.claveCifrada);
        return;
      }
    }
  } catch (const ErrorEjecucion& e) {
    utilidad::MensajeError(e);
  }
}

void frmAcceso::AsignarDatosBase() {
  DatosBase(Trim(lstBases.Seleccion()));
  if (size_t dos = InicioPuerto(servidor_); dos != std::string::npos) {
    puerto_ = servidor_.substr(dos + 1);
    servidor_ = SinPuerto(Mayusculas(Trim(servidor_)));
  }
  // The platform the connection was registered for: the embedded engine's mark, Oracle's "#".
  if (EsServidorSQLite(servidor_)) {
    CboPlataformaDB.ListIndex = 2;
  } else if (servidor_.find('#') != std::string::npos) {
    CboPlataformaDB.ListIndex = 1;
    servidor_.erase(std::remove(servidor_.begin(), servidor_.end(), '#'), servidor_.end());
  } else if (!servidor_.empty()) {
    CboPlataformaDB.ListIndex = 0;
  }
  CambiarTexto(TxtServidor, servidor_);
  CambiarTexto(TxtUserId, "");
  CambiarTexto(TxtUserPassword, "");
  CambiarTexto(TxtDbName, base_);
  CambiarTexto(TxtPuerto, puerto_);
}

void frmAcceso::MensajeInicial(CajaTexto& caja) {
  const std::string pista = PistaDe(caja);
  const std::string recortado = Trim(caja.Text);
  if (recortado.empty() || recortado == pista) {
    caja.Text = pista;
    caja.ForeColor = kColorSugerencia;
    caja.SelStart = 0;
    caja.SelLength = static_cast<int>(Trim(caja.Text).size());
  }
}

void frmAcceso::CambiarTexto(CajaTexto& caja, const std::string& texto) {
  if (caja.Text == texto) return;  // an unchanged text raises no change event
  caja.Text = texto;
  if (&caja == &TxtServidor) TxtServidor_Change();
  if (&caja == &TxtDbName) TxtDbName_Change();
  if (&caja == &TxtUserPassword) TxtUserPassword_Change();
}

void frmAcceso::Teclear(CajaTexto& caja, const std::string& texto) {
  const std::string pista = PistaDe(caja);
  if (pista.empty() || caja.Text != pista || texto == pista) return CambiarTexto(caja, texto);
  // What the edit changed: the text less what it still shares with the hint at each end.
  size_t inicio = 0;
  while (inicio < pista.size() && inicio < texto.size() && texto[inicio] == pista[inicio]) {
    ++inicio;
  }
  size_t fin = 0;
  while (fin < pista.size() - inicio && fin < texto.size() - inicio &&
         texto[texto.size() - 1 - fin] == pista[pista.size() - 1 - fin]) {
    ++fin;
  }
  CambiarTexto(caja, texto.substr(inicio, texto.size() - inicio - fin));
}

void frmAcceso::SeleccionarBase(int indice) {
  lstBases.ListIndex = indice;
  lstBases_Click();
}

void frmAcceso::lstBases_DblClick() {
  AsignarDatosBase();
  bcAceptar_Click();
}

bool frmAcceso::ExisteBaseDeDatos(const std::string& Servidor, const std::string& Dbname,
                                  const std::string& Usuario, const std::string& Password,
                                  const std::string& Proveedor) {
  try {
    CerrarSesionSiAbierta();
    std::string texto;
    if (EsServidorSQLite(Servidor)) {
      // The embedded engine: a folder with one file per database.
      texto = CadenaConexionSQLite(ArchivoEmpresaSQLite(Servidor, Dbname));
    } else {
      texto = CadenaConexionSqlServer(Proveedor, Servidor, Dbname, Usuario, Password);
    }
    ado::Connection& cnn = DB().Cnn();
    cnn.Open(texto);
    cnn.Close();
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

void frmAcceso::CmdRegistrar_Click() {
  DB_Dll& db = DB();
  std::string servidor, nombre, base;
  bool registrada = false;
  bool terminada = false;  // a check refused the registration: "Registrar" ends there
  auto avisar = [this](const ErrorEjecucion& e) {
    plataforma::MsgBox(SinClave("SQL Server start failed.  \rSQL-DMO error:  " +
                                    std::to_string(e.Number) + " " + e.Description,
                                TxtUserPassword.Text),
                       plataforma::vbOKOnly, "");
  };
  // A failure of a registration step shows its message and goes on with the steps after the
  // registration; one whose number is passed over goes on with the next step.
  auto anteRegistro = [&](const ErrorEjecucion& e) {
    if (FallaIgnorada(e.Number)) return TrasFalla::Seguir;
    avisar(e);
    return TrasFalla::Salir;
  };
  auto terminar = [&](const std::string& texto, const char* titulo) {
    plataforma::MsgBox(texto, plataforma::vbInformation, titulo);
    terminada = true;
  };
  auto paso = [&](auto&& cuerpo) { return !terminada && IntentarPaso(cuerpo, anteRegistro); };
  // The connection is tested and stored for the platform chosen: the embedded engine's folder
  // with its mark, an Oracle server with its "#" (RegistrarConexion appends it).
  const bool embebida = CboPlataformaDB.ListIndex == 2;
  const bool oracle = CboPlataformaDB.ListIndex == 1;
  std::string destino;  // the server text as the session and BASES.TXT take it
  paso([&] {
    destino = Trim(TxtServidor.Text);
    if (embebida && !EsServidorSQLite(destino)) destino = ServidorSQLite(destino);
    if (oracle) destino.erase(std::remove(destino.begin(), destino.end(), '#'), destino.end());
    servidor = SinPuerto(Mayusculas(destino));
    nombre = Mayusculas(Trim(TxtDbName.Text)) + " / " + servidor;
    // A "," or a line end would shift the fields of the line when it is read back.
    for (const CajaTexto* caja : {&TxtServidor, &TxtDbName}) {
      if (TieneSeparadorDeCampo(Trim(caja->Text))) {
        return terminar("No se puede registrar la conexion: el valor \"" + Trim(caja->Text) +
                            "\" contiene una coma o un salto de linea",
                        "Atencion");
      }
    }
  }) &&
      paso([&] {
        servidor_.clear();
        DatosBase(nombre);
        if (!Trim(servidor_).empty()) {
          terminar("La conexion que intenta registrar ya existe ", "Atencion");
        }
      }) &&
      paso([&] {
        CambiarTexto(TxtServidor, Trim(TxtServidor.Text));
        CambiarTexto(TxtUserId, Trim(TxtUserId.Text));
        CambiarTexto(TxtUserPassword, Trim(TxtUserPassword.Text));
        CambiarTexto(TxtDbName, Trim(TxtDbName.Text));
        base = TxtDbName.Text;
      }) &&
      paso([&] {
        // A login named like the database is a SQL Server convention; the embedded engine's
        // test is its file.
        if (oracle) return;
        const std::string mayus = Mayusculas(base);
        if (ExisteBaseDeDatos(destino, mayus, mayus, mayus, "SQLOLEDB")) {
          RegistrarConexion(nombre, base, base, base, destino, "", false);
          registrada = true;
        }
      }) &&
      paso([&] {
        if (registrada) return;
        CerrarSesionSiAbierta();
        db.gServidor = oracle ? destino + "#" : destino;
        db.gUsuario = TxtUserId.Text;
        db.gUserPassWord = TxtUserPassword.Text;
        db.gDBName = TxtDbName.Text;
        std::string sinTexto;
        db.OpenServerADODB(false, ado::adUseClient, sinTexto, true, true);
      }) &&
      paso([&] {
        if (registrada) return;
        if (!ConexionAbierta()) {
          return terminar(EsServidorSQLite(destino)
                              ? "NO SE PUDO ABRIR LA EMPRESA " +
                                    ArchivoEmpresaSQLite(destino, base) +
                                    " VERIFIQUE LA CARPETA, EL NOMBRE DE LA BASE Y EL USUARIO"
                                    " INGRESADO"
                              : "NO SE PUDO CONECTAR AL SERVIDOR " + TxtServidor.Text +
                                    " VERIFIQUE EL NOMBRE DE USUARIO Y PASSWORD INGRESADO",
                          "AVISO AL OPERADOR");
        }
        RegistrarConexion(nombre, base, base, base, destino, "", oracle);
      });
  if (terminada) return;

  // A failure here shows its message and the next step runs (never back to the steps above).
  auto anteFinal = [&](const ErrorEjecucion& e) {
    if (!FallaIgnorada(e.Number)) avisar(e);
    return TrasFalla::Seguir;
  };
  IntentarPaso(
      [&] {
        const std::string odbc = utilidad::RutaConBarra(plataforma::CarpetaPrograma()) + "ODBC.exe";
        if (plataforma::ArchivoLegible(odbc)) {
          plataforma::IniciarSinEsperar(odbc, {"Server=" + TxtServidor.Text + ";DB=" + base + ";"});
        }
      },
      anteFinal);
  IntentarPaso([&] { CerrarSesionSiAbierta(); }, anteFinal);
  IntentarPaso([&] { LlenarList(); }, anteFinal);
}

std::string frmAcceso::ParametrosDeLaConexion() const {
  const auto valor = [](const CajaTexto& caja) {
    const std::string texto = Trim(caja.Text);
    return texto == PistaDe(caja) ? std::string() : texto;
  };
  std::string servidor = valor(TxtServidor);
  if (!servidor.empty() && CboPlataformaDB.ListIndex == 2 && !EsServidorSQLite(servidor)) {
    servidor = ServidorSQLite(servidor);
  } else if (!servidor.empty() && CboPlataformaDB.ListIndex == 1 && servidor[0] != '#') {
    servidor = "#" + servidor;
  }
  std::string parametros;
  if (!servidor.empty()) parametros += "@Server=" + servidor + ";";
  if (!valor(TxtDbName).empty()) parametros += "@DbName=" + valor(TxtDbName) + ";";
  if (!valor(TxtUserId).empty()) parametros += "@Usuario=" + valor(TxtUserId) + ";";
  return parametros;
}

// The launcher starts the program on the connection shown, without its password, and shows the
// icon the installation puts in the desktop's icon theme.
void frmAcceso::CmdLineaComando_Click() {
  const std::string parametros = ParametrosDeLaConexion();
  std::vector<std::string> argumentos;
  if (!parametros.empty()) argumentos.push_back(parametros);
  try {
    const std::string ruta = plataforma::CrearAccesoDirecto(
        CarpetaEscritorio(), "Virad Urorev", RutaDelPrograma(), argumentos, "importador");
    plataforma::MsgBox("Se creó el acceso directo " + ruta, plataforma::vbInformation,
                       "Crear Acceso Directo");
  } catch (const ErrorEjecucion& e) {
    plataforma::MsgBox(e.Description, plataforma::vbExclamation, "Atencion");
  }
}

void frmAcceso::bcAceptar_Click() {
  Aceptar = true;
  Visible = false;
}

void frmAcceso::bcCancelar_Click() {
  Aceptar = false;
  Visible = false;
}

void RegistrarConexion(const std::string& Nombre, const std::string& Base,
                       const std::string& Usuario, const std::string& Password,
                       const std::string& Servidor, const std::string& Prefijo, bool Oracle) {
  AgregarBaseRegistrada(
      frmAcceso::RutaBases(),
      {Nombre, Base, Usuario, utilidad::Encriptar(Password), Oracle ? Servidor + "#" : Servidor});
}

std::string CarpetaEscritorio() { return plataforma::CarpetaEscritorio(); }

bool DialogoConexionAcceso::Mostrar(DatosConexion& datos) {
  frmAcceso forma;
  forma.Form_Load();
  forma.CambiarTexto(forma.TxtDbName, datos.base);
  forma.CambiarTexto(forma.TxtServidor, datos.servidor);
  forma.CambiarTexto(forma.TxtUserId, datos.usuario);
  forma.CambiarTexto(forma.TxtUserPassword, datos.password);
  forma.CboPlataformaDB.ListIndex = 0;
  forma.Visible = true;
  vista_.MostrarModal(forma);
  if (!forma.Aceptar) return false;
  datos.servidor = forma.TxtServidor.Text;
  datos.base = forma.TxtDbName.Text;
  datos.usuario = forma.TxtUserId.Text;
  datos.password = forma.TxtUserPassword.Text;
  datos.plataforma = forma.CboPlataformaDB.ListIndex;
  return true;
}

void InstalarDialogoConexion(VistaAcceso* vista) {
  static std::unique_ptr<DialogoConexionAcceso> dialogo;
  dialogo = vista ? std::make_unique<DialogoConexionAcceso>(*vista) : nullptr;
  DB().EstablecerDialogoConexion(dialogo.get());
}
