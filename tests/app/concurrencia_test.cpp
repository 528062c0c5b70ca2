// Import runs of the built program started together on one embedded company, as real processes:
// the company lock serialises them, a killed holder leaves no lock, and a write lock another
// program holds for a while is waited for instead of losing lines.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "data/bloqueo_importacion.h"
#include "tests/support/empresa.h"
#include "tests/support/programa.h"

namespace {

class ConcurrenciaTest : public PruebaEmpresa {
 protected:
  void SetUp() override {
    PruebaEmpresa::SetUp();
    Ejecutar(
        "INSERT INTO MA_CUENTAS (CODIGO, Descripcion, TITULO) VALUES ('11101', 'Caja', 0), "
        "('111010002', 'Valores', 0), ('511', 'Apertura', 0)");
    for (int cliente = 1; cliente <= kClientes; ++cliente) {
      Ejecutar("INSERT INTO MA_CUENTAS (CODIGO, Descripcion, TITULO) VALUES ('" + Cuenta(cliente) +
               "', 'Cliente', 0)");
    }
    AgregarEjercicio(2020);
  }

  static constexpr int kClientes = 4;
  static std::string Cuenta(int cliente) { return "1120100" + std::to_string(10 + cliente); }

  // A customer-balance file: every customer with `vouchers` receipts of its own numbers.
  std::string ArchivoSaldos(int comprobantes) const {
    std::ostringstream f;
    for (int cliente = 1; cliente <= kClientes; ++cliente) {
      f << "Cliente: " << 10 + cliente << ";;Cliente\r\n";
      for (int i = 1; i <= comprobantes; ++i) {
        std::vector<std::string> c(38);
        c[0] = c[13] = "15/01/2020";
        c[4] = "REC X 0001-" + std::to_string(cliente * 10000 + i);
        c[37] = std::to_string(100 + i) + ",25";
        for (size_t k = 0; k < c.size(); ++k) f << (k ? ";" : "") << c[k];
        f << "\r\n";
      }
    }
    return EscribirArchivo("saldos.txt", f.str());
  }
  std::string ArchivoCheques(int cheques) const {
    std::ostringstream f;
    for (int i = 1; i <= cheques; ++i) {
      f << "20/01/2020;20/02/2020;Banco;Cobro;011;00" << 30000 + i << ";Perez;" << 50 + i << "\r\n";
    }
    return EscribirArchivo("cheques.csv", f.str());
  }

