// DB_Dll against fresh embedded companies: session, error list, lookups, retries.
#include "data/db_dll.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "data/valores_sesion.h"
#include "platform/archivos.h"
#include "platform/odbc_conexion.h"
#include "tests/support/empresa.h"

namespace {

using plataforma::vbAbort;
using plataforma::vbNo;
using plataforma::vbYes;

// ---- Connection texts and the parameter prompt (no database needed) ----

struct CasoConexion {
  const char* servidor;
  const char* proveedor;
  const char* esperado;
};

TEST(ComponeConexion, CadaPlataformaComponeSuTexto) {
  const CasoConexion casos[] = {
      {"SRV01", "", "PROVIDER=SQLOLEDB;Server=SRV01;Database =BASE;UId=u;Pwd=p;"},
      {"SRV01", "OraOLEDB.Oracle.1", "PROVIDER=SQLOLEDB;Server=SRV01;Database =BASE;UId=u;Pwd=p;"},
      {"ORCL#", "", "Provider=OraOLEDB.Oracle.1;Data Source=BASE;User Id=u;Password=p;"},
      {"sqlite:/srv/empresas", "", "Provider=SQLite;Data Source=/srv/empresas/BASE.db;"},
      {"SQLite:/srv/empresas", "", "Provider=SQLite;Data Source=/srv/empresas/BASE.db;"},
  };
  for (const auto& c : casos) {
    DB_Dll db;
    db.gServidor = c.servidor;
    db.gProveedor = c.proveedor;
    db.gDBName = "BASE";
    db.gUsuario = "u";
    db.gUserPassWord = "p";
    EXPECT_EQ(db.ComponeConexion(), c.esperado) << c.servidor;
  }
}

// The engine is the one the provider or driver names, as the connection layer opens it.
TEST(PlataformaDe, LaDaElProveedorOElDriver) {
  EXPECT_EQ(PlataformaDe("Provider=OraOLEDB.Oracle.1;"), Plataforma::Oracle);
  EXPECT_EQ(PlataformaDe("Provider=SQLite;Data Source=x.db;"), Plataforma::SQLite);
  EXPECT_EQ(PlataformaDe("PROVIDER=SQLOLEDB;Server=s;"), Plataforma::SqlServer);
  EXPECT_EQ(PlataformaDe("DRIVER={Oracle};DBQ=x;"), Plataforma::Oracle);
  // A server or company folder named after another engine does not change the engine.
  EXPECT_EQ(PlataformaDe("Provider=SQLite;Data Source=/srv/oracle/x.db;"), Plataforma::SQLite);
  EXPECT_EQ(PlataformaDe("Provider=SQLOLEDB;Server=ORACLE01;Database=E;"), Plataforma::SqlServer);
  EXPECT_EQ(PlataformaDe("Provider=SQLOLEDB;Server=SQLITE;Database=E;"), Plataforma::SqlServer);
}

// Accepts with a fixed platform, keeping the fields as shown.
class DialogoAcepta : public DialogoConexion {
 public:
  explicit DialogoAcepta(int plataforma, bool acepta = true)
      : plataforma_(plataforma), acepta_(acepta) {}
  bool Mostrar(DatosConexion& datos) override {
    ++veces;
    mostrado = datos;
    datos.plataforma = plataforma_;
    return acepta_;
  }
  int veces = 0;
  DatosConexion mostrado;

