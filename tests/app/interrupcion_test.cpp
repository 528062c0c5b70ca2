// The batch mode killed with SIGKILL in the middle of a run, several times, then run to the
// end: the company must hold exactly what one uninterrupted run writes. Stopped by SIGTERM,
// SIGINT or SIGHUP, a run ends after its line with its summary and report; a closed pipe or a
// file-size limit only fails its writes.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "data/conexiones.h"
#include "data/empresa.h"
#include "platform/ado.h"
#include "platform/bloqueo_archivo.h"
#include "tests/support/empresa.h"
#include "tests/support/programa.h"

namespace {

// The batches a run's trace shows ended: committed, or in a dry run released as savepoints.
size_t Terminados(const std::string& traza, const std::string& fin) {
  std::ifstream f(traza);
  std::string linea;
  size_t n = 0;
  while (std::getline(f, linea)) {
    if (linea.find("\"sql\":\"" + fin + "\"") != std::string::npos) ++n;
  }
  return n;
}

size_t Confirmados(const std::string& traza) { return Terminados(traza, "COMMIT TRANSACTION"); }

// Customer 123's header and `recibos` receipts of 38 columns numbered from 1; every
// `malo`-th receipt (0: none) has an amount that does not convert.
std::string Saldos(int recibos, int malo = 0) {
  std::ostringstream f;
  f << "Cliente: 123;;Panaderia;;;;\r\n";
  for (int i = 1; i <= recibos; ++i) {
    std::vector<std::string> c(38);
    c[0] = c[13] = "15/01/2020";
    c[4] = "FC A 0001-" + std::to_string(10000000 + i).substr(1);
    c[37] = malo > 0 && i % malo == 0 ? "1x" : std::to_string(100 + i) + ",25";
    for (size_t k = 0; k < c.size(); ++k) f << (k ? ";" : "") << c[k];
    f << "\r\n";
  }
  return f.str();
}

const char* const kTablas[] = {"MV_ASIENTOS", "MA_CALENDARIO", "MA_CUENTAS"};

class InterrupcionTest : public PruebaEmpresa {
 protected:
  void SetUp() override {
    PruebaEmpresa::SetUp();
    Ejecutar(
        "INSERT INTO MA_CUENTAS (CODIGO, Descripcion, TITULO) VALUES ('11101', 'Caja', 0), "
        "('112010123', 'Panaderia', 0), ('111010002', 'Valores', 0), ('511', 'Apertura', 0)");
    AgregarEjercicio(2020);
    // The reference company: the same start, run once without interruption.
    std::filesystem::create_directory(Ruta("limpia"));
    Ejecutar("VACUUM INTO '" + Ruta("limpia/") + base_ + ".db'");
  }

  std::string Parametros(const std::string& servidor) const {
    return "'@Server=" + servidor + ";@DbName=" + base_ + ";@Usuario=" + usuario_ +
           ";@Password=x;'";
  }

  // How a run started by Lanzar ended.
  struct Fin {
    bool enviadas = false;  // the signals were sent before the program ended
    int estado = -1;        // its exit status; -1 when a signal ended it
    int senal = 0;          // the signal that ended it
  };
  // What a run is started with besides its mode, file and counter-account.
  struct Arranque {
    size_t tras = 0;                   // signals sent once this many batches are done...
    std::vector<int> senales{SIGKILL};  // ...these, one after the other
    bool ensayo = false;
    std::string opciones;                           // more options of the program
    std::string salidas = " >>salida.txt 2>&1";      // the shell's redirections
    int tuberiaCerrada = -1;  // 1 or 2: that stream is a pipe nobody reads
    rlim_t limiteArchivos = RLIM_INFINITY;  // the file-size limit
  };

