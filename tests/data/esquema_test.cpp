// The company schema on the embedded engine and the creation of company files.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "data/db_dll.h"
#include "data/dialecto_sqlite.h"
#include "data/empresa.h"
#include "data/literales.h"
#include "platform/ado.h"
#include "platform/sqlite_funciones.h"
#include "tests/support/empresa.h"

namespace {

class PruebaEsquema : public PruebaEmpresa {};

TEST_F(PruebaEsquema, TodasLasTablasYVistasDelSistemaExisten) {
  for (const char* tabla : {"MV_ASIENTOS",         "MA_CALENDARIO",
                            "MA_CUENTAS",          "MA_CUENTASADIC",
                            "MV_EJERCICIOS",       "MV_ASIENTOSCCOSTO",
                            "V_MV_CPTE",           "V_TA_TAREAS",
                            "V_MV_CPTETAREAS",     "VT_CLIENTES",
                            "TA_CONFIGURACION",    "ta_usuarios",
                            "TA_TAREAS",           "TA_MENU",
                            "Control_Acceso",      "AUX_ERR",
                            "MA_CUENTAS_USUARIOS", "SS_MA_CUENTAS",
                            "SS_MV_ASIENTOS",      "SS_V_TA_DEPOSITO",
                            "SS_V_TA_FAMILIAS",    "SS_V_TA_CAJAS",
                            "SS_AC_CUENTASDIARIO", "SS_AC_CUENTAS_DIARIO_CCOSTO"}) {
    EXPECT_TRUE(DB().ExisteTablaDB(tabla)) << tabla;
  }
  EXPECT_EQ(Valor("PRAGMA journal_mode"), "wal");
}

// The journal line as the journal writer sends it, with day/month/year dates.
TEST_F(PruebaEsquema, UnaLineaDelDiarioSeGuardaYSeLeeComoEnElServidor) {
  std::string lote =
      "BEGIN TRANSACTION \r\rINSERT INTO MV_ASIENTOS (Fecha,FechaSubDiario,Mes_Operativo,"
      "[NUMERO ASIENTO],Cuenta,Secuencia,CabImporte,[Debe-Haber],Importe,Periodo,TC,Sucursal,"
      "Numero,Letra,Tipo_Reg,tj_observaciones,Detalle,Moneda,cotizacion,USUARIO_LOGEADO,"
      "IdCajas,Unegocio,FechaHora_Grabacion) VALUES ('15/01/2020','15/01/2020','1',1,"
      "'112010001','1',1500,'D',1500,'2020','FC','0001','00000001','A','    ','Importado',"
      "'Saldos Iniciales','   1',1,'OPERADOR','0001','   1','15/01/2020 10:30:00')\r"
      "COMMIT TRANSACTION";
  DB().EjecutaConsultaSQL(lote);
  ASSERT_EQ(DB().Cnn().Errors().Count(), 0u);
  EXPECT_EQ(Consultar("SELECT Fecha, FechaHora_Grabacion, MES_OPERATIVO, PERIODO, Importe "
                      "FROM MV_ASIENTOS"),
            (std::vector<std::vector<std::string>>{
                {"2020-01-15 00:00:00", "2020-01-15 10:30:00", "1", "2020", "1500"}}));
  // The importer's comparisons as on the server: letter case and trailing blanks do not count.
  EXPECT_EQ(Valor(ConvierteSQLite("SELECT COUNT(*) FROM MV_ASIENTOS WHERE TIPO_REG = '' AND "
                                  "tc = 'fc' AND Cuenta = '112010001 '",
                                  LeerColumnasDeFecha(Conexion()))[0]),
            "1");
}

TEST_F(PruebaEsquema, UnTextoMasLargoQueSuColumnaSeRechaza) {
  struct Caso {
    const char* tabla;
    const char* columna;
    int ancho;
  } casos[] = {{"MV_ASIENTOS", "Detalle", 60},
               {"MV_ASIENTOS", "TC", 4},
               {"MV_ASIENTOS", "NUMERO", 8},
               {"Control_Acceso", "Ingreso", 20},
               {"AUX_ERR", "Descripcion", 250}};
  for (const auto& c : casos) {
    std::string sql = std::string("INSERT INTO ") + c.tabla + " (" + c.columna + ") VALUES ('" +
                      std::string(c.ancho + 1, 'n') + "')";
    DB().EjecutaConsultaSQL(sql);
    ASSERT_GE(DB().Cnn().Errors().Count(), 1u) << c.tabla << "." << c.columna;
    EXPECT_EQ(DB().Cnn().Errors().Item(0).NativeError, 8152) << c.tabla << "." << c.columna;
    std::string justo = std::string("INSERT INTO ") + c.tabla + " (" + c.columna + ") VALUES ('" +
                        std::string(c.ancho, 'n') + "')";
    DB().EjecutaConsultaSQL(justo);
    EXPECT_EQ(DB().Cnn().Errors().Count(), 0u) << c.tabla << "." << c.columna;
  }
}

// One entry number of a month, period and register type per line of the entry: a second
// program's entry with the same number cannot be committed.
TEST_F(PruebaEsquema, UnNumeroDeAsientoNoSeRepite) {
  auto linea = [](int secuencia, const char* tipo) {
    return "INSERT INTO MV_ASIENTOS (PERIODO, MES_OPERATIVO, TIPO_REG, [NUMERO ASIENTO], "
           "Secuencia) VALUES (2020, 1, '" +
           std::string(tipo) + "', 7, " + std::to_string(secuencia) + ")";
  };
  for (const std::string& sql : {linea(1, "    "), linea(2, "    "), linea(1, "VT  ")}) {
    std::string texto = sql;
    DB().EjecutaConsultaSQL(texto);
    EXPECT_EQ(DB().Cnn().Errors().Count(), 0u) << sql;
  }
  std::string repetida = linea(2, "    ");
  DB().EjecutaConsultaSQL(repetida);
  ASSERT_GE(DB().Cnn().Errors().Count(), 1u);
  EXPECT_EQ(DB().Cnn().Errors().Item(0).NativeError, 2627);
  EXPECT_NE(DB().Cnn().Errors().Item(0).Description.find("NUMERO ASIENTO"), std::string::npos)
      << DB().Cnn().Errors().Item(0).Description;
}

// The lookups as the import writes them, converted as they are sent.
TEST_F(PruebaEsquema, LasBusquedasDelSistemaUsanIndices) {
  const char* consultas[] = {
      "SELECT TOP 1 * FROM MA_CUENTAS WHERE LTRIM(RTRIM(Codigo)) ='1'",
      "SELECT * FROM MA_CUENTAS WHERE CODIGO = '1'",
      "SELECT * FROM MA_CUENTAS WHERE LTRIM(RTRIM(Descripcion)) = 'Caja'",
      "SELECT * FROM MV_ASIENTOS WHERE TC = 'FC' AND SUCURSAL = '0001' AND NUMERO = '00000001' "
      "AND LETRA = 'A'",
      "SELECT MAX([NUMERO ASIENTO]) FROM MV_ASIENTOS WHERE MES_OPERATIVO = 3 AND (TIPO_REG = "
      "'x' OR TIPO_REG = '') AND PERIODO = 2004",
      "SELECT MAX(NUMERO) FROM MV_ASIENTOS WHERE TC='CC' AND SUCURSAL='0001' AND LETRA='X'",
      "SELECT * FROM MV_ASIENTOS WHERE LTRIM(RTRIM(NROCOMPROBANTEBANCARIO)) ='1'",
      "SELECT * FROM MA_CUENTASADIC WHERE LTRIM(RTRIM(CODIGO)) ='1'",
      "SELECT * FROM MA_CUENTASADIC WHERE codigo = '1'",
      "SELECT * FROM VT_CLIENTES WHERE LTRIM(RTRIM(Codigo)) ='1'",
      "SELECT * FROM V_MV_CPTE WHERE TC = 'RE' AND IdComprobante = 'X00010000001'",
      "SELECT * FROM V_MV_CPTETAREAS WHERE TC = 'RE' AND IdComprobante = 'X' AND idTarea = 'T'",
      "SELECT * FROM V_TA_TAREAS WHERE LTRIM(RTRIM(DESCRIPCION)) = 'Armado'",
      "SELECT * FROM V_TA_TAREAS WHERE LTRIM(RTRIM(idtarea)) = 'T1'",
      "SELECT VALOR FROM TA_CONFIGURACION WHERE CLAVE = 'CUENTA'",
      "SELECT * FROM TA_USUARIOS WHERE LTRIM(RTRIM(Nombre)) = 'OPERADOR'",
      "SELECT * FROM MV_ASIENTOSCCOSTO WHERE MES_OPERATIVO = 3 AND TIPO_REG = 'x' AND "
      "PERIODO = 2004",
  };
  for (const char* consulta : consultas) {
    const std::string enviada = ConvierteSQLite(consulta, LeerColumnasDeFecha(Conexion())).at(0);
    auto plan = Consultar("EXPLAIN QUERY PLAN " + enviada);
    ASSERT_FALSE(plan.empty()) << enviada;
    EXPECT_NE(plan[0].back().find("USING"), std::string::npos)
        << consulta << "\n  " << plan[0].back();
  }
}

// Found as the server finds it: letter case, Latin-1 accents and trailing blanks ignored, the
// accents of a stored name as well as those of the text looked for.
TEST_F(PruebaEsquema, LasBusquedasIgnoranMayusculasAcentosYBlancosFinales) {
  Ejecutar(
      "INSERT INTO MA_CUENTAS (CODIGO, Descripcion) VALUES ('1', 'JOSÉ PÉREZ'), "
      "('2', 'Muñoz  '), ('3', 'Cañada'), ('4', 'Jose Perez x'), ('5', 'ÆSIR')");
  struct Caso {
    const char* buscado;
    const char* codigos;
  } casos[] = {
      {"jose perez", "1"}, {"José Pérez  ", "1"}, {"MUNOZ", "2"}, {"muñoz", "2"}, {"CANADA", "3"},
      {"cañada ", "3"},    {"JOSE", ""},          {"æsir", "5"},  {"aesir", ""},
  };
  for (const auto& c : casos) {
    std::string codigos;
    for (const auto& fila :
         Consultar(ConvierteSQLite("SELECT CODIGO FROM MA_CUENTAS WHERE LTRIM(RTRIM(Descripcion))"
                                   " = " +
                                   literales::ComoLiteral(c.buscado) + " ORDER BY CODIGO",
                                   LeerColumnasDeFecha(Conexion()))
                       .at(0))) {
      codigos += fila[0];
    }
    EXPECT_EQ(codigos, c.codigos) << c.buscado;
  }
}

// Every lookup finds exactly the names that fold to the text looked for, whichever key the
// index keeps for them: codes, names with and without accents, blanks, tabs, other letters.
TEST_F(PruebaEsquema, UnaBusquedaHallaJustoLoQuePliegaIgual) {
  const std::vector<std::string> nombres = {"0001", "0001 ", "RM", "rm",  "Rñ", "RN",
                                            "ÇA",   "ca",    "æ",  "Æ",   "ÿ",  "Y",
                                            "a\tb", "A\tB",  "",   "   ", "~2"};
  std::string valores;
  for (size_t i = 0; i < nombres.size(); ++i) {
    valores += std::string(i ? ", " : "") + "('" + std::to_string(i) + "', " +
               literales::ComoLiteral(nombres[i]) + ")";
  }
  Ejecutar("INSERT INTO MA_CUENTAS (CODIGO, Descripcion) VALUES " + valores);
  for (const std::string& buscado : nombres) {
    std::string esperados, hallados;
    for (size_t i = 0; i < nombres.size(); ++i) {
      if (plataforma::PlegarTexto(nombres[i]) == plataforma::PlegarTexto(buscado)) {
        esperados += std::to_string(i) + " ";
      }
    }
    for (const auto& fila : Consultar(ConvierteSQLite("SELECT CODIGO FROM MA_CUENTAS WHERE "
                                                      "Descripcion = " +
                                                      literales::ComoLiteral(buscado) +
                                                      " ORDER BY CAST(CODIGO AS INTEGER)",
                                                      LeerColumnasDeFecha(Conexion()))
                                          .at(0))) {
      hallados += fila[0] + " ";
    }
    EXPECT_EQ(hallados, esperados) << "[" << buscado << "]";
  }
}

class PruebaCrearEmpresa : public PruebaBase {};

TEST_F(PruebaCrearEmpresa, CreaUnaVezYRechazaLoQueNoPuede) {
  std::string archivo = CrearEmpresa(carpeta_, "NUEVA");
  EXPECT_EQ(archivo, carpeta_ + "NUEVA.db");
  EXPECT_TRUE(std::filesystem::exists(archivo));
  try {
    CrearEmpresa(carpeta_, "NUEVA");
    ADD_FAILURE() << "an existing company was created again";
  } catch (const plataforma::ErrorEjecucion& e) {
    EXPECT_EQ(e.Description, "El archivo " + archivo + " ya existe");
  }
  try {
    CrearEmpresa(carpeta_ + "falta", "X");
    ADD_FAILURE() << "a company was created in a missing folder";
  } catch (const plataforma::ErrorEjecucion& e) {
    EXPECT_EQ(e.Description, "La carpeta " + carpeta_ + "falta no existe");
  }
}

// Root writes into any ordinary folder, so as root the refusing folder is /proc.
TEST_F(PruebaCrearEmpresa, CarpetaSinPermisoDeEscritura) {
  std::string carpeta = "/proc";
  if (::geteuid() != 0) {
    carpeta = carpeta_ + "solo_lectura";
    std::filesystem::create_directory(carpeta);
    ::chmod(carpeta.c_str(), 0555);
  }
  try {
    CrearEmpresa(carpeta, "X");
    ADD_FAILURE() << "a company was created in " << carpeta;
  } catch (const plataforma::ErrorEjecucion& e) {
    EXPECT_NE(e.Description.find(carpeta), std::string::npos) << e.Description;
  }
  if (carpeta != "/proc") ::chmod(carpeta.c_str(), 0755);
  EXPECT_FALSE(std::filesystem::exists(carpeta + "/X.db"));
}

TEST(EjecutarScriptSQLite, NombraLaSentenciaRechazada) {
  auto base =
      std::filesystem::temp_directory_path() / ("script_" + std::to_string(::getpid()) + ".db");
  std::filesystem::remove(base);
  auto cnn = CrearBaseSQLite(base.string());
  try {
    EjecutarScriptSQLite(*cnn,
                         "-- comment\nCREATE TABLE T (A INT);\nINSERT INTO U\n"
                         "VALUES (1);\n");
    ADD_FAILURE() << "the script ran";
  } catch (const plataforma::ErrorEjecucion& e) {
    EXPECT_NE(e.Description.find("en la sentencia: INSERT INTO U\nVALUES (1)"), std::string::npos)
        << e.Description;
  }
  cnn->Close();
  std::filesystem::remove(base);
}

}  // namespace
