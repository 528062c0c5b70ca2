#include "session/estadisticas.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "data/conexiones.h"
#include "data/db_dll.h"
#include "data/empresa.h"
#include "data/traza.h"
#include "data/valores_sesion.h"
#include "platform/ado.h"
#include "platform/archivos.h"
#include "tests/support/conexion_memoria.h"
#include "tests/support/empresa.h"
#include "tests/support/prueba_base.h"

namespace {

const std::string kClave = "QX_MORDELANTIVO";

std::string Leer(const std::string& ruta) {
  std::ifstream f(ruta, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

std::string ScriptDeContenido() {
  return (std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "session" /
          "completokve.sql")
      .string();
}

// ---- The embedded engine: the statistics file beside the company ----

class EstadisticasEmbebidas : public PruebaEmpresa {
 protected:
  std::string ArchivoEstadisticas() const { return Ruta("KV_ESTADISTICAS.db"); }

  // Rows of the statistics file, read on a connection of the test's own.
  std::vector<std::vector<std::string>> Filas(const std::string& sql) {
    auto conexion = ado::CrearConexion();
    conexion->Open(CadenaConexionSQLite(ArchivoEstadisticas()));
    std::vector<std::vector<std::string>> filas;
    auto resultado = conexion->Execute(sql);
    if (resultado) {
      for (const auto& fila : resultado->filas) {
        std::vector<std::string> textos;
        for (const auto& v : fila) textos.push_back(TextoDePrueba(v));
        filas.push_back(textos);
      }
    }
    conexion->Close();
    return filas;
  }

  void EjecutarEnEstadisticas(const std::string& sql) {
    auto conexion = ado::CrearConexion();
    conexion->Open(CadenaConexionSQLite(ArchivoEstadisticas()));
    conexion->Execute(sql);
    conexion->Close();
  }

  std::vector<std::vector<std::string>> FilaTimeOut() {
    return Filas(
        "SELECT Grupo, Clave, Valor, ValorAux, PoliticaNegocio FROM TA_CONFIGURACION "
        "WHERE Clave = 'TIMEOUT'");
  }
};

TEST_F(EstadisticasEmbebidas, CarpetaNuevaRecibeLaBaseYSuFilaTimeOut) {
  ConectarEstadisticas();
  ASSERT_TRUE(std::filesystem::exists(ArchivoEstadisticas()));
  EXPECT_EQ(gTimeOut, 360);
  EXPECT_TRUE(DBEstadisticas().gOpenFlag);
  const std::vector<std::vector<std::string>> esperada = {
      {"BaseDeDatos", "TIMEOUT", "0", "NULL", "0"}};
  EXPECT_EQ(FilaTimeOut(), esperada);
  // The content script ran without a logged error: its log is empty, no message followed.
  for (const auto& entrada : std::filesystem::directory_iterator(carpeta_)) {
    if (entrada.path().filename().string().rfind("Script", 0) == 0) {
      EXPECT_EQ(std::filesystem::file_size(entrada.path()), 0u) << entrada.path();
    }
  }

  // Every later start reads the stored '0' as 360 and rewrites the row unchanged.
  ConectarEstadisticas();
  EXPECT_EQ(gTimeOut, 360);
  EXPECT_EQ(FilaTimeOut(), esperada);
  EXPECT_TRUE(dialogos.Transcripcion().empty());
}

// The content script is written for a server; converted, its text columns still ignore letter
// case and refuse a text longer than declared, as on the server.
TEST_F(EstadisticasEmbebidas, ElGuionDelServidorDaColumnasComoEnElServidor) {
  ConectarEstadisticas();
  EXPECT_EQ(Filas("SELECT Clave FROM TA_CONFIGURACION WHERE Clave = 'timeout'"),
            (std::vector<std::vector<std::string>>{{"TIMEOUT"}}));
  EXPECT_EQ(Filas("SELECT count(*) FROM sqlite_master WHERE name = 'TA_CONFIGURACION' AND sql "
                  "LIKE '%Clave VARCHAR(50) COLLATE NOCASE%CHECK (length(Clave) <= 50)%'"),
            (std::vector<std::vector<std::string>>{{"1"}}));
  // Built-in collations only, so any SQLite tool reads and writes it.
  EXPECT_EQ(Filas("SELECT count(*) FROM sqlite_master WHERE sql LIKE '%KVCI%'"),
            (std::vector<std::vector<std::string>>{{"0"}}));
  auto conexion = ado::CrearConexion();
  conexion->Open(CadenaConexionSQLite(ArchivoEstadisticas()));
  EXPECT_THROW(conexion->Execute("INSERT INTO TA_CONFIGURACION (Clave) VALUES ('" +
                                 std::string(51, 'K') + "')"),
               plataforma::ErrorEjecucion);
  conexion->Close();
}

TEST_F(EstadisticasEmbebidas, TiempoDeEsperaGuardado) {
  struct Caso {
    const char* guardado;
    int16_t esperado;
    const char* queda;  // the stored value afterwards
  };
  const Caso casos[] = {
      {"45", 45, "45"},        {"45.6", 46, "45.6"}, {" 12 segundos", 12, " 12 segundos"},
      {"abc", 360, "0"},        // no number: 0, rewritten as '0'
      {"40000", 360, "40000"},  // does not fit a 16-bit count: left at 360, not rewritten
  };
  ConectarEstadisticas();
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.guardado);
    EjecutarEnEstadisticas(std::string("UPDATE TA_CONFIGURACION SET Valor = '") + c.guardado +
                           "' WHERE Clave = 'TIMEOUT'");
    ConectarEstadisticas();
    EXPECT_EQ(gTimeOut, c.esperado);
    EXPECT_EQ(FilaTimeOut().at(0).at(2), c.queda);
  }
}

TEST_F(EstadisticasEmbebidas, GrabaCfgKVAgregaYEditaLaFila) {
  ConectarEstadisticas();
  const std::string sql =
      "SELECT Grupo, Clave, Valor, ValorAux, PoliticaNegocio FROM TA_CONFIGURACION "
      "WHERE Clave = 'CLAVE1'";

  // A new key: stored trimmed and in upper case; UsaTrim false keeps the value's blanks.
  GrabaCfgKV(" clave1 ", "  5 ", " aux ", true, "Grupo", false);
  std::vector<std::vector<std::string>> esperada = {{"Grupo", "CLAVE1", "  5 ", "aux", "1"}};
  EXPECT_EQ(Filas(sql), esperada);

  // An empty ValorAux leaves the stored one alone; UsaTrim true trims the value.
  GrabaCfgKV("CLAVE1", " 7 ", "", false, "Otro", true);
  esperada = {{"Otro", "CLAVE1", "7", "aux", "0"}};
  EXPECT_EQ(Filas(sql), esperada);

  std::string aux;
  EXPECT_EQ(CfgKV("clave1", aux), "7");
  EXPECT_EQ(aux, "aux");
  EXPECT_EQ(CfgKV("AUSENTE", aux), " ");
  EXPECT_EQ(aux, "");
}

// Unlike Cfg, CfgKV reads even when the open flag is down; its failures name CfgKV.
TEST_F(EstadisticasEmbebidas, CfgKVNoMiraLaBanderaYAvisaComoCfgKV) {
  ConectarEstadisticas();
  GrabaCfgKV("CLAVE1", "7", "aux", false, "Grupo", true);
  DBEstadisticas().gOpenFlag = false;
  std::string aux;
  EXPECT_EQ(CfgKV("CLAVE1", aux), "7");
  EXPECT_EQ(aux, "aux");
  EXPECT_TRUE(dialogos.Transcripcion().empty());

  dialogos.ResponderSiempre("", plataforma::vbAbort);
  aux = "antes";
  EXPECT_EQ(CfgKV("O'CLAVE", aux), "");
  EXPECT_EQ(aux, "antes");
  bool deCfgKV = false;
  for (const auto& d : dialogos.Transcripcion()) {
    if (d.titulo.find("- CfgKV ") != std::string::npos) deCfgKV = true;
  }
  EXPECT_TRUE(deCfgKV);
}

TEST_F(EstadisticasEmbebidas, SinScriptDeContenidoNoSeCreaNada) {
  std::filesystem::remove(Ruta("completokve.sql"));
  dialogos.Responder(plataforma::vbOK);
  ConectarEstadisticas();
  EXPECT_EQ(dialogos.Textos(""),
            std::vector<std::string>{"No se encuentra el archivo " + Ruta("completokve.sql") +
                                     ", Por favor, ingrese la ruta donde se encuentra! "});
  EXPECT_FALSE(std::filesystem::exists(ArchivoEstadisticas()));
  EXPECT_FALSE(DBEstadisticas().gOpenFlag);
  EXPECT_EQ(gTimeOut, 360);
}

// ---- Server forms: a connection that records what is sent ----

// What the recording connections saw, in order: "OPEN <text>" and every executed text.
std::vector<std::string> gEnviados;

class ConexionGrabadora : public ConexionEnMemoria {
 public:
  explicit ConexionGrabadora(std::string cadena) : ConexionEnMemoria(std::move(cadena)) {}

