// Table lookups (ExisteEnTabla, DatosTabla) and SQL literals, on an embedded company.
#include <gtest/gtest.h>

#include <fstream>

#include "data/db_dll.h"
#include "data/traza.h"
#include "tests/support/empresa.h"

namespace {

class PruebaConsultas : public PruebaEmpresa {
 protected:
  void SetUp() override {
    PruebaEmpresa::SetUp();
    Ejecutar(
        "INSERT INTO MA_CUENTAS (CODIGO, Descripcion, TITULO) VALUES "
        "('112010001  ', 'PEREZ JUAN', 0), ('21105', 'EMPLEADOS', 1), "
        "('112010002', 'O''Brien', 0)");
    AgregarEjercicio(2020);
    Ejecutar("INSERT INTO MA_CALENDARIO (FECHA) VALUES ('2020-01-15 00:00:00')");
  }
};

TEST_F(PruebaConsultas, ExisteEnTablaPorTipo) {
  struct Caso {
    const char* tabla;
    const char* valor;
    const char* campo;
    int tipo;
    const char* condicion;
    bool existe;
  } casos[] = {
      {"MA_CUENTAS", "  112010001 ", "Codigo", 8, "", true},  // trimmed both sides
      {"MA_CUENTAS", "112010009", "Codigo", 8, "", false},
      {"MA_CUENTAS", "perez juan", "Descripcion", 8, "", true},
      {"MA_CUENTAS", "O'Brien", "Descripcion", 8, "", true},  // the quote stays inside
      {"MV_EJERCICIOS", "2020abc", "Periodo", 3, "", true},   // leading numeric part
      {"MV_EJERCICIOS", "2021", "Periodo", 3, "", false},
      {"MA_CALENDARIO", "'15/01/2020'", "FECHA", 7, "", true},
      {"MA_CUENTAS", "1", "TITULO", 2, "", true},  // raw
      {"MA_CUENTAS", "", "CODIGO", 8, "CODIGO='21105' AND (TITULO=1)", true},
      {"MA_CUENTAS", "", "CODIGO", 8, "CODIGO='21105' AND (TITULO=0 OR TITULO IS NULL)", false},
      {"MA_CUENTAS", "", "CODIGO", 8, " WHERE CODIGO='21105' ", true},
  };
  for (const auto& c : casos) {
    EXPECT_EQ(DB().ExisteEnTabla(c.tabla, c.valor, c.campo, nullptr, c.tipo, c.condicion, true),
              c.existe ? Busqueda::Encontrada : Busqueda::NoEncontrada)
        << c.tabla << " " << c.campo << " " << c.valor << c.condicion;
  }
}

TEST_F(PruebaConsultas, ExisteEnTablaDejaLaFilaEnElRecordsetDelLlamador) {
  ado::Recordset rs;
  ASSERT_EQ(DB().ExisteEnTabla("MA_CUENTAS", "21105", "Codigo", &rs, kTipoTexto, "", true),
            Busqueda::Encontrada);
  ASSERT_EQ(rs.State(), ado::adStateOpen);
  EXPECT_EQ(TextoDePrueba(rs.Fields("Descripcion").Value()), "EMPLEADOS");
}

// A lookup whose query fails is "unknown" whatever the operator answers, never "not found".
TEST_F(PruebaConsultas, UnaBusquedaFallidaNoEsUnaAusencia) {
  for (int respuesta : {plataforma::vbIgnore, plataforma::vbAbort}) {
    SCOPED_TRACE(respuesta);
    dialogos.Responder(respuesta);
    // Past an ignored failed query the closed recordset is reported too.
    if (respuesta == plataforma::vbIgnore) dialogos.Responder(respuesta);
    EXPECT_EQ(DB().ExisteEnTabla("NO_EXISTE", "1", "Codigo", nullptr, kTipoTexto, "", true),
              Busqueda::Fallida);
  }
}

TEST_F(PruebaConsultas, DatosTablaPorTipoYCondicion) {
  struct Caso {
    const char* valor;
    const char* devuelto;
    const char* campo;
    int tipo;
    const char* condicion;
    bool usaTrim;
    const char* esperado;
  } casos[] = {
      {"112010001", "Descripcion", "CODIGO", 8, "", true, "PEREZ JUAN"},
      {"112010001", "Descripcion", "CODIGO", 8, "", false, "PEREZ JUAN"},  // blanks ignored
      {"O'Brien", "CODIGO", "Descripcion", 8, "", true, "112010002"},
      {"21105", "Descripcion", "CODIGO", 8, "TITULO = 1", true, "EMPLEADOS"},
      {"21105", "Descripcion", "CODIGO", 8, "TITULO = 0", true, ""},
      {"21105", "Descripcion", "CODIGO", 8, "   ", true, "EMPLEADOS"},
      {"1", "CODIGO", "TITULO", 3, "", true, "21105"},
  };
  for (const auto& c : casos) {
    EXPECT_EQ(DB().DatosTabla("MA_CUENTAS", c.valor, c.devuelto, c.campo, c.tipo, c.condicion,
                              c.usaTrim, false),
              c.esperado)
        << c.valor << " " << c.condicion;
  }
}

TEST_F(PruebaConsultas, LasConsultasSeComponenComoElSistemaLasEnvia) {
  std::string traza = Ruta("traza.jsonl");
  EstablecerTraza(traza);
  DB().ExisteEnTabla("MA_CUENTAS", " 1 ", "Codigo", nullptr, 8, "", true);
  DB().DatosTabla("MA_CUENTAS", "O'B ", "Descripcion", "CODIGO", 8, "TITULO = 0", false, false);
  dialogos.Responder(plataforma::vbAbort);  // "#15/01/2020#" is not a date literal here
  DB().DatosTabla("MA_CUENTAS", "15/01/2020", "Descripcion", "FECHA", 7, "", true, true);
  EstablecerTraza("");
  std::ifstream f(traza);
  std::string linea;
  std::vector<std::string> sql;
  while (std::getline(f, linea)) sql.push_back(linea);
  ASSERT_EQ(sql.size(), 3u);
  // "sql" is the text as composed; the synonym pass shows only in what was sent.
  EXPECT_NE(sql[0].find(R"("sql":"SELECT TOP 1  * FROM MA_CUENTAS with(nolock)  WHERE )"
                        R"(LTRIM(RTRIM(Codigo)) ='1'")"),
            std::string::npos)
      << sql[0];
  EXPECT_NE(
      sql[0].find(
          R"("sent":["SELECT * FROM SS_MA_CUENTAS WHERE (CASE WHEN length(CAST(LTRIM(RTRIM(Codigo)) )"),
      std::string::npos)
      << sql[0];
  EXPECT_NE(sql[1].find(R"(WHERE CODIGO ='O''B '  AND TITULO = 0")"), std::string::npos) << sql[1];
  EXPECT_NE(sql[2].find(R"(WHERE FECHA = #15/01/2020# ")"), std::string::npos) << sql[2];
}

TEST_F(PruebaConsultas, DatosTablaConLaSesionCerradaNoConsulta) {
  DB().gOpenFlag = false;
  EXPECT_EQ(DB().DatosTabla("MA_CUENTAS", "21105", "Descripcion", "CODIGO", 8, "", true, false),
            "");
}

TEST_F(PruebaConsultas, UnaConsultaRechazadaMuestraAvisoAlOperador) {
  dialogos.Responder(plataforma::vbAbort);  // the open's own dialog
  dialogos.Responder(plataforma::vbAbort);  // the lookup's dialog on the closed recordset
  EXPECT_EQ(DB().DatosTabla("NO_EXISTE", "1", "A", "B", 8, "", true, false), "");
  EXPECT_EQ(dialogos.Textos("Aviso al Operador").size(), 1u);
  dialogos.Responder(plataforma::vbAbort);  // IgnoraError silences only the lookup's dialog
  EXPECT_EQ(DB().DatosTabla("NO_EXISTE", "1", "A", "B", 8, "", true, true), "");
  EXPECT_EQ(dialogos.Textos("Aviso al Operador").size(), 1u);
}

TEST(SQLValue, LiteralesPorMarca) {
  DB_Dll db;
  struct Caso {
    plataforma::Valor valor;
    const char* marca;
    const char* esperado;
  } casos[] = {
      {std::string("1234,5"), "@", "1234.5"},
      {plataforma::Nulo{}, "@", "0"},
      {std::string("O'Brien"), "'", "'O'Brien'"},
      {plataforma::Nulo{}, "'", "NULL"},
      {std::string("x"), "", "x"},
      {plataforma::Nulo{}, "", "NULL"},
      {int64_t{7}, "@", "7"},
  };
  for (const auto& c : casos) EXPECT_EQ(db.SQLValue(c.valor, c.marca), c.esperado) << c.marca;
}

}  // namespace
