#include "session/inicio.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "data/conexiones.h"
#include "data/db_dll.h"
#include "data/empresa.h"
#include "data/valores_sesion.h"
#include "tests/support/empresa.h"

namespace {

struct CasoParametros {
  const char* nombre;
  const char* cadena;
  ParametrosInicio esperado;  // parametroAdicional, servidor, base, usuario, password, caja
};

const CasoParametros kCasos[] = {
    {"Vacia", "", {"", "", "", "", "", "1"}},
    {"Completa",
     "@server=SRV01; @dbname= EMPRESA; @usuario= OPERADOR; @Password= X;",
     {"", "SRV01", "EMPRESA", "OPERADOR", "X", "1"}},
    {"MayusculasYOtroOrden",
     "@DBNAME=EMPRESA;@SERVER=SRV01;",
     {"", "SRV01", "EMPRESA", "", "", "1"}},
    {"IgualRepetido", "@server==SRV01;", {"", "SRV01", "", "", "", "1"}},
    {"ClaveConIgual", "@Password= a=b ;", {"", "", "", "", "ab", "1"}},
    {"UltimoSinPuntoYComa", "@dbname=EMPRESA; @server=SRV01", {"", "", "EMPRESA", "", "", "1"}},
    {"AdicionalAlFinal",
     "@Caja=3;@ParametroAdicional=Automatica",
     {"Automatica", "", "", "", "", "3"}},
    {"AdicionalCortadoA19",
     "@ParametroAdicional=AutomaticaYMuchoMas",
     {"AutomaticaYMuchoMa", "", "", "", "", "1"}},
    {"AdicionalConPuntoYComa",
     "@ParametroAdicional= Manual ;@usuario=U;",
     {"Manual", "", "", "U", "", "1"}},
    {"UsuarioLogeadoAntes",
     "@UsuarioLogeado = X;@usuario= Y;",
     {"", "", "", "Logeado  X", "", "1"}},
    {"Oracle", "@server=#ORCL;@dbname=SERVICIO;", {"", "#ORCL", "SERVICIO", "", "", "1"}},
    {"ServidorConPuerto", "@server=PC12/SRV01:1500;", {"", "PC12/SRV01:1500", "", "", "", "1"}},
    {"CajaVacia", "@Caja=;@usuario=U;", {"", "", "", "U", "", ""}},
    {"CajaUltimaSinPuntoYComa", "@usuario=U;@Caja=5", {"", "", "", "U", "", ""}},
    {"Embebido", "@server= sqlite:/x/y ;@dbname=EMP;", {"", "sqlite:/x/y", "EMP", "", "", "1"}},
};

TEST(ExtraerParametros, TablaDeCadenas) {
  for (const CasoParametros& c : kCasos) {
    SCOPED_TRACE(c.nombre);
    ParametrosInicio p = ExtraerParametros(c.cadena);
    EXPECT_EQ(p.parametroAdicional, c.esperado.parametroAdicional);
    EXPECT_EQ(p.servidor, c.esperado.servidor);
    EXPECT_EQ(p.base, c.esperado.base);
    EXPECT_EQ(p.usuario, c.esperado.usuario);
    EXPECT_EQ(p.password, c.esperado.password);
    EXPECT_EQ(p.caja, c.esperado.caja);
  }
}

TEST(ExtraerServidor, QuitaPrefijoYPuerto) {
  const std::pair<const char*, const char*> casos[] = {
      {"SRV01", "SRV01"}, {"SRV01:1500", "SRV01"}, {"PC12/SRV01:1500", "SRV01"},
      {"PC12/", ""},      {" SRV01 ", " SRV01 "},  {"A/B/C:1:2", "B/C"},
  };
  for (const auto& [servidor, esperado] : casos) {
    EXPECT_EQ(ExtraerServidor(servidor), esperado) << servidor;
  }
}

TEST(AplicarMarcaOracle, ComponeLaCadenaSoloCuandoEstaVacia) {
  ParametrosInicio p = ExtraerParametros("@server=#ORCL;@dbname=SRV;@usuario=U;@Password=C;");
  std::string cadena;
  AplicarMarcaOracle(p, cadena);
  EXPECT_EQ(p.servidor, "ORCL");
  EXPECT_EQ(cadena, "Provider=OraOLEDB.Oracle.1;Data Source=SRV;User Id=U;Password=C;");

  ParametrosInicio q = ExtraerParametros("@server=#ORCL;");
  std::string propia = "Provider=Propio;";
  AplicarMarcaOracle(q, propia);
  EXPECT_EQ(q.servidor, "ORCL");
  EXPECT_EQ(propia, "Provider=Propio;");

  ParametrosInicio r = ExtraerParametros("@server=sqlite:/x/#y;");
  std::string nada;
  AplicarMarcaOracle(r, nada);
  EXPECT_EQ(r.servidor, "sqlite:/x/#y");
  EXPECT_EQ(nada, "");
}

// The connection dialog as a test answers it: cancels, and counts how often it was shown.
class DialogoQueCancela : public DialogoConexion {
 public:
  bool Mostrar(DatosConexion& datos) override {
    ++veces;
    visto = datos;
    return false;
  }
  int veces = 0;
  DatosConexion visto;
};

class IniciarSesionEmpresa : public PruebaEmpresa {
 protected:
  void SetUp() override {
    PruebaEmpresa::SetUp();
    ReiniciarDB();  // start-up opens its own session
    DB().EstablecerDialogoConexion(&dialogo);
  }