 private:
  int plataforma_;
  bool acepta_;
};

class PruebaSesion : public PruebaEmpresa {};

TEST_F(PruebaSesion, ElegirSQLiteDosVecesMarcaElServidorUnaSolaVez) {
  DB_Dll& db = DB();
  DialogoAcepta dialogo(2);
  db.EstablecerDialogoConexion(&dialogo);
  db.gServidor = carpeta_.substr(0, carpeta_.size() - 1);
  db.gUsuario = usuario_;
  std::string vacia;
  db.OpenServerADODB(true, ado::adUseClient, vacia, true, true);
  db.OpenServerADODB(true, ado::adUseClient, vacia, true, true);
  EXPECT_EQ(db.gServidor, servidor_);
  EXPECT_EQ(db.gProveedor, "SQLite");
  EXPECT_TRUE(db.gOpenFlag);
  EXPECT_EQ(dialogo.mostrado.plataforma, 0);  // the list starts at SQL Server
}

TEST_F(PruebaSesion, ElegirOracleNoAgregaUnSegundoNumeral) {
  DB_Dll db;
  DialogoAcepta dialogo(1, false);  // cancelled after the platform is read: nothing opens
  db.EstablecerDialogoConexion(&dialogo);
  db.gServidor = "ORCL#";
  std::string vacia;
  db.OpenServerADODB(true, ado::adUseClient, vacia, true, false);
  EXPECT_FALSE(db.gOpenFlag);
  EXPECT_EQ(db.gServidor, "ORCL#");
}

TEST_F(PruebaSesion, AdministradorSegunLaColumnaAdministrador) {
  struct Caso {
    const char* valor;
    bool admin;
  } casos[] = {{"1", true}, {"0", false}, {"'SI'", false}, {"NULL", false}};
  for (const auto& c : casos) {
    Ejecutar("DELETE FROM TA_USUARIOS");
    Ejecutar(std::string("INSERT INTO TA_USUARIOS (Nombre, Administrador) VALUES ('ANA', ") +
             c.valor + ")");
    ReiniciarDB();
    DB().gServidor = servidor_;
    DB().gDBName = base_;
    DB().gUsuario = "ANA";
    std::string vacia;
    DB().OpenServerADODB(false, ado::adUseClient, vacia, true, true);
    ASSERT_TRUE(DB().gOpenFlag);
    EXPECT_EQ(DB().gEsAdmin, c.admin) << c.valor;
  }
}

TEST_F(PruebaSesion, UsuarioAusenteNoEsAdministradorYSinValidarLoEs) {
  ReiniciarDB();
  DB().gServidor = servidor_;
  DB().gDBName = base_;
  DB().gUsuario = "NADIE";
  dialogos.Responder(vbNo);  // the embedded company refuses a user it does not have
  std::string vacia;
  DB().OpenServerADODB(false, ado::adUseClient, vacia, true, true);
  EXPECT_FALSE(DB().gEsAdmin);
  ReiniciarDB();
  DB().gServidor = servidor_;
  DB().gDBName = base_;
  DB().OpenServerADODB(false, ado::adUseClient, vacia, false, true);
  EXPECT_TRUE(DB().gEsAdmin);
}

// The embedded engine has no logins: only a user of the company's TA_USUARIOS opens a session
// (letter case ignored); any other user, or none, is refused as a failed login, naming the file.
TEST_F(PruebaSesion, EnLaEmpresaEmbebidaSoloEntraUnUsuarioRegistrado) {
  struct Caso {
    const char* usuario;
    const char* rechazo;  // nullptr: the session opens
  };
  const Caso casos[] = {
      {"OPERADOR", nullptr},
      {"operador", nullptr},
      {" Operador ", nullptr},
      {"NADIE", "El usuario NADIE no está registrado en TA_USUARIOS de la empresa "},
      {"OPERADORA", "El usuario OPERADORA no está registrado en TA_USUARIOS de la empresa "},
      {"", "Falta el usuario: la empresa "},
      {"  ", "Falta el usuario: la empresa "},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(std::string("[") + c.usuario + "]");
    const size_t antes = dialogos.Transcripcion().size();
    if (c.rechazo) dialogos.Responder(vbNo);
    ReiniciarDB();
    DB().gServidor = servidor_;
    DB().gDBName = base_;
    DB().gUsuario = c.usuario;
    std::string vacia;
    DB().OpenServerADODB(false, ado::adUseClient, vacia, true, true);
    if (!c.rechazo) {
      EXPECT_TRUE(DB().gOpenFlag);
      EXPECT_EQ(dialogos.Transcripcion().size(), antes);
      continue;
    }
    EXPECT_FALSE(DB().gOpenFlag);
    EXPECT_EQ(DB().Cnn().State(), ado::adStateClosed);
    ASSERT_EQ(dialogos.Transcripcion().size(), antes + 1);
    const plataforma::DialogoMostrado& caja = dialogos.Transcripcion().back();
    EXPECT_EQ(caja.titulo, " Error de Conexion a Base de Datos");
    EXPECT_NE(caja.texto.find(c.rechazo + archivo_), std::string::npos) << caja.texto;
  }
  // A company without the table has no user at all.
  Ejecutar("DROP TABLE TA_USUARIOS");
  dialogos.Responder(vbNo);
  ReiniciarDB();
  DB().gServidor = servidor_;
  DB().gDBName = base_;
  DB().gUsuario = usuario_;
  std::string vacia;
  DB().OpenServerADODB(false, ado::adUseClient, vacia, true, true);
  EXPECT_FALSE(DB().gOpenFlag);
}

// Yes to the refusal: the prompt takes a registered user and the company opens with it.
TEST_F(PruebaSesion, UsuarioRechazadoSiPideOtroYEntra) {
  class DialogoOtroUsuario : public DialogoConexion {
   public:
    bool Mostrar(DatosConexion& datos) override {
      datos.usuario = "OPERADOR";
      datos.plataforma = 2;
      return true;
    }
  } dialogo;
  ReiniciarDB();
  DB().EstablecerDialogoConexion(&dialogo);
  DB().gServidor = servidor_;
  DB().gDBName = base_;
  DB().gUsuario = "NADIE";
  dialogos.Responder(vbYes);
  std::string vacia;
  DB().OpenServerADODB(false, ado::adUseClient, vacia, true, true);
  EXPECT_TRUE(DB().gOpenFlag);
  EXPECT_EQ(DB().gUsuario, "OPERADOR");
  EXPECT_EQ(DB().Cnn().State(), ado::adStateOpen);
  EXPECT_EQ(dialogos.Textos(" Error de Conexion a Base de Datos").size(), 1u);
}

TEST_F(PruebaSesion, BaseInexistenteSinMensajeDejaLaSesionCerrada) {
  ReiniciarDB();
  DB().gServidor = servidor_;
  DB().gDBName = "NO_EXISTE";
  std::string vacia;
  DB().OpenServerADODB(false, ado::adUseClient, vacia, true, false);
  EXPECT_FALSE(DB().gOpenFlag);
  EXPECT_TRUE(dialogos.Transcripcion().empty());
  EXPECT_FALSE(std::filesystem::exists(carpeta_ + "NO_EXISTE.db"));
}

// The failure box asks whether to try again; its hints speak of the company file on the
// embedded engine and of the server's instance and login on a server.
TEST_F(PruebaSesion, BaseInexistenteConMensajePreguntaYNoCierra) {
  struct Caso {
    std::string servidor;
    std::string pistas;  // hints 2 and 3, as the box shows them
  };
  const Caso casos[] = {
      {servidor_,
       "2. Verifique que exista el archivo de la empresa " + carpeta_ +
           "NO_EXISTE.db y que pueda leerlo y escribirlo\r\n3. Verifique que el usuario ANA este "
           "registrado en TA_USUARIOS de la empresa\r\n"},
      // Nothing listens on port 1: the driver's refusal comes at once.
      {"127.0.0.1:1",
       "por ejemplo : 127.0.0.1:1\\ORBENA\r\n3. Verifique si el inicio de sesion para el usuario "
       "ANA existe\r\n"},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.servidor);
    const size_t antes = dialogos.Transcripcion().size();
    ReiniciarDB();
    DB().gServidor = c.servidor;
    DB().gDBName = "NO_EXISTE";
    DB().gUsuario = "ANA";
    dialogos.Responder(vbNo);
    std::string vacia;
    DB().OpenServerADODB(false, ado::adUseClient, vacia, true, true);
    EXPECT_FALSE(DB().gOpenFlag);
    ASSERT_EQ(dialogos.Transcripcion().size(), antes + 1);
    const std::string& texto = dialogos.Transcripcion().back().texto;
    EXPECT_EQ(dialogos.Transcripcion().back().titulo, " Error de Conexion a Base de Datos");
    EXPECT_NE(texto.find(" Estado de Sql: "), std::string::npos);
    EXPECT_NE(texto.find(c.pistas + "\r\n\r\n - Desea Intentarlo Nuevamente??? "),
              std::string::npos)
        << texto;
    EXPECT_EQ(texto.find("ORBENA") == std::string::npos, c.servidor == servidor_) << texto;
  }
}

