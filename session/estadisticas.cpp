// The statistics database: its connection and time-out, its configuration table, and the
// provisioning of the database and its login (on the embedded engine: a file of its own in the
// session's folder, filled by the content script).

#include "session/estadisticas.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#include "data/aviso_operador.h"
#include "data/conexiones.h"
#include "data/configuracion.h"
#include "data/db_dll.h"
#include "data/empresa.h"
#include "data/reintento.h"
#include "data/traza.h"
#include "data/valores_sesion.h"
#include "platform/ado.h"
#include "platform/archivos.h"
#include "platform/dialogos.h"
#include "platform/error_ejecucion.h"
#include "session/guion.h"
#include "utility/utilidades.h"

namespace {

using plataforma::ErrorEjecucion;
using utilidad::Trim;

constexpr const char* kBase = "KV_ESTADISTICAS";
constexpr const char* kLogin = "KV_ESTADISTICAS";
// The login's password is part of the suite's contract; it never goes to a log or a message.
constexpr const char* kClave = "QX_MORDELANTIVO";
constexpr const char* kCrLf = "\r\n";

// Native errors of sp_addlogin that steer the provisioning.
constexpr int32_t kClaveNoCumplePolitica = 15116;
constexpr int32_t kBaseInexistente = 15010;
constexpr int32_t kLoginExistente = 15025;

constexpr const char* kRolesServidor[] = {"', sysadmin",    "', securityadmin", "', serveradmin",
                                          "',  setupadmin", "', processadmin",  "', diskadmin",
                                          "', dbcreator"};
constexpr const char* kRolesBase[] = {"db_accessadmin",  "db_backupoperator", "db_datareader",
                                      "db_datawriter",   "db_ddladmin",       "db_owner",
                                      "db_securityadmin"};

constexpr const char* kRolesOracle[] = {"DBA",
                                        "CTXAPP",
                                        "WKUSER",
                                        "\"CONNECT\"",
                                        "OLAP_DBA",
                                        "\"RESOURCE\"",
                                        "XDBADMIN",
                                        "EJBCLIENT",
                                        "MGMT_USER",
                                        "OLAP_USER",
                                        "JAVAIDPRIV",
                                        "JAVA_ADMIN",
                                        "DMUSER_ROLE",
                                        "JAVASYSPRIV",
                                        "JAVA_DEPLOY",
                                        "OEM_MONITOR",
                                        "AQ_USER_ROLE",
                                        "JAVAUSERPRIV",
                                        "HS_ADMIN_ROLE",
                                        "JAVADEBUGPRIV",
                                        "WM_ADMIN_ROLE",
                                        "DM_CATALOG_ROLE",
                                        "SCHEDULER_ADMIN",
                                        "AUTHENTICATEDUSER",
                                        "EXP_FULL_DATABASE",
                                        "IMP_FULL_DATABASE",
                                        "DELETE_CATALOG_ROLE",
                                        "SELECT_CATALOG_ROLE",
                                        "EXECUTE_CATALOG_ROLE",
                                        "AQ_ADMINISTRATOR_ROLE",
                                        "LOGSTDBY_ADMINISTRATOR",
                                        "RECOVERY_CATALOG_OWNER",
                                        "GATHER_SYSTEM_STATISTICS"};

constexpr const char* kProcedimientosOracle[] = {"CTXSYS.CTX_VALIDATE",
                                                 "CTXSYS.DRI_MOVE_CTXSYS",
                                                 "EXFSYS.EXF$CHECK_PRIVILEGE",
                                                 "EXFSYS.EXF$EXPCORRCHKOCI",
                                                 "EXFSYS.EXF$EXPFUNCLISTCHK",
                                                 "EXFSYS.EXF$XPDUMPTAGSINFO",
                                                 "EXFSYS.GETDUMMYTAGS",
                                                 "EXFSYS.GETTAGSARROCI",
                                                 "WKSYS.MOVE_WK",
                                                 "OUTLN.ORA$GRANT_SYS_SELECT",
                                                 "SYSTEM.ORA$_SYS_REP_AUTH",
                                                 "WMSYS.OWM_VALIDATE",
                                                 "SYSMAN.SETEMUSERCONTEXT",
                                                 "SYSMAN.SETEMVIEWUSERCONTEXT",
                                                 "XDB.SETMODFLG",
                                                 "ORDSYS.SI_APPENDCLRHSTGR",
                                                 "ORDSYS.SI_CHGCONTENT",
                                                 "ORDSYS.SI_CONVERTFORMAT",
                                                 "ORDSYS.SI_SETAVGCLRFTR",
                                                 "ORDSYS.SI_SETCLRHSTGRFTR",
                                                 "ORDSYS.SI_SETPSTNLCLRFTR",
                                                 "ORDSYS.SI_SETTEXTUREFTR",
                                                 "CTXSYS.SYNCRN",
                                                 "WKSYS.UPDATE_ACL_CACHE_SIZE",
                                                 "DMSYS.VALIDATE_ODM",
                                                 "ORDSYS.VALIDATE_ORDIM",
                                                 "ORDSYS.VALIDATE_ORDIM_WITH_DETAILS",
                                                 "MDSYS.VALIDATE_SDO",
                                                 "WKSYS.WK$POST_OPTIMIZE_INDEX",
                                                 "WKSYS.WK$PRE_OPTIMIZE_INDEX",
                                                 "WKSYS.WK$UPD_INST",
                                                 "XDB.XDB$INITXDBSCHEMA",
                                                 "XDB.XDB$PATCHUPDELETESCHEMA",
                                                 "XDB.XDB$PATCHUPSCHEMA",
                                                 "XDB.XDB_DATASTORE_PROC"};

// Why a step's failure is dropped, by routine.
constexpr const char* kSinValorGuardado = "a statistics value is a convenience, never a failure";
constexpr const char* kSinEstadisticas = "the statistics database never stops start-up";

bool ConexionAbierta(const DB_Dll& db) { return db.gCnn && db.gCnn->State() == ado::adStateOpen; }

// The leading number of a text as the runtime's Val reads it: blanks skipped, "." as the
// decimal point, 0 when it holds no number.
double NumeroInicial(const std::string& texto) {
  std::string numero;
  bool punto = false;
  for (char c : texto) {
    if (c == ' ' || c == '\t') continue;
    if ((c == '-' || c == '+') && numero.empty()) {
      numero += c;
    } else if (c >= '0' && c <= '9') {
      numero += c;
    } else if (c == '.' && !punto) {
      punto = true;
      numero += c;
    } else {
      break;
    }
  }
  try {
    // from_chars reads "." whatever the process locale, unlike stod.
    if (numero.empty()) return 0;
    const char* p = numero.data() + (numero[0] == '+' ? 1 : 0);
    double n = 0;
    if (std::from_chars(p, numero.data() + numero.size(), n).ec != std::errc()) return 0;
    return n;
  } catch (const std::exception&) {
    return 0;
  }
}

// The time-out as a 16-bit count of seconds, rounded as the runtime rounds (half to even).
// Raises on overflow, and on a negative count, which no connection accepts.
int16_t SegundosDeEspera(double valor) {
  double redondeado = std::nearbyint(valor);
  if (redondeado < 0 || redondeado > 32767) {
    throw ErrorEjecucion(plataforma::kErrDesbordamiento,
                         "El tiempo de espera " + std::to_string(valor) + " no es valido");
  }
  return static_cast<int16_t>(redondeado);
}

std::string SinClave(std::string texto, const std::string& clave) {
  texto = OcultaClaves(texto);
  if (!clave.empty()) texto = utilidad::ReemplazaTexto(texto, clave, "****");
  return texto;
}

void Enviar(DB_Dll& db, std::string sql) { db.EjecutaConsultaSQL(sql); }

void FormaOracle(DB_Dll& db, const std::string& Login, const std::string& Clave) {
  std::string s = "CREATE USER " + Login + " IDENTIFIED BY \"" + Clave + "\"" + kCrLf;
  for (const char* linea : {" DEFAULT TABLESPACE USERS", " TEMPORARY TABLESPACE TEMP",
                            " PROFILE Default", " ACCOUNT UNLOCK"}) {
    s += std::string(linea) + kCrLf;
  }
  for (const char* rol : kRolesOracle) {
    s += std::string(" GRANT ") + rol + " TO " + Login + " WITH ADMIN OPTION" + kCrLf;
  }
  s += " ALTER USER " + Login + " DEFAULT ROLE DBA,\"CONNECT\"" + kCrLf;
  s += " GRANT UNLIMITED TABLESPACE TO " + Login + " WITH ADMIN OPTION" + kCrLf;
  for (const char* procedimiento : kProcedimientosOracle) {
    s += std::string(" GRANT EXECUTE ON ") + procedimiento + " TO " + Login + " WITH GRANT OPTION" +
         kCrLf;
  }
  Enviar(db, s);
}

// Server roles, access to the current database and database roles for the login.
void Derechos(DB_Dll& db, const std::string& Login) {
  std::string servidor;
  for (const char* rol : kRolesServidor) {
    servidor += " EXEC sp_addsrvrolemember N'" + Login + rol;
  }
  Enviar(db, servidor);
  Enviar(db, " EXEC sp_grantdbaccess @loginame = '" + Login + "' , @name_in_db ='" + Login + "'");
  std::string base;
  for (const char* rol : kRolesBase) {
    base += std::string(" EXEC sp_addrolemember N'") + rol + "', N'" + Login + "'";
  }
  Enviar(db, base);
}

// The server's script that creates the database and its login, one statement a line.
void EscribirScriptServidor(const std::string& ruta, const std::string& Base) {
  std::vector<std::string> lineas = {
      "Create Database " + Base + " COLLATE Latin1_General_CI_AI ", "GO", "USE " + Base,
      std::string("EXEC  sp_addlogin N'") + kLogin + "', '" + kClave + "', '" + Base + "'"};
  for (const char* rol : kRolesServidor) {
    lineas.push_back(std::string("EXEC sp_addsrvrolemember N'") + kLogin + rol);
  }
  lineas.push_back(std::string("EXEC sp_grantdbaccess @loginame = '") + kLogin +
                   "' , @name_in_db ='" + kLogin + "'");
  for (const char* rol : kRolesBase) {
    lineas.push_back(std::string("EXEC sp_addrolemember N'") + rol + "', N'" + kLogin + "'");
  }
  std::ofstream f(ruta, std::ios::binary | std::ios::trunc);
  for (const auto& linea : lineas) f << linea << kCrLf;
  f.close();
  if (!f) {
    throw ErrorEjecucion(plataforma::kErrAccesoRuta, "No se puede escribir el archivo " + ruta);
  }
}

}  // namespace