  bool Iniciar(const std::string& parametros) {
    std::string cadena;
    return IniciarSesion(false, parametros, cadena, ado::adUseClient);
  }

  std::string Parametros(const std::string& base, const std::string& usuario = "OPERADOR") {
    return "@server=" + servidor_ + ";@dbname=" + base + ";@usuario=" + usuario +
           ";@Password=x;@Caja=7;";
  }

  int64_t Tamanio(const std::string& nombre) {
    return static_cast<int64_t>(std::filesystem::file_size(Ruta(nombre)));
  }

  DialogoQueCancela dialogo;
};

TEST_F(IniciarSesionEmpresa, ConBasePreparaLaSesion) {
  ASSERT_TRUE(Iniciar(Parametros(base_)));
  EXPECT_EQ(dialogo.veces, 0);
  DB_Dll& db = DB();
  EXPECT_TRUE(db.gOpenFlag);
  EXPECT_EQ(db.gServidor, servidor_);  // the embedded folder is not cut at "/"
  EXPECT_EQ(gUsuarioLogeado, "OPERADOR");
  EXPECT_EQ(gCaja, "7");
  EXPECT_EQ(db.Cnn().CommandTimeout(), gTimeOut);
  EXPECT_EQ(db.Cnn().IsolationLevel(), ado::adXactReadUncommitted);
  EXPECT_EQ(gTablaConfiguracion, "ta_configuracion");
  EXPECT_EQ(Tamanio("consultas.kvx"), 11 * 1202);
  EXPECT_EQ(ContarFilas("Control_Acceso", "Usuario = 'OPERADOR'"), 1);
}

TEST_F(IniciarSesionEmpresa, ConsultasExistenteNoSeReescribe) {
  EscribirArchivo("consultas.kvx", "");
  ASSERT_TRUE(Iniciar(Parametros(base_)));
  EXPECT_EQ(Tamanio("consultas.kvx"), 0);

  ReiniciarDB();
  std::filesystem::remove(Ruta("consultas.kvx"));
  ASSERT_TRUE(Iniciar(Parametros(base_)));
  ReiniciarDB();
  ASSERT_TRUE(Iniciar(Parametros(base_)));
  EXPECT_EQ(Tamanio("consultas.kvx"), 11 * 1202);  // written once, by the first start
  EXPECT_EQ(ContarFilas("Control_Acceso"), 3);
}

// A server session without a default database: every connection opens the company file,
// whatever text it is given (the embedded engine needs a database to open), and the texts it
// was given are kept.
std::string gArchivoEmpresa;
std::vector<std::string> gTextosAbiertos;

class ConexionSinBase : public ado::ConnectionWrapper {
 public:
  ConexionSinBase() : ConnectionWrapper(CrearConexionOdbc()) {}
  void Open(const std::string& texto, const std::string&, const std::string&) override {
    gTextosAbiertos.push_back(texto);
    target().Open(CadenaConexionSQLite(gArchivoEmpresa));
  }
  static std::shared_ptr<ado::Connection> CrearConexionOdbc() {
    ado::EstablecerFabricaConexiones(nullptr);
    auto conexion = ado::CrearConexion();
    ado::EstablecerFabricaConexiones(&Crear);
    return conexion;
  }
  static std::shared_ptr<ado::Connection> Crear() { return std::make_shared<ConexionSinBase>(); }
};

TEST_F(IniciarSesionEmpresa, SinBaseSoloRegistraElAcceso) {
  gArchivoEmpresa = archivo_;
  ado::EstablecerFabricaConexiones(&ConexionSinBase::Crear);
  gTablaConfiguracion = "";
  bool abierta = Iniciar("@server=SRV01;@usuario=OPERADOR;");
  ado::EstablecerFabricaConexiones(nullptr);
  ASSERT_TRUE(abierta);
  EXPECT_FALSE(std::filesystem::exists(Ruta("consultas.kvx")));
  // The statistics read may name the table; only loading the settings gives it in lower case.
  EXPECT_NE(gTablaConfiguracion, "ta_configuracion");  // settings not loaded
  EXPECT_EQ(ContarFilas("Control_Acceso", "Usuario = 'OPERADOR'"), 1);
}

// The batch mode's password given apart is the session's only when the string names none, and
// it keeps its "=" (a value of the string loses them).
TEST_F(IniciarSesionEmpresa, ClaveAparteSoloSinPasswordEnLaCadena) {
  struct Caso {
    const char* cadena;
    std::optional<std::string> aparte;
    const char* enLaConexion;
  };
  const Caso casos[] = {
      {"@server=SRV01;@usuario=OPERADOR;", "cl=ve", "Pwd=cl=ve;"},
      {"@server=SRV01;@usuario=OPERADOR;@Password=x;", "cl=ve", "Pwd=x;"},
      {"@server=SRV01;@usuario=OPERADOR;@Password=;", "cl=ve", "Pwd=;"},
      {"@server=SRV01;@usuario=OPERADOR;", std::nullopt, "Pwd=;"},
  };
  gArchivoEmpresa = archivo_;
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.cadena);
    ReiniciarDB();
    gTextosAbiertos.clear();
    EstablecerClaveAparte(c.aparte);
    ado::EstablecerFabricaConexiones(&ConexionSinBase::Crear);
    const bool abierta = Iniciar(c.cadena);
    ado::EstablecerFabricaConexiones(nullptr);
    EstablecerClaveAparte(std::nullopt);
    ASSERT_TRUE(abierta);
    ASSERT_FALSE(gTextosAbiertos.empty());
    EXPECT_NE(gTextosAbiertos.front().find(c.enLaConexion), std::string::npos)
        << gTextosAbiertos.front();
  }
}

