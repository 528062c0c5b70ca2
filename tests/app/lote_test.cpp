// The batch mode as operators run it: the built program on a real company and a sample file,
// with its exit statuses, the dialogs on standard error and the summary on standard output.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
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
        "('112010123', 'Panadería', 0), ('112014567', 'Ferretería', 0)");
    AgregarEjercicio(2020);
  }

  // Runs the program; stdout and stderr go to files of the test folder.
  int Correr(const std::string& argumentos) {
    // No display at all: the batch mode, --help and --version must never need one.
    CorridaPrograma corrida = CorrerPrograma(
        carpeta_, argumentos, "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM ");
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
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    Ejecutar("DELETE FROM MV_ASIENTOS");
    const std::string archivo = EscribirArchivo("saldos.txt", c.contenido);
    EXPECT_EQ(Correr("--lote --modo 0 --cuenta 11101 --ante-error ignorar " + c.concepto +
                     "--archivo " + archivo + " " + Parametros()),
              c.estado)
        << errores;
    for (const std::string& texto : c.enSalida) {
      EXPECT_NE(salida.find(texto), std::string::npos) << texto << "\n" << salida;
    }
    EXPECT_EQ(ContarFilas("MV_ASIENTOS"), c.asientos);
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

  // Garbage over a page in the middle of the file: the engine's quick check finds it.
  Ejecutar("DELETE FROM MV_ASIENTOS");
  for (int i = 0; i < 300; ++i) {
    Ejecutar("INSERT INTO MA_CUENTAS (CODIGO, Descripcion) VALUES ('9" + std::to_string(i) +
             "', 'Cuenta de relleno para ocupar paginas')");
  }
  {
    std::fstream f(archivo_, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(0, std::ios::end);
    const std::streamoff largo = f.tellp();
    f.seekp(largo / 2);
    const std::string basura(4096, '\xA5');
    f.write(basura.data(), static_cast<std::streamsize>(basura.size()));
  }
  EXPECT_EQ(Correr("--lote --modo 0 --cuenta 11101" + archivo + Parametros()), 1);
  EXPECT_NE(errores.find("está dañada"), std::string::npos) << errores;
  EXPECT_NE(errores.find("Restaure una copia de seguridad"), std::string::npos) << errores;
  EXPECT_NE(salida.find("Líneas leídas: 0"), std::string::npos) << salida;  // not one line read
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
}

TEST_F(LoteTest, SinModoSoloIniciaLaSesion) {
  ASSERT_EQ(Correr("--lote " + Parametros()), 0) << errores;
  EXPECT_NE(salida.find("Inicio de sesión completo"), std::string::npos) << salida;
  EXPECT_EQ(ContarFilas("Control_Acceso", "Usuario = '" + usuario_ + "'"), 1);
  EXPECT_EQ(ContarFilas("MV_ASIENTOS"), 0);
  // The folder had no statistics database: start-up created it.
  EXPECT_GT(std::filesystem::file_size(Ruta("KV_ESTADISTICAS.db")), 0u);
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

TEST_F(LoteTest, AyudaSinPantalla) {
  ASSERT_EQ(Correr("--help"), 0);
  for (const char* fragmento : {"--lote", "--ante-error", "--traza", "--lista", "Exit status"}) {
    EXPECT_NE(salida.find(fragmento), std::string::npos) << fragmento;
  }
  EXPECT_EQ(Correr("--version"), 0);
}

}  // namespace