// Cfg's steps on the statistics connection, which it queries even when it is not open.
std::string CfgKV(const std::string& Clave, std::string& ValorAux) {
  return CfgEn(DBEstadisticas(), Clave, ValorAux, false, "CfgKV");
}

void GrabaCfgKV(const std::string& Clave, const std::string& Valor, const std::string& ValorAux,
                bool PoliticaNegocio, const std::string& Grupo, bool UsaTrim) {
  DB_Dll& db = DBEstadisticas();
  using utilidad::ValorCampo;
  std::string sql =
      "SELECT * FROM " + gTablaConfiguracion + " with(nolock)  WHERE CLAVE = '" + Clave + "'";
  ado::Recordset rs;
  IgnorarFalla(kSinValorGuardado, [&] {
    db.AbrirRecordset(sql, rs, db.gCnn, ado::adOpenDynamic, ado::adLockOptimistic);
  });
  IgnorarFalla(kSinValorGuardado, [&] {
    if (rs.EOF()) rs.AddNew();
  });
  IgnorarFalla(kSinValorGuardado, [&] { rs.Fields("Grupo").SetValue(ValorCampo(Grupo)); });
  IgnorarFalla(kSinValorGuardado,
               [&] { rs.Fields("Clave").SetValue(ValorCampo(utilidad::Mayusculas(Trim(Clave)))); });
  IgnorarFalla(kSinValorGuardado,
               [&] { rs.Fields("Valor").SetValue(ValorCampo(UsaTrim ? Trim(Valor) : Valor)); });
  IgnorarFalla(kSinValorGuardado, [&] {
    rs.Fields("PoliticaNegocio").SetValue(plataforma::Valor(int64_t{PoliticaNegocio ? 1 : 0}));
  });
  if (!ValorAux.empty()) {
    IgnorarFalla(kSinValorGuardado,
                 [&] { rs.Fields("ValorAux").SetValue(ValorCampo(Trim(ValorAux))); });
  }
  IgnorarFalla(kSinValorGuardado, [&] { rs.Update(); });
  IgnorarFalla(kSinValorGuardado, [&] { db.CierraRecordset(rs); });
}