TEST_F(IniciarSesionEmpresa, SinServidorPreguntaYAlCancelarTermina) {
  EXPECT_FALSE(Iniciar(""));
  EXPECT_EQ(dialogo.veces, 1);
  EXPECT_EQ(dialogo.visto.servidor, "");
  EXPECT_EQ(dialogo.visto.usuario, "");
  EXPECT_EQ(gCaja, "1");
  EXPECT_FALSE(std::filesystem::exists(Ruta("consultas.kvx")));
  EXPECT_EQ(ContarFilas("Control_Acceso"), 0);
}

TEST_F(IniciarSesionEmpresa, SinUsuarioPregunta) {
  EXPECT_FALSE(Iniciar("@server=" + servidor_ + ";@dbname=" + base_ + ";"));
  EXPECT_EQ(dialogo.veces, 1);
  EXPECT_EQ(dialogo.visto.servidor, servidor_);
  EXPECT_EQ(dialogo.visto.base, base_);
}

TEST_F(IniciarSesionEmpresa, LineaDeComandosCuandoNoHayParametros) {
  EstablecerLineaDeComandos(Parametros(base_));
  ASSERT_TRUE(Iniciar(""));
  EstablecerLineaDeComandos("");
  EXPECT_EQ(dialogo.veces, 0);
  EXPECT_EQ(gCaja, "7");
}

}  // namespace