  // Texts containing `fragmento` fail with the native error `nativo`.
  void Fallar(std::string fragmento, int32_t nativo, std::string descripcion) {
    fallos_.push_back({std::move(fragmento), nativo, std::move(descripcion)});
  }

  void Open(const std::string& cs, const std::string& u, const std::string& p) override {
    gEnviados.push_back("OPEN " + cs);
    ConexionEnMemoria::Open(cs, u, p);
  }
  std::optional<ado::Resultado> Execute(const std::string& text, int32_t* n, int32_t) override {
    errores_.Clear();
    gEnviados.push_back(text);
    if (n) *n = 0;
    for (const auto& f : fallos_) {
      if (text.find(f.fragmento) == std::string::npos) continue;
      ado::Error e;
      e.Number = ado::kEFail;
      e.NativeError = f.nativo;
      e.SQLState = "42000";
      e.Description = f.descripcion;
      errores_.Add(e);
      throw plataforma::ErrorEjecucion(e.Number, e.Description);
    }
    return std::nullopt;
  }

 private:
  struct Fallo {
    std::string fragmento;
    int32_t nativo;
    std::string descripcion;
  };
  std::vector<Fallo> fallos_;
};

const char* const kCadenaServidor =
    "PROVIDER=SQLOLEDB;Server=SRV01;Database =EMPRESA;UId=sa;Pwd=x;";

const std::string kAddLogin =
    "EXEC  sp_addlogin N'KV_ESTADISTICAS', 'QX_MORDELANTIVO', 'KV_ESTADISTICAS','Spanish'";
const std::string kRolesServidor =
    " EXEC sp_addsrvrolemember N'KV_ESTADISTICAS', sysadmin"
    " EXEC sp_addsrvrolemember N'KV_ESTADISTICAS', securityadmin"
    " EXEC sp_addsrvrolemember N'KV_ESTADISTICAS', serveradmin"
    " EXEC sp_addsrvrolemember N'KV_ESTADISTICAS',  setupadmin"
    " EXEC sp_addsrvrolemember N'KV_ESTADISTICAS', processadmin"
    " EXEC sp_addsrvrolemember N'KV_ESTADISTICAS', diskadmin"
    " EXEC sp_addsrvrolemember N'KV_ESTADISTICAS', dbcreator";
const std::string kAcceso =
    " EXEC sp_grantdbaccess @loginame = 'KV_ESTADISTICAS' , @name_in_db ='KV_ESTADISTICAS'";
const std::string kRolesBase =
    " EXEC sp_addrolemember N'db_accessadmin', N'KV_ESTADISTICAS'"
    " EXEC sp_addrolemember N'db_backupoperator', N'KV_ESTADISTICAS'"
    " EXEC sp_addrolemember N'db_datareader', N'KV_ESTADISTICAS'"
    " EXEC sp_addrolemember N'db_datawriter', N'KV_ESTADISTICAS'"
    " EXEC sp_addrolemember N'db_ddladmin', N'KV_ESTADISTICAS'"
    " EXEC sp_addrolemember N'db_owner', N'KV_ESTADISTICAS'"
    " EXEC sp_addrolemember N'db_securityadmin', N'KV_ESTADISTICAS'";

class EstadisticasServidor : public PruebaBase {
 protected:
  void SetUp() override {
    PruebaBase::SetUp();
    gEnviados.clear();
    EstablecerTraza(Ruta("traza.jsonl"));
  }
  void TearDown() override {
    EstablecerTraza("");
    ado::EstablecerFabricaConexiones(nullptr);
    PruebaBase::TearDown();
  }

