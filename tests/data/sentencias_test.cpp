#include "data/sentencias.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "data/db_dll.h"
#include "data/traza.h"
#include "data/valores_sesion.h"
#include "platform/ado.h"
#include "tests/support/conexion_memoria.h"
#include "tests/support/empresa.h"
#include "tests/support/prueba_base.h"

namespace {

class SentenciasTest : public PruebaBase {};

struct CasoLiteral {
  const char* nombre;
  std::string valor;
  std::string comilla;
  std::string literal;
};

TEST_F(SentenciasTest, AgregaCampoEscribeElLiteralDeCadaValor) {
  const std::vector<CasoLiteral> casos = {
      {"comilla quitada", "O'Neil", kComilla, "'ONeil'"},
      {"texto vacio", "", kComilla, "''"},
      {"null en texto", "null", kComilla, "Null"},
      {"null en numero", "NuLl", kNumero, "Null"},
      {"importe con coma", "-1234,5", kNumero, "-1234.5"},
      {"importe entero", "1500", kNumero, "1500"},
      {"numero vacio es cero", "", kNumero, "0"},
      {"comillas alrededor de null", "'NULL'", kComilla, "Null"},
  };
  for (const auto& c : casos) {
    ListaCampos campos = {{"Previo", "1"}};
    AgregaCampo(campos, "Campo", c.valor, c.comilla);
    ASSERT_EQ(campos.size(), 2u) << c.nombre;
    EXPECT_EQ(campos[1].first, "Campo") << c.nombre;
    EXPECT_EQ(campos[1].second, c.literal) << c.nombre;
  }
}

struct CasoSentencia {
  const char* nombre;
  ListaCampos campos;
  std::string tabla;
  bool esUpdate;
  std::string condicion;
  std::string sentencia;
};

TEST_F(SentenciasTest, ArmaSentenciaComponeInsertYUpdate) {
  const std::vector<CasoSentencia> casos = {
      {"insert",
       {{"CODIGO", "'K'"}, {"Descripcion", "'PEREZ JUAN'"}, {"Titulo", "0"}},
       "MA_CUENTAS",
       false,
       "",
       "INSERT INTO MA_CUENTAS (CODIGO,Descripcion,Titulo) VALUES ('K','PEREZ JUAN',0)"},
      {"insert de una columna",
       {{"FECHA", "'01/02/2020'"}},
       "MA_CALENDARIO",
       false,
       "",
       "INSERT INTO MA_CALENDARIO (FECHA) VALUES ('01/02/2020')"},
      {"update agrega WHERE",
       {{"Importe", "10.5"}, {"TC", "'FC'"}},
       "T",
       true,
       "ID = 7",
       "UPDATE T SET Importe = 10.5,TC = 'FC'  WHERE ID = 7"},
      {"update con where propio",
       {{"Importe", "Null"}},
       "T",
       true,
       " where ID = 7",
       "UPDATE T SET Importe = Null  where ID = 7"},
  };
  for (const auto& c : casos) {
    EXPECT_EQ(ArmaSentencia(c.campos, c.tabla, c.esUpdate, c.condicion), c.sentencia) << c.nombre;
  }
}

TEST_F(SentenciasTest, AgregaSentenciaSigueCadaSentenciaConUnElementoVacio) {
  ListaSentencias sentencias(1);
  const ListaCampos campos = {{"A", "1"}};
  AgregaSentencia(sentencias, ArmaSentencia(campos, "T", false));
  AgregaSentencia(sentencias, ArmaSentencia(campos, "U", false));
  EXPECT_EQ(sentencias, (ListaSentencias{"", "INSERT INTO T (A) VALUES (1)", "",
                                         "INSERT INTO U (A) VALUES (1)", ""}));
}

struct CasoMoneda {
  std::string valor;
  int decimales;
  bool separadores;
  std::string decimalesSesion;
  std::string esperado;
};

TEST_F(SentenciasTest, FmtMonedaRedondeaYFormatea) {
  const std::vector<CasoMoneda> casos = {
      {"1239,669", -1, false, "2", "1239,67"},
      {"1239,6694", -1, false, "4", "1239,6694"},
      {"1234567,5", 2, true, "2", "1.234.567,50"},
      {"1234567,5", 2, false, "2", "1234567,50"},
      {"2,5", -2, false, "2", "2"},  // half-way to the even neighbour
      {"3,5", -2, false, "2", "4"},
      {"0,125", 2, false, "2", "0,12"},
      {"0,135", 2, false, "2", "0,14"},
      {"-0,125", 2, false, "2", "-0,12"},
      {"-0,004", 2, false, "2", "0,00"},  // rounds to zero: no minus sign
      {"-1500", 2, true, "2", "-1.500,00"},
      {"12,5", 0, false, "2", "12,50"},   // code 0: the regional currency digits
      {"12,5", -1, false, " ", "12,50"},  // no session decimals: the regional ones
      {"7", 6, false, "2", "7,000000"},
      {"no es numero", -3, false, "2", "no es numero"},
      {"1.500", 2, false, "2", "1500,00"},  // a regional thousands separator
  };
  for (const auto& c : casos) {
    gCantidadDecimales = c.decimalesSesion;
    EXPECT_EQ(FmtMoneda(c.valor, c.decimales, c.separadores), c.esperado)
        << c.valor << " code " << c.decimales;
  }
}

TEST_F(SentenciasTest, FmtMonedaMuestraElErrorConSuNombreYDevuelveVacio) {
  for (int respuesta : {3, 5}) {
    dialogos.Responder(respuesta);
    EXPECT_EQ(FmtMoneda("doce", 2, false), "") << respuesta;
  }
  // Retry converts again: the dialog comes back until the operator gives up.
  dialogos.Responder(4);
  dialogos.Responder(3);
  EXPECT_EQ(FmtMoneda("doce", 2, false), "");
  const auto& vistos = dialogos.Transcripcion();
  ASSERT_EQ(vistos.size(), 4u);
  for (const auto& d : vistos) {
    EXPECT_NE(d.titulo.find("FmtMoneda"), std::string::npos) << d.titulo;
    EXPECT_NE(d.texto.find("doce"), std::string::npos) << d.texto;
  }
}

// Batches sent to a real company; the statement trace shows the texts as composed.
class LoteTest : public PruebaEmpresa {
 protected:
  void SetUp() override {
    PruebaEmpresa::SetUp();
    EstablecerTraza(Ruta("traza.jsonl"));
  }
  void TearDown() override {
    EstablecerTraza("");
    PruebaEmpresa::TearDown();
  }
  // The composed texts of the executions traced so far.
  std::vector<std::string> Ejecutados() const {
    std::vector<std::string> textos;
    std::ifstream f(Ruta("traza.jsonl"));
    for (std::string linea; std::getline(f, linea);) {
      auto j = nlohmann::json::parse(linea);
      if (j["op"] == "execute") textos.push_back(j["sql"]);
    }
    return textos;
  }
};

TEST_F(LoteTest, UnLoteSeEnviaComoUnaTransaccionYSeConfirma) {
  const std::string a = "INSERT INTO MA_CALENDARIO (FECHA) VALUES('01/02/2020')";
  ListaSentencias sentencias = {"", a, ""};
  EXPECT_TRUE(EjecutaSentencias(sentencias));
  EXPECT_EQ(Ejecutados(), (std::vector<std::string>{"BEGIN TRANSACTION \r\r\r\r" + a + "\r\r",
                                                    "COMMIT TRANSACTION"}));
  EXPECT_EQ(Valor("SELECT FECHA FROM MA_CALENDARIO"), "2020-02-01 00:00:00");
  EXPECT_TRUE(dialogos.Transcripcion().empty());
}

TEST_F(LoteTest, UnLoteRechazadoNoDejaNadaYMuestraUnMensaje) {
  ListaSentencias sentencias = {
      "", "INSERT INTO MA_CUENTAS (CODIGO,Descripcion,Titulo) VALUES ('A1','UNO',0)", "",
      "INSERT INTO MA_CUENTAS (CODIGO,Descripcion,Titulo) VALUES ('A1','OTRA',0)", ""};
  dialogos.Responder(plataforma::vbOK);
  EXPECT_FALSE(EjecutaSentencias(sentencias));
  const auto atencion = dialogos.Textos("Atención");
  ASSERT_EQ(atencion.size(), 1u);
  EXPECT_NE(atencion[0].find("UNIQUE"), std::string::npos) << atencion[0];
  EXPECT_EQ(dialogos.Transcripcion()[0].botones, plataforma::vbCritical + plataforma::vbOKOnly);
  EXPECT_EQ(Ejecutados().back(), "ROLLBACK TRANSACTION");
  EXPECT_EQ(ContarFilas("MA_CUENTAS"), 0);

  // Nothing stays open: the next batch commits on its own.
  ListaSentencias siguiente = {
      "", "INSERT INTO MA_CUENTAS (CODIGO,Descripcion,Titulo) VALUES ('A2','DOS',0)", ""};
  EXPECT_TRUE(EjecutaSentencias(siguiente));
  EXPECT_EQ(ContarFilas("MA_CUENTAS"), 1);
}

// A connection whose commits the database refuses (a lost server, a deferred constraint).
class ConexionSinCommit : public ado::ConnectionWrapper {
 public:
  using ado::ConnectionWrapper::ConnectionWrapper;
  std::optional<ado::Resultado> Execute(const std::string& text, int32_t* n, int32_t o) override {
    if (text.rfind("COMMIT", 0) != 0) return ado::ConnectionWrapper::Execute(text, n, o);
    Errors().Clear();
    ado::Error e;
    e.Number = ado::kEFail;
    e.Description = "commit refused";
    Errors().Add(e);
    throw plataforma::ErrorEjecucion(e.Number, e.Description);
  }
};

TEST_F(LoteTest, UnCommitRechazadoEsUnLoteFallido) {
  DB().gCnn = std::make_shared<ConexionSinCommit>(DB().gCnn);
  ListaSentencias sentencias = {
      "", "INSERT INTO MA_CUENTAS (CODIGO,Descripcion,Titulo) VALUES ('A1','UNO',0)", ""};
  dialogos.Responder(plataforma::vbOK);
  EXPECT_FALSE(EjecutaSentencias(sentencias));
  EXPECT_EQ(dialogos.Textos("Atención"), (std::vector<std::string>{"commit refused"}));
  EXPECT_EQ(Ejecutados().back(), "ROLLBACK TRANSACTION");
  EXPECT_EQ(ContarFilas("MA_CUENTAS"), 0);
}

// What a real company receives in a dry run: the run's transaction around every batch, each
// batch a savepoint, a refused one undone alone, and nothing left after the end.
class EnsayoSQLiteTest : public LoteTest {
 protected:
  // The texts handed to the driver so far, every execution's in order.
  std::vector<std::string> Enviados() const {
    std::vector<std::string> textos;
    std::ifstream f(Ruta("traza.jsonl"));
    for (std::string linea; std::getline(f, linea);) {
      auto j = nlohmann::json::parse(linea);
      if (j["op"] != "execute") continue;
      for (const auto& t : j["sent"]) textos.push_back(t);
    }
    return textos;
  }
  int64_t CuentasEnLaSesion() {
    auto r = DB().Cnn().Execute("SELECT count(*) FROM MA_CUENTAS");
    return std::get<int64_t>(r->filas.at(0).at(0));
  }
};

TEST_F(EnsayoSQLiteTest, CadaLoteEsUnPuntoDeGuardadoYAlFinalNoQuedaNada) {
  const std::string uno =
      "INSERT INTO MA_CUENTAS (CODIGO,Descripcion,Titulo) VALUES ('A1','UNO',0)";
  const std::string otra =
      "INSERT INTO MA_CUENTAS (CODIGO,Descripcion,Titulo) VALUES ('A1','OTRA',0)";
  const std::string dos =
      "INSERT INTO MA_CUENTAS (CODIGO,Descripcion,Titulo) VALUES ('A2','DOS',0)";
  ASSERT_TRUE(DB().IniciarEnsayo());
  ListaSentencias primero = {"", uno, ""};
  EXPECT_TRUE(EjecutaSentencias(primero));
  // The second batch's first row goes in, its second is refused: the batch undoes itself alone.
  ListaSentencias rechazado = {"", dos, "", otra, ""};
  dialogos.Responder(plataforma::vbOK);
  EXPECT_FALSE(EjecutaSentencias(rechazado));
  EXPECT_EQ(dialogos.Textos("Atención").size(), 1u);
  EXPECT_EQ(CuentasEnLaSesion(), 1);  // the session sees what the run did so far
  EXPECT_FALSE(DB().EnsayoPerdido());
  DB().TerminarEnsayo();
  EXPECT_FALSE(DB().EnEnsayo());
  EXPECT_EQ(ContarFilas("MA_CUENTAS"), 0);
  // After the refusal a BEGIN, refused inside a transaction, shows it is still open.
  EXPECT_EQ(Enviados(), (std::vector<std::string>{
                            "BEGIN IMMEDIATE TRANSACTION", "SAVEPOINT LINEA", uno, "RELEASE LINEA",
                            "SAVEPOINT LINEA", dos, otra, "BEGIN IMMEDIATE TRANSACTION",
                            "ROLLBACK TO LINEA", "RELEASE LINEA", "ROLLBACK TRANSACTION"}));

  // After the dry run, batches are transactions of their own again and stay.
  ListaSentencias real = {"", dos, ""};
  EXPECT_TRUE(EjecutaSentencias(real));
  EXPECT_EQ(ContarFilas("MA_CUENTAS"), 1);
  EXPECT_EQ(Ejecutados().back(), "COMMIT TRANSACTION");
}

// A SQL Server or Oracle session that records what it is sent. A text that holds FALLA is
// refused as the server refuses a statement; so is the undoing of a savepoint when
// `rechazarDeshacer` is set (the server had ended the transaction).
class ServidorGrabador : public ConexionEnMemoria {
 public:
  using ConexionEnMemoria::ConexionEnMemoria;
  std::vector<std::string> recibido;
  bool rechazarDeshacer = false;

