#include "session/ajustes.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <regex>

#include "data/db_dll.h"
#include "data/valores_sesion.h"
#include "platform/archivos.h"
#include "tests/support/empresa.h"
#include "utility/aleatorio.h"
#include "utility/utilidades.h"

namespace {

std::string LeerBytes(const std::string& ruta) {
  std::ifstream f(ruta, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

// One record as the lookup service reads it: fields at fixed offsets, padded with blanks.
std::string Registro(const std::string& titulo, const std::string& tabla,
                     const std::string& campos) {
  std::string r(1202, ' ');
  r.replace(0, titulo.size(), titulo);
  r.replace(100, tabla.size(), tabla);
  r.replace(200, campos.size(), campos);
  r[1200] = '\r';
  r[1201] = '\n';
  return r;
}

std::string MascarasEsperadas() {
  return Registro("ARTICULOS", "V_MA_ARTICULOS", "|DESCRIPCION|IDARTICULO|") +
         Registro("CLIENTES", "VT_CLIENTES", "|RAZON_SOCIAL|CODIGO|CONTACTO|") +
         Registro("PROVEEDORES", "VT_PROVEEDORES", "|RAZON_SOCIAL|CODIGO|") +
         Registro("CONTACTOS", "MA_CONTACTOS", "|Nombre_y_Apellido|Domicilio|Localidad|Telefono|") +
         Registro("VENDEDORES", "V_TA_VENDEDORES", "|NOMBRE|IDVENDEDOR|") +
         Registro("TECNICOS", "V_TA_TECNICOS", "|NOMBRE|IDTECNICO|") +
         Registro("MANTENIMIENTOS", "V_MA_MANTENIMIENTOS", "|DESCRIPCION|CODIGO|") +
         Registro("CUENTAS", "MA_CUENTAS", "|DESCRIPCION|CODIGO|") +
         Registro("TAREAS", "V_TA_Tareas", "|Descripcion|IdTarea|") +
         Registro("UnidadNegocio", "V_TA_UnidadNegocio", "|Descripcion|Codigo|") +
         Registro("DEPOSITO", "V_TA_DEPOSITO", "|Descripcion|IdDeposito|");
}

class Mascaras : public PruebaBase {};

TEST_F(Mascaras, ArchivoNuevoConLasOnceDefinicionesExactas) {
  CrearMascarasConsultas(Ruta("consultas.kvx"));
  EXPECT_EQ(LeerBytes(Ruta("consultas.kvx")), MascarasEsperadas());
}

TEST_F(Mascaras, SeAgreganTrasElUltimoRegistroCompleto) {
  const std::string previo = Registro("PROPIA", "T_PROPIA", "|A|");
  EscribirArchivo("consultas.kvx", previo + "resto incompleto");
  CrearMascarasConsultas(Ruta("consultas.kvx"));
  EXPECT_EQ(LeerBytes(Ruta("consultas.kvx")), previo + MascarasEsperadas());
}

TEST_F(Mascaras, CarpetaInexistenteEsUnError) {
  EXPECT_THROW(CrearMascarasConsultas(Ruta("no/hay/consultas.kvx")), plataforma::ErrorEjecucion);
}

TEST(Formatos, FechaYHoraActuales) {
  EXPECT_TRUE(std::regex_match(FmtFecha(), std::regex(R"(\d\d/\d\d/\d\d)"))) << FmtFecha();
  EXPECT_TRUE(std::regex_match(FmtHora(), std::regex(R"(\d\d:\d\d)"))) << FmtHora();
  EXPECT_TRUE(std::regex_match(FmtFechaHora(), std::regex(R"(\d\d/\d\d/\d\d \d\d:\d\d)")));
}

TEST(Aleatorio, ValoresEnElIntervaloYRepetiblesConLaMismaSemilla) {
  utilidad::Randomize(42);
  std::vector<double> primeros;
  for (int i = 0; i < 1000; ++i) {
    double r = utilidad::Rnd();
    ASSERT_GE(r, 0.0);
    ASSERT_LT(r, 1.0);
    primeros.push_back(r);
  }
  utilidad::Randomize(42);
  EXPECT_EQ(utilidad::Rnd(), primeros[0]);
  EXPECT_NE(primeros[0], primeros[1]);
}

class Configuracion : public PruebaEmpresa {
 protected:
  void Clave(const std::string& clave, const std::string& valor) {
    Ejecutar("INSERT INTO TA_CONFIGURACION (Grupo, Clave, Valor) VALUES ('G', '" + clave + "', '" +
             valor + "')");
  }
};

TEST_F(Configuracion, ValoresPorDefectoSinClaves) {
  Ejecutar("UPDATE TA_USUARIOS SET Unegocio = NULL");
  gUnidadNegocio = "";
  CargarConfiguracion();
  EXPECT_EQ(gTablaConfiguracion, "ta_configuracion");
  EXPECT_EQ(gCantidadDecimales, " ");
  EXPECT_FALSE(gConfidencialidad);
  EXPECT_FALSE(gUtilizarFechaDia);
  EXPECT_EQ(gUnidadNegocio, "   1");
}

TEST_F(Configuracion, ValoresDeLaBase) {
  Clave("CantidadDecimales", "2");
  Clave("SS_CONFIDENCIALIDAD", "SI");
  Clave("UTILIZARFECHADIA", "si");
  Ejecutar("UPDATE TA_USUARIOS SET Unegocio = '0002' WHERE Nombre = 'OPERADOR'");
  CargarConfiguracion();
  EXPECT_EQ(gCantidadDecimales, "2");
  EXPECT_TRUE(gConfidencialidad);
  EXPECT_TRUE(gUtilizarFechaDia);
  EXPECT_EQ(gUnidadNegocio, "0002");
}

TEST_F(Configuracion, BlancoInicialNoEsSi) {
  Clave("UTILIZARFECHADIA", " SI");
  CargarConfiguracion();
  EXPECT_FALSE(gUtilizarFechaDia);
}

TEST_F(Configuracion, NombreConComillaEncuentraSuFila) {
  Ejecutar("INSERT INTO TA_USUARIOS (Nombre, Unegocio) VALUES ('O''Neil', '0007')");
  gUsuarioLogeado = "O'Neil";
  CargarConfiguracion();
  EXPECT_EQ(gUnidadNegocio, "0007");
}

TEST_F(Configuracion, OperadorSinFilaTieneLaUnidadUno) {
  gUsuarioLogeado = "OTRO";
  gUnidadNegocio = "";
  CargarConfiguracion();
  EXPECT_EQ(gUnidadNegocio, "   1");
}

class Acceso : public PruebaEmpresa {
 protected:
  std::vector<std::string> Fila() {
    auto filas = Consultar(
        "SELECT Maquina, Usuario, Formulario, Tarea, Ingreso, NombreUsuario FROM Control_Acceso");
    EXPECT_EQ(filas.size(), 1u);
    return filas.empty() ? std::vector<std::string>(6) : filas[0];
  }
  void Tarea(const std::string& usuario, const std::string& proceso, const std::string& nombre) {
    Ejecutar("INSERT INTO TA_MENU (Clave, Nombre, Proceso) VALUES ('M1', '" + nombre + "', '" +
             proceso + "')");
    Ejecutar("INSERT INTO TA_TAREAS (USUARIO, TAREA) VALUES ('" + usuario + "', 'M1')");
  }
  const std::string programa_ = utilidad::Mayusculas(plataforma::NombreEjecutable());
};

TEST_F(Acceso, FilaConSusSeisColumnas) {
  DB().gUsuario = "operador";
  RegistrarAcceso("");
  auto fila = Fila();
  EXPECT_EQ(fila[0], utilidad::Mayusculas(utilidad::Trim(utilidad::NombreMaquina())));
  EXPECT_EQ(fila[1], "OPERADOR");
  EXPECT_EQ(fila[2], programa_);
  EXPECT_EQ(fila[3], "");  // no menu task, not the database's own user
  // The embedded engine receives day/month/year literals as ISO dates.
  EXPECT_TRUE(std::regex_match(fila[4], std::regex(R"(\d\d/\d\d/\d\d \d\d:\d\d)")) ||
              std::regex_match(fila[4], std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:00)")))
      << fila[4];
  EXPECT_EQ(fila[5], "operador");
  EXPECT_EQ(gUsuarioLogeado, "operador");
}

TEST_F(Acceso, TareaDelMenu) {
  Tarea("OPERADOR", "C:\\PROGRAMAS\\" + programa_ + ".EXE", "Importar saldos");
  RegistrarAcceso("");
  EXPECT_EQ(Fila()[3], "IMPORTAR SALDOS");
}

TEST_F(Acceso, UsuarioDeLaBaseTieneElProgramaComoTarea) {
  DB().gUsuario = base_;
  RegistrarAcceso("FrmQUILMA");
  EXPECT_EQ(Fila()[2], "FRMQUILMA");
  EXPECT_EQ(Fila()[3], "FRMQUILMA");
}

TEST_F(Acceso, ComillasDelUsuarioSePierden) {
  DB().gUsuario = "O'Neil";
  Tarea("O''Neil", plataforma::NombreEjecutable(), "Tarea de Neil");
  RegistrarAcceso("");
  auto fila = Fila();
  EXPECT_EQ(fila[1], "ONEIL");
  EXPECT_EQ(fila[3], "TAREA DE NEIL");  // the lookup keeps the quote of the name
  EXPECT_EQ(fila[5], "ONeil");
  EXPECT_EQ(gUsuarioLogeado, "ONeil");
}

TEST_F(Acceso, InsercionRechazadaQuedaEnAuxErr) {
  Ejecutar("DROP TABLE Control_Acceso");
  dialogos.Responder(plataforma::vbOK);
  RegistrarAcceso("");

  auto avisos = dialogos.Textos("Aviso al Operador!");
  ASSERT_EQ(avisos.size(), 1u);
  EXPECT_NE(avisos[0].find("Control_Acceso"), std::string::npos) << avisos[0];
  auto filas =
      Consultar("SELECT Proceso, fecha, Error, Descripcion, SQL, Pc, Usuario FROM AUX_ERR");
  ASSERT_EQ(filas.size(), 1u);
  EXPECT_EQ(filas[0][0], plataforma::NombreEjecutable());
  EXPECT_TRUE(std::regex_match(filas[0][1], std::regex(R"(\d\d/\d\d/\d\d \d\d:\d\d)")));
  EXPECT_NE(filas[0][2], "0");
  EXPECT_EQ(filas[0][3], avisos[0]);
  EXPECT_EQ(filas[0][4].rfind("BEGIN TRANSACTION \r\r", 0), 0u) << filas[0][4];
  EXPECT_NE(filas[0][4].find("INSERT INTO Control_Acceso (Maquina,Usuario,Formulario,Tarea,"
                             "Ingreso,NombreUsuario) VALUES ('"),
            std::string::npos);
  EXPECT_EQ(filas[0][5], utilidad::NombreMaquina());
  EXPECT_EQ(filas[0][6], "OPERADOR");
}

TEST_F(Acceso, LoteRechazadoSeDeshace) {
  ListaSentencias sentencias = {"", "INSERT INTO TA_MENU (Clave, Nombre) VALUES ('A', 'a')", "",
                                "INSERT INTO TA_MENU (Clave, Nombre) VALUES ('A', 'b')", ""};
  bool hayError = false;
  std::string mensaje;
  GActualizarDatoScript(sentencias, hayError, 0, false, false, "", mensaje, false);
  EXPECT_TRUE(hayError);
  EXPECT_NE(mensaje.find(" : "), std::string::npos) << mensaje;
  EXPECT_EQ(mensaje.substr(mensaje.size() - 2), "\r\n");
  EXPECT_EQ(ContarFilas("TA_MENU"), 0);
  EXPECT_EQ(ContarFilas("AUX_ERR"), 1);
  EXPECT_TRUE(dialogos.Transcripcion().empty());  // no message when not asked for
}

TEST_F(Acceso, LaClaveDeUnLoteRechazadoNoSeRegistra) {
  ListaSentencias sentencias = {"", "CREATE LOGIN KV WITH PASSWORD = 'secreta1'", ""};
  bool hayError = false;
  std::string mensaje;
  dialogos.Responder(plataforma::vbOK);
  GActualizarDatoScript(sentencias, hayError, 0, false, false, "", mensaje, true);
  EXPECT_TRUE(hayError);
  std::string sql = Valor("SELECT SQL FROM AUX_ERR");
  EXPECT_NE(sql.find("CREATE LOGIN"), std::string::npos) << sql;
  EXPECT_EQ(sql.find("secreta1"), std::string::npos) << sql;
  for (const auto& d : dialogos.Transcripcion()) {
    EXPECT_EQ(d.texto.find("secreta1"), std::string::npos) << d.texto;
  }
}

TEST_F(Acceso, DescripcionLargaSeCortaA250) {
  std::string sql = "SELECT 1", proceso;
  int32_t numero = 547;
  GrabaAuxErr(sql, proceso, numero, std::string(300, 'x'));
  EXPECT_EQ(proceso, plataforma::NombreEjecutable());
  EXPECT_EQ(Valor("SELECT length(Descripcion) FROM AUX_ERR"), "250");
  EXPECT_EQ(Valor("SELECT Error FROM AUX_ERR"), "547");
}

}  // namespace