void CrearUsuarioBD(const std::string& Base, const std::string& Login, const std::string& Clave,
                    DB_Dll* O) {
  DB_Dll& db = O ? *O : DB();
  if (utilidad::ContieneSinCaso(db.gProveedor, "ORACLE")) {
    FormaOracle(db, Login, Clave);
    return;
  }
  // The embedded engine has no logins: a folder without the statistics file gets one.
  if (EsServidorSQLite(db.gServidor)) {
    std::error_code ec;
    if (!std::filesystem::exists(plataforma::RutaFs(ArchivoEmpresaSQLite(db.gServidor, Base)),
                                 ec)) {
      CrearBaseEstadisticas(db.gServidor, Base);
    }
    return;
  }
  if (PlataformaDe(db.gConnString) == Plataforma::SQLite) return;

  Enviar(db, "EXEC  sp_addlogin N'" + Login + "', '" + Clave + "', '" + Base + "','Spanish'");
  ado::ErrorCollection& errores = db.Cnn().Errors();
  if (errores.Count() > 0) {
    const ado::Error primero = errores.Item(0);
    if (primero.NativeError == kClaveNoCumplePolitica) {
      plataforma::MsgBox(SinClave(primero.Description, Clave) + kCrLf +
                             "Debe cambiar la contraseña del Usuario " + Login +
                             " para que cumpla con las directivas de Windows.",
                         plataforma::vbOKOnly, "");
    }
    if (primero.NativeError == kBaseInexistente) {
      CrearBaseEstadisticas(DB().gServidor, kBase);
    } else if (primero.NativeError == kLoginExistente) {
      return;
    }
  }
  Derechos(db, Login);
}

