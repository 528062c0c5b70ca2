// The batch mode as operators run it: the built program on a real company and a sample file,
// with its exit statuses, the dialogs on standard error and the summary on standard output.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/empresa.h"
#include "tests/support/programa.h"

namespace {

// The samples folder whatever the working directory (IMPORTADOR_SAMPLES or the source tree).
std::string Muestra(const std::string& nombre) {
  const char* carpeta = std::getenv("IMPORTADOR_SAMPLES");
  const std::filesystem::path base =
      carpeta ? std::filesystem::path(carpeta)
              : std::filesystem::path(__FILE__).parent_path() / ".." / ".." / "samples";
  return (base / nombre).string();
}

// A receipt line of customer 123's balance (38 columns: date, voucher, due date, amount).
std::string Recibo(const std::string& numero, const std::string& importe,
                   const std::string& fecha = "15/01/2020",
                   const std::string& vencimiento = "15/01/2020") {
  return fecha + ";;;;REC X 0001-" + numero + ";;;;;;;;;" + vencimiento + std::string(24, ';') +
         importe + "\r\n";
}

// The header and `cantidad` receipts numbered from 1.
std::string Recibos(int cantidad) {
  std::string contenido = "Cliente: 123\r\n";
  for (int i = 1; i <= cantidad; ++i) contenido += Recibo(std::to_string(i), "10");
  return contenido;
}

class LoteTest : public PruebaEmpresa {
 protected:
  void SetUp() override {
    PruebaEmpresa::SetUp();
    Ejecutar(
        "INSERT INTO MA_CUENTAS (CODIGO, Descripcion, TITULO) VALUES ('11101', 'Caja', 0), "
        "('112010123', 'Panadería', 0), ('112014567', 'Ferretería', 0), "
        "('111010002', 'Valores a depositar', 0), ('511', 'Apertura', 0)");
    AgregarEjercicio(2020);
  }

  // Runs the program (after `antes`, a command prefix); stdout and stderr go to files of the
  // test folder.
  int Correr(const std::string& argumentos, const std::string& antes = "") {
    // No display at all: the batch mode, --help and --version must never need one.
    CorridaPrograma corrida = CorrerPrograma(
        carpeta_, argumentos, antes + "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM ");
    salida = corrida.salida;
    errores = corrida.errores;
    return corrida.estado;
  }
  std::string Parametros() const {
    return "'@Server=" + servidor_ + ";@DbName=" + base_ + ";@Usuario=" + usuario_ +
           ";@Password=x;'";
  }

  std::string salida, errores;
};

TEST_F(LoteTest, ImportaUnArchivoRealYTerminaConCero) {
  ASSERT_EQ(Correr("--lote --modo 0 --cuenta 11101 --archivo " + Muestra("saldos_clientes.txt") +
                   " " + Parametros()),
            0)
      << errores;
  EXPECT_NE(errores.find("Aviso al Usuario: Proceso Finalizado!!!"), std::string::npos);
  EXPECT_NE(salida.find("Registrados: 5"), std::string::npos) << salida;
  EXPECT_EQ(ContarFilas("MV_ASIENTOS"), 10);
  EXPECT_EQ(Valor("SELECT Detalle FROM MV_ASIENTOS LIMIT 1"), "Saldos Iniciales: Importación");
}

TEST_F(LoteTest, TerminaAntesConUno) {
  // A customer missing from the company: the question is answered No, the run stops.
  Ejecutar("DELETE FROM MA_CUENTAS WHERE CODIGO = '112010123'");
  EXPECT_EQ(Correr("--lote --modo 0 --cuenta 11101 --concepto Apertura --archivo " +
                   Muestra("saldos_clientes.txt") + " " + Parametros()),
            1);
  EXPECT_NE(errores.find(" Aviso al operador: No se encontro el cliente"), std::string::npos)
      << errores;
  EXPECT_EQ(errores.find("Proceso Finalizado!!!"), std::string::npos);
  EXPECT_EQ(ContarFilas("MV_ASIENTOS"), 0);

  // A counter-account that is refused ends the run before the file is read.
  EXPECT_EQ(Correr("--lote --modo 0 --cuenta 99 --archivo " + Muestra("saldos_clientes.txt") + " " +
                   Parametros()),
            1);
  EXPECT_NE(errores.find("Debe informar una cuenta de contrapartida"), std::string::npos);
}

// A line whose amount does not convert: the run's error dialog is answered by --ante-error.
TEST_F(LoteTest, AnteErrorDecideSiLaCorridaSigue) {
  const auto linea = [](const std::string& numero, const std::string& importe) {
    return Recibo(numero, importe, "15/01/2020", "15/02/2020");
  };
  const std::string archivo =
      EscribirArchivo("saldos.txt", "Cliente: 123\r\n" + linea("1", "1x") + linea("2", "10"));
  struct Caso {
    std::string opcion;
    int estado;
    int64_t asientos;  // journal lines of the good voucher
  };
  const Caso casos[] = {
      {"", 1, 0}, {"--ante-error abortar ", 1, 0}, {"--ante-error ignorar ", 3, 2}};
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.opcion);
    Ejecutar("DELETE FROM MV_ASIENTOS");
    EXPECT_EQ(Correr("--lote --modo 0 --cuenta 11101 " + c.opcion + "--archivo " + archivo + " " +
                     Parametros()),
              c.estado)
        << errores;
    EXPECT_NE(errores.find("línea 2: el importe \"1x\" no se puede convertir"), std::string::npos)
        << errores;
    EXPECT_NE(salida.find("Error: Archivo " + archivo + ", línea 2"), std::string::npos) << salida;
    EXPECT_EQ(ContarFilas("MV_ASIENTOS", "NUMERO = '00000001'"), 0);
    EXPECT_EQ(ContarFilas("MV_ASIENTOS", "NUMERO = '00000002'"), c.asientos);
  }
}

