// The batch mode as operators run it: the built program on a real company and a sample file,
// with its exit statuses, the dialogs on standard error and the summary on standard output.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
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
      // A lone LF inside a field of a CR LF file is a control character, even in a column the
      // layout does not read: its line is refused with line and column, and a warning.
      {"fines de línea mezclados",
       "Cliente: 123\r\n" + linea("15/01/2020", "1") +
           "16/01/2020;;a\nb;;REC X 0001-2;;;;;;;;;16/01/2020" + std::string(24, ';') + "10\r\n",
       "",
       3,
       {"Aviso: el archivo termina sus líneas con CR LF y tiene LF sueltos dentro de líneas, que "
        "no se importan (carácter de control 0x0A); el primero en la línea 3",
        "línea 3: carácter de control: 0x0A en la columna 2", "Registrados: 1",
        "Resultado: parcial"},
       2},
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

// Values reach the company as they were read: a concept, a cheque number or an employee's name
// that looks like a date stays byte for byte; a date written yyyy-mm-dd is a date like any
// other, stored in the engine's date form, posted in its month and fiscal year and refused
// outside it. A second run of the same file posts nothing more.
TEST_F(LoteTest, LosValoresLleganComoSeLeyeron) {
  using Filas = std::vector<std::vector<std::string>>;
  Ejecutar("INSERT INTO MA_CUENTAS (CODIGO, Descripcion, TITULO) VALUES ('21105', 'Sueldos', 1)");
  struct Caso {
    const char* nombre;
    std::string opciones;  // mode, counter-account, concept
    std::string contenido;
    int estado;
    std::vector<std::string> enSalida;
    std::string consulta;  // what the company holds afterwards
    Filas filas;
    std::string otraVez;  // what the second run says instead of posting again
  };
  const Caso casos[] = {
      {"concepto con forma de fecha",
       "--modo 0 --cuenta 11101 --concepto 31/12/2023 ",
       "Cliente: 123\r\n" + Recibo("1", "10"),
       0,
       {"Registrados: 1"},
       "SELECT Detalle, Fecha, COUNT(*) FROM MV_ASIENTOS GROUP BY Detalle, Fecha",
       {{"31/12/2023", "2020-01-15 00:00:00", "2"}},
       "Ya importados: 1"},
      {"cheque numerado como una fecha",
       "--modo 3 --cuenta 111010002 ",
       "15/01/2020;15/02/2020;Banco;Cobro;011;01/02/2020;Perez;100\r\n",
       0,
       {"Registrados: 1"},
       "SELECT NROCOMPROBANTEBANCARIO, VENCIMIENTO, COUNT(*) FROM MV_ASIENTOS "
       "WHERE NROCOMPROBANTEBANCARIO IS NOT NULL GROUP BY 1, 2",
       {{"01/02/2020", "2020-02-15 00:00:00", "1"}},
       "Ya importados: 1"},
      {"empleado con nombre de fecha",
       "--modo 2 --cuenta 21105 ",
       "15/01/2020\r\nPEREZ;JUAN\r\n",
       0,
       {"Cuentas creadas: 2"},
       "SELECT CODIGO, Descripcion FROM MA_CUENTAS WHERE CODIGO LIKE '21105_%' ORDER BY CODIGO",
       {{"211050001", "15/01/2020"}, {"211050002", "PEREZ JUAN"}},
       "Cuentas existentes: 2"},
      {"fecha ISO",
       "--modo 0 --cuenta 11101 ",
       "Cliente: 123\r\n" + Recibo("1", "10", "2020-01-15", "2020-02-15"),
       0,
       {"Registrados: 1"},
       "SELECT DISTINCT a.Fecha, a.FechaSubDiario, a.VENCIMIENTO, a.MES_OPERATIVO, a.PERIODO, "
       "c.FECHA FROM MV_ASIENTOS a, MA_CALENDARIO c",
       {{"2020-01-15 00:00:00", "2020-01-15 00:00:00", "2020-02-15 00:00:00", "1", "2020",
         "2020-01-15 00:00:00"}},
       "Ya importados: 1"},
      {"fecha ISO fuera de ejercicio",
       "--modo 0 --cuenta 11101 ",
       "Cliente: 123\r\n" + Recibo("1", "10", "2019-12-31", "2020-01-31"),
       3,
       {"Fuera de ejercicio: 1", "línea 2: fuera de ejercicio: 2019-12-31"},
       "SELECT COUNT(*) FROM MV_ASIENTOS",
       {{"0"}},
       "Fuera de ejercicio: 1"},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    Ejecutar("DELETE FROM MV_ASIENTOS");
    Ejecutar("DELETE FROM MA_CALENDARIO");
    Ejecutar("DELETE FROM MA_CUENTAS WHERE CODIGO LIKE '21105_%'");
    const std::string archivo = EscribirArchivo("valores.txt", c.contenido);
    for (int vez = 0; vez < 2; ++vez) {
      SCOPED_TRACE(vez == 0 ? "primera corrida" : "segunda corrida");
      EXPECT_EQ(Correr("--lote " + c.opciones + "--archivo " + archivo + " " + Parametros()),
                c.estado)
          << errores;
      for (const std::string& texto : vez == 0 ? c.enSalida : std::vector{c.otraVez}) {
        EXPECT_NE(salida.find(texto), std::string::npos) << texto << "\n" << salida;
      }
      EXPECT_EQ(Consultar(c.consulta), c.filas);
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

// Every line read ends in exactly one of the summary's line counts; a line not posted, for any
// reason, counts on the file's side of the reconciliation; a figure that does not reconcile
// makes the run partial (3) and opens the summary.
TEST_F(LoteTest, LasCuentasDeLaCorridaDicenLaVerdad) {
  // A control byte in the column after the date, where the layout reads nothing.
  const auto conControl = [](std::string linea) { return linea.insert(11, "\x01"); };
  const std::string total4567 = "Total Cliente: 4567" + std::string(37, ';') + "7,00\r\n";
  struct Caso {
    const char* nombre;
    std::string contenido;
    int estado;
    // registered, already there, not posted, zero amount, passed over; conversion, refused
    std::vector<long> lineas;
    std::vector<long> valores;
    std::string comienzo;  // what the summary opens with
    std::vector<std::string> enSalida;
    int64_t filas;
    std::string modo = "--modo 0 --cuenta 11101 ";
    nlohmann::json conOtraLetra = nlohmann::json::array();  // as the JSON report lists them
  };
  const Caso casos[] = {
      {"un carácter de control deja un comprobante sin registrar",
       "Cliente: 123\r\n" + Recibo("1", "10") + conControl(Recibo("2", "20")),
       3,
       {1, 0, 1, 0, 1},
       {0, 1},
       "NO CONCILIA con la base:\n  cuenta 112010123: archivo 30, diario 10, diferencia 20\n",
       {"no registrados 1); en el diario 10; diferencia 20: NO CONCILIA",
        "Cuentas que concilian: 0 de 1", "Valores rehusados: 1"},
       2},
      {"el control en el importe: se dice, no se inventa",
       "Cliente: 123\r\n" + Recibo("1", "10") +
           Recibo("2",
                  "2\x01"
                  "0"),
       3,
       {1, 0, 1, 0, 1},
       {0, 1},
       "NO CONCILIA con la base:\n  cuenta 112010123: archivo 10, diario 10, diferencia 0, 1 sin "
       "importe legible\n",
       {"1 sin importe legible: NO CONCILIA"},
       2},
      {"todo registrado, pero el total del informe no es el del diario",
       "Cliente: 4567\r\n" + Recibo("1", "5") + total4567,
       3,
       {1, 0, 0, 0, 2},
       {0, 0},
       "NO CONCILIA con la base:\n  cuenta 112014567: archivo 5, diario 5, diferencia 0, total "
       "del informe 7\n",
       {"Resultado: parcial: la conciliación no concilia"},
       2},
      {"una cabecera con un carácter de control no presta su bloque a la anterior",
       "Cliente: 123\r\n" + Recibo("1", "10") +
           "Cliente: 45\x01"
           "67\r\n" +
           Recibo("2", "20"),
       3,
       {1, 0, 2, 0, 1},
       {0, 2},
       "NO CONCILIA con la base:\n  cuenta (cabecera ilegible): archivo 20, diario 0, diferencia "
       "20\n",
       {"línea 4: sin cabecera legible"},
       2},
      {"de todo un poco",
       "LISTADO DE SALDOS\r\nCliente: 123\r\n" + Recibo("1", "10") + Recibo("1", "10") + "\r\n" +
           Recibo("2", "1x") + Recibo("3", "10", "15/01/2019", "15/01/2019") +
           "15/01/2020;;;;REC X 0001-4\r\n" +
           Recibo("5",
                  "2\x01"
                  "0") +
           "Cliente: 4567\r\n" + Recibo("1", "7") + total4567,
       3,
       {2, 1, 4, 0, 5},
       {1, 1},
       "NO CONCILIA con la base:\n  cuenta 112010123: ",
       {"Líneas leídas: 12\n  registradas 2, ya importadas 1, no registradas 4, pasadas por alto "
        "(en blanco, títulos, cabeceras, totales) 5\n",
        "Con otra letra: 1\n  línea 11: CB 0001-00000001, letra X en el archivo, registrado con "
        "la letra A\n",
        "Errores de conversión: 1\n", "Valores rehusados: 1\n", "Fuera de ejercicio: 1\n",
        "Incompletos: 1\n", "Cuentas que concilian: 1 de 2"},
       4,
       "--modo 0 --cuenta 11101 ",
       nlohmann::json::array({nlohmann::json{{"linea", 11},
                                             {"comprobante", "CB 0001-00000001"},
                                             {"letraArchivo", "X"},
                                             {"letra", "A"}}})},
      {"cheques: uno con un carácter de control, otro de importe cero",
       "15/01/2020;15/02/2020;Banco;Cobro;011;0012345;Perez;100\r\n"
       "15/01/2020;15/02/2020;Banco\x01;Cobro;011;0012346;Perez;200\r\n"
       "15/01/2020;15/02/2020;Banco;Cobro;011;0012347;Perez;0\r\n",
       3,
       {1, 0, 1, 1, 0},
       {0, 1},
       "NO CONCILIA con la base:\n  cheques: archivo 300, diario 100, diferencia 200",
       {"línea 2: carácter de control"},
       2,
       "--modo 3 --cuenta 111010002 "},
  };
  const std::string json = Ruta("informe.json");
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    Ejecutar("DELETE FROM MV_ASIENTOS");
    const std::string archivo = EscribirArchivo("saldos.txt", c.contenido);
    EXPECT_EQ(Correr("--lote " + c.modo + "--ante-error ignorar --informe-json " + json +
                     " --archivo " + archivo + " " + Parametros()),
              c.estado)
        << errores;
    EXPECT_EQ(salida.rfind(c.comienzo, 0), 0u) << salida;
    for (const std::string& texto : c.enSalida) {
      EXPECT_NE(salida.find(texto), std::string::npos) << texto << "\n" << salida;
    }
    EXPECT_EQ(ContarFilas("MV_ASIENTOS"), c.filas);
    const nlohmann::json informe = nlohmann::json::parse(LeerArchivo(json));
    const nlohmann::json& l = informe["lineas"];
    const std::vector<long> lineas = {l["registradas"], l["yaImportadas"], l["noRegistradas"],
                                      l["importeCero"], l["pasadasPorAlto"]};
    EXPECT_EQ(lineas, c.lineas);
    long suma = 0;
    for (long n : lineas) suma += n;
    EXPECT_EQ(suma, informe["cantidades"]["lineasLeidas"].get<long>());
    EXPECT_EQ(informe["cantidades"]["lineasLeidas"].get<size_t>(),
              static_cast<size_t>(std::count(c.contenido.begin(), c.contenido.end(), '\n')));
    const std::vector<long> valores = {informe["cantidades"]["erroresDeConversion"],
                                       informe["cantidades"]["valoresRehusados"]};
    EXPECT_EQ(valores, c.valores);
    EXPECT_EQ(informe["resultado"], "parcial");
    EXPECT_FALSE(informe["conciliacion"]["diferencias"].empty());
    EXPECT_EQ(informe["conOtraLetra"], c.conOtraLetra);
  }
}

// After a stop on --max-rechazos the rejected-lines file carries the refused lines and, after
// them, the lines never read (with their customer's header): importing it finishes the job, and
// the company ends as one run of the whole file leaves it.
TEST_F(LoteTest, TrasElLimiteDeRechazosElArchivoDeRechazadosTerminaElTrabajo) {
  // A voucher number longer than its column is refused by the database.
  std::string contenido = "Cliente: 123\r\n" + Recibo("1", "10") + Recibo("2", "10");
  for (int i = 1; i <= 3; ++i) contenido += Recibo("12345678" + std::to_string(i), "10");
  contenido += Recibo("3", "10") + Recibo("4", "10") + "Cliente: 4567\r\n" + Recibo("5", "7");
  const std::string archivo = EscribirArchivo("saldos.txt", contenido);
  const std::string rechazados = Ruta("saldos.rechazados.txt");
  const std::string columnas =
      "SELECT Cuenta, TC, SUCURSAL, NUMERO, LETRA, [Debe-Haber], Importe, Secuencia, "
      "[NUMERO ASIENTO], FECHA FROM MV_ASIENTOS ORDER BY [NUMERO ASIENTO], Secuencia";

  EXPECT_EQ(Correr("--lote --modo 0 --cuenta 11101 --ante-error ignorar --max-rechazos 3 "
                   "--archivo " +
                   archivo + " " + Parametros()),
            3)
      << errores;
  EXPECT_NE(salida.find("Aviso: las 4 líneas desde la 7 no se leyeron: van en el archivo de "
                        "líneas para corregir"),
            std::string::npos)
      << salida;
  EXPECT_NE(salida.find("Líneas para corregir: " + rechazados), std::string::npos) << salida;
  std::string esperado = "Cliente: 123\r\n";
  for (int i = 1; i <= 3; ++i) esperado += Recibo("12345678" + std::to_string(i), "10");
  esperado += Recibo("3", "10") + Recibo("4", "10") + "Cliente: 4567\r\n" + Recibo("5", "7");
  EXPECT_EQ(LeerArchivo(rechazados), esperado);

  EXPECT_EQ(Correr("--lote --modo 0 --cuenta 11101 --ante-error ignorar --max-rechazos 0 "
                   "--archivo " +
                   rechazados + " " + Parametros()),
            3)
      << errores;
  EXPECT_NE(salida.find("Rechazados por la base: 3 "), std::string::npos) << salida;
  const auto enDosVeces = Consultar(columnas);

  Ejecutar("DELETE FROM MV_ASIENTOS");
  Ejecutar("DELETE FROM MA_CALENDARIO");
  EXPECT_EQ(Correr("--lote --modo 0 --cuenta 11101 --ante-error ignorar --max-rechazos 0 "
                   "--archivo " +
                   archivo + " " + Parametros()),
            3)
      << errores;
  EXPECT_EQ(ContarFilas("MV_ASIENTOS"), 10);
  EXPECT_EQ(enDosVeces, Consultar(columnas));
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
  // Start-up checks first: neither a run nor start-up alone writes a byte into the company
  // (not even the access-log row, nor into the write-ahead log).
  const auto bytes = [this] {
    return LeerArchivo(archivo_) + "|" + LeerArchivo(archivo_ + "-wal");
  };
  const std::string antes = bytes();
  for (const std::string& modo :
       {std::string("--modo 0 --cuenta 11101") + archivo, std::string()}) {
    SCOPED_TRACE(modo);
    EXPECT_EQ(Correr("--lote " + modo + Parametros()), 1);
    EXPECT_NE(errores.find("está dañada"), std::string::npos) << errores;
    EXPECT_NE(errores.find("Restaure una copia de seguridad"), std::string::npos) << errores;
    EXPECT_EQ(errores.find("no se pudo abrir la conexión"), std::string::npos) << errores;
    EXPECT_EQ(salida.find("Inicio de sesión completo"), std::string::npos) << salida;
    EXPECT_EQ(salida.find("Líneas leídas"), std::string::npos) << salida;  // no run at all
    EXPECT_TRUE(bytes() == antes);
  }
  EXPECT_EQ(ContarFilas("MV_ASIENTOS"), 0);
  EXPECT_EQ(ContarFilas("MA_CALENDARIO"), 0);
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

// Every table but the access log, whose row start-up adds on every run.
std::vector<std::string> SinRegistroDeAcceso(std::vector<std::string> filas) {
  std::erase_if(filas, [](const std::string& f) { return f.rfind("Control_Acceso|", 0) == 0; });
  return filas;
}

// A sample run in a mode it is not for is refused before anything is written (2), naming the
// mode it is for.
TEST_F(LoteTest, CadaMuestraEnOtroModoSeRechazaSinGrabar) {
  Ejecutar("DELETE FROM MA_CUENTAS");
  Ejecutar("DELETE FROM MV_EJERCICIOS");
  CargarEmpresaDeMuestra();
  struct DeModo {
    const char* archivo;
    std::vector<int> suyos;
    std::string pareceDe;
  };
  const DeModo muestras[] = {
      {"saldos_clientes.txt", {0}, "Conformación Saldo Clientes (modo 0)"},
      {"saldos_proveedores.txt", {1}, "Conformación Saldo Proveedores (modo 1)"},
      {"empleados.csv", {2}, "Alta Empleados (modo 2)"},
      {"cheques_terceros.csv", {3}, "Cheques de Terceros (modo 3)"},
      {"cheques_propios.csv", {4}, "Cheques Propios (modo 4)"},
      {"pendientes.csv",
       {5, 6},
       "Remitos Pendientes de Facturar u OT Pendientes de Remitir (modos 5 y 6)"},
      {"ot_pendientes.csv",
       {5, 6},
       "Remitos Pendientes de Facturar u OT Pendientes de Remitir (modos 5 y 6)"},
      {"lista_precios.txt", {}, "una lista de precios (--lista)"},
  };
  const std::vector<std::string> antes = SinRegistroDeAcceso(ContenidoDeTablas());
  for (const DeModo& m : muestras) {
    for (int modo = 0; modo <= 6; ++modo) {
      if (std::find(m.suyos.begin(), m.suyos.end(), modo) != m.suyos.end()) continue;
      SCOPED_TRACE(std::string(m.archivo) + " en el modo " + std::to_string(modo));
      EXPECT_EQ(Correr("--lote --modo " + std::to_string(modo) + " --archivo " +
                       Muestra(m.archivo) + " " + Parametros()),
                2)
          << errores;
      EXPECT_NE(salida.find("Archivo rechazado: el archivo " + Muestra(m.archivo) +
                            " no tiene la forma de "),
                std::string::npos)
          << salida;
      EXPECT_NE(salida.find("; parece de " + m.pareceDe + ". No se importó nada.\n"),
                std::string::npos)
          << salida;
      EXPECT_NE(salida.find("Resultado: archivo rechazado: no se importó nada\n"),
                std::string::npos)
          << salida;
      EXPECT_NE(errores.find("Aviso al Usuario: El archivo " + Muestra(m.archivo) +
                             " no tiene la forma de"),
                std::string::npos)
          << errores;
      EXPECT_EQ(SinRegistroDeAcceso(ContenidoDeTablas()), antes);
    }
  }
}

// What the run refuses, or passes over, however the file is made: exit status, summary and
// what the company holds after it.
TEST_F(LoteTest, GuardasDeLaCuentaYDelArchivo) {
  Ejecutar("DELETE FROM MA_CUENTAS");
  Ejecutar("DELETE FROM MV_EJERCICIOS");
  CargarEmpresaDeMuestra();
  // A posting account outside the customers' title whose code is a customer's record.
  Ejecutar("INSERT INTO MA_CUENTAS (CODIGO, Descripcion, TITULO) VALUES ('13105', 'Anticipos', 0)");
  Ejecutar("INSERT INTO VT_CLIENTES (Codigo, RAZON_SOCIAL) VALUES ('13105', 'Cliente suelto')");
  const std::string cheque = "15/01/2020;15/02/2020;Banco;Cobro;011;0012345;Perez;100\r\n";
  const std::string saldo = "Cliente: 123\r\n" + Recibo("1", "10");
  struct Caso {
    const char* nombre;
    std::string argumentos;  // mode and counter-account
    std::string contenido;   // the file's bytes
    int estado;
    std::vector<std::string> enSalida;  // summary fragments
    std::string enErrores;              // a dialog's fragment
    int64_t asientos;                   // journal lines after the run
    int64_t empleados = 0;              // accounts under 21105 after the run
  };
  const std::string clientes = "--modo 0 --cuenta 13101 ";
  const std::string terceros = "--modo 3 --cuenta 111010002 ";
  const std::string empleados = "--modo 2 --cuenta 21105 ";
  const std::string contrapartida =
      "Debe informar una cuenta de contrapartida válida!!!    La cuenta ";
  const Caso casos[] = {
      // Counter-accounts that would move amounts between holders: refused at the check (1).
      {"cuenta de un cliente", "--modo 0 --cuenta 112010123 ", saldo, 1,
       {"Resultado: interrumpido"}, contrapartida + "112010123 es de clientes", 0},
      {"cuenta de un proveedor", "--modo 3 --cuenta 211010042 ", cheque, 1,
       {"Resultado: interrumpido"}, contrapartida + "211010042 es de proveedores", 0},
      {"cuenta con ficha de cliente", "--modo 4 --cuenta 13105 ",
       "15/01/2020;Pago;Banco;15/02/2020;0012345;100\r\n", 1, {"Resultado: interrumpido"},
       contrapartida + "13105 es la cuenta de un cliente (VT_CLIENTES)", 0},
      {"la cuenta del otro lado del cheque", "--modo 3 --cuenta 511 ", cheque, 1,
       {"Resultado: interrumpido"}, contrapartida + "511 es la cuenta 511", 0},
      {"empleados bajo el título de clientes", "--modo 2 --cuenta 11201 ", "PEREZ;JUAN\r\n", 1,
       {"Resultado: interrumpido"}, contrapartida + "11201 es de clientes", 0},
      // Files with nothing to import, or not text: refused before the loop (2).
      {"0 bytes", clientes, "", 2,
       {"Archivo rechazado: el archivo ", " está vacío (no tiene ninguna línea con datos)",
        "Resultado: archivo rechazado"},
       "está vacío", 0},
      {"solo líneas en blanco", terceros, "\r\n   \r\n\r\n", 2,
       {" está vacío", "Líneas leídas: 0"}, "está vacío", 0},
      {"un byte NUL", empleados, std::string("PEREZ;JUAN\r\nGOMEZ;A\0NA\r\nRUIZ;EVA\r\n", 32), 2,
       {" no es un archivo de texto: la línea 2 tiene un byte NUL", "Resultado: archivo rechazado"},
       "la línea 2 tiene un byte NUL", 0},
      // A blank line inside a cheque file is passed over: complete (0).
      {"línea en blanco entre cheques", terceros,
       cheque + "\r\n  \r\n" + "16/01/2020;16/02/2020;Banco;Cobro;011;0012346;Perez;200\r\n", 0,
       {"Registrados: 2", "Incompletos: 0", "Resultado: completo"}, "Proceso Finalizado!!!", 4},
      // Control characters, the undefined Windows-1252 bytes among them, refuse their line
      // with line and column; the other lines are posted (3).
      {"bytes que Windows-1252 no define", empleados,
       "PEREZ;JUAN\r\nA\x81;B\r\nC;\x8D\r\nD\x8F\r\nE;F;\x90\r\n\x9D\r\nGOMEZ;ANA\r\n", 3,
       {"línea 2: carácter de control: 0x81 en la columna 0",
        "línea 3: carácter de control: 0x8D en la columna 1",
        "línea 4: carácter de control: 0x8F en la columna 0",
        "línea 5: carácter de control: 0x90 en la columna 2",
        "línea 6: carácter de control: 0x9D en la columna 0", "Cuentas creadas: 2"},
       "Proceso Finalizado!!!", 0, 2},
      {"controles C1 en UTF-8", empleados, "PÉREZ;JUAN\r\nGOMEZ;\xC2\x85" "ANA\r\nRUIZ\x7F\r\n", 3,
       {"línea 2: carácter de control: U+0085 en la columna 1",
        "línea 3: carácter de control: 0x7F en la columna 0", "Cuentas creadas: 1"},
       "Proceso Finalizado!!!", 0, 1},
      {"LF suelto en un nombre", empleados, "MIXDOS B\nMIXTRES C\r\nGOMEZ;ANA\r\n", 3,
       {"línea 1: carácter de control: 0x0A en la columna 0", "Cuentas creadas: 1"},
       "Proceso Finalizado!!!", 0, 1},
      // Amounts the company cannot hold as written: refused with line and value; the
      // reconciliation still reads the journal (3).
      {"importe en el borde del rango", clientes + "--ante-error ignorar ",
       saldo + Recibo("2", "922337203685477,5807") + Recibo("3", "-922337203685477,5807"), 3,
       {"línea 3: importe fuera de rango: 922337203685477,5807",
        "línea 4: importe fuera de rango: -922337203685477,5807", "Registrados: 1",
        "Resultado: parcial"},
       "el importe \"922337203685477,5807\" tiene más de 15 cifras significativas", 2},
      {"importe fuera del rango", terceros + "--ante-error ignorar ",
       cheque + "16/01/2020;16/02/2020;Banco;Cobro;011;0012346;Perez;1000000000000000\r\n", 3,
       {"línea 2: incompleta: el importe \"1000000000000000\" está fuera del rango de un importe",
        "Registrados: 1", "Resultado: parcial"},
       "línea 2: el importe \"1000000000000000\" está fuera del rango", 2},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    Ejecutar("DELETE FROM MV_ASIENTOS");
    Ejecutar("DELETE FROM MA_CALENDARIO");
    Ejecutar("DELETE FROM MA_CUENTAS WHERE CODIGO LIKE '21105_%'");
    const std::string archivo = EscribirArchivo("entrada.txt", c.contenido);
    EXPECT_EQ(Correr("--lote " + c.argumentos + "--archivo " + archivo + " " + Parametros()),
              c.estado)
        << errores << salida;
    for (const std::string& texto : c.enSalida) {
      EXPECT_NE(salida.find(texto), std::string::npos) << texto << "\n" << salida;
    }
    EXPECT_NE(errores.find(c.enErrores), std::string::npos) << c.enErrores << "\n" << errores;
    EXPECT_EQ(salida.find("No se pudo leer la base para conciliar"), std::string::npos) << salida;
    EXPECT_EQ(ContarFilas("MV_ASIENTOS"), c.asientos);
    EXPECT_EQ(ContarFilas("MA_CUENTAS", "CODIGO LIKE '21105_%'"), c.empleados);
  }
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
