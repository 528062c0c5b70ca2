#include "data/db_dll.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <optional>
#include <utility>

#include "data/dialecto_sqlite.h"
#include "data/empresa.h"
#include "data/literales.h"
#include "data/reintento.h"
#include "data/traza.h"
#include "platform/archivos.h"
#include "platform/dialogos.h"
#include "utility/utilidades.h"

namespace {

using plataforma::ErrorEjecucion;
using utilidad::ContieneSinCaso;
using utilidad::Trim;

constexpr const char* kCrLf = "\r\n";

std::unique_ptr<DB_Dll>& InstanciaSesion() {
  static std::unique_ptr<DB_Dll> instancia;
  return instancia;
}

std::unique_ptr<DB_Dll>& InstanciaEstadisticas() {
  static std::unique_ptr<DB_Dll> instancia;
  return instancia;
}

void SalidaPorDefecto(int codigo) { std::exit(codigo); }
SalidaAplicacion gSalida = SalidaPorDefecto;

// The leading numeric part of a text, read as the runtime's Val reads it ("." decimal point).
double Val(const std::string& texto) {
  size_t i = 0;
  while (i < texto.size() && (texto[i] == ' ' || texto[i] == '\t')) ++i;
  size_t inicio = i;
  if (i < texto.size() && (texto[i] == '+' || texto[i] == '-')) ++i;
  while (i < texto.size() && std::isdigit(static_cast<unsigned char>(texto[i]))) ++i;
  if (i < texto.size() && texto[i] == '.') {
    ++i;
    while (i < texto.size() && std::isdigit(static_cast<unsigned char>(texto[i]))) ++i;
  }
  if (i < texto.size() && (texto[i] == 'e' || texto[i] == 'E')) {
    size_t j = i + 1;
    if (j < texto.size() && (texto[j] == '+' || texto[j] == '-')) ++j;
    if (j < texto.size() && std::isdigit(static_cast<unsigned char>(texto[j]))) {
      i = j;
      while (i < texto.size() && std::isdigit(static_cast<unsigned char>(texto[i]))) ++i;
    }
  }
  std::string numero = texto.substr(inicio, i - inicio);
  if (numero.empty() || numero == "+" || numero == "-") return 0;
  // from_chars reads "." whatever the process locale (strtod follows LC_NUMERIC, which the
  // window's toolkit sets from the environment).
  const char* p = numero.data() + (numero[0] == '+' ? 1 : 0);
  double n = 0;
  std::from_chars(p, numero.data() + numero.size(), n);
  return n;
}

// The number text of a lookup value: its leading numeric part written back plainly.
std::string NumeroTexto(const std::string& valor) {
  double n = Val(valor);
  if (n == 0) return "0";
  // to_chars writes "." whatever the process locale; printf's %g follows LC_NUMERIC.
  char texto[64];
  const auto fin = std::to_chars(texto, texto + sizeof texto, n, std::chars_format::general, 15);
  return std::string(texto, fin.ptr);
}

// A value inside a quoted literal: a quote is doubled so it can never end the literal.
std::string DentroDeComillas(const std::string& valor) {
  return utilidad::ReemplazaTexto(valor, "'", "''");
}

std::string Decimal(int64_t n) { return std::to_string(n); }

// Keeps what an execution reported; the list of the connection is emptied by each execution.
void AgregarErrores(std::vector<ado::Error>& destino, const ado::ErrorCollection& origen) {
  destino.insert(destino.end(), origen.Items().begin(), origen.Items().end());
}

// A raised failure that the driver did not put in the error list is added to it, so the
// caller never reads an empty list after a refused statement.
void AsegurarError(ado::Connection& cnn, const ErrorEjecucion& e) {
  if (cnn.Errors().Count() > 0) return;
  ado::Error error;
  error.Number = e.Number;
  error.Description = e.Description;
  error.Source = e.Source;
  cnn.Errors().Add(error);
}

// Records every text handed to the driver (the Oracle batch runs inside its own member).
class ConexionGrabadora : public ado::ConnectionWrapper {
 public:
  ConexionGrabadora(std::shared_ptr<ado::Connection> destino, std::vector<std::string>& enviados)
      : ado::ConnectionWrapper(std::move(destino)), enviados_(enviados) {}
  std::optional<ado::Resultado> Execute(const std::string& text, int32_t* n, int32_t o) override {
    enviados_.push_back(text);
    return ado::ConnectionWrapper::Execute(text, n, o);
  }