// A run that reaches the end with lines not posted is partial (3), never a success; the
// summary lists each such line with its reason and value.
TEST_F(LoteTest, UnaCorridaConLineasNoRegistradasEsParcial) {
  const auto linea = [](const std::string& fecha, const std::string& numero) {
    return Recibo(numero, "10", fecha, fecha);
  };
  struct Caso {
    const char* nombre;
    std::string contenido;
    std::string concepto;
    int estado;
    std::vector<std::string> enSalida;
    int64_t asientos;
    std::string modo = "--modo 0 --cuenta 11101 ";
    std::string detalle = "";  // the concept every journal line must hold, when given
  };
  const Caso casos[] = {
      {"completa",
       "Cliente: 123\r\n" + linea("15/01/2020", "1"),
       "",
       0,
       {"Resultado: completo"},
       2},
      {"fuera de ejercicio",
       "Cliente: 123\r\n" + linea("15/01/2020", "1") + linea("15/01/2019", "2"),
       "",
       3,
       {"Fuera de ejercicio: 1", "línea 3: fuera de ejercicio: 15/01/2019", "Resultado: parcial"},
       2},
      {"todas rechazadas",
       "Cliente: 123\r\n" + linea("15/01/2020", "1") + linea("16/01/2020", "2"),
       "--concepto " + std::string(61, 'c') + " ",
       3,
       {"No se registró nada", "línea 2: rechazada por la base:", "línea 3: rechazada",
        "Rechazados por la base: 2"},
       0},
      {"fuera de ejercicio, cheques",
       "15/01/2020;15/02/2020;Banco;Cobro;011;0012345;Perez;100\r\n"
       "15/12/2019;15/01/2020;Banco;Cobro;011;0012346;Perez;200\r\n",
       "",
       3,
       {"Fuera de ejercicio: 1", "línea 2: fuera de ejercicio: 15/12/2019", "Resultado: parcial"},
       2,
       "--modo 3 --cuenta 111010002 "},
      // The admin mark inside a value stays; a control byte refuses its line, named.
      {"valores tal cual",
       "Cliente: 123\r\n" + linea("15/01/2020", "1") + linea("16/01/2020", "2\x01"),
       "--concepto @ADMIN_13018 ",
       3,
       {"línea 3: carácter de control: 0x01 en la columna 4", "Resultado: parcial"},
       2,
       "--modo 0 --cuenta 11101 ",
       "@ADMIN_13018"},
      // A lone LF inside a column the layout does not read: every line posted, and a warning.
      {"fines de línea mezclados",
       "Cliente: 123\r\n" + linea("15/01/2020", "1") +
           "16/01/2020;;a\nb;;REC X 0001-2;;;;;;;;;16/01/2020" + std::string(24, ';') + "10\r\n",
       "",
       0,
       {"Aviso: el archivo termina sus líneas con CR LF y tiene LF sueltos dentro de líneas, que "
        "quedan como parte de ellas; el primero en la línea 3",
        "Registrados: 2", "Resultado: completo"},
       4},
      {"solo LF",
       "Cliente: 123\n15/01/2020;;;;REC X 0001-1;;;;;;;;;15/01/2020" + std::string(24, ';') +
           "10\n",
       "",
       0,
       {"Aviso: el archivo tiene fines de línea LF (sin CR): se leyó una línea por cada LF",
        "Líneas leídas: 2", "Registrados: 1", "Resultado: completo"},
       2},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    Ejecutar("DELETE FROM MV_ASIENTOS");
    const std::string archivo = EscribirArchivo("saldos.txt", c.contenido);
    EXPECT_EQ(Correr("--lote " + c.modo + "--ante-error ignorar " + c.concepto + "--archivo " +
                     archivo + " " + Parametros()),
              c.estado)
        << errores;
    for (const std::string& texto : c.enSalida) {
      EXPECT_NE(salida.find(texto), std::string::npos) << texto << "\n" << salida;
    }
    EXPECT_EQ(ContarFilas("MV_ASIENTOS"), c.asientos);
    if (!c.detalle.empty()) {
      EXPECT_EQ(ContarFilas("MV_ASIENTOS", "Detalle = '" + c.detalle + "'"), c.asientos);
    }
    // A database refusal names the file and the line.
    if (c.asientos == 0) {
      EXPECT_NE(errores.find("Atención: Archivo " + archivo + ", línea 2: [SQLite]"),
                std::string::npos)
          << errores;
    }
  }
}