  // The password reaches the server, but never the trace.
  void TrazaSinClave() {
    std::string traza = Leer(Ruta("traza.jsonl"));
    EXPECT_FALSE(traza.empty());
    EXPECT_EQ(traza.find(kClave), std::string::npos) << traza;
  }
};

TEST_F(EstadisticasServidor, CrearUsuarioBDSegunLaRespuestaDeSpAddlogin) {
  struct Caso {
    const char* nombre;
    int32_t nativo;  // 0: the login is created
    std::vector<std::string> enviados;
    const char* mensaje;  // "" when none
  };
  const std::vector<std::string> todos = {kAddLogin, kRolesServidor, kAcceso, kRolesBase};
  const Caso casos[] = {
      {"LoginCreado", 0, todos, ""},
      {"LoginExistente", 15025, {kAddLogin}, ""},
      {"OtroError", 4060, todos, ""},
      {"ClaveFueraDePolitica", 15116, todos,
       "La clave no cumple la directiva.\r\nDebe cambiar la contraseña del Usuario "
       "KV_ESTADISTICAS para que cumpla con las directivas de Windows."},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    gEnviados.clear();
    dialogos = plataforma::DialogosGuionados();
    auto conexion = std::make_shared<ConexionGrabadora>(kCadenaServidor);
    if (c.nativo != 0) {
      conexion->Fallar("sp_addlogin", c.nativo, "La clave no cumple la directiva.");
    }
    DB_Dll o;
    o.gCnn = conexion;
    o.gConnString = kCadenaServidor;
    o.gServidor = "SRV01";
    if (*c.mensaje) dialogos.Responder(plataforma::vbOK);
    CrearUsuarioBD("KV_ESTADISTICAS", "KV_ESTADISTICAS", kClave, &o);
    EXPECT_EQ(gEnviados, c.enviados);
    std::vector<std::string> mensajes;
    if (*c.mensaje) mensajes.push_back(c.mensaje);
    EXPECT_EQ(dialogos.Textos(""), mensajes);
  }
  TrazaSinClave();
}

std::shared_ptr<ado::Connection> CrearGrabadora() {
  return std::make_shared<ConexionGrabadora>("");
}

TEST_F(EstadisticasServidor, ServidorSinBaseDeEstadisticasLaCreaConCDB7YLaLlena) {
  std::filesystem::copy_file(ScriptDeContenido(), Ruta("completokve.sql"));
  ado::EstablecerFabricaConexiones(&CrearGrabadora);
  auto sesion = std::make_shared<ConexionGrabadora>(kCadenaServidor);
  sesion->Fallar("sp_addlogin N'KV_ESTADISTICAS', 'QX_MORDELANTIVO', 'KV_ESTADISTICAS','Sp", 15010,
                 "La base predeterminada no existe.");
  DB_Dll& db = DB();
  db.gCnn = sesion;
  db.gConnString = kCadenaServidor;
  db.gServidor = "PC12/SRV01:1500";
  db.gDBName = "EMPRESA";

  CrearUsuarioBD("KV_ESTADISTICAS", "KV_ESTADISTICAS", kClave);

  EXPECT_EQ(Leer(Ruta("CDB7.SQL")),
            "Create Database KV_ESTADISTICAS COLLATE Latin1_General_CI_AI \r\n"
            "GO\r\n"
            "USE KV_ESTADISTICAS\r\n"
            "EXEC  sp_addlogin N'KV_ESTADISTICAS', 'QX_MORDELANTIVO', 'KV_ESTADISTICAS'\r\n"
            "EXEC sp_addsrvrolemember N'KV_ESTADISTICAS', sysadmin\r\n"
            "EXEC sp_addsrvrolemember N'KV_ESTADISTICAS', securityadmin\r\n"
            "EXEC sp_addsrvrolemember N'KV_ESTADISTICAS', serveradmin\r\n"
            "EXEC sp_addsrvrolemember N'KV_ESTADISTICAS',  setupadmin\r\n"
            "EXEC sp_addsrvrolemember N'KV_ESTADISTICAS', processadmin\r\n"
            "EXEC sp_addsrvrolemember N'KV_ESTADISTICAS', diskadmin\r\n"
            "EXEC sp_addsrvrolemember N'KV_ESTADISTICAS', dbcreator\r\n"
            "EXEC sp_grantdbaccess @loginame = 'KV_ESTADISTICAS' , @name_in_db "
            "='KV_ESTADISTICAS'\r\n"
            "EXEC sp_addrolemember N'db_accessadmin', N'KV_ESTADISTICAS'\r\n"
            "EXEC sp_addrolemember N'db_backupoperator', N'KV_ESTADISTICAS'\r\n"
            "EXEC sp_addrolemember N'db_datareader', N'KV_ESTADISTICAS'\r\n"
            "EXEC sp_addrolemember N'db_datawriter', N'KV_ESTADISTICAS'\r\n"
            "EXEC sp_addrolemember N'db_ddladmin', N'KV_ESTADISTICAS'\r\n"
            "EXEC sp_addrolemember N'db_owner', N'KV_ESTADISTICAS'\r\n"
            "EXEC sp_addrolemember N'db_securityadmin', N'KV_ESTADISTICAS'\r\n");

  // The session runs both scripts (the USE leaves it in the new database), then the rights;
  // the statistics connection opens on the bare server name and sets the date order first.
  ASSERT_EQ(gEnviados.size(), 11u);
  EXPECT_EQ(gEnviados[0], kAddLogin);
  EXPECT_EQ(gEnviados[1], "SET NOCOUNT ON");
  EXPECT_EQ(gEnviados[2], "Create Database KV_ESTADISTICAS COLLATE Latin1_General_CI_AI \r\n");
  EXPECT_EQ(gEnviados[3].rfind("USE KV_ESTADISTICAS\r\nEXEC  sp_addlogin", 0), 0u);
  EXPECT_EQ(gEnviados[4],
            "OPEN PROVIDER=SQLOLEDB;Server=SRV01;Database =KV_ESTADISTICAS;"
            "UId=KV_ESTADISTICAS;Pwd=QX_MORDELANTIVO;");
  EXPECT_EQ(gEnviados[5], "SET DATEFORMAT dmy");
  EXPECT_EQ(gEnviados[6], "SET NOCOUNT ON");
  EXPECT_EQ(gEnviados[7].rfind("CREATE TABLE TA_CONFIGURACION (", 0), 0u);
  // The server receives the script as written: its own collation, no engine's conversion.
  EXPECT_EQ(gEnviados[7].find("COLLATE"), std::string::npos) << gEnviados[7];
  EXPECT_EQ(gEnviados[7].find("length("), std::string::npos) << gEnviados[7];
  EXPECT_EQ(gEnviados[8], kRolesServidor);
  EXPECT_EQ(gEnviados[9], kAcceso);
  EXPECT_EQ(gEnviados[10], kRolesBase);
  EXPECT_EQ(DBEstadisticas().Cnn().DefaultDatabase(), "KV_ESTADISTICAS");
  EXPECT_TRUE(dialogos.Transcripcion().empty());
  TrazaSinClave();
}

TEST_F(EstadisticasServidor, FormaOracleEnUnSoloScript) {
  auto conexion = std::make_shared<ConexionGrabadora>(kCadenaServidor);
  DB_Dll o;
  o.gCnn = conexion;
  o.gProveedor = "OraOLEDB.Oracle.1";
  CrearUsuarioBD("KV_ESTADISTICAS", "KV_ESTADISTICAS", kClave, &o);
  ASSERT_EQ(gEnviados.size(), 1u);
  const std::string& s = gEnviados[0];
  EXPECT_EQ(s.rfind("CREATE USER KV_ESTADISTICAS IDENTIFIED BY \"QX_MORDELANTIVO\"\r\n"
                    " DEFAULT TABLESPACE USERS\r\n TEMPORARY TABLESPACE TEMP\r\n"
                    " PROFILE Default\r\n ACCOUNT UNLOCK\r\n"
                    " GRANT DBA TO KV_ESTADISTICAS WITH ADMIN OPTION\r\n",
                    0),
            0u);
  for (const char* linea :
       {" GRANT \"CONNECT\" TO KV_ESTADISTICAS WITH ADMIN OPTION\r\n",
        " GRANT \"RESOURCE\" TO KV_ESTADISTICAS WITH ADMIN OPTION\r\n",
        " GRANT GATHER_SYSTEM_STATISTICS TO KV_ESTADISTICAS WITH ADMIN OPTION\r\n"
        " ALTER USER KV_ESTADISTICAS DEFAULT ROLE DBA,\"CONNECT\"\r\n"
        " GRANT UNLIMITED TABLESPACE TO KV_ESTADISTICAS WITH ADMIN OPTION\r\n"
        " GRANT EXECUTE ON CTXSYS.CTX_VALIDATE TO KV_ESTADISTICAS WITH GRANT OPTION\r\n"}) {
    EXPECT_NE(s.find(linea), std::string::npos) << linea;
  }
  const std::string ultima =
      " GRANT EXECUTE ON XDB.XDB_DATASTORE_PROC TO KV_ESTADISTICAS WITH GRANT OPTION\r\n";
  EXPECT_EQ(s.substr(s.size() - ultima.size()), ultima);
  auto cuenta = [&](const std::string& fragmento) {
    size_t n = 0;
    for (size_t p = s.find(fragmento); p != std::string::npos; p = s.find(fragmento, p + 1)) ++n;
    return n;
  };
  EXPECT_EQ(cuenta(" WITH ADMIN OPTION\r\n"), 34u);  // 33 roles and the tablespace
  EXPECT_EQ(cuenta(" WITH GRANT OPTION\r\n"), 35u);
  TrazaSinClave();
}

}  // namespace