 private:
  std::vector<std::string>& enviados_;
};

// The embedded engine has a company file and its users instead of a server instance and logins:
// its hints speak of them.
std::string MensajeFalloConexion(const ado::Error& e, const std::string& servidor,
                                 const std::string& base, const std::string& usuario) {
  const std::string pistas =
      EsServidorSQLite(servidor)
          ? "2. Verifique que exista el archivo de la empresa " +
                ArchivoEmpresaSQLite(servidor, base) + " y que pueda leerlo y escribirlo" + kCrLf +
                "3. Verifique que el usuario " + usuario +
                " este registrado en TA_USUARIOS de la empresa"
          : "2. Verifique el nombre del servidor, quizas necesite agregarle el nombre de la "
            "instancia, por ejemplo : " +
                servidor + "\\ORBENA" + kCrLf +
                "3. Verifique si el inicio de sesion para el usuario " + usuario + " existe";
  return std::string(" Estado de Sql: ") + e.SQLState + "\r" +
         "Numero de Error: " + Decimal(e.Number) + "\r" + "Descripcion: " + e.Description + "\r" +
         "Codigo Nativo: " + Decimal(e.NativeError) + "\r" + kCrLf +
         "Nombre de Proceso: " + plataforma::NombreEjecutable() + "\r" + kCrLf + kCrLf +
         "1. Verifique el Usuario, contraseña y base de datos" + kCrLf + pistas + kCrLf + kCrLf +
         kCrLf + " - Desea Intentarlo Nuevamente??? ";
}

std::string MensajeConexionPerdida(const std::string& base, const std::string& servidor) {
  return std::string(kCrLf) + kCrLf + kCrLf + "Se perdio la conexion con la base de datos " + base +
         kCrLf + " Servidor " + servidor + kCrLf + kCrLf + "Elija SI para reintentar conectarse" +
         kCrLf + "Elija NO para cerrar la aplicacion" + kCrLf + kCrLf + kCrLf;
}

ErrorEjecucion ErrorDesconocido(const std::exception& e) {
  return ErrorEjecucion(ado::kEFail, e.what());
}

}  // namespace

void EstablecerSalidaAplicacion(SalidaAplicacion salida) {
  gSalida = salida ? salida : SalidaPorDefecto;
}

DB_Dll& DB() {
  auto& p = InstanciaSesion();
  if (!p) p = std::make_unique<DB_Dll>();
  return *p;
}

DB_Dll& DBEstadisticas() {
  auto& p = InstanciaEstadisticas();
  if (!p) p = std::make_unique<DB_Dll>();
  return *p;
}

void ReiniciarDB() {
  InstanciaSesion().reset();
  InstanciaEstadisticas().reset();
}

DB_Dll::DB_Dll() = default;
DB_Dll::~DB_Dll() = default;

utilidad::DialogoArchivo& DB_Dll::CmdDlg() {
  if (!cmdDlg_) cmdDlg_ = std::make_unique<utilidad::DialogoArchivo>();
  return *cmdDlg_;
}

ado::Connection& DB_Dll::Cnn() {
  if (!gCnn) gCnn = ado::CrearConexion();
  return *gCnn;
}

// ---- Connection management ----

std::string DB_Dll::ComponeConexion() const {
  if (EsServidorSQLite(gServidor)) {
    return CadenaConexionSQLite(ArchivoEmpresaSQLite(gServidor, gDBName));
  }
  if (gServidor.find('#') != std::string::npos) {
    return CadenaConexionOracle(gDBName, gUsuario, gUserPassWord);
  }
  return CadenaConexionSqlServer(pSQLOLEDB(), gServidor, gDBName, gUsuario, gUserPassWord);
}

bool DB_Dll::PideParametros() {
  if (!dialogoConexion_) return gOpenFlag = true;
  DatosConexion datos{gServidor, gDBName, gUsuario, gUserPassWord, 0};
  if (!dialogoConexion_->Mostrar(datos)) return gOpenFlag = false;
  gOpenFlag = true;
  gDBName = datos.base;
  gServidor = datos.servidor;
  gUsuario = datos.usuario;
  gUserPassWord = datos.password;
  if (datos.plataforma == 1) {
    gProveedor = "OraOLEDB.Oracle.1";
    if (gServidor.find('#') == std::string::npos) gServidor += "#";
  } else if (datos.plataforma == 2) {
    gProveedor = "SQLite";
    if (!EsServidorSQLite(gServidor)) gServidor = ServidorSQLite(gServidor);
  } else {
    gProveedor = pSQLOLEDB();
  }
  return true;
}