void CrearBaseEstadisticas(const std::string& Servidor, const std::string& Base) {
  auto aviso = [](const ErrorEjecucion& e) {
    return AvisoOperador(e, 18, "CrearBaseEstadisticas");
  };
  const bool embebido = EsServidorSQLite(Servidor);
  const std::string contenido = plataforma::ArchivoDeDatos("completokve.sql");
  std::error_code ec;
  if (!std::filesystem::is_regular_file(plataforma::RutaFs(contenido), ec)) {
    plataforma::MsgBox("No se encuentra el archivo " + contenido +
                           ", Por favor, ingrese la ruta donde se encuentra! ",
                       plataforma::vbOKOnly, "");
    return;
  }

  std::string archivo;  // the embedded engine's new statistics file
  if (embebido) {
    archivo = ArchivoEmpresaSQLite(Servidor, Base);
    if (!PasoConDialogo([&] { CrearBaseSQLite(archivo)->Close(); }, aviso)) return;
  } else {
    std::string generado;
    bool sigue =
        PasoConDialogo([&] { generado = utilidad::RutaConBarra(CarpetaTemporal()) + "CDB7.SQL"; },
                       aviso) &&
        PasoConDialogo([&] { EscribirScriptServidor(generado, Base); }, aviso) &&
        PasoConDialogo(
            [&] {
              bool permitido = false;
              Ejecutar(generado, permitido);
            },
            aviso);
    if (!sigue) return;
  }

  DB_Dll& est = DBEstadisticas();
  bool sigue = PasoConDialogo(
      [&] {
        est.gOpenFlag = false;
        est.gUsuario = kLogin;
        est.gDBName = Base;
        est.gUserPassWord = kClave;
        // The embedded server names its folder: there is no host name to extract.
        est.gServidor = embebido ? Servidor : ExtraerServidor(Servidor);
        std::string cadena;
        est.OpenServerADODB(false, ado::adUseClient, cadena, true, false);
      },
      aviso);
  if (!sigue) return;
  if (!est.gOpenFlag || !ConexionAbierta(est)) {
    // An empty statistics file would never be filled: the next start tries again.
    if (embebido) std::filesystem::remove(plataforma::RutaFs(archivo), ec);
    return;
  }
  PasoConDialogo([&] { est.Cnn().SetDefaultDatabase(Base); }, aviso) &&
      PasoConDialogo(
          [&] {
            bool permitido = false;
            // The server's session connection stands in the new database after the
            // generated script's USE; the embedded file has a connection of its own.
            if (embebido) {
              Ejecutar(contenido, permitido, est);
            } else {
              Ejecutar(contenido, permitido);
            }
          },
          aviso);
}

void ConectarEstadisticas() {
  gTimeOut = 360;
  DB_Dll& est = DBEstadisticas();
  IgnorarFalla(kSinEstadisticas, [&] {
    if (ConexionAbierta(est)) est.gCnn->Close();
  });
  IgnorarFalla(kSinEstadisticas, [] { CrearUsuarioBD(kBase, kLogin, kClave); });
  IgnorarFalla(kSinEstadisticas, [&] {
    DB_Dll& sesion = DB();
    est.gProveedor = DB_Dll::pSQLOLEDB();
    est.gServidor = sesion.gServidor;
    est.gDBName = kBase;
    est.gUsuario = kLogin;
    est.gUserPassWord = kClave;
  });
  IgnorarFalla(kSinEstadisticas, [&] {
    std::string cadena;
    est.OpenServerADODB(false, ado::adUseClient, cadena, true, false);
  });
  if (est.gOpenFlag && ConexionAbierta(est)) {
    IgnorarFalla(kSinEstadisticas, [&] { est.Cnn().SetDefaultDatabase(kBase); });
    IgnorarFalla(kSinEstadisticas, [] {
      std::string aux;
      gTimeOut = SegundosDeEspera(NumeroInicial(CfgKV("TimeOut", aux)));
    });
    if (gTimeOut == 0) {
      IgnorarFalla(kSinEstadisticas, [] {
        GrabaCfgKV("TimeOut", std::to_string(gTimeOut), "", false, "BaseDeDatos", true);
      });
    }
  }
  if (gTimeOut == 0) gTimeOut = 360;
}
