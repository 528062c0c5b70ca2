#include "ui/frm_acceso.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <thread>

#include "data/db_dll.h"
#include "platform/archivos.h"
#include "session/inicio.h"
#include "tests/support/empresa.h"
#include "utility/utilidades.h"

namespace {

std::string LeerBytes(const std::string& ruta) {
  std::ifstream f(ruta, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

class Acceso : public PruebaBase {
 protected:
  std::string Linea(const std::string& nombre, const std::string& base,
                    const std::string& servidor) {
    return nombre + "," + base + "," + base + "," + utilidad::Encriptar(base) + "," + servidor +
           "\r\n";
  }
};

TEST_F(Acceso, SinArchivoLaListaQuedaVaciaYLasCajasMuestranSuPista) {
  frmAcceso forma;
  forma.Form_Load();
  EXPECT_TRUE(forma.lstBases.items.empty());
  EXPECT_EQ(forma.lstBases.ListIndex, -1);
  EXPECT_EQ(forma.TxtUserId.Text, "Ingrese el usuario");
  EXPECT_EQ(forma.TxtDbName.Text, "ingrese el nombre de la base de datos");
  EXPECT_EQ(forma.TxtServidor.Text, "ingrese el nombre del servidor e instancia");
  EXPECT_EQ(forma.TxtServidor.ForeColor, kColorSugerencia);
  EXPECT_EQ(forma.TxtServidor.SelLength, 42);
  EXPECT_EQ(forma.TxtUserPassword.Text, "");
  EXPECT_EQ(forma.TxtPuerto.Text, "1433");
  EXPECT_EQ(forma.CboPlataformaDB.items,
            (std::vector<std::string>{"SQL Server", "ORACLE", "SQLite"}));
}

TEST_F(Acceso, BorrarUnaCajaVuelveASuPista) {
  frmAcceso forma;
  forma.CambiarTexto(forma.TxtDbName, "EMPRESA");
  EXPECT_EQ(forma.TxtDbName.Text, "EMPRESA");
  forma.CambiarTexto(forma.TxtDbName, "  ");
  EXPECT_EQ(forma.TxtDbName.Text, "ingrese el nombre de la base de datos");
  // The user box shows its hint when the focus enters it, not on a change.
  forma.CambiarTexto(forma.TxtUserId, "");
  EXPECT_EQ(forma.TxtUserId.Text, "");
  forma.TxtUserId_GotFocus();
  EXPECT_EQ(forma.TxtUserId.Text, "Ingrese el usuario");
}

// Typing into a box that shows its hint replaces the hint wherever the caret was; a box that
// holds a value takes the edit as it is.
TEST_F(Acceso, LoTecleadoReemplazaLaPista) {
  struct Caso {
    const char* nombre;
    std::string antes;  // the box's text before the edit ("" for the user box: its hint)
    std::string editado;
    std::string queda;
  };
  const std::string pista = "Ingrese el usuario";
  const Caso casos[] = {
      {"AlFinal", "", pista + "OPERADOR", "OPERADOR"},
      {"AlPrincipio", "", "O" + pista, "O"},
      {"EnMedio", "", "Ingrese elA usuario", "A"},
      {"UnaLetraRepetida", "", "Ingrese el usuarioo", "o"},
      {"SobreParteDeLaPista", "", "Ingrese el ANA", "ANA"},
      {"BorrandoLaPista", "", "Ingrese el usuari", ""},
      {"ConValor", "ANA", "ANAB", "ANAB"},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    frmAcceso forma;
    forma.CambiarTexto(forma.TxtUserId, c.antes);
    forma.TxtUserId_GotFocus();
    forma.Teclear(forma.TxtUserId, c.editado);
    EXPECT_EQ(forma.TxtUserId.Text, c.queda);
  }
  // A box with a change event shows its hint again when the edit leaves nothing.
  frmAcceso forma;
  forma.Form_Load();
  forma.Teclear(forma.TxtServidor, "ingrese el nombre del servidor e instancia" + std::string("S"));
  EXPECT_EQ(forma.TxtServidor.Text, "S");
  forma.Teclear(forma.TxtDbName, "ingrese el nombre de la base de dato");
  EXPECT_EQ(forma.TxtDbName.Text, "ingrese el nombre de la base de datos");
}

TEST_F(Acceso, ListaLeeLosRegistrosYElegirUnoMuestraServidorYPuerto) {
  EscribirArchivo("BASES.TXT", Linea("EMPRESA / SRV01", "empresa", "srv01:1500") +
                                   Linea("OTRA / SRV02", "OTRA", "SRV02"));
  frmAcceso forma;
  forma.Form_Load();
  ASSERT_EQ(forma.lstBases.items, (std::vector<std::string>{"EMPRESA / SRV01", "OTRA / SRV02"}));
  EXPECT_EQ(forma.lstBases.ListIndex, 0);
  EXPECT_EQ(forma.TxtServidor.Text, "SRV01");
  EXPECT_EQ(forma.TxtPuerto.Text, "1500");
  EXPECT_EQ(forma.TxtDbName.Text, "empresa");

  forma.CambiarTexto(forma.TxtUserId, "OPERADOR");
  forma.CambiarTexto(forma.TxtUserPassword, "x");
  forma.SeleccionarBase(1);
  EXPECT_EQ(forma.TxtServidor.Text, "SRV02");
  EXPECT_EQ(forma.TxtPuerto.Text, "1500");  // the last port seen stays
  EXPECT_EQ(forma.TxtDbName.Text, "OTRA");
  EXPECT_EQ(forma.TxtUserId.Text, "");
  EXPECT_EQ(forma.TxtUserPassword.Text, "");

  forma.lstBases_DblClick();
  EXPECT_TRUE(forma.Aceptar);
}

TEST_F(Acceso, UnaComaEnElArchivoCorreLosCampos) {
  EscribirArchivo("BASES.TXT", "A / S,A,A,x,S,1\r\n" + Linea("B / T", "B", "T"));
  frmAcceso forma;
  forma.LlenarList();
  // The sixth field "1" is read as the name of the next record.
  EXPECT_EQ(forma.lstBases.items.front(), "A / S");
  EXPECT_EQ(forma.lstBases.items.at(1), "1");
}

TEST_F(Acceso, RegistrarConexionEscribeUnaLineaQueSeLeeIgual) {
  RegistrarConexion(" EMPRESA / SRV01 ", " empresa", "empresa ", "empresa", " SRV01:1500 ", "",
                    false);
  RegistrarConexion("ORA / X", "ORA", "ORA", "ORA", "X", "", true);
  EXPECT_EQ(LeerBytes(Ruta("BASES.TXT")),
            Linea("EMPRESA / SRV01", "empresa", "SRV01:1500") + Linea("ORA / X", "ORA", "X#"));

  for (const char* valor : {"SRV,01", "SRV\r\n01", "SRV\n"}) {
    EXPECT_THROW(RegistrarConexion("N", "B", "B", "B", valor, "", false),
                 plataforma::ErrorEjecucion)
        << valor;
  }
  frmAcceso forma;
  forma.LlenarList();
  EXPECT_EQ(forma.lstBases.items, (std::vector<std::string>{"EMPRESA / SRV01", "ORA / X"}));
}

TEST_F(Acceso, RegistrarRechazaUnaComaOUnSaltoDeLinea) {
  const std::pair<const char*, const char*> casos[] = {
      {"SRV,01", "EMPRESA"}, {"SRV01", "EMP,RESA"}, {"SRV01", "EMP\nRESA"}};
  for (const auto& [servidor, base] : casos) {
    frmAcceso forma;
    forma.CambiarTexto(forma.TxtServidor, servidor);
    forma.CambiarTexto(forma.TxtDbName, base);
    dialogos.Responder(plataforma::vbOK);
    forma.CmdRegistrar_Click();
  }
  auto avisos = dialogos.Textos("Atencion");
  ASSERT_EQ(avisos.size(), 3u);
  EXPECT_NE(avisos[0].find("SRV,01"), std::string::npos) << avisos[0];
  EXPECT_FALSE(std::filesystem::exists(Ruta("BASES.TXT")));
}

// "Crear Acceso Directo": a launcher in the desktop folder the user's XDG settings name (else
// ~/Desktop) that starts this program on the connection shown, never with its password, with
// the installed icon; the operator is told where it went.
TEST_F(Acceso, AccesoDirectoEnElEscritorio) {
  struct Caso {
    const char* nombre;
    std::string userDirs;  // the user's user-dirs.dirs; empty: none
    const char* escritorio;
    std::function<void(frmAcceso&)> operador;
    std::string argumentos;  // after the program on the Exec line
  };
  const std::string home = carpeta_ + "casa";
  const Caso casos[] = {
      {"SinNadaEscrito", "", "/Desktop", [](frmAcceso&) {}, ""},
      {"Embebida", "# escrito por xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Escritorio\"\n",
       "/Escritorio",
       [](frmAcceso& f) {
         f.CambiarTexto(f.TxtServidor, "/srv/empresas");
         f.CambiarTexto(f.TxtDbName, "EMPRESA");
         f.CambiarTexto(f.TxtUserId, "OPERADOR");
         f.CambiarTexto(f.TxtUserPassword, "secreto");
         f.CboPlataformaDB.ListIndex = 2;
       },
       " \"@Server=sqlite:/srv/empresas;@DbName=EMPRESA;@Usuario=OPERADOR;\""},
      {"OracleYCarpetaAbsoluta",
       "XDG_MUSIC_DIR=\"$HOME/Musica\"\nXDG_DESKTOP_DIR=\"" + home + "/Mesa\"\n", "/Mesa",
       [](frmAcceso& f) {
         f.CambiarTexto(f.TxtServidor, "ORCL");
         f.CambiarTexto(f.TxtDbName, "VENTAS");
         f.CboPlataformaDB.ListIndex = 1;
       },
       " \"@Server=#ORCL;@DbName=VENTAS;\""},
  };
  const std::string anterior = plataforma::Entorno("HOME");
  const std::string anteriorConfig = plataforma::Entorno("XDG_CONFIG_HOME");
  const std::string programa = std::filesystem::read_symlink("/proc/self/exe").string();
  const bool validador = std::system("command -v desktop-file-validate >/dev/null") == 0;
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    std::filesystem::remove_all(home);
    std::filesystem::create_directories(home + "/config");
    if (!c.userDirs.empty()) std::ofstream(home + "/config/user-dirs.dirs") << c.userDirs;
    ::setenv("HOME", home.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (home + "/config").c_str(), 1);
    frmAcceso forma;
    forma.Form_Load();
    c.operador(forma);
    dialogos.Responder(plataforma::vbOK);
    forma.CmdLineaComando_Click();
    ::setenv("HOME", anterior.c_str(), 1);
    if (anteriorConfig.empty()) {
      ::unsetenv("XDG_CONFIG_HOME");
    } else {
      ::setenv("XDG_CONFIG_HOME", anteriorConfig.c_str(), 1);
    }

    const std::string lanzador = home + c.escritorio + "/Virad Urorev.desktop";
    ASSERT_TRUE(std::filesystem::exists(lanzador));
    ASSERT_FALSE(dialogos.Transcripcion().empty());
    EXPECT_EQ(dialogos.Transcripcion().back().titulo, "Crear Acceso Directo");
    EXPECT_EQ(dialogos.Transcripcion().back().texto, "Se creó el acceso directo " + lanzador);
    const std::string texto = LeerBytes(lanzador);
    EXPECT_EQ(texto.rfind("[Desktop Entry]\n", 0), 0u);
    EXPECT_NE(texto.find("\nExec=\"" + programa + "\"" + c.argumentos + "\n"), std::string::npos)
        << texto;
    EXPECT_EQ(texto.find("secreto"), std::string::npos) << texto;
    EXPECT_NE(texto.find("\nIcon=importador\n"), std::string::npos) << texto;
    EXPECT_NE(texto.find("\nName=Virad Urorev\n"), std::string::npos) << texto;
    struct stat st {};
    ASSERT_EQ(::stat(lanzador.c_str(), &st), 0);
    EXPECT_TRUE(st.st_mode & S_IXUSR);
    if (validador) {
      const std::string informe = carpeta_ + "validacion.txt";
      EXPECT_EQ(
          std::system(("desktop-file-validate '" + lanzador + "' >" + informe + " 2>&1").c_str()),
          0);
      EXPECT_EQ(LeerBytes(informe), "") << texto;
    }
  }
}

// A view that acts as the operator does, then presses one of the buttons.
class VistaGuionada : public VistaAcceso {
 public:
  std::function<void(frmAcceso&)> operador;
  void MostrarModal(frmAcceso& forma) override {
    ++veces;
    operador(forma);
  }
  int veces = 0;
};

class AccesoEmpresa : public PruebaEmpresa {
 protected:
  void TearDown() override {
    InstalarDialogoConexion(nullptr);
    PruebaEmpresa::TearDown();
  }
  VistaGuionada vista;
};

TEST_F(AccesoEmpresa, RegistrarUnaBaseQueAbreYLuegoRechazarLaRepetida) {
  // ODBC.exe records its command line, so the test sees that it was started.
  const std::string salida = Ruta("odbc_salida.txt");
  EscribirArchivo("ODBC.exe", "#!/bin/sh\necho \"$1\" > '" + salida + "'\n");
  std::filesystem::permissions(Ruta("ODBC.exe"), std::filesystem::perms::owner_all);

  frmAcceso forma;
  forma.Form_Load();
  forma.CambiarTexto(forma.TxtServidor, servidor_ + " ");
  forma.CambiarTexto(forma.TxtDbName, base_);
  forma.CmdRegistrar_Click();
  EXPECT_EQ(forma.lstBases.items,
            (std::vector<std::string>{base_ + " / " + utilidad::Mayusculas(servidor_)}));
  EXPECT_FALSE(DB().gCnn && DB().gCnn->State() == ado::adStateOpen);
  EXPECT_EQ(LeerBytes(Ruta("BASES.TXT")),
            base_ + " / " + utilidad::Mayusculas(servidor_) + "," + base_ + "," + base_ + "," +
                utilidad::Encriptar(base_) + "," + servidor_ + "\r\n");
  for (int i = 0; i < 100 && !std::filesystem::exists(salida); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(LeerBytes(salida), "Server=" + servidor_ + ";DB=" + base_ + ";\n");

  dialogos.Responder(plataforma::vbOK);
  forma.CmdRegistrar_Click();
  EXPECT_EQ(dialogos.Textos("Atencion"),
            (std::vector<std::string>{"La conexion que intenta registrar ya existe "}));
}

TEST_F(AccesoEmpresa, RegistrarUnaBaseInexistenteAvisa) {
  frmAcceso forma;
  forma.CambiarTexto(forma.TxtServidor, servidor_);
  forma.CambiarTexto(forma.TxtDbName, "NOHAY");
  forma.CambiarTexto(forma.TxtUserId, "OPERADOR");
  forma.CambiarTexto(forma.TxtUserPassword, "secreta");
  dialogos.ResponderSiempre("", plataforma::vbNo);  // the connection layer's own messages
  forma.CmdRegistrar_Click();
  auto avisos = dialogos.Textos("AVISO AL OPERADOR");
  ASSERT_EQ(avisos.size(), 1u);
  // The embedded engine's message speaks of the company file, not of a server.
  EXPECT_EQ(avisos[0], "NO SE PUDO ABRIR LA EMPRESA " + carpeta_ +
                           "NOHAY.db VERIFIQUE LA CARPETA, EL NOMBRE DE LA BASE Y EL USUARIO "
                           "INGRESADO");
  for (const auto& d : dialogos.Transcripcion()) {
    EXPECT_EQ(d.texto.find("secreta"), std::string::npos) << d.texto;
  }
  EXPECT_FALSE(std::filesystem::exists(Ruta("BASES.TXT")));
}

// "Registrar" with the embedded engine chosen in the list: the folder typed without its mark is
// tested and stored as the embedded engine's; picking the entry brings the platform back.
TEST_F(AccesoEmpresa, RegistrarParaLaPlataformaElegidaYElegirlaLaRestaura) {
  const std::string carpeta = carpeta_.substr(0, carpeta_.size() - 1);
  frmAcceso forma;
  forma.Form_Load();
  forma.CambiarTexto(forma.TxtServidor, carpeta);
  forma.CambiarTexto(forma.TxtDbName, base_);
  forma.CboPlataformaDB.ListIndex = 2;
  forma.CmdRegistrar_Click();
  const std::string nombre = base_ + " / " + utilidad::Mayusculas(servidor_);
  ASSERT_EQ(forma.lstBases.items, (std::vector<std::string>{nombre}));
  EXPECT_EQ(LeerBytes(Ruta("BASES.TXT")), nombre + "," + base_ + "," + base_ + "," +
                                              utilidad::Encriptar(base_) + "," + servidor_ +
                                              "\r\n");
  EXPECT_TRUE(dialogos.Transcripcion().empty());

  EscribirArchivo("BASES.TXT", LeerBytes(Ruta("BASES.TXT")) + "VENTAS / ORCL,VENTAS,VENTAS," +
                                   utilidad::Encriptar("VENTAS") + ",ORCL#\r\n" +
                                   "OTRA / SRV01,OTRA,OTRA," + utilidad::Encriptar("OTRA") +
                                   ",SRV01\r\n");
  struct Caso {
    int entrada;
    int plataforma;
    std::string servidor;
  };
  const Caso casos[] = {{1, 1, "ORCL"}, {0, 2, servidor_}, {2, 0, "SRV01"}};
  frmAcceso otra;
  otra.Form_Load();
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.servidor);
    otra.SeleccionarBase(c.entrada);
    EXPECT_EQ(otra.CboPlataformaDB.ListIndex, c.plataforma);
    EXPECT_EQ(otra.TxtServidor.Text, c.servidor);
  }
}

TEST_F(AccesoEmpresa, ElDialogoDeLaSesionDevuelveLoQueSeEscribio) {
  vista.operador = [this](frmAcceso& forma) {
    EXPECT_EQ(forma.TxtServidor.Text, "ingrese el nombre del servidor e instancia");
    forma.CambiarTexto(forma.TxtServidor, servidor_);
    forma.CambiarTexto(forma.TxtDbName, base_);
    forma.CambiarTexto(forma.TxtUserId, "OPERADOR");
    forma.bcAceptar_Click();
  };
  ReiniciarDB();
  InstalarDialogoConexion(&vista);
  std::string cadena;
  ASSERT_TRUE(IniciarSesion(false, "@Caja=2;", cadena, ado::adUseClient));
  EXPECT_EQ(vista.veces, 1);
  EXPECT_EQ(DB().gUsuario, "OPERADOR");
  EXPECT_EQ(DB().gDBName, base_);
  EXPECT_TRUE(DB().gOpenFlag);
}

TEST_F(AccesoEmpresa, CancelarElDialogoTerminaElPrograma) {
  vista.operador = [](frmAcceso& forma) { forma.bcCancelar_Click(); };
  ReiniciarDB();
  InstalarDialogoConexion(&vista);
  std::string cadena;
  EXPECT_FALSE(IniciarSesion(false, "", cadena, ado::adUseClient));
  EXPECT_EQ(vista.veces, 1);
  EXPECT_FALSE(DB().gOpenFlag);
}

}  // namespace