void DB_Dll::OpenServerADODB(bool PideParametrosSQL, int32_t lCursor, std::string& ConnString,
                             bool ValidaAdmin, bool MuestraError) {
  int reintento = 0;
  gOpenFlag = true;
  danioAlAbrir_.clear();
  if (gProveedor.empty()) gProveedor = "SQLOLEDB";
  // A failure with the connection's own errors is offered for new parameters (Yes) and the
  // failing step is tried again; an already open connection is closed once and opened again.
  auto ante = [&](const ErrorEjecucion& e) {
    // A damaged company was told and closed: no other parameters are asked for.
    if (!danioAlAbrir_.empty()) {
      gOpenFlag = false;
      return TrasFalla::Salir;
    }
    if (MuestraError && gCnn && gCnn->Errors().Count() > 0) {
      int respuesta = plataforma::MsgBox(
          MensajeFalloConexion(gCnn->Errors().Item(0), gServidor, gDBName, gUsuario),
          plataforma::vbYesNo + plataforma::vbCritical, " Error de Conexion a Base de Datos");
      if (respuesta != plataforma::vbYes) {
        gOpenFlag = false;
        return TrasFalla::Salir;
      }
      gCnn->Errors().Clear();
      // A prompt the operator cancels ends the attempt: nothing is opened behind his back.
      if (!PideParametros()) return TrasFalla::Salir;
      gConnString = ComponeConexion();
      return TrasFalla::Repetir;
    }
    if (e.Number == ado::adErrObjectOpen && reintento == 0) {
      reintento = 1;
      IgnorarFalla("it is opened again at once", [&] { Cnn().Close(); });
      return TrasFalla::Repetir;
    }
    if (MuestraError) plataforma::MsgBox(e.Description, plataforma::vbOKOnly, "");
    gOpenFlag = false;
    return TrasFalla::Salir;
  };
  bool cancelado = false;
  IntentarPaso([&] { gConnString = Trim(ConnString).empty() ? ComponeConexion() : ConnString; },
               ante) &&
      IntentarPaso(
          [&] {
            if (!PideParametrosSQL) return;
            PideParametros();
            cancelado = !gOpenFlag;
            if (!cancelado) gConnString = ComponeConexion();
          },
          ante) &&
      !cancelado &&
      IntentarPaso(
          [&] {
            Cnn().SetCursorLocation(static_cast<ado::CursorLocationEnum>(lCursor));
            Cnn().Open(gConnString, "", "");
            FijarFormatoDeFechas();
            // An operator's session (the statistics connection validates without messages).
            if (ValidaAdmin && MuestraError) {
              RehusarEmpresaDaniada();
              ExigirUsuarioRegistrado();
              CompletarIndicesDeEmpresa();
            }
          },
          ante) &&
      IntentarPaso(
          [&] {
            if (!ValidaAdmin) {
              gEsAdmin = true;
            } else if (!Trim(gDBName).empty()) {
              Cnn().SetDefaultDatabase(gDBName);
              if (ExisteTablaDB("TA_USUARIOS")) {
                if (!MuestraError) {
                  gEsAdmin = true;
                } else {
                  std::string admin = DatosTabla("ta_usuarios", gUsuario, "Administrador", "nombre",
                                                 kTipoTexto, "", true, false);
                  gEsAdmin = Val(admin) == 1;
                }
              }
            }
          },
          ante);
}

// The suite's statements write dates day/month/year: a SQL Server reads such literals in the
// login's language, and one in English would refuse every date. Sent first on every connection.
void DB_Dll::FijarFormatoDeFechas() {
  fechas_.reset();
  if (PlataformaDe(Cnn().ConnectionString()) == Plataforma::SqlServer) {
    Cnn().Execute("SET DATEFORMAT dmy");
  }
}

std::string DB_Dll::DanioDeEmpresa() {
  if (PlataformaDe(Cnn().ConnectionString()) != Plataforma::SQLite) return "";
  try {
    auto r = Cnn().Execute("PRAGMA quick_check");
    std::string informe;
    for (const auto& fila : r ? r->filas : decltype(r->filas){}) {
      if (!fila.empty()) informe += utilidad::ValorCampo(fila[0]) + " ";
    }
    informe = Trim(informe);
    return informe == "ok" ? "" : (informe.empty() ? "sin respuesta" : informe);
  } catch (const std::exception& e) {
    return e.what();
  }
}

std::string MensajeEmpresaDaniada(const std::string& danio) {
  return "La empresa " + ValorDeConexion(DB().gConnString, "Data Source") + " está dañada (" +
         utilidad::AjustaAncho(danio, 200) +
         "): no se importa nada en ella. Restaure una copia de seguridad.";
}

void DB_Dll::RehusarEmpresaDaniada() {
  const std::string danio = DanioDeEmpresa();
  Cnn().Errors().Clear();
  if (danio.empty()) return;
  plataforma::MsgBox(MensajeEmpresaDaniada(danio), plataforma::vbCritical + plataforma::vbOKOnly,
                     "Aviso al Usuario");
  danioAlAbrir_ = danio;
  IgnorarFalla("the damage is what is reported", [&] { Cnn().Close(); });
  throw ErrorEjecucion(ado::kEFail, "La empresa está dañada", "importador");
}

void DB_Dll::ExigirUsuarioRegistrado() {
  if (PlataformaDe(Cnn().ConnectionString()) != Plataforma::SQLite) return;
  const std::string usuario = Trim(gUsuario);
  if (!usuario.empty() && ExisteTablaDB("TA_USUARIOS") &&
      ExisteEnTabla("TA_USUARIOS", usuario, "Nombre", nullptr, kTipoTexto, "", true) ==
          Busqueda::Encontrada) {
    return;
  }
  const std::string archivo = ArchivoEmpresaSQLite(gServidor, gDBName);
  ado::Error error;
  error.Number = ado::kEFail;
  error.SQLState = "28000";  // invalid authorization, as a refused login reports
  error.Source = "importador";
  error.Description = usuario.empty()
                          ? "Falta el usuario: la empresa " + archivo +
                                " solo admite usuarios registrados en TA_USUARIOS"
                          : "El usuario " + usuario + " no está registrado en TA_USUARIOS de la " +
                                "empresa " + archivo;
  IgnorarFalla("the refusal is what is reported", [&] { Cnn().Close(); });
  Cnn().Errors().Clear();
  Cnn().Errors().Add(error);
  throw ErrorEjecucion(error.Number, error.Description, error.Source);
}