// Yes to the failure box: the prompt names the right database and the open is repeated.
TEST_F(PruebaSesion, BaseInexistenteConMensajeSiPideLosDatosYReintenta) {
  // What the driver reports for the missing file, as the box must show it.
  ado::OdbcConnection sonda;
  std::string descripcion;
  try {
    sonda.Open("Provider=SQLite;Data Source=" + carpeta_ + "NO_EXISTE.db;");
  } catch (const plataforma::ErrorEjecucion&) {
    ASSERT_GE(sonda.Errors().Count(), 1u);
    descripcion = sonda.Errors().Item(0).Description;
  }
  ASSERT_FALSE(descripcion.empty());

  class DialogoCorrige : public DialogoConexion {
   public:
    explicit DialogoCorrige(std::string base) : base_(std::move(base)) {}
    bool Mostrar(DatosConexion& datos) override {
      datos.base = base_;
      datos.plataforma = 2;
      return true;
    }

   private:
    std::string base_;
  } dialogo(base_);
  Ejecutar("INSERT INTO TA_USUARIOS (Nombre, Administrador) VALUES ('ANA', 0)");
  ReiniciarDB();
  DB().EstablecerDialogoConexion(&dialogo);
  DB().gServidor = servidor_;
  DB().gDBName = "NO_EXISTE";
  DB().gUsuario = "ANA";
  dialogos.Responder(vbYes);
  std::string vacia;
  DB().OpenServerADODB(false, ado::adUseClient, vacia, true, true);
  EXPECT_TRUE(DB().gOpenFlag);
  EXPECT_EQ(DB().gDBName, base_);
  EXPECT_EQ(DB().Cnn().State(), ado::adStateOpen);

  ASSERT_EQ(dialogos.Transcripcion().size(), 1u);
  const auto& caja = dialogos.Transcripcion()[0];
  EXPECT_EQ(caja.titulo, " Error de Conexion a Base de Datos");
  EXPECT_EQ(caja.botones, plataforma::vbYesNo + plataforma::vbCritical);
  EXPECT_EQ(caja.texto,
            " Estado de Sql: HY000\rNumero de Error: -2147467259\rDescripcion: " + descripcion +
                "\rCodigo Nativo: 14\r\r\nNombre de Proceso: " + plataforma::NombreEjecutable() +
                "\r\r\n\r\n1. Verifique el Usuario, contraseña y base de datos\r\n"
                "2. Verifique que exista el archivo de la empresa " +
                carpeta_ +
                "NO_EXISTE.db y que pueda leerlo y escribirlo\r\n"
                "3. Verifique que el usuario ANA este registrado en TA_USUARIOS de la empresa"
                "\r\n\r\n\r\n - Desea Intentarlo Nuevamente??? ");
}

