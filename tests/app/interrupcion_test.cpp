// The batch mode killed with SIGKILL in the middle of a run, several times, then run to the
// end: the company must hold exactly what one uninterrupted run writes.

#include <gtest/gtest.h>
#include <signal.h>
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

  // Starts the program; with `matarTras` > 0 kills it once that many batches are committed (in
  // a dry run: released). Returns true when the program ended by itself with status 0.
  bool Correr(const std::string& modo, const std::string& archivo, const std::string& cuenta,
              const std::string& servidor, size_t matarTras, bool ensayo = false) {
    const std::string traza = Ruta("traza.jsonl");
    std::filesystem::remove(traza);
    const std::string orden = "IMPORTADOR_CARPETA=" + carpeta_ + " exec " + RutaPrograma() +
                              " --lote --modo " + modo + (ensayo ? " --ensayo" : "") +
                              " --cuenta " + cuenta + " --archivo " + archivo + " --traza " +
                              traza + " " + Parametros(servidor) + " >>" + Ruta("salida.txt") +
                              " 2>&1 </dev/null";
    pid_t pid = fork();
    if (pid == 0) {
      execl("/bin/sh", "sh", "-c", orden.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    int estado = 0;
    const auto limite = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (waitpid(pid, &estado, WNOHANG) == 0) {
      const size_t terminados = ensayo ? Terminados(traza, "RELEASE LINEA") : Confirmados(traza);
      if ((matarTras > 0 && terminados >= matarTras) || std::chrono::steady_clock::now() > limite) {
        kill(pid, SIGKILL);
        waitpid(pid, &estado, 0);
        return false;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return WIFEXITED(estado) && WEXITSTATUS(estado) == 0;
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
  std::ostringstream f;
  f << "Cliente: 123;;Panaderia;;;;\r\n";
  for (int i = 1; i <= 400; ++i) {
    std::vector<std::string> c(38);
    c[0] = c[13] = "15/01/2020";
    c[4] = "FC A 0001-" + std::to_string(10000000 + i).substr(1);
    c[37] = std::to_string(100 + i) + ",25";
    for (size_t k = 0; k < c.size(); ++k) f << (k ? ";" : "") << c[k];
    f << "\r\n";
  }
  const std::string archivo = EscribirArchivo("entrada.txt", f.str());
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
  const std::string archivo = EscribirArchivo("entrada.txt", f.str());
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

}  // namespace