void DB_Dll::CompletarIndicesDeEmpresa() {
  if (PlataformaDe(Cnn().ConnectionString()) != Plataforma::SQLite) return;
  std::vector<std::string> rechazados;
  IgnorarFalla("a file the engine cannot read is reported by the run's integrity check",
               [&] { rechazados = CompletarIndicesPlegados(Cnn()); });
  Cnn().Errors().Clear();
  if (rechazados.empty()) return;
  plataforma::MsgBox("La empresa " + ArchivoEmpresaSQLite(gServidor, gDBName) +
                         " no admitió los índices de sus búsquedas (" +
                         utilidad::Abreviado(rechazados.front()) +
                         "): se importa igual, pero cada búsqueda recorre la tabla entera.",
                     plataforma::vbExclamation + plataforma::vbOKOnly, "Aviso al Usuario");
}

void DB_Dll::ReintentaConectar() {
  gOpenFlag = false;
  // A connection already closed is passed over; a provider failure ends the attempt silently.
  auto ante = [&](const ErrorEjecucion& e) {
    if (e.Number == ado::adErrObjectClosed) return TrasFalla::Seguir;
    gOpenFlag = false;
    if (e.Number == ado::kEFail) return TrasFalla::Salir;
    return SegunRespuesta(TratamientoErrores(e, 18, "AbrirRecordset"));
  };
  IntentarPaso([&] { Cnn().SetCommandTimeout(5); }, ante) &&
      IntentarPaso([&] { Cnn().Close(); }, ante) &&
      IntentarPaso(
          [&] {
            std::string texto = Cnn().ConnectionString();
            if (Trim(texto).empty()) {
              texto = gConnString;
            }
            Cnn().Open(texto, gUsuario, gUserPassWord);
            FijarFormatoDeFechas();
          },
          ante) &&
      IntentarPaso([&] { gOpenFlag = true; }, ante);
  if (ensayo_) ensayoPerdido_ = true;
}

bool DB_Dll::IniciarEnsayo() {
  ensayoPerdido_ = false;
  std::string inicio = "BEGIN TRANSACTION";
  EjecutaConsultaSQL(inicio);
  ensayo_ = Cnn().Errors().Count() == 0;
  return ensayo_;
}

// SQLite rolls a transaction back by itself after some errors (a full disk, an I/O error, no
// memory) and SQL Server after choosing a deadlock victim; the statements after that would be
// committed one by one. On SQLite a BEGIN is refused inside a transaction and begins one
// outside it, so it tells which, and in the second case keeps the rest uncommitted too. The
// caller still finds the refusal's own errors in the list.
void DB_Dll::ComprobarEnsayo() {
  ado::Connection& cnn = Cnn();
  const std::vector<ado::Error> errores = cnn.Errors().Items();
  switch (PlataformaDe(cnn.ConnectionString())) {
    case Plataforma::SQLite: {
      const std::string prueba = "BEGIN IMMEDIATE TRANSACTION";
      bool abierta = false;
      try {
        cnn.Execute(prueba);
      } catch (const ErrorEjecucion&) {
        abierta = cnn.Errors().Count() > 0 &&
                  ContieneSinCaso(cnn.Errors().Item(0).Description, "within a transaction");
      }
      if (TrazaActiva()) TrazarSentencia("execute", prueba, {prueba}, cnn.Errors(), std::nullopt);
      if (!abierta) ensayoPerdido_ = true;
      break;
    }
    case Plataforma::SqlServer:
      for (const auto& e : errores) {
        if (e.NativeError == 1205) ensayoPerdido_ = true;
      }
      break;
    case Plataforma::Oracle:
      break;  // a deadlock or any other error undoes the statement alone there
  }
  cnn.Errors().Clear();
  for (const auto& e : errores) cnn.Errors().Add(e);
}

void DB_Dll::TerminarEnsayo() {
  if (!ensayo_) return;
  ensayo_ = false;
  ensayoPerdido_ = false;
  std::string fin = "ROLLBACK TRANSACTION";
  EjecutaConsultaSQL(fin);
  if (Cnn().Errors().Count() > 0) ReintentaConectar();
}

TransaccionDeEnsayo::~TransaccionDeEnsayo() {
  if (!activa_) return;
  IgnorarFalla("a connection that failed keeps nothing of the dry run",
               [] { DB().TerminarEnsayo(); });
}

bool TransaccionDeEnsayo::Iniciar() { return activa_ = DB().IniciarEnsayo(); }

