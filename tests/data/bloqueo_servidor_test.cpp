// The company lock on the servers, through a connection that records what it is sent: one
// short name for taking, naming the holder and releasing it, whatever the company's name, and
// a holder's name that survives a missing part or no answer at all.

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "data/bloqueo_importacion.h"
#include "data/db_dll.h"
#include "platform/error_ejecucion.h"
#include "tests/support/conexion_memoria.h"
#include "tests/support/prueba_base.h"

namespace {

using plataforma::Valor;

const char* const kSqlServer = "Provider=SQLOLEDB;Data Source=srv;Initial Catalog=X;";
const char* const kOracle = "Provider=OraOLEDB.Oracle.1;Data Source=KV;User ID=kv;";

// The server's answers: sp_getapplock gives `resultado`; the holder query gives `ocupante`
// (no row when absent) or fails when `ocupanteFalla`.
class ServidorGrabador : public ConexionEnMemoria {
 public:
  using ConexionEnMemoria::ConexionEnMemoria;
  std::vector<std::string> recibido;
  int64_t resultado = 0;
  std::optional<std::string> ocupante;
  bool ocupanteFalla = false;

  std::optional<ado::Resultado> Execute(const std::string& text, int32_t* n, int32_t) override {
    errores_.Clear();
    recibido.push_back(text);
    if (n) *n = 0;
    if (text.find("sp_getapplock") != std::string::npos) {
      return ado::Resultado{{{"resultado", ado::adInteger}}, {{Valor{resultado}}}};
    }
    if (text.find("dm_tran_locks") != std::string::npos) {
      if (ocupanteFalla) {
        errores_.Add({ado::kEFail, 300, "42000", "VIEW SERVER STATE permission was denied", ""});
        throw plataforma::ErrorEjecucion(ado::kEFail, "VIEW SERVER STATE permission was denied");
      }
      ado::Resultado r{{{"", ado::adVarChar}}, {}};
      if (ocupante) r.filas.push_back({Valor{*ocupante}});
      return r;
    }
    return std::nullopt;
  }
};

class BloqueoServidorTest : public PruebaBase {
 protected:
  void Preparar(const char* cadena, const std::string& empresa) {
    cnn = std::make_shared<ServidorGrabador>(cadena, empresa);
    DB().gCnn = cnn;
    DB().gConnString = cadena;
    DB().gDBName = empresa;
  }
  std::shared_ptr<ServidorGrabador> cnn;
};

// The quoted name that follows `antes` in `texto`.
std::string NombreTras(const std::string& texto, const std::string& antes) {
  const size_t i = texto.find(antes);
  if (i == std::string::npos) return "";
  const size_t desde = i + antes.size();
  return texto.substr(desde, texto.find_first_of("'", desde) - desde);
}

TEST_F(BloqueoServidorTest, ElNombreDelBloqueoEsCortoYDistingueCadaEmpresa) {
  // Two long names alike in their first 32 characters, and one with a quote.
  const std::string largaA = "DISTRIBUIDORA DEL LITORAL SOCIEDAD ANONIMA SUCURSAL 1";
  const std::string largaB = "DISTRIBUIDORA DEL LITORAL SOCIEDAD ANONIMA SUCURSAL 2";
  std::vector<std::string> nombres;
  for (const std::string& empresa : {largaA, largaB, std::string("D'ALESSIO"),
                                     std::string("corta")}) {
    SCOPED_TRACE(empresa);
    const std::string nombre = BloqueoImportacion::Recurso(empresa);
    EXPECT_LE(nombre.size(), 32u);
    EXPECT_EQ(nombre.rfind("IMPORTADOR_", 0), 0u);
    EXPECT_EQ(nombre.find_first_not_of("IMPORTADOR_0123456789abcdef"), std::string::npos);
    nombres.push_back(nombre);
  }
  EXPECT_NE(nombres[0], nombres[1]);
  // The server's database names ignore letter case: so does the lock.
  EXPECT_EQ(BloqueoImportacion::Recurso("corta"), BloqueoImportacion::Recurso("CORTA"));
}

TEST_F(BloqueoServidorTest, ElMismoNombreTomaNombraAlOcupanteYLibera) {
  const std::string empresa = "DISTRIBUIDORA DEL LITORAL SOCIEDAD ANONIMA";
  const std::string nombre = BloqueoImportacion::Recurso(empresa);
  {
    Preparar(kSqlServer, empresa);
    BloqueoImportacion b;
    std::string ocupante;
    ASSERT_TRUE(b.Tomar("modo", "a.txt", ocupante));
    b.Liberar();
    ASSERT_EQ(cnn->recibido.size(), 2u);
    EXPECT_EQ(NombreTras(cnn->recibido[0], "sp_getapplock @Resource = N'"), nombre);
    EXPECT_EQ(cnn->recibido[1],
              "EXEC sp_releaseapplock @Resource = N'" + nombre + "', @LockOwner = 'Session'");
  }
  {
    Preparar(kSqlServer, empresa);
    cnn->resultado = -1;
    BloqueoImportacion b;
    std::string ocupante;
    ASSERT_FALSE(b.Tomar("modo", "a.txt", ocupante));
    ASSERT_EQ(cnn->recibido.size(), 2u);
    const std::string& consulta = cnn->recibido[1];
    // Compared whole, as the server shows it between ":[" and "]:", in this database only;
    // every part of the text NULL-safe.
    EXPECT_NE(consulta.find("CHARINDEX(':[" + nombre + "]:', l.resource_description) > 0"),
              std::string::npos)
        << consulta;
    EXPECT_NE(consulta.find("l.resource_database_id = DB_ID()"), std::string::npos) << consulta;
    EXPECT_EQ(consulta.find("LIKE"), std::string::npos) << consulta;
    for (const char* parte : {"ISNULL(s.login_name, '?')", "ISNULL(s.host_name, '?')",
                              "ISNULL(s.program_name, '?')",
                              "ISNULL(CONVERT(varchar(19), s.login_time, 120), '?')"}) {
      EXPECT_NE(consulta.find(parte), std::string::npos) << parte;
    }
  }
  {
    Preparar(kOracle, empresa);
    BloqueoImportacion b;
    std::string ocupante;
    ASSERT_TRUE(b.Tomar("modo", "a.txt", ocupante));
    b.Liberar();
    ASSERT_EQ(cnn->recibido.size(), 2u);
    for (const std::string& t : cnn->recibido) {
      EXPECT_EQ(NombreTras(t, "DBMS_LOCK.ALLOCATE_UNIQUE('"), nombre) << t;
    }
  }
}

TEST_F(BloqueoServidorTest, SinRespuestaDelOcupanteQuedaElAvisoGeneral) {
  struct Caso {
    const char* nombre;
    std::optional<std::string> ocupante;
    bool falla;
    std::string esperado;
  };
  const Caso casos[] = {
      {"nombrado", "sa, equipo PC-2, programa importador, desde 2024-03-05 09:30:00", false,
       "sesión sa, equipo PC-2, programa importador, desde 2024-03-05 09:30:00"},
      // A login that may not see other sessions gets no row.
      {"sin fila", std::nullopt, false, "otra sesión de la base"},
      {"consulta rechazada", std::nullopt, true, "otra sesión de la base"},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    Preparar(kSqlServer, "EMPRESA");
    cnn->resultado = -1;
    cnn->ocupante = c.ocupante;
    cnn->ocupanteFalla = c.falla;
    BloqueoImportacion b;
    std::string ocupante;
    EXPECT_FALSE(b.Tomar("modo", "a.txt", ocupante));
    EXPECT_EQ(ocupante, c.esperado);
  }
}

}  // namespace