TEST_F(PruebaSesion, ExisteTablaDBIgnoraMayusculas) {
  EXPECT_TRUE(DB().ExisteTablaDB("ta_usuarios"));
  EXPECT_TRUE(DB().ExisteTablaDB("Ss_Ma_Cuentas"));
  EXPECT_FALSE(DB().ExisteTablaDB("TA_NINGUNA"));
}

TEST_F(PruebaSesion, ReintentaConectarSobreUnaConexionCerradaLaReabre) {
  DB().Cnn().Close();
  DB().ReintentaConectar();
  EXPECT_TRUE(DB().gOpenFlag);
  EXPECT_EQ(DB().Cnn().State(), ado::adStateOpen);
  EXPECT_TRUE(dialogos.Transcripcion().empty());
}

// ---- Statement execution: the error-list convention ----

class PruebaEjecucion : public PruebaEmpresa {};

TEST_F(PruebaEjecucion, UnaSentenciaQueFallaDejaSusErroresYUnaExitosaNinguna) {
  std::string mala = "INSERT INTO NO_EXISTE (A) VALUES (1)";
  DB().EjecutaConsultaSQL(mala);
  ASSERT_GE(DB().Cnn().Errors().Count(), 1u);
  EXPECT_EQ(DB().Cnn().Errors().Item(0).NativeError, 208);

  std::string buena = "INSERT INTO MA_CUENTAS (CODIGO, Descripcion, Titulo) VALUES ('1', 'A', 0)";
  int32_t filas = 0;
  DB().EjecutaConsultaSQL(buena, &filas);
  EXPECT_EQ(DB().Cnn().Errors().Count(), 0u);
  EXPECT_EQ(filas, 1);
}