void DB_Dll::PerderEnsayo() {
  if (!ensayo_) return;
  ReintentaConectar();  // the old session's transaction is dropped with it
  ensayoPerdido_ = true;
}

bool DB_Dll::ExisteTablaDB(const std::string& Tabla) {
  bool existe = false;
  IntentarPaso(
      [&] {
        existe = false;
        for (const auto& nombre : Cnn().TableNames()) {
          if (utilidad::IgualSinCaso(nombre, Tabla)) existe = true;
        }
      },
      [&](const ErrorEjecucion& e) {
        return TratamientoErrores(e, 18, "VerificaCampos") == plataforma::vbRetry
                   ? TrasFalla::Repetir
                   : TrasFalla::Salir;
      });
  return existe;
}

// ---- Statement execution and recordsets ----

void DB_Dll::EjecutaConsultaSQL(std::string& SentenciaSQL, int32_t* RecordsAffected,
                                ado::Recordset* Lrcs) {
  const std::string compuesta = SentenciaSQL;
  std::vector<std::string> enviados;
  std::optional<int64_t> filas;
  ado::Connection& cnn = Cnn();
  if (ensayo_ && ensayoPerdido_) {
    // Outside the run's transaction nothing of a dry run may reach the database.
    cnn.Errors().Clear();
    cnn.Errors().Add(ado::Error{
        ado::kEFail, 0, "", "El ensayo perdió su transacción: no se envía nada más", "importador"});
    if (TrazaActiva()) TrazarSentencia("execute", compuesta, enviados, cnn.Errors(), filas);
    return;
  }
  try {
    if (ContieneSinCaso(SentenciaSQL, "DROP") && ContieneSinCaso(SentenciaSQL, "CREATE") &&
        !ContieneSinCaso(SentenciaSQL, "DELETE") && !ContieneSinCaso(SentenciaSQL, "@ADMIN_")) {
      SentenciaSQL = SS_TSinonimos(SentenciaSQL);
    } else if (SentenciaSQL.find('@') != std::string::npos) {  // no copy of every batch
      SentenciaSQL = literales::QuitarFueraDeLiterales(SentenciaSQL, "@Admin_");
    }
    switch (PlataformaDe(cnn.ConnectionString())) {
      case Plataforma::Oracle: {
        int32_t afectadas = RecordsAffected ? *RecordsAffected : 0;
        if (TrazaActiva()) {
          auto original = gCnn;
          gCnn = std::make_shared<ConexionGrabadora>(original, enviados);
          try {
            EjecutaLoteOracle(SentenciaSQL, afectadas);
          } catch (...) {
            gCnn = original;
            throw;
          }
          gCnn = original;
        } else {
          EjecutaLoteOracle(SentenciaSQL, afectadas);
        }
        if (RecordsAffected) *RecordsAffected = afectadas;
        filas = afectadas;
        break;
      }
      case Plataforma::SQLite: {
        // One statement at a time; the list keeps what every statement reported.
        std::vector<ado::Error> reportados;
        int32_t total = 0;
        std::optional<ado::Resultado> ultimo;
        try {
          for (const auto& sentencia : ConvierteSQLite(SentenciaSQL, FechasDe(cnn))) {
            enviados.push_back(sentencia);
            int32_t afectadas = 0;
            auto resultado = cnn.Execute(sentencia, &afectadas, -1);
            AgregarErrores(reportados, cnn.Errors());
            total += afectadas;
            if (resultado) ultimo = std::move(resultado);
          }
        } catch (const ErrorEjecucion&) {
          std::vector<ado::Error> fallo = cnn.Errors().Items();
          cnn.Errors().Clear();
          for (auto& e : reportados) cnn.Errors().Add(e);
          for (auto& e : fallo) cnn.Errors().Add(e);
          TraduceErroresSQLite(cnn.Errors());
          OlvidarFechasSiCambia(enviados);
          throw;
        }
        OlvidarFechasSiCambia(enviados);
        cnn.Errors().Clear();
        for (auto& e : reportados) cnn.Errors().Add(e);
        TraduceErroresSQLite(cnn.Errors());
        if (RecordsAffected) *RecordsAffected = total;
        if (Lrcs) {
          CierraRecordset(*Lrcs);
          if (ultimo) Lrcs->Adopt(std::move(*ultimo), gCnn);
        }
        filas = total;
        break;
      }
      case Plataforma::SqlServer: {
        enviados.push_back(SentenciaSQL);
        int32_t afectadas = 0;
        auto resultado = cnn.Execute(SentenciaSQL, &afectadas, -1);
        if (RecordsAffected) *RecordsAffected = afectadas;
        if (Lrcs) {
          CierraRecordset(*Lrcs);
          if (resultado) Lrcs->Adopt(std::move(*resultado), gCnn);
        }
        filas = afectadas;
        break;
      }
    }
    // Warnings of a statement that ran: a lone truncation warning is dropped, as the suite's
    // callers expect. A refused statement keeps its list whatever its number (see below).
    size_t n = cnn.Errors().Count();
    if ((n == 1 || n == 2) && !ContieneSinCaso(SentenciaSQL, "TRANS") &&
        cnn.Errors().Item(0).NativeError == kErrTextoTruncado) {
      cnn.Errors().Clear();
    }
  } catch (const std::exception& ex) {
    // Never raises: the error list tells the caller. A statement the database refused keeps
    // its entries even for a truncation (8152): clearing them would report a lost row as
    // success.
    const auto* ee = dynamic_cast<const ErrorEjecucion*>(&ex);
    AsegurarError(cnn, ee ? *ee : ErrorDesconocido(ex));
    filas.reset();
  }
  if (TrazaActiva()) TrazarSentencia("execute", compuesta, enviados, cnn.Errors(), filas);
  if (ensayo_ && cnn.Errors().Count() > 0) ComprobarEnsayo();
}