// The same refusal line after line stops the batch mode after --max-rechazos of them (what was
// posted before stays, exit 3); with 0 every line is tried.
TEST_F(LoteTest, MuchosRechazosSeguidosDetienenLaCorrida) {
  const std::string archivo = EscribirArchivo("saldos.txt", Recibos(30));
  struct Caso {
    std::string opcion;
    std::string rechazados;
    bool pregunta;
  };
  const Caso casos[] = {{"--max-rechazos 5 ", "Rechazados por la base: 5 ", true},
                        {"--max-rechazos 0 ", "Rechazados por la base: 30 ", false}};
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.opcion);
    EXPECT_EQ(
        Correr("--lote --modo 0 --cuenta 11101 --ante-error ignorar --concepto " +
               std::string(61, 'c') + " " + c.opcion + "--archivo " + archivo + " " + Parametros()),
        3)
        << errores;
    EXPECT_NE(salida.find(c.rechazados), std::string::npos) << salida;
    EXPECT_EQ(errores.find("La base rechazó 5 líneas seguidas") != std::string::npos, c.pregunta)
        << errores;
  }
}

// A company the program cannot write to: every line is refused the same way, and after
// --max-rechazos of them the run stops, partial (3), keeping what it posted. The tests run as
// root, whom file permissions do not stop, so the read-only company file is opened by the user
// nobody (setpriv); a full disk is a file-size limit (prlimit, its signal ignored) a few pages
// past the company's size: the file cannot grow, and SQLite fails the writes past the limit
// (as "disk I/O error": the system says EFBIG there, not a full disk's ENOSPC).
TEST_F(LoteTest, UnaEmpresaQueNoAceptaEscriturasDetieneLaCorrida) {
  // Start-up once as ourselves: the statistics database beside the company is made now.
  ASSERT_EQ(Correr("--lote " + Parametros()), 0) << errores;
  const std::string archivo = EscribirArchivo("saldos.txt", Recibos(30));
  namespace fs = std::filesystem;
  const auto limite = fs::file_size(archivo_) + 4 * 4096;
  struct Caso {
    const char* nombre;
    std::string antes;
    bool soloLectura;
    std::string rechazo;  // the database's refusal, in the dialogs
  };
  const Caso casos[] = {
      {"disco lleno", "trap '' XFSZ; prlimit --fsize=" + std::to_string(limite) + " ", false,
       "disk I/O error"},
      {"solo lectura",
       ::geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "", true,
       "attempt to write a readonly database"},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    Ejecutar("DELETE FROM MV_ASIENTOS");
    Ejecutar("DELETE FROM MA_CALENDARIO");
    if (c.soloLectura) {
      // The folder and its files writable by anyone (the lock, the logs, the statistics); the
      // company file by no one.
      fs::permissions(carpeta_, fs::perms::all, fs::perm_options::add);
      for (const auto& e : fs::directory_iterator(carpeta_)) {
        fs::permissions(e.path(), fs::perms::all, fs::perm_options::add);
      }
      fs::permissions(archivo_,
                      fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    }
    EXPECT_EQ(Correr("--lote --modo 0 --cuenta 11101 --ante-error ignorar --max-rechazos 5 "
                     "--archivo " +
                         archivo + " " + Parametros(),
                     c.antes),
              3)
        << errores;
    if (c.soloLectura) fs::permissions(archivo_, fs::perms::owner_write, fs::perm_options::add);
    EXPECT_NE(errores.find(c.rechazo), std::string::npos) << errores;
    EXPECT_NE(errores.find("La base rechazó 5 líneas seguidas"), std::string::npos) << errores;
    EXPECT_NE(salida.find("Rechazados por la base: 5 "), std::string::npos) << salida;
    EXPECT_NE(salida.find("Resultado: parcial"), std::string::npos) << salida;
    // What was posted before the refusals stays, whole: two journal lines per receipt.
    const size_t p = salida.find("Registrados: ");
    ASSERT_NE(p, std::string::npos) << salida;
    const long registrados = std::atol(salida.c_str() + p + 13);
    EXPECT_EQ(ContarFilas("MV_ASIENTOS"), 2 * registrados);
    if (c.soloLectura) {
      EXPECT_EQ(registrados, 0);
      EXPECT_NE(salida.find("No se registró nada"), std::string::npos) << salida;
    }
  }
}

// The summary ends with the reconciliation: the account whose journal total differs from the
// file (a refused line) and whose report total disagrees comes first, with the journal's sum.
TEST_F(LoteTest, LaConciliacionNombraPrimeroLaCuentaQueNoConcilia) {
  const std::string archivo =
      EscribirArchivo("saldos.txt", Recibos(2) + "Cliente: 4567\r\n" + Recibo("3", "15,50") +
                                        Recibo("123456789", "7") + "Total Cliente: 4567" +
                                        std::string(37, ';') + "30,00\r\n");
  ASSERT_EQ(Correr("--lote --modo 0 --cuenta 11101 --archivo " + archivo + " " + Parametros()), 3)
      << errores;
  const std::string diario = Valor(
      "SELECT printf('%g', SUM(CASE WHEN [Debe-Haber] = 'D' THEN Importe ELSE -Importe END)) "
      "FROM MV_ASIENTOS WHERE Cuenta = '112014567'");
  EXPECT_EQ(diario, "15.5");
  const size_t primera = salida.find(
      "  Cuenta 112014567: 2 comprobantes por 22.5 en el archivo (registrados 1, ya importados 0, "
      "no registrados 1); en el diario " +
      diario +
      "; diferencia 7; total del informe 30, diferencia con el diario 14.5: NO CONCILIA\n");
  const size_t segunda = salida.find(
      "  Cuenta 112010123: 2 comprobantes por 20 en el archivo (registrados 2, ya importados 0, "
      "no registrados 0); en el diario 20; diferencia 0\n");
  EXPECT_NE(primera, std::string::npos) << salida;
  EXPECT_NE(segunda, std::string::npos) << salida;
  EXPECT_LT(primera, segunda);
  EXPECT_NE(salida.find("  Cuentas que concilian: 1 de 2\n"), std::string::npos);
  EXPECT_NE(salida.find("  Asientos grabados en esta corrida: 3 (6 líneas en el diario), Debe "
                        "35.5, Haber 35.5: cada asiento balancea\n"),
            std::string::npos)
      << salida;
  EXPECT_LT(salida.find("Conciliación con la base:\n"), salida.find("Resultado: parcial"));
}

// On a terminal (a pseudo-terminal made by script(1)) the bar shows lines, rate and time left,
// and a dialog printed after it starts on a line of its own.
TEST_F(LoteTest, LaBarraDelTerminalTerminaSuLinea) {
  const std::string archivo = EscribirArchivo("saldos.txt", Recibos(3000));
  const std::string salidaTerminal = Ruta("terminal.txt");
  const std::string orden = "IMPORTADOR_CARPETA=" + carpeta_ + " script -qec \"" + RutaPrograma() +
                            " --lote --modo 0 --cuenta 11101 --archivo " + archivo + " " +
                            Parametros() + "\" /dev/null > " + salidaTerminal + " 2>&1";
  ASSERT_EQ(std::system(orden.c_str()), 0);
  const std::string texto = LeerArchivo(salidaTerminal);
  EXPECT_NE(texto.find("] 100% "), std::string::npos) << texto.substr(0, 400);
  EXPECT_NE(texto.find("/3001 líneas"), std::string::npos);
  EXPECT_NE(texto.find(" l/s, faltan "), std::string::npos);
  EXPECT_NE(texto.find("\nAviso al Usuario: Proceso Finalizado!!!"), std::string::npos);
  EXPECT_EQ(texto.find("%Aviso"), std::string::npos);
}

// A trace that cannot be written is a usage error; one that fails during the run stops it.
// A damaged embedded company is refused before anything is written to it.
TEST_F(LoteTest, TrazaEIntegridadDeLaEmpresa) {
  const std::string archivo = " --archivo " + Muestra("saldos_clientes.txt") + " ";
  EXPECT_EQ(Correr("--lote --modo 0 --cuenta 11101 --traza /no/existe/traza.jsonl" + archivo +
                   Parametros()),
            2);
  EXPECT_NE(errores.find("no se puede escribir la traza /no/existe/traza.jsonl"), std::string::npos)
      << errores;
  EXPECT_EQ(ContarFilas("MV_ASIENTOS"), 0);

  // /dev/full opens, and refuses every write as a full disk does.
  EXPECT_EQ(Correr("--lote --modo 0 --cuenta 11101 --traza /dev/full" + archivo + Parametros()), 1);
  EXPECT_NE(errores.find("No se pudo escribir la traza /dev/full"), std::string::npos) << errores;
  EXPECT_NE(salida.find("Resultado: interrumpido"), std::string::npos) << salida;

  // Garbage over the last page of the file, one of the filler accounts' (written there by the
  // checkpoint): the engine's quick check finds it.
  Ejecutar("DELETE FROM MV_ASIENTOS");
  for (int i = 0; i < 300; ++i) {
    Ejecutar("INSERT INTO MA_CUENTAS (CODIGO, Descripcion) VALUES ('9" + std::to_string(i) +
             "', 'Cuenta de relleno para ocupar paginas')");
  }
  Ejecutar("PRAGMA wal_checkpoint(TRUNCATE)");
  {
    std::fstream f(archivo_, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(0, std::ios::end);
    const std::streamoff largo = f.tellp();
    const std::string basura(4096, '\xA5');
    f.seekp(largo - static_cast<std::streamoff>(basura.size()));
    f.write(basura.data(), static_cast<std::streamsize>(basura.size()));
  }
  EXPECT_EQ(Correr("--lote --modo 0 --cuenta 11101" + archivo + Parametros()), 1);
  EXPECT_EQ(ContarFilas("MV_ASIENTOS"), 0);
  EXPECT_EQ(ContarFilas("MA_CALENDARIO"), 0);
  EXPECT_NE(errores.find("está dañada"), std::string::npos) << errores;
  EXPECT_NE(errores.find("Restaure una copia de seguridad"), std::string::npos) << errores;
  EXPECT_NE(salida.find("Líneas leídas: 0"), std::string::npos) << salida;  // not one line read
}

// The price list's last line left blank by an editor names no customer: passed over, the tool
// ends (0). A list saved with LF line ends reads the same.
TEST_F(LoteTest, LaListaDePreciosTerminaConCeroConSuLineaEnBlancoFinal) {
  Ejecutar(
      "INSERT INTO MA_CUENTAS (CODIGO, Descripcion, TITULO) VALUES ('112010005', 'PEREZ JUAN', "
      "0)");
  Ejecutar(
      "INSERT INTO MA_CUENTASADIC (CODIGO, NUMERO_DOCUMENTO, IVA, CLASE) VALUES ('112010005', "
      "'20-12345678-3', 'CF', 1)");
  const std::pair<const char*, std::string> casos[] = {
      {"CR LF", "1\t2\tPEREZ JUAN\t3\r\n\r\n"},
      {"LF", "1\t2\tPEREZ JUAN\t3\n\n"},
  };
  for (const auto& [nombre, contenido] : casos) {
    SCOPED_TRACE(nombre);
    Ejecutar("UPDATE MA_CUENTASADIC SET CLASE = 1");
    EXPECT_EQ(
        Correr("--lote --lista " + EscribirArchivo("lista.txt", contenido) + " " + Parametros()), 0)
        << errores;
    EXPECT_NE(salida.find("Clases actualizadas: 1\n"), std::string::npos) << salida;
    EXPECT_NE(salida.find("Proceso finalizado"), std::string::npos) << salida;
    EXPECT_EQ(errores.find("ERROR DETECTADO"), std::string::npos) << errores;
    EXPECT_EQ(Valor("SELECT CLASE FROM MA_CUENTASADIC WHERE CODIGO = '112010005'"), "3");
  }
}

// --lista writes its report beside the list like every mode (and the JSON one where asked): the
// accented names written in other letters reconcile, as the tool found them.
TEST_F(LoteTest, LaListaDePreciosEscribeSuInforme) {
  Ejecutar(
      "INSERT INTO MA_CUENTAS (CODIGO, Descripcion, TITULO) VALUES ('112010008', 'MUÑOZ JOSÉ', 0), "
      "('112010009', 'IBÁÑEZ RAÚL', 0)");
  Ejecutar("INSERT INTO MA_CUENTASADIC (CODIGO, CLASE) VALUES ('112010008', 1), ('112010009', 1)");
  const std::string lista =
      EscribirArchivo("lista.txt", "1\t2\tMuñoz Jose\t3\r\n2\t2\tibáñez raúl \t4\r\n");
  const std::string json = Ruta("lista.json");
  ASSERT_EQ(Correr("--lote --lista " + lista + " --informe-json " + json + " " + Parametros()), 0)
      << errores;
  const std::string informe = Ruta("lista.informe.txt");
  for (const std::string& texto :
       std::vector<std::string>{"Clases actualizadas: 2", "Resultado: completo",
                                "Informe: " + informe, "Informe JSON: " + json}) {
    EXPECT_NE(salida.find(texto + "\n"), std::string::npos) << texto << "\n" << salida;
  }
  EXPECT_EQ(salida.find("NO CONCILIA"), std::string::npos) << salida;
  const std::string texto = LeerArchivo(informe);
  for (const std::string& t :
       std::vector<std::string>{"Modo: Lista de precios\r\n", "Archivo: " + lista + "\r\n",
                                "Clases de precio en MA_CUENTASADIC: 2 de 2 del archivo\r\n",
                                "Resultado: completo\r\n"}) {
    EXPECT_NE(texto.find(t), std::string::npos) << t << "\n" << texto;
  }
  const nlohmann::json j = nlohmann::json::parse(LeerArchivo(json));
  EXPECT_EQ(j["modo"]["nombre"], "Lista de precios");
  EXPECT_EQ(j["resultado"], "completa");
  EXPECT_EQ(j["cantidades"]["clasesActualizadas"], 2);
  EXPECT_EQ(j["archivosDeLaCorrida"]["informe"], informe);
  EXPECT_EQ(j["conciliacion"]["items"][0]["hallados"], 2);
}

// --ensayo: every mode runs against the company and leaves every table as it was; the summary
// is the one the real run after it prints, under its heading.
TEST_F(LoteTest, EnsayoDeCadaModo) {
  Ejecutar("DELETE FROM MA_CUENTAS");
  Ejecutar("DELETE FROM MV_EJERCICIOS");
  CargarEmpresaDeMuestra();
  const std::pair<int, const char*> casos[] = {
      {0, "saldos_clientes.txt"},  {1, "saldos_proveedores.txt"}, {2, "empleados.csv"},
      {3, "cheques_terceros.csv"}, {4, "cheques_propios.csv"},    {5, "pendientes.csv"},
      {6, "ot_pendientes.csv"}};
  for (const auto& [modo, muestra] : casos) {
    SCOPED_TRACE(muestra);
    const std::string orden =
        "--lote --modo " + std::to_string(modo) + " --archivo " + Muestra(muestra) + " ";
    const std::vector<std::string> antes = ContenidoDeTablas();
    EXPECT_EQ(Correr(orden + "--ensayo " + Parametros()), 0) << errores;
    EXPECT_EQ(ContenidoDeTablas(), antes);
    const std::string ensayo = salida;
    EXPECT_EQ(Correr(orden + Parametros()), 0) << errores;
    EXPECT_NE(ContenidoDeTablas(), antes);
    EXPECT_EQ(ensayo, "ENSAYO: no se grabó nada\n" + salida);
  }
  // The price-list tool the same way.
  const std::string lista = "--lote --lista " + Muestra("lista_precios.txt") + " ";
  const std::vector<std::string> antes = ContenidoDeTablas();
  EXPECT_EQ(Correr(lista + "--ensayo " + Parametros()), 0) << errores;
  EXPECT_EQ(ContenidoDeTablas(), antes);
  EXPECT_NE(errores.find("ENSAYO: no se grabó nada"), std::string::npos) << errores;
  const std::string ensayo = salida;
  EXPECT_EQ(Correr(lista + Parametros()), 0) << errores;
  EXPECT_NE(ContenidoDeTablas(), antes);
  EXPECT_EQ(ensayo, "ENSAYO: no se grabó nada\n" + salida);
}

TEST_F(LoteTest, UsoIncorrectoOSinConexionDanDos) {
  const std::string archivo = " --archivo " + Muestra("saldos_clientes.txt") + " ";
  const std::string casos[] = {
      "--lote --modo 7" + archivo + Parametros(),  // no such mode
      "--lote --modo 0 " + Parametros(),           // no file
      "--lote --modo 0 --ante-error seguir" + archivo + Parametros(),
      "--lote --modo 0 --archivo " + Ruta("no-existe.txt") + " " + Parametros(),
      "--lote --modo 0" + archivo + "'@Server=sqlite:" + carpeta_ +
          "otra;@DbName=NADA;@Usuario=U;@Password=x;'",  // no connection
  };
  for (const std::string& c : casos) {
    SCOPED_TRACE(c);
    EXPECT_EQ(Correr(c), 2) << errores;
  }
  EXPECT_EQ(ContarFilas("MV_ASIENTOS"), 0);

  // The parser's own complaints come in Spanish, pointing to --help.
  const std::pair<std::string, std::string> mensajes[] = {
      {"--lote --modo 7" + archivo + Parametros(), "--modo: el valor 7 no está entre 0 y 6"},
      {"--lote --modo 0 " + Parametros(), "--modo necesita --archivo"},
      {"--lote --modo 0 --ante-error seguir" + archivo + Parametros(),
       "--ante-error: el valor seguir no es uno de {abortar,ignorar}"},
      {"--lote --modo 0 --lista x" + archivo + Parametros(), "--modo no se puede usar con --lista"},
      {"--lote --desconocida " + Parametros(), "Argumentos que no se esperaban: --desconocida"},
      {"--lote --informe-json " + Ruta("j.json") + " " + Parametros(),
       "--informe-json necesita --modo o --lista"},
      {"crear-empresa " + carpeta_, "Falta NOMBRE"},
      {"--lote --modo", "--modo: falta su valor"},
  };
  for (const auto& [argumentos, mensaje] : mensajes) {
    SCOPED_TRACE(argumentos);
    EXPECT_EQ(Correr(argumentos), 2);
    EXPECT_NE(errores.find(mensaje + "\nVea --help."), std::string::npos) << errores;
  }
}

TEST_F(LoteTest, SinModoSoloIniciaLaSesion) {
  ASSERT_EQ(Correr("--lote " + Parametros()), 0) << errores;
  EXPECT_NE(salida.find("Inicio de sesión completo"), std::string::npos) << salida;
  EXPECT_EQ(ContarFilas("Control_Acceso", "Usuario = '" + usuario_ + "'"), 1);
  EXPECT_EQ(ContarFilas("MV_ASIENTOS"), 0);
  // The folder had no statistics database: start-up created it.
  EXPECT_GT(std::filesystem::file_size(Ruta("KV_ESTADISTICAS.db")), 0u);
}

// The password apart from the command line, from the environment or an owner-only file: the
// run connects with it, and it shows up in no output, trace or file the run writes.
TEST_F(LoteTest, LaClaveAparteNoApareceEnNingunaSalida) {
  const std::string clave = "Secreto-7781";
  const std::string sinClave =
      "'@Server=" + servidor_ + ";@DbName=" + base_ + ";@Usuario=" + usuario_ + ";'";
  const std::string archivoClave = EscribirArchivo("clave.txt", clave + "\r\n");
  std::filesystem::permissions(
      archivoClave, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  const std::string traza = Ruta("traza.jsonl");
  const std::string importar =
      "--lote --modo 0 --cuenta 11101 --archivo " + Muestra("saldos_clientes.txt") + " ";
  struct Caso {
    std::string antes, argumentos;
    int estado;
  };
  const Caso casos[] = {
      {"IMPORTADOR_CLAVE=" + clave + " ", importar + "--traza " + traza + " " + sinClave, 0},
      {"", "--lote --clave-archivo " + archivoClave + " " + sinClave, 0},
      // No company there: the failed connection's messages do not show it either.
      {"IMPORTADOR_CLAVE=" + clave + " ",
       "--lote '@Server=sqlite:" + carpeta_ + "otra;@DbName=NADA;@Usuario=U;'", 2},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.argumentos);
    CorridaPrograma corrida = CorrerPrograma(carpeta_, c.argumentos, c.antes);
    EXPECT_EQ(corrida.estado, c.estado) << corrida.errores;
    EXPECT_EQ(corrida.salida.find(clave), std::string::npos) << corrida.salida;
    EXPECT_EQ(corrida.errores.find(clave), std::string::npos) << corrida.errores;
  }
  EXPECT_EQ(ContarFilas("MV_ASIENTOS"), 10);
  EXPECT_NE(LeerArchivo(traza).find("MV_ASIENTOS"), std::string::npos);
  for (const std::string& escrito : {traza, archivo_, Ruta("KV_ESTADISTICAS.db")}) {
    EXPECT_EQ(LeerArchivo(escrito).find(clave), std::string::npos) << escrito;
  }

  EXPECT_EQ(Correr("--lote --clave-archivo " + Ruta("no-existe.txt") + " " + sinClave), 2);
  EXPECT_NE(errores.find("no se puede leer el archivo de clave " + Ruta("no-existe.txt")),
            std::string::npos)
      << errores;
}

// A password file its group or others may read is refused before anything connects.
TEST_F(LoteTest, ArchivoDeClaveQueOtrosLeenSeRechaza) {
  const std::string archivoClave = EscribirArchivo("clave.txt", "Secreto-7781\n");
  for (const auto permisos :
       {std::filesystem::perms::group_read, std::filesystem::perms::others_read}) {
    std::filesystem::permissions(archivoClave, std::filesystem::perms::owner_read | permisos);
    EXPECT_EQ(Correr("--lote --clave-archivo " + archivoClave + " '@Server=" + servidor_ +
                     ";@DbName=" + base_ + ";@Usuario=" + usuario_ + ";'"),
              2);
    EXPECT_NE(
        errores.find("el archivo de clave " + archivoClave + " lo pueden leer otros usuarios"),
        std::string::npos)
        << errores;
  }
  EXPECT_EQ(ContarFilas("Control_Acceso"), 0);
}

TEST_F(LoteTest, SinServidorOSinUsuarioNombraLoQueFalta) {
  const std::pair<std::string, std::string> casos[] = {
      {"'@DbName=" + base_ + ";@Usuario=" + usuario_ + ";'", "faltan en los parámetros @Server "},
      {"'@Server=" + servidor_ + ";@DbName=" + base_ + ";'", "faltan en los parámetros @Usuario "},
      {"'@Server=" + servidor_ + "'", "faltan en los parámetros @Server y @Usuario "},
      {"", "faltan en los parámetros @Server y @Usuario "},
  };
  for (const auto& [parametros, mensaje] : casos) {
    SCOPED_TRACE(parametros);
    EXPECT_EQ(Correr("--lote --modo 0 --cuenta 11101 --archivo " + Muestra("saldos_clientes.txt") +
                     " " + parametros),
              2);
    EXPECT_NE(errores.find(mensaje), std::string::npos) << errores;
  }
  EXPECT_EQ(ContarFilas("Control_Acceso"), 0);
}

// The report as JSON where --informe-json asks, beside the text one; a path that cannot be
// written is refused before anything is read.
TEST_F(LoteTest, InformeJsonDondeSePide) {
  const std::string archivo =
      EscribirArchivo("saldos.txt", Recibos(1) + Recibo("2", "10", "15/01/2019", "15/01/2019"));
  const std::string json = Ruta("informe.json");
  ASSERT_EQ(Correr("--lote --modo 0 --cuenta 11101 --informe-json " + json + " --archivo " +
                   archivo + " " + Parametros()),
            3)
      << errores;
  for (const std::string& texto :
       {"Líneas para corregir: " + Ruta("saldos.rechazados.txt"),
        "Motivos: " + Ruta("saldos.rechazados.motivos.csv"),
        "Informe: " + Ruta("saldos.informe.txt"), "Informe JSON: " + json}) {
    EXPECT_NE(salida.find(texto + "\n"), std::string::npos) << texto << "\n" << salida;
  }
  const nlohmann::json informe = nlohmann::json::parse(LeerArchivo(json));
  EXPECT_EQ(informe["resultado"], "parcial");
  EXPECT_EQ(informe["noRegistradas"][0]["motivo"], "fuera de ejercicio");
  EXPECT_EQ(LeerArchivo(Ruta("saldos.rechazados.txt")),
            "Cliente: 123\r\n" + Recibo("2", "10", "15/01/2019", "15/01/2019"));

  Ejecutar("DELETE FROM MV_ASIENTOS");
  EXPECT_EQ(Correr("--lote --modo 0 --cuenta 11101 --informe-json /no/existe/informe.json "
                   "--archivo " +
                   archivo + " " + Parametros()),
            2);
  EXPECT_NE(errores.find("no se puede escribir el informe /no/existe/informe.json"),
            std::string::npos)
      << errores;
  EXPECT_EQ(ContarFilas("MV_ASIENTOS"), 0);
}

TEST_F(LoteTest, AyudaSinPantalla) {
  ASSERT_EQ(Correr("--help"), 0);
  for (const char* fragmento :
       {"Uso:", "Opciones:", "Muestra esta ayuda y termina", "--lote", "--ante-error", "--traza",
        "--informe-json", "--lista", "Estado de salida"}) {
    EXPECT_NE(salida.find(fragmento), std::string::npos) << fragmento;
  }
  // The help speaks of what the operator sees, not of the window's internal control names.
  for (const char* interno : {"optOpcion", "txtRuta", "txtCuenta", "txtConcepto", "TxtLista",
                              "Options:", "TEXT ", "REQUIRED"}) {
    EXPECT_EQ(salida.find(interno), std::string::npos) << interno;
  }
  EXPECT_EQ(Correr("--version"), 0);
}

}  // namespace