  std::string Orden(const std::string& modo, const std::string& cuenta, const std::string& archivo,
                    const std::string& extra, int n) const {
    return "IMPORTADOR_CARPETA=" + carpeta_ + " exec " + RutaPrograma() + " --lote --modo " + modo +
           " --cuenta " + cuenta + " --archivo " + archivo + " " + extra +
           " '@Server=" + servidor_ + ";@DbName=" + base_ + ";@Usuario=" + usuario_ +
           ";@Password=x;' >" + Ruta("salida" + std::to_string(n) + ".txt") + " 2>" +
           Ruta("errores" + std::to_string(n) + ".txt") + " </dev/null";
  }
  static pid_t Lanzar(const std::string& orden) {
    const pid_t pid = fork();
    if (pid == 0) {
      execl("/bin/sh", "sh", "-c", orden.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    return pid;
  }
  static int Esperar(pid_t pid) {
    int estado = 0;
    waitpid(pid, &estado, 0);
    return WIFEXITED(estado) ? WEXITSTATUS(estado) : -1;
  }
  std::string Errores(int n) const {
    return LeerArchivo(Ruta("errores" + std::to_string(n) + ".txt"));
  }

  // What one run after another leaves: each voucher once on its account, each entry number of a
  // month held by one voucher's two lines, the numbers 1..n with no gap.
  void ComprobarDiario(int64_t asientos) {
    EXPECT_EQ(ContarFilas("MV_ASIENTOS"), 2 * asientos);
    EXPECT_EQ(Valor("SELECT count(*) FROM (SELECT 1 FROM MV_ASIENTOS GROUP BY Cuenta, TC, "
                    "SUCURSAL, NUMERO, LETRA, NROCOMPROBANTEBANCARIO HAVING count(*) > 1)"),
              "0");
    EXPECT_EQ(Valor("SELECT count(*) FROM (SELECT 1 FROM MV_ASIENTOS GROUP BY PERIODO, "
                    "MES_OPERATIVO, TIPO_REG, [NUMERO ASIENTO] HAVING count(*) <> 2 OR "
                    "count(DISTINCT TC || SUCURSAL || NUMERO || LETRA) <> 1)"),
              "0");
    EXPECT_EQ(Valor("SELECT max([NUMERO ASIENTO]) FROM MV_ASIENTOS"), std::to_string(asientos));
  }
};

TEST_F(ConcurrenciaTest, TresCorridasDelMismoArchivoDejanElDiarioDeUna) {
  const std::string archivo = ArchivoSaldos(60);
  for (const std::string espera : {"", "--esperar 300"}) {
    SCOPED_TRACE(espera.empty() ? "sin esperar" : "esperando");
    Ejecutar("DELETE FROM MV_ASIENTOS");
    std::vector<pid_t> pids;
    for (int n = 0; n < 3; ++n) pids.push_back(Lanzar(Orden("0", "11101", archivo, espera, n)));
    int terminadas = 0;
    for (int n = 0; n < 3; ++n) {
      const int estado = Esperar(pids[n]);
      if (estado == 0) {
        ++terminadas;
      } else {
        // Only a run that found the company busy may end otherwise, and it says who holds it.
        EXPECT_TRUE(espera.empty());
        EXPECT_EQ(estado, 4) << Errores(n);
        EXPECT_NE(Errores(n).find("está ocupada"), std::string::npos) << Errores(n);
        EXPECT_NE(Errores(n).find("modo Conformación Saldo Clientes"), std::string::npos);
      }
    }
    EXPECT_GE(terminadas, 1);
    if (!espera.empty()) {
      EXPECT_EQ(terminadas, 3);
    }
    ComprobarDiario(kClientes * 60);
  }
}

TEST_F(ConcurrenciaTest, SaldosYChequesJuntosNoCompartenNumeros) {
  const pid_t saldos = Lanzar(Orden("0", "11101", ArchivoSaldos(50), "--esperar 300", 0));
  const pid_t cheques = Lanzar(Orden("3", "111010002", ArchivoCheques(200), "--esperar 300", 1));
  EXPECT_EQ(Esperar(saldos), 0) << Errores(0);
  EXPECT_EQ(Esperar(cheques), 0) << Errores(1);
  ComprobarDiario(kClientes * 50 + 200);
}

TEST_F(ConcurrenciaTest, UnaCorridaMuertaNoDejaBloqueo) {
  const std::string archivo = ArchivoSaldos(200);
  const pid_t pid = Lanzar(Orden("0", "11101", archivo, "", 0));
  // Kill it once it holds the lock and has posted something.
  const auto limite = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (ContarFilas("MV_ASIENTOS") == 0 && std::chrono::steady_clock::now() < limite) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  kill(pid, SIGKILL);
  Esperar(pid);
  ASSERT_GT(ContarFilas("MV_ASIENTOS"), 0);
  EXPECT_TRUE(std::filesystem::exists(BloqueoImportacion::ArchivoDeBloqueo(archivo_)));

  EXPECT_EQ(Esperar(Lanzar(Orden("0", "11101", archivo, "", 1))), 0) << Errores(1);
  ComprobarDiario(kClientes * 200);
}

// Another program holds the company's write lock for 30 s in the middle of a run.
TEST_F(ConcurrenciaTest, UnBloqueoDeEscrituraLargoNoPierdeLineas) {
  const pid_t pid = Lanzar(Orden("0", "11101", ArchivoSaldos(1000), "", 0));
  const auto limite = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (ContarFilas("MV_ASIENTOS") == 0 && std::chrono::steady_clock::now() < limite) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  Ejecutar("BEGIN IMMEDIATE TRANSACTION");
  const int64_t alTomar = ContarFilas("MV_ASIENTOS");
  ASSERT_LT(alTomar, 2 * kClientes * 1000) << "the run ended before the lock was taken";
  std::this_thread::sleep_for(std::chrono::seconds(30));
  EXPECT_EQ(ContarFilas("MV_ASIENTOS"), alTomar);  // nothing got past the lock
  Ejecutar("COMMIT TRANSACTION");
  EXPECT_EQ(Esperar(pid), 0) << Errores(0);
  EXPECT_EQ(Errores(0).find("locked"), std::string::npos) << Errores(0);
  ComprobarDiario(kClientes * 1000);
}

}  // namespace