void DB_Dll::AbrirConversion(const std::string& texto, ado::Recordset& rs,
                             std::shared_ptr<ado::Connection> conexion, int32_t cursor,
                             int32_t lock, int32_t options, bool convOracle,
                             std::vector<std::string>& enviados) {
  try {
    AbrirSegunMotor(texto, rs, conexion, cursor, lock, options, convOracle, enviados);
  } catch (const ErrorEjecucion&) {
    // A query refused in a dry run may have ended its transaction as well.
    if (ensayo_ && conexion == gCnn) ComprobarEnsayo();
    throw;
  }
}

void DB_Dll::AbrirSegunMotor(const std::string& texto, ado::Recordset& rs,
                             std::shared_ptr<ado::Connection> conexion, int32_t cursor,
                             int32_t lock, int32_t options, bool convOracle,
                             std::vector<std::string>& enviados) {
  enviados.clear();
  auto cursorType = static_cast<ado::CursorTypeEnum>(cursor);
  auto lockType = static_cast<ado::LockTypeEnum>(lock);
  std::string cadena = conexion->ConnectionString();
  switch (PlataformaDe(cadena)) {
    case Plataforma::Oracle: {
      // Converted only when "ORACLE" stands after the first character of the text.
      bool convierte = convOracle && utilidad::InStrSinCaso(cadena, "ORACLE") > 1;
      std::string enviado = convierte ? ORACLE_Dicc(texto) : texto;
      enviados.push_back(enviado);
      rs.Open(enviado, conexion, cursorType, lockType, options);
      return;
    }
    case Plataforma::SQLite: {
      // A query converts to one statement; anything before the last one runs first.
      std::vector<std::string> sentencias = ConvierteSQLite(texto, FechasDe(*conexion));
      OlvidarFechasSiCambia(sentencias);
      if (sentencias.empty()) return;
      for (size_t i = 0; i + 1 < sentencias.size(); ++i) {
        enviados.push_back(sentencias[i]);
        try {
          conexion->Execute(sentencias[i]);
        } catch (const ErrorEjecucion&) {
          TraduceErroresSQLite(conexion->Errors());
          throw;
        }
      }
      enviados.push_back(sentencias.back());
      try {
        rs.Open(sentencias.back(), conexion, cursorType, lockType, options);
      } catch (const ErrorEjecucion&) {
        TraduceErroresSQLite(conexion->Errors());
        throw;
      }
      return;
    }
    case Plataforma::SqlServer:
      enviados.push_back(texto);
      rs.Open(texto, conexion, cursorType, lockType, options);
      return;
  }
}

const ColumnasDeFecha& DB_Dll::FechasDe(ado::Connection& conexion) {
  if (!fechas_ || fechasCadena_ != conexion.ConnectionString()) {
    fechas_.reset();
    fechas_ = LeerColumnasDeFecha(conexion);
    fechasCadena_ = conexion.ConnectionString();
  }
  return *fechas_;
}

void DB_Dll::OlvidarFechasSiCambia(const std::vector<std::string>& enviadas) {
  for (const std::string& s : enviadas) {
    for (const std::string palabra : {"CREATE", "ALTER", "DROP"}) {
      if (utilidad::IgualSinCaso(s.substr(0, palabra.size()), palabra)) {
        fechas_.reset();
        return;
      }
    }
  }
}