  std::optional<ado::Resultado> Execute(const std::string& text, int32_t* n, int32_t) override {
    errores_.Clear();
    recibido.push_back(text);
    const bool deshacer = text.find("ROLLBACK TO") != std::string::npos ||
                          text.find("ROLLBACK TRANSACTION LINEA") != std::string::npos;
    if (text.find("FALLA") != std::string::npos || (rechazarDeshacer && deshacer)) {
      errores_.Add({ado::kDbEErrorsInCommand, 3903, "", "refused: " + text, "servidor"});
      throw plataforma::ErrorEjecucion(ado::kDbEErrorsInCommand, "refused: " + text);
    }
    if (n) *n = 1;
    return std::nullopt;
  }
  void BeginTrans() override { recibido.push_back("<begin>"); }
  void CommitTrans() override { recibido.push_back("<commit>"); }
  void RollbackTrans() override { recibido.push_back("<rollback>"); }
};

class EnsayoServidorTest : public PruebaBase {
 protected:
  std::shared_ptr<ServidorGrabador> Sesion(const std::string& cadena) {
    auto cnn = std::make_shared<ServidorGrabador>(cadena, "EMPRESA");
    DB().gCnn = cnn;
    DB().gConnString = cadena;
    DB().gOpenFlag = true;
    DB().gEsAdmin = true;
    return cnn;
  }
};

using Textos = std::vector<std::string>;

TEST_F(EnsayoServidorTest, LasFormasDelPuntoDeGuardadoDeCadaServidor) {
  const std::string sqlServer = "PROVIDER=SQLOLEDB;Server=SRV01;Database =EMPRESA;UId=sa;Pwd=x;";
  const std::string oracle = "Provider=OraOLEDB.Oracle.1;Data Source=KV;User ID=kv;";
  const std::string guardaSqlServer =
      "IF @@TRANCOUNT = 0 THROW 50000, 'ENSAYO: la transaccion de la corrida ya no esta "
      "abierta', 1;\rSAVE TRANSACTION LINEA";
  struct Caso {
    const char* nombre;
    std::string cadena;
    Textos esperado;
  };
  const Caso casos[] = {
      // The named rollback undoes the batch alone: a bare one would end the run's transaction.
      {"SQL Server",
       sqlServer,
       {"BEGIN TRANSACTION", guardaSqlServer + "\r\r\r\rINSERT INTO T VALUES (1)\r\r",
        guardaSqlServer + "\r\r\r\rINSERT INTO FALLA VALUES (2)\r\r", "ROLLBACK TRANSACTION LINEA",
        "ROLLBACK TRANSACTION"}},
      {"Oracle",
       oracle,
       {"<begin>", "SAVEPOINT LINEA", "INSERT INTO T VALUES (1)", "SAVEPOINT LINEA",
        "INSERT INTO FALLA VALUES (2)", "ROLLBACK TO SAVEPOINT LINEA", "<rollback>"}},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    ReiniciarDB();
    auto cnn = Sesion(c.cadena);
    ASSERT_TRUE(DB().IniciarEnsayo());
    ListaSentencias bueno = {"", "INSERT INTO T VALUES (1)", ""};
    EXPECT_TRUE(EjecutaSentencias(bueno));
    ListaSentencias malo = {"", "INSERT INTO FALLA VALUES (2)", ""};
    dialogos.Responder(plataforma::vbOK);
    EXPECT_FALSE(EjecutaSentencias(malo));
    EXPECT_FALSE(DB().EnsayoPerdido());
    DB().TerminarEnsayo();
    EXPECT_EQ(cnn->recibido, c.esperado);
  }
}

TEST_F(EnsayoServidorTest, UnPuntoDeGuardadoQueNoSeDeshaceDaPorPerdidoElEnsayo) {
  auto cnn = Sesion("PROVIDER=SQLOLEDB;Server=SRV01;Database =EMPRESA;UId=sa;Pwd=x;");
  ASSERT_TRUE(DB().IniciarEnsayo());
  cnn->rechazarDeshacer = true;
  ListaSentencias malo = {"", "INSERT INTO FALLA VALUES (2)", ""};
  dialogos.Responder(plataforma::vbOK);
  EXPECT_FALSE(EjecutaSentencias(malo));
  EXPECT_TRUE(DB().EnsayoPerdido());
  // The session was opened again, which drops the server's transaction.
  EXPECT_EQ(cnn->recibido.back(), "SET DATEFORMAT dmy");
  // Nothing more is sent until the dry run ends.
  const size_t enviados = cnn->recibido.size();
  ListaSentencias otro = {"", "INSERT INTO T VALUES (3)", ""};
  dialogos.Responder(plataforma::vbOK);
  EXPECT_FALSE(EjecutaSentencias(otro));
  EXPECT_EQ(cnn->recibido.size(), enviados);
  EXPECT_TRUE(DB().EnEnsayo());
  DB().TerminarEnsayo();
  EXPECT_EQ(cnn->recibido.back(), "ROLLBACK TRANSACTION");
}

// SQLite rolls the whole transaction back by itself after a full disk or an I/O error; the
// statements after it would then commit one by one.
class ConexionQueSeDeshaceSola : public ado::ConnectionWrapper {
 public:
  using ado::ConnectionWrapper::ConnectionWrapper;
  std::optional<ado::Resultado> Execute(const std::string& text, int32_t* n, int32_t o) override {
    if (text.find("FALLA") == std::string::npos) return ado::ConnectionWrapper::Execute(text, n, o);
    ado::ConnectionWrapper::Execute("ROLLBACK", nullptr, -1);
    Errors().Clear();
    Errors().Add({ado::kEFail, 13, "", "database or disk is full (13)", "SQLite"});
    throw plataforma::ErrorEjecucion(ado::kEFail, "database or disk is full (13)");
  }
};

TEST_F(EnsayoSQLiteTest, UnaTransaccionQueElMotorDeshizoSoloNoDejaConfirmarNada) {
  DB().gCnn = std::make_shared<ConexionQueSeDeshaceSola>(DB().gCnn);
  ASSERT_TRUE(DB().IniciarEnsayo());
  ListaSentencias uno = {
      "", "INSERT INTO MA_CUENTAS (CODIGO,Descripcion,Titulo) VALUES ('A1','UNO',0)", ""};
  EXPECT_TRUE(EjecutaSentencias(uno));
  ListaSentencias lleno = {
      "", "INSERT INTO MA_CUENTAS (CODIGO,Descripcion,Titulo) VALUES ('A2','FALLA',0)", ""};
  dialogos.Responder(plataforma::vbOK);
  EXPECT_FALSE(EjecutaSentencias(lleno));
  EXPECT_TRUE(DB().EnsayoPerdido());
  ListaSentencias tres = {
      "", "INSERT INTO MA_CUENTAS (CODIGO,Descripcion,Titulo) VALUES ('A3','TRES',0)", ""};
  dialogos.Responder(plataforma::vbOK);
  EXPECT_FALSE(EjecutaSentencias(tres));
  DB().TerminarEnsayo();
  EXPECT_EQ(ContarFilas("MA_CUENTAS"), 0);
  const std::vector<std::string> enviados = Enviados();
  EXPECT_EQ(std::count(enviados.begin(), enviados.end(), "RELEASE LINEA"), 1);
}

}  // namespace
