// `cmake --install` as a packager runs it (DESTDIR, a prefix of its own), and the installed
// program as an ordinary user runs it: a user who cannot write the prefix starts a session and
// imports a sample file, with the content script and the samples found in share/importador.
// As root the program runs as the user nobody (setpriv); otherwise the prefix is made
// read-only.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <utility>

#include "tests/support/empresa.h"
#include "tests/support/programa.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kPrefijo = "/opt/importador-prueba";
constexpr uid_t kNadie = 65534;  // nobody / nogroup

// Every file under `carpeta` with its size and time of change: what a run must leave alone.
std::map<std::string, std::pair<uintmax_t, fs::file_time_type>> Inventario(
    const fs::path& carpeta) {
  std::map<std::string, std::pair<uintmax_t, fs::file_time_type>> archivos;
  for (const auto& e : fs::recursive_directory_iterator(carpeta)) {
    const uintmax_t tamanio = e.is_regular_file() ? e.file_size() : 0;
    archivos[e.path().string()] = {tamanio, e.last_write_time()};
  }
  return archivos;
}

void CambiarDuenio(const fs::path& carpeta) {
  ASSERT_EQ(::chown(carpeta.c_str(), kNadie, kNadie), 0) << carpeta;
  for (const auto& e : fs::recursive_directory_iterator(carpeta)) {
    ASSERT_EQ(::chown(e.path().c_str(), kNadie, kNadie), 0) << e.path();
  }
}

class InstalacionTest : public PruebaEmpresa {
 protected:
  void SetUp() override {
    PruebaEmpresa::SetUp();
    Ejecutar(
        "INSERT INTO MA_CUENTAS (CODIGO, Descripcion, TITULO) VALUES ('11101', 'Caja', 0), "
        "('112010123', 'Panadería', 0), ('112014567', 'Ferretería', 0)");
    AgregarEjercicio(2020);
    // The fixture's copy of the content script is not where an installed program looks.
    fs::remove(Ruta("completokve.sql"));
    destino_ = Ruta("destino");
  }
  void TearDown() override {
    // A read-only prefix is made writable again so the fixture can remove it.
    std::error_code ec;
    if (fs::exists(destino_, ec)) {
      for (const auto& e : fs::recursive_directory_iterator(destino_, ec)) {
        fs::permissions(e.path(), fs::perms::owner_write, fs::perm_options::add, ec);
      }
    }
    PruebaEmpresa::TearDown();
  }

  // The installed program, as a user who cannot write the prefix, with a home of its own in
  // the test folder; standard output and error go to files of the test folder.
  CorridaPrograma CorrerInstalado(const std::string& argumentos) {
    const std::string usuario = ::geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 "
                                                   "--clear-groups "
                                                 : "";
    const std::string orden = usuario +
                              "env -i PATH=/usr/bin:/bin LANG=C.UTF-8 HOME=" + Ruta("casa") + " " +
                              destino_ + kPrefijo + "/bin/importador " + argumentos + " >" +
                              Ruta("salida.txt") + " 2>" + Ruta("errores.txt") + " </dev/null";
    const int estado = std::system(orden.c_str());
    CorridaPrograma corrida;
    corrida.estado = WIFEXITED(estado) ? WEXITSTATUS(estado) : -1;
    corrida.salida = LeerArchivo(Ruta("salida.txt"));
    corrida.errores = LeerArchivo(Ruta("errores.txt"));
    return corrida;
  }

  std::string destino_;
};

TEST_F(InstalacionTest, InstaladoConDestdirArrancaEImportaSinEscribirEnElPrefijo) {
  const fs::path build = fs::path(RutaPrograma()).parent_path().parent_path();
  ASSERT_EQ(std::system(("DESTDIR=" + destino_ + " cmake --install " + build.string() +
                         " --prefix " + kPrefijo + " >" + Ruta("instalacion.txt") + " 2>&1")
                            .c_str()),
            0)
      << LeerArchivo(Ruta("instalacion.txt"));
  const fs::path prefijo = destino_ + kPrefijo;
  // bin/ holds the program alone; the read-only data and the manual page are under share/.
  for (const auto& e : fs::directory_iterator(prefijo / "bin")) {
    EXPECT_EQ(e.path().filename(), "importador");
  }
  for (const char* archivo :
       {"share/importador/completokve.sql", "share/importador/samples/saldos_clientes.txt",
        "share/man/man1/importador.1"}) {
    EXPECT_TRUE(fs::is_regular_file(prefijo / archivo)) << archivo;
  }
  if (std::system("command -v groff >/dev/null") == 0) {
    EXPECT_EQ(
        std::system(("groff -k -man -ww -z " + (prefijo / "share/man/man1/importador.1").string() +
                     " 2>" + Ruta("man.txt"))
                        .c_str()),
        0);
    EXPECT_EQ(LeerArchivo(Ruta("man.txt")), "") << "the manual page's troff";
  }

  // Nobody may write the prefix: as root through another user, otherwise by its modes.
  fs::permissions(destino_, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                fs::perms::others_read | fs::perms::others_exec);
  fs::create_directories(Ruta("casa"));
  if (::geteuid() == 0) {
    // The test folder (company, home) becomes that user's; the installation stays root's.
    CambiarDuenio(carpeta_);
    ASSERT_EQ(::chown(destino_.c_str(), 0, 0), 0);
    for (const auto& e : fs::recursive_directory_iterator(destino_)) {
      ASSERT_EQ(::chown(e.path().c_str(), 0, 0), 0);
    }
  } else {
    for (const auto& e : fs::recursive_directory_iterator(prefijo)) {
      fs::permissions(e.path(), fs::perms::owner_write, fs::perm_options::remove);
    }
  }
  const auto antes = Inventario(prefijo);

  const std::string parametros =
      "'@Server=" + servidor_ + ";@DbName=" + base_ + ";@Usuario=" + usuario_ + ";'";
  CorridaPrograma inicio = CorrerInstalado("--lote " + parametros);
  ASSERT_EQ(inicio.estado, 0) << inicio.errores;
  EXPECT_NE(inicio.salida.find("Inicio de sesión completo"), std::string::npos) << inicio.salida;
  EXPECT_EQ(inicio.errores.find("No se encuentra el archivo"), std::string::npos) << inicio.errores;
  // The content script was found: the statistics database holds its tables.
  EXPECT_GT(fs::file_size(Ruta("KV_ESTADISTICAS.db")), 8192u);

  CorridaPrograma corrida = CorrerInstalado(
      "--lote --modo 0 --cuenta 11101 --archivo " +
      (prefijo / "share/importador/samples/saldos_clientes.txt").string() + " " + parametros);
  ASSERT_EQ(corrida.estado, 0) << corrida.errores;
  EXPECT_EQ(ContarFilas("MV_ASIENTOS"), 10);
  // The program's folder of that user is in his home, not beside the installed program.
  EXPECT_TRUE(fs::exists(Ruta("casa/.local/share/importador/consultas.kvx")));
  EXPECT_EQ(Inventario(prefijo), antes);
}

}  // namespace