void DB_Dll::AbrirRecordset(std::string& SentenciaSQL, ado::Recordset& Lrcs,
                            std::shared_ptr<ado::Connection> Conexionactiva, int32_t CursorType,
                            int32_t LockType, int32_t Options, bool ConvOracle) {
  const std::string compuesta = SentenciaSQL;
  std::vector<std::string> enviados;
  int reintentos = 1;
  // A lost connection is opened again (asking whether to go on while it cannot be) and the
  // failing step tried again, twice at most; any other failure goes to the error dialog.
  auto ante = [&](const ErrorEjecucion& e) {
    bool perdida = (e.Number == ado::kEFail || e.Number == ado::adErrInvalidConnection) &&
                   Cnn().Errors().Count() > 0;
    if (perdida) {
      ReintentaConectar();
      while (!gOpenFlag) {
        ReintentaConectar();
        if (gOpenFlag) break;
        int respuesta =
            plataforma::MsgBox(MensajeConexionPerdida(gDBName, gServidor),
                               plataforma::vbYesNo + plataforma::vbCritical, "AVISO AL OPERADOR");
        if (respuesta != plataforma::vbYes) {
          gSalida(1);
          return TrasFalla::Salir;
        }
      }
      ++reintentos;
      if (reintentos < 3) return TrasFalla::Repetir;
    }
    return SegunRespuesta(TratamientoErrores(e, 18, "AbrirRecordset"));
  };
  IntentarPaso([&] { CierraRecordset(Lrcs); }, ante) &&
      IntentarPaso([&] { SentenciaSQL = SS_TSinonimos(SentenciaSQL); }, ante) &&
      IntentarPaso(
          [&] {
            Cnn();
            AbrirConversion(SentenciaSQL, Lrcs, Conexionactiva ? Conexionactiva : gCnn, CursorType,
                            LockType, Options, ConvOracle, enviados);
          },
          ante);
  if (!TrazaActiva()) return;
  auto& conexion = Conexionactiva ? *Conexionactiva : Cnn();
  std::optional<int64_t> filas;
  if (Lrcs.State() == ado::adStateOpen) filas = Lrcs.RecordCount();
  TrazarSentencia("open", compuesta, enviados, conexion.Errors(), filas);
}

void DB_Dll::CierraRecordset(ado::Recordset& LrcsTemp) {
  IntentarPaso(
      [&] {
        if (LrcsTemp.State() == ado::adStateOpen) LrcsTemp.Close();
      },
      [&](const ErrorEjecucion& e) {
        // A pending edit blocks the close: it is dropped and the close tried once more.
        if (e.Number == ado::adErrIllegalOperation) {
          IgnorarFalla("the recordset is being closed", [&] { LrcsTemp.CancelUpdate(); });
          IgnorarFalla("nothing more can be done to close it", [&] {
            if (LrcsTemp.State() == ado::adStateOpen) LrcsTemp.Close();
          });
          return TrasFalla::Salir;
        }
        return TratamientoErrores(e, 18, "CierraRecordset") == plataforma::vbRetry
                   ? TrasFalla::Repetir
                   : TrasFalla::Salir;
      });
}

// ---- Table lookups ----

int DB_Dll::AvisoLookup(const ErrorEjecucion& e) {
  return plataforma::MsgBox(e.Description, plataforma::vbAbortRetryIgnore + plataforma::vbCritical,
                            "Aviso al Operador");
}

Busqueda DB_Dll::ExisteEnTabla(const std::string& Tabla, const std::string& ValorBuscado,
                               const std::string& Campo, ado::Recordset* Lrcs, int Tipodato,
                               const std::string& Condicion, bool SoloLectura) {
  std::string sql;
  std::string compuesta;  // the trace shows the text as composed, before the synonym pass
  ado::Recordset privado;
  ado::Recordset& rs = Lrcs ? *Lrcs : privado;
  std::vector<std::string> enviados;
  Busqueda resultado = Busqueda::Fallida;  // until the row is looked at
  auto aviso = [this](const ErrorEjecucion& e) { return SegunRespuesta(AvisoLookup(e)); };
  auto trazar = [&] {
    if (!TrazaActiva()) return;
    std::optional<int64_t> filas;
    if (rs.State() == ado::adStateOpen) filas = rs.RecordCount();
    TrazarSentencia("open", compuesta, enviados, Cnn().Errors(), filas);
  };
  const bool consultada =
      IntentarPaso(
          [&] {
            const std::string cabeza = "SELECT TOP 1 * FROM " + Tabla + " with(nolock)  WHERE ";
            if (!Condicion.empty()) {
              sql = "SELECT TOP 1 * FROM " + Tabla + " with(nolock) " +
                    (ContieneSinCaso(Condicion, " WHERE ") ? " " : " WHERE ") + Condicion;
            } else if (Tipodato == kTipoTexto) {
              sql = "SELECT TOP 1  * FROM " + Tabla + " with(nolock)  WHERE LTRIM(RTRIM(" + Campo +
                    ")) ='" + DentroDeComillas(Trim(ValorBuscado)) + "'";
            } else if (Tipodato == kTipoFecha) {
              sql = cabeza + Campo + " = " + Trim(ValorBuscado) + " ";
            } else if (Tipodato == kTipoEntero || Tipodato == kTipoDoble ||
                       Tipodato == kTipoSimple) {
              sql = cabeza + Campo + " = " + NumeroTexto(ValorBuscado);
            } else {
              sql = cabeza + Campo + " = " + ValorBuscado;
            }
          },
          aviso) &&
      IntentarPaso(
          [&] {
            compuesta = sql;
            sql = SS_TSinonimos(sql);
          },
          aviso) &&
      IntentarPaso(
          [&] {
            Cnn();
            try {
              if (!Lrcs) {
                // The Oracle form is what the private recordset opens.
                AbrirConversion(sql, privado, gCnn, ado::adOpenForwardOnly, ado::adLockReadOnly, -1,
                                true, enviados);
              } else {
                CierraRecordset(*Lrcs);
                int32_t cursor = SoloLectura ? ado::adOpenForwardOnly : Lrcs->CursorType;
                int32_t lock = SoloLectura ? ado::adLockReadOnly : Lrcs->LockType;
                AbrirConversion(sql, *Lrcs, gCnn, cursor, lock, -1, false, enviados);
              }
            } catch (...) {
              trazar();
              throw;
            }
            trazar();
          },
          aviso) &&
      IntentarPaso(
          [&] {
            if (rs.State() != ado::adStateOpen) {
              throw ErrorEjecucion(ado::adErrObjectClosed, "El recordset está cerrado");
            }
            resultado = rs.BOF() ? Busqueda::NoEncontrada : Busqueda::Encontrada;
          },
          aviso);
  if (!consultada) return Busqueda::Fallida;
  IntentarPaso(
      [&] {
        if (!Lrcs && privado.State() == ado::adStateOpen) privado.Close();
      },
      aviso);
  return resultado;
}