// The server refuses an overlong text (8152) without writing the row: the caller must see it.
TEST_F(PruebaEjecucion, TextoDemasiadoLargoConservaElErrorYNoEscribeNada) {
  std::string sql =
      "INSERT INTO MA_CUENTAS (CODIGO, Descripcion) VALUES ('2', '" + std::string(61, 'x') + "')";
  DB().EjecutaConsultaSQL(sql);
  ASSERT_GE(DB().Cnn().Errors().Count(), 1u);
  EXPECT_EQ(DB().Cnn().Errors().Item(0).NativeError, 8152);
  EXPECT_EQ(ContarFilas("MA_CUENTAS"), 0);
}

TEST_F(PruebaEjecucion, LoteConTransaccionQueFallaSeDeshaceConRollback) {
  std::string lote =
      "BEGIN TRANSACTION \r\rINSERT INTO MA_CUENTAS (CODIGO) VALUES ('A1')\r\r"
      "INSERT INTO MA_CUENTAS (CODIGO) VALUES ('A1')\r";
  DB().EjecutaConsultaSQL(lote);
  ASSERT_GE(DB().Cnn().Errors().Count(), 1u);
  EXPECT_EQ(DB().Cnn().Errors().Item(0).NativeError, 2627);
  std::string rollback = "ROLLBACK TRANSACTION";
  DB().EjecutaConsultaSQL(rollback);
  EXPECT_EQ(DB().Cnn().Errors().Count(), 0u);
  EXPECT_EQ(ContarFilas("MA_CUENTAS"), 0);
}

TEST_F(PruebaEjecucion, LoteCompletoSumaLasFilasYSeConfirma) {
  std::string lote =
      "BEGIN TRANSACTION \r\r"
      "INSERT INTO MA_CUENTAS (CODIGO) VALUES ('A1')\r\r"
      "INSERT INTO MA_CUENTAS (CODIGO) VALUES ('A2')\r\r"
      "COMMIT TRANSACTION";
  int32_t filas = 0;
  DB().EjecutaConsultaSQL(lote, &filas);
  EXPECT_EQ(DB().Cnn().Errors().Count(), 0u);
  EXPECT_EQ(filas, 2);
  EXPECT_EQ(ContarFilas("MA_CUENTAS"), 2);
}

TEST_F(PruebaEjecucion, SinRecordsetUnSelectNoDejaResultado) {
  std::string sql = "SELECT * FROM MA_CUENTAS";
  DB().EjecutaConsultaSQL(sql, nullptr, nullptr);
  EXPECT_EQ(DB().Cnn().Errors().Count(), 0u);
  ado::Recordset rs;
  std::string consulta = "SELECT COUNT(*) AS N FROM MA_CUENTAS";
  DB().EjecutaConsultaSQL(consulta, nullptr, &rs);
  ASSERT_EQ(rs.State(), ado::adStateOpen);
  EXPECT_EQ(TextoDePrueba(rs.Fields("N").Value()), "0");
}