  // Starts the program in the test folder; sends the signals once `tras` > 0 batches are
  // committed (in a dry run: released), or SIGKILL after a minute.
  Fin Lanzar(const std::string& modo, const std::string& archivo, const std::string& cuenta,
             const std::string& servidor, const Arranque& a) {
    const std::string traza = Ruta("traza.jsonl");
    std::filesystem::remove(traza);
    const std::string orden = "cd " + carpeta_ + " && IMPORTADOR_CARPETA=" + carpeta_ + " exec " +
                              RutaPrograma() + " --lote --modo " + modo +
                              (a.ensayo ? " --ensayo" : "") + " --cuenta " + cuenta +
                              " --archivo " + archivo + " --traza " + traza + " " + a.opciones +
                              " " + Parametros(servidor) + a.salidas + " </dev/null";
    pid_t pid = fork();
    if (pid == 0) {
      if (a.tuberiaCerrada > 0) {
        int tuberia[2];
        if (pipe(tuberia) != 0 || dup2(tuberia[1], a.tuberiaCerrada) < 0) _exit(126);
        close(tuberia[0]);
        close(tuberia[1]);
      }
      const rlimit limite{a.limiteArchivos, a.limiteArchivos};
      if (setrlimit(RLIMIT_FSIZE, &limite) != 0) _exit(126);
      execl("/bin/sh", "sh", "-c", orden.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    Fin fin;
    int estado = 0;
    const auto limite = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (waitpid(pid, &estado, WNOHANG) == 0) {
      const size_t terminados = a.ensayo ? Terminados(traza, "RELEASE LINEA") : Confirmados(traza);
      if (std::chrono::steady_clock::now() > limite) {
        kill(pid, SIGKILL);
      } else if (a.tras > 0 && !fin.enviadas && terminados >= a.tras) {
        for (int senal : a.senales) kill(pid, senal);
        fin.enviadas = true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (WIFEXITED(estado)) fin.estado = WEXITSTATUS(estado);
    if (WIFSIGNALED(estado)) fin.senal = WTERMSIG(estado);
    return fin;
  }

  // Starts the program; with `matarTras` > 0 kills it once that many batches are committed (in
  // a dry run: released). Returns true when the program ended by itself with status 0.
  bool Correr(const std::string& modo, const std::string& archivo, const std::string& cuenta,
              const std::string& servidor, size_t matarTras, bool ensayo = false) {
    Arranque a;
    a.tras = matarTras;
    a.ensayo = ensayo;
    const Fin fin = Lanzar(modo, archivo, cuenta, servidor, a);
    return !fin.enviadas && fin.estado == 0;
  }

  std::vector<std::string> Volcado(const std::string& archivo) {
    auto cnn = ado::CrearConexion();
    cnn->Open(CadenaConexionSQLite(archivo));
    std::vector<std::string> filas;
    for (const char* t : kTablas) {
      auto r = cnn->Execute(std::string("SELECT * FROM ") + t);
      for (const auto& fila : r ? r->filas : decltype(r->filas){}) {
        std::string texto = t;
        for (size_t i = 0; i < fila.size(); ++i) {
          if (r->columnas[i].nombre != "FechaHora_Grabacion") {
            texto += "|" + TextoDePrueba(fila[i]);
          }
        }
        filas.push_back(texto);
      }
    }
    cnn->Close();
    std::sort(filas.begin(), filas.end());
    return filas;
  }

  void Probar(const std::string& modo, const std::string& cuenta, const std::string& contenido,
              size_t lotes) {
    const std::string archivo = EscribirArchivo("entrada.txt", contenido);
    ASSERT_TRUE(Correr(modo, archivo, cuenta, "sqlite:" + Ruta("limpia"), 0))
        << LeerArchivo(Ruta("salida.txt"));
    const std::vector<std::string> esperado = Volcado(Ruta("limpia/") + base_ + ".db");
    ASSERT_FALSE(esperado.empty());

    std::mt19937 azar(std::random_device{}());
    size_t hechos = 0;
    int muertes = 0;
    for (int vez = 0; vez < 4 && hechos + 1 < lotes; ++vez) {
      // Kill after a few more batches than the runs before committed (they are skipped now).
      std::uniform_int_distribution<size_t> mas(1, std::max<size_t>(1, (lotes - hechos) / 3));
      const size_t matar = mas(azar);
      SCOPED_TRACE("killed after " + std::to_string(matar) + " more batches");
      if (!Correr(modo, archivo, cuenta, servidor_, matar)) ++muertes;
      hechos += Confirmados(Ruta("traza.jsonl"));
    }
    EXPECT_GT(muertes, 0) << "every run ended before it was killed";
    EXPECT_TRUE(Correr(modo, archivo, cuenta, servidor_, 0)) << LeerArchivo(Ruta("salida.txt"));
    EXPECT_EQ(Volcado(archivo_), esperado);
  }
};

TEST_F(InterrupcionTest, KilledBalanceRunsCompletedLeaveTheStateOfOneRun) {
  std::ostringstream f;
  f << "Cliente: 123;;Panaderia;;;;\r\n";
  for (int i = 1; i <= 40; ++i) {
    std::vector<std::string> c(38);
    c[0] = c[13] = "15/01/2020";
    c[4] = "FC A 0001-" + std::to_string(10000000 + i).substr(1);
    c[37] = std::to_string(100 + i) + ",25";
    for (size_t k = 0; k < c.size(); ++k) f << (k ? ";" : "") << c[k];
    f << "\r\n";
  }
  Probar("0", "11101", f.str(), 40);
}

TEST_F(InterrupcionTest, KilledChequeRunsKeepTheirNumbering) {
  std::ostringstream f;
  for (int i = 1; i <= 40; ++i) {
    f << "15/01/2020;15/02/2020;Banco;Cobro;011;00" << 12000 + i << ";Perez;" << 50 + i << "\r\n";
  }
  Probar("3", "111010002", f.str(), 40);
}

// A dry run killed in the middle: its transaction was never committed, so the company holds
// exactly what it held before, and the next run finds it free.
TEST_F(InterrupcionTest, KilledDryRunLeavesNothing) {
  const std::string archivo = EscribirArchivo("entrada.txt", Saldos(400));
  const std::vector<std::string> antes = ContenidoDeTablas();
  EXPECT_FALSE(Correr("0", archivo, "11101", servidor_, 50, true))
      << LeerArchivo(Ruta("salida.txt"));
  EXPECT_GE(Terminados(Ruta("traza.jsonl"), "RELEASE LINEA"), 50u);
  EXPECT_EQ(Terminados(Ruta("traza.jsonl"), "COMMIT TRANSACTION"), 0u);
  EXPECT_EQ(ContenidoDeTablas(), antes);
  EXPECT_TRUE(Correr("0", archivo, "11101", servidor_, 0)) << LeerArchivo(Ruta("salida.txt"));
  EXPECT_EQ(ContarFilas("MV_ASIENTOS", "Cuenta = '112010123'"), 400);
}

// A run killed while it imports its lines leaves its row in TA_IMPORTADOR_CORRIDAS; the next
// run removes it and says which run it was. This engine never switches the journal's triggers
// off, and the notice says so.
TEST_F(InterrupcionTest, KilledRunLeavesItsRowAndTheNextRunTellsWhoseItWas) {
  const std::string archivo = EscribirArchivo("entrada.txt", Saldos(40));
  ASSERT_FALSE(Correr("0", archivo, "11101", servidor_, 3)) << LeerArchivo(Ruta("salida.txt"));
  EXPECT_EQ(Valor("SELECT Operador || '|' || Modo || '|' || Archivo FROM TA_IMPORTADOR_CORRIDAS"),
            usuario_ + "|Conformación Saldo Clientes|" + archivo);

  std::filesystem::remove(Ruta("salida.txt"));
  EXPECT_TRUE(Correr("0", archivo, "11101", servidor_, 0)) << LeerArchivo(Ruta("salida.txt"));
  const std::string salida = LeerArchivo(Ruta("salida.txt"));
  for (const std::string& parte :
       {std::string("Aviso al Usuario: Una importación anterior no terminó (se cortó mientras "
                    "importaba sus líneas, desde el "),
        "): operador " + usuario_ + ", equipo ",
        std::string(", modo Conformación Saldo Clientes, archivo ") + archivo + ", iniciada el ",
        std::string("En esta base los triggers de MV_ASIENTOS no se deshabilitan: no hubo que "
                    "habilitarlos.")}) {
    EXPECT_NE(salida.find(parte), std::string::npos) << parte << "\n" << salida;
  }
  EXPECT_EQ(ContarFilas("TA_IMPORTADOR_CORRIDAS"), 0);
  EXPECT_EQ(ContarFilas("MV_ASIENTOS", "Cuenta = '112010123'"), 40);

  // Said once: the run after it finds nothing left.
  std::filesystem::remove(Ruta("salida.txt"));
  EXPECT_TRUE(Correr("0", archivo, "11101", servidor_, 0));
  EXPECT_EQ(LeerArchivo(Ruta("salida.txt")).find("no terminó"), std::string::npos);
}

// SIGTERM, SIGINT and SIGHUP in the middle of a run: it stops after its line with exit status
// 1, its summary and report name the signal and the line, the lines up to it are posted whole
// and none after it; the lock is free and the re-run leaves the company as one clean run does.
TEST_F(InterrupcionTest, UnaSenalDetieneLaCorridaTrasSuLinea) {
  const std::string archivo = EscribirArchivo("entrada.txt", Saldos(200));
  ASSERT_TRUE(Correr("0", archivo, "11101", "sqlite:" + Ruta("limpia"), 0))
      << LeerArchivo(Ruta("salida.txt"));
  const std::vector<std::string> esperado = Volcado(Ruta("limpia/") + base_ + ".db");
  const struct {
    int senal;
    std::string nombre;
  } casos[] = {{SIGTERM, "SIGTERM"}, {SIGINT, "SIGINT"}, {SIGHUP, "SIGHUP"}};
  for (const auto& c : casos) {
    SCOPED_TRACE(c.nombre);
    Ejecutar("DELETE FROM MV_ASIENTOS");
    Ejecutar("DELETE FROM MA_CALENDARIO");
    Arranque a;
    a.tras = 3;
    a.senales = {c.senal};
    a.salidas = " >salida.txt 2>errores.txt";
    const Fin fin = Lanzar("0", archivo, "11101", servidor_, a);
    const std::string salida = LeerArchivo(Ruta("salida.txt"));
    const std::string errores = LeerArchivo(Ruta("errores.txt"));
    ASSERT_TRUE(fin.enviadas) << salida;
    EXPECT_EQ(fin.estado, 1) << "ended by signal " << fin.senal << "\n" << errores;
    const std::string detenido = "Detenido por la señal " + c.nombre + " después de la línea ";
    const size_t p = salida.find(detenido);
    ASSERT_NE(p, std::string::npos) << salida << errores;
    const long linea = std::atol(salida.c_str() + p + detenido.size());
    EXPECT_GE(linea, 2);
    EXPECT_LT(linea, 201) << "the run read its whole file";
    EXPECT_EQ(ContarFilas("MV_ASIENTOS"), 2 * (linea - 1));
    EXPECT_NE(errores.find("Proceso detenido por la señal " + c.nombre + " después de la línea " +
                           std::to_string(linea) + " de 201"),
              std::string::npos)
        << errores;
    const std::string informe = LeerArchivo(Ruta("entrada.informe.txt"));
    EXPECT_NE(informe.find(detenido + std::to_string(linea) + "\r\n"), std::string::npos)
        << informe;
    EXPECT_NE(informe.find("Resultado: interrumpido antes del final"), std::string::npos)
        << informe;
    EXPECT_TRUE(Correr("0", archivo, "11101", servidor_, 0)) << LeerArchivo(Ruta("salida.txt"));
    EXPECT_EQ(Volcado(archivo_), esperado);
  }
}

// A run that ends abruptly (SIGKILL, or a second signal while it stops) leaves no earlier
// "completo" beside its input: from the moment it holds the company its report, text and
// JSON, says the run is in progress. What it posted is whole, and the re-run completes it.
TEST_F(InterrupcionTest, UnaCorridaCortadaDejaSuInformeEnCurso) {
  const std::string archivo = EscribirArchivo("entrada.txt", Saldos(200));
  ASSERT_TRUE(Correr("0", archivo, "11101", "sqlite:" + Ruta("limpia"), 0))
      << LeerArchivo(Ruta("salida.txt"));
  const std::vector<std::string> esperado = Volcado(Ruta("limpia/") + base_ + ".db");
  const struct {
    const char* nombre;
    std::vector<int> senales;
  } casos[] = {{"SIGKILL", {SIGKILL}}, {"SIGTERM y luego SIGINT", {SIGTERM, SIGINT}}};
  for (const auto& c : casos) {
    SCOPED_TRACE(c.nombre);
    Ejecutar("DELETE FROM MV_ASIENTOS");
    Ejecutar("DELETE FROM MA_CALENDARIO");
    Arranque a;
    a.opciones = "--informe-json " + Ruta("informe.json");
    EscribirArchivo("entrada.txt", Saldos(2));
    ASSERT_EQ(Lanzar("0", archivo, "11101", servidor_, a).estado, 0)
        << LeerArchivo(Ruta("salida.txt"));
    ASSERT_NE(LeerArchivo(Ruta("entrada.informe.txt")).find("Resultado: completo"),
              std::string::npos);

    EscribirArchivo("entrada.txt", Saldos(200));
    a.tras = 3;
    a.senales = c.senales;
    const Fin fin = Lanzar("0", archivo, "11101", servidor_, a);
    ASSERT_TRUE(fin.enviadas);
    EXPECT_EQ(fin.estado, -1) << LeerArchivo(Ruta("salida.txt"));
    EXPECT_NE(fin.senal, 0);
    const std::string informe = LeerArchivo(Ruta("entrada.informe.txt"));
    EXPECT_NE(informe.find("Resultado: en curso"), std::string::npos) << informe;
    EXPECT_EQ(informe.find("completo"), std::string::npos) << informe;
    EXPECT_NE(LeerArchivo(Ruta("informe.json")).find("\"resultado\": \"en curso\""),
              std::string::npos)
        << LeerArchivo(Ruta("informe.json"));
    EXPECT_EQ(ContarFilas("MV_ASIENTOS") % 2, 0);
    EXPECT_TRUE(Correr("0", archivo, "11101", servidor_, 0)) << LeerArchivo(Ruta("salida.txt"));
    EXPECT_EQ(Volcado(archivo_), esperado);
  }
}

// Standard output or error a pipe that nobody reads (a reader such as head that has quit): the
// writes fail and the run goes on to its end, with the exit status and the company of a run
// without the pipe, and writes its report.
TEST_F(InterrupcionTest, UnaTuberiaCerradaNoDetieneLaCorrida) {
  // Every fifth amount does not convert: each prints its error dialog on standard error.
  const std::string archivo = EscribirArchivo("entrada.txt", Saldos(30, 5));
  Arranque a;
  a.opciones = "--ante-error ignorar";
  const Fin limpia = Lanzar("0", archivo, "11101", "sqlite:" + Ruta("limpia"), a);
  ASSERT_EQ(limpia.estado, 3) << LeerArchivo(Ruta("salida.txt"));
  const std::vector<std::string> esperado = Volcado(Ruta("limpia/") + base_ + ".db");
  const struct {
    const char* nombre;
    int tuberia;
    const char* salidas;
  } casos[] = {{"salida de errores", 2, " >salida.txt"}, {"salida estándar", 1, " 2>errores.txt"}};
  for (const auto& c : casos) {
    SCOPED_TRACE(c.nombre);
    Ejecutar("DELETE FROM MV_ASIENTOS");
    Ejecutar("DELETE FROM MA_CALENDARIO");
    std::filesystem::remove(Ruta("entrada.informe.txt"));
    a.tuberiaCerrada = c.tuberia;
    a.salidas = c.salidas;
    const Fin fin = Lanzar("0", archivo, "11101", servidor_, a);
    EXPECT_EQ(fin.senal, 0);
    EXPECT_EQ(fin.estado, limpia.estado);
    EXPECT_NE(LeerArchivo(Ruta("entrada.informe.txt")).find("Resultado: parcial"),
              std::string::npos);
    EXPECT_EQ(Volcado(archivo_), esperado);
  }
}

// A file-size limit (ulimit -f) a few pages past the company's size: the writes past it fail
// as on a full disk, the run stops after --max-rechazos refusals keeping what it posted, and
// writes its report; the limit's signal does not end the process.
TEST_F(InterrupcionTest, UnLimiteDeTamanoSeLeeComoDiscoLleno) {
  // A first run makes the statistics database and the logs beside the company.
  const std::string archivo = EscribirArchivo("entrada.txt", Saldos(2));
  ASSERT_TRUE(Correr("0", archivo, "11101", servidor_, 0)) << LeerArchivo(Ruta("salida.txt"));
  EscribirArchivo("entrada.txt", Saldos(400));
  const int64_t antes = ContarFilas("MV_ASIENTOS");
  Arranque a;
  a.opciones = "--ante-error ignorar --max-rechazos 5";
  a.salidas = " >salida.txt 2>errores.txt";
  a.limiteArchivos = std::filesystem::file_size(archivo_) + 4 * 4096;
  const Fin fin = Lanzar("0", archivo, "11101", servidor_, a);
  const std::string salida = LeerArchivo(Ruta("salida.txt"));
  EXPECT_EQ(fin.senal, 0);
  EXPECT_EQ(fin.estado, 3) << salida << LeerArchivo(Ruta("errores.txt"));
  EXPECT_NE(salida.find("Rechazados por la base: 5 "), std::string::npos) << salida;
  EXPECT_NE(LeerArchivo(Ruta("entrada.informe.txt")).find("Resultado: parcial"),
            std::string::npos);
  const size_t p = salida.find("Registrados: ");
  ASSERT_NE(p, std::string::npos) << salida;
  EXPECT_EQ(ContarFilas("MV_ASIENTOS") - antes, 2 * std::atol(salida.c_str() + p + 13));
}

// A run refused because another holds the company (exit status 4) reads and writes nothing:
// the report and the JSON report of the run before stay as they were.
TEST_F(InterrupcionTest, UnaEmpresaOcupadaNoTocaElInforme) {
  const std::string archivo = EscribirArchivo("entrada.txt", Saldos(2));
  EscribirArchivo("entrada.informe.txt", "Resultado: completo\r\n");
  EscribirArchivo("informe.json", "{\"resultado\": \"completa\"}\n");
  plataforma::BloqueoArchivo otra;
  std::string ocupante;
  ASSERT_TRUE(otra.Tomar(archivo_ + "-importacion", "otra corrida", std::chrono::steady_clock::now(),
                         ocupante));
  Arranque a;
  a.opciones = "--informe-json " + Ruta("informe.json");
  EXPECT_EQ(Lanzar("0", archivo, "11101", servidor_, a).estado, 4)
      << LeerArchivo(Ruta("salida.txt"));
  EXPECT_EQ(LeerArchivo(Ruta("entrada.informe.txt")), "Resultado: completo\r\n");
  EXPECT_EQ(LeerArchivo(Ruta("informe.json")), "{\"resultado\": \"completa\"}\n");
  EXPECT_EQ(ContarFilas("MV_ASIENTOS"), 0);
}

}  // namespace