std::string DB_Dll::DatosTabla(const std::string& Tabla, const std::string& ValorBuscado,
                               const std::string& CampoDevuelto, const std::string& Campo,
                               int Tipodato, const std::string& Condicion, bool UsaTrim,
                               bool IgnoraError) {
  // A closed session answers nothing and leaves the database alone.
  if (!gOpenFlag) return "";
  std::string cola = Trim(Condicion).empty() ? "" : " AND " + Condicion;
  std::string cabeza = "SELECT TOP 1 * FROM " + Tabla;
  std::string sql;
  if (Tipodato == kTipoTexto && UsaTrim) {
    sql = cabeza + " with(nolock)  WHERE LTRIM(RTRIM(" + Campo + ")) ='" +
          DentroDeComillas(Trim(ValorBuscado)) + "' " + cola;
  } else if (Tipodato == kTipoTexto) {
    sql = cabeza + " with(nolock)  WHERE " + Campo + " ='" + DentroDeComillas(ValorBuscado) + "' " +
          cola;
  } else if (Tipodato == kTipoFecha) {
    sql = cabeza + " with(nolock)  WHERE " + Campo + " = #" + Trim(ValorBuscado) + "# " + cola;
  } else if (Tipodato == kTipoEntero || Tipodato == kTipoDoble || Tipodato == kTipoSimple) {
    sql = cabeza + " with(nolock)  WHERE " + Campo + " = " + NumeroTexto(ValorBuscado) + cola;
  } else {
    sql = cabeza + " with(nolock)  WHERE " + Campo + " = " + ValorBuscado + cola;
  }
  ado::Recordset rs;
  std::string valor;
  auto aviso = [&](const ErrorEjecucion& e) {
    return IgnoraError ? TrasFalla::Salir : SegunRespuesta(AvisoLookup(e));
  };
  if (!IntentarPaso(
          [&] {
            AbrirRecordset(sql, rs, gCnn, ado::adOpenForwardOnly, ado::adLockReadOnly, -1, true);
          },
          aviso)) {
    return "";
  }
  if (!gOpenFlag) return "";
  bool vacia = false;
  if (!IntentarPaso(
          [&] {
            if (rs.State() != ado::adStateOpen) {
              throw ErrorEjecucion(ado::adErrObjectClosed, "El recordset está cerrado");
            }
            vacia = rs.BOF();
            if (!vacia) valor = utilidad::ValorCampo(rs.Fields(CampoDevuelto).Value());
          },
          aviso)) {
    return "";
  }
  if (vacia) return "";
  if (!IntentarPaso([&] { CierraRecordset(rs); }, aviso)) return "";
  return valor;
}

std::string DB_Dll::SQLValue(const plataforma::Valor& Valor, const std::string& marca) {
  bool nulo = plataforma::EsNulo(Valor);
  const std::string* texto = std::get_if<std::string>(&Valor);
  std::string comoTexto = texto ? *texto : utilidad::ValorCampo(Valor);
  if (marca == "@") {
    if (nulo) return "0";
    plataforma::Moneda importe;
    if (const auto* m = std::get_if<plataforma::Moneda>(&Valor)) {
      importe = *m;
    } else if (const auto* n = std::get_if<int64_t>(&Valor)) {
      importe = plataforma::Moneda{*n * 10000};
    } else if (const auto* d = std::get_if<double>(&Valor)) {
      importe = plataforma::Moneda::DesdeDouble(*d);
    } else {
      importe = utilidad::TextoAImporte(comoTexto);
    }
    return utilidad::ReemplazaTexto(utilidad::ImporteATexto(importe), ",", ".");
  }
  if (nulo) return "NULL";
  if (marca == "'") return "'" + comoTexto + "'";
  return comoTexto;
}