TEST_F(PruebaEjecucion, ScriptDeVistaDeUnOperadorSeReescribe) {
  std::string script =
      "DROP VIEW SS_MA_CUENTAS\r\nCREATE VIEW SS_MA_CUENTAS AS SELECT * FROM "
      "MA_CUENTAS WHERE TITULO = 0";
  DB().EjecutaConsultaSQL(script);
  // " MA_CUENTAS " of the view body named itself: the rewritten script refers to the view.
  EXPECT_NE(script.find("FROM SS_MA_CUENTAS WHERE"), std::string::npos) << script;
}

TEST_F(PruebaEjecucion, MarcaAdminEnUnScriptSoloSeQuita) {
  std::string script =
      "DROP VIEW V_X\r\nCREATE VIEW V_X AS SELECT * FROM @Admin_MA_CUENTAS "
      "WHERE TITULO = 0";
  DB().EjecutaConsultaSQL(script);
  EXPECT_EQ(DB().Cnn().Errors().Count(), 1u);  // V_X does not exist yet: DROP is refused
  EXPECT_EQ(script,
            "DROP VIEW V_X\r\nCREATE VIEW V_X AS SELECT * FROM MA_CUENTAS WHERE TITULO = 0");
}

// ---- Recordsets ----

TEST_F(PruebaEjecucion, AbrirRecordsetCierraElAnteriorYConvierteLaConsulta) {
  Ejecutar("INSERT INTO MA_CUENTAS (CODIGO, Descripcion) VALUES ('111', 'Caja')");
  ado::Recordset rs;
  std::string sql = "SELECT TOP 1 * FROM MA_CUENTAS WITH(NOLOCK) WHERE CODIGO = 'x'";
  DB().AbrirRecordset(sql, rs);
  ASSERT_EQ(rs.State(), ado::adStateOpen);
  EXPECT_TRUE(rs.EOF());
  std::string otra = "SELECT TOP 1 * FROM MA_CUENTAS WITH(NOLOCK) WHERE CODIGO = '111'";
  DB().AbrirRecordset(otra, rs);
  ASSERT_EQ(rs.State(), ado::adStateOpen);
  EXPECT_EQ(TextoDePrueba(rs.Fields("Descripcion").Value()), "Caja");
  EXPECT_EQ(otra, "SELECT TOP 1 * FROM SS_MA_CUENTAS WITH(NOLOCK) WHERE CODIGO = '111'");
}

TEST_F(PruebaEjecucion, CierraRecordsetConUnaEdicionPendienteLaCancela) {
  ado::Recordset rs;
  std::string sql = "SELECT * FROM MA_CUENTAS";
  DB().AbrirRecordset(sql, rs, nullptr, ado::adOpenDynamic, ado::adLockOptimistic);
  ASSERT_EQ(rs.State(), ado::adStateOpen);
  rs.AddNew();
  rs.Fields("CODIGO").SetValue(std::string("999"));
  DB().CierraRecordset(rs);
  EXPECT_EQ(rs.State(), ado::adStateClosed);
  EXPECT_EQ(ContarFilas("MA_CUENTAS"), 0);
}

TEST_F(PruebaEjecucion, ConsultaRechazadaVaAlDialogoYDejaElRecordsetCerrado) {
  dialogos.Responder(vbAbort);
  ado::Recordset rs;
  std::string sql = "SELECT * FROM TABLA_QUE_NO_ESTA";
  DB().AbrirRecordset(sql, rs);
  EXPECT_EQ(rs.State(), ado::adStateClosed);
  ASSERT_EQ(dialogos.Transcripcion().size(), 1u);
  EXPECT_NE(dialogos.Transcripcion()[0].titulo.find("AbrirRecordset"), std::string::npos);
}

}  // namespace
