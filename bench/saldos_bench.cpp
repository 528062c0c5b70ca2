// Balances import benchmark: imports generated voucher lines into a fresh embedded company whose
// journal already holds 100,000 lines, and reports lines per second, statements per line and
// the time per line at two file sizes (it must stay flat: no lookup may scan the journal).
//
//   saldos_bench [lineas...]     (default: 1000 10000)

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "data/db_dll.h"
#include "data/empresa.h"
#include "data/valores_sesion.h"
#include "import/contexto_corrida.h"
#include "platform/ado.h"
#include "platform/archivos.h"
#include "platform/dialogos.h"
#include "platform/regional.h"

namespace {

constexpr int kAsientosPrevios = 100000;
constexpr int kComprobantesPorCliente = 10;

// Counts every text handed to the driver.
class ConexionContadora : public ado::ConnectionWrapper {
 public:
  using ConnectionWrapper::ConnectionWrapper;
  std::optional<ado::Resultado> Execute(const std::string& text, int32_t* n, int32_t o) override {
    ++sentencias;
    return ConnectionWrapper::Execute(text, n, o);
  }
  long sentencias = 0;
};

class VentanaBench : public ControlesVentana {
 public:
  std::string ruta;
  int OpcionSeleccionada() const override { return 0; }
  std::string txtRuta() const override { return ruta; }
  std::string txtCuenta() const override { return "11101"; }
  std::string txtConcepto() const override { return "Saldos Iniciales: Importación"; }
  void SetTxtConcepto(const std::string&) override {}
  void DibujaProgreso(double, uint32_t, const std::string&) override {}
  void HacerEventos() override {}
};

// A balance report of `clientes` customers with `comprobantes` voucher lines each (mode 0).
void GenerarSaldos(const std::string& ruta, int clientes, int comprobantes) {
  std::ofstream f(ruta, std::ios::binary);
  f << "LISTADO DE SALDOS PENDIENTES" << std::string(37, ';') << "\r\n";
  const char* tipos[] = {"FC A", "REC X", "NC A", "FC B"};
  for (int c = 1; c <= clientes; ++c) {
    f << "Cliente: " << c << std::string(37, ';') << "\r\n";
    for (int v = 0; v < comprobantes; ++v) {
      std::vector<std::string> col(38);
      const int dia = 1 + (v % 28), mes = 1 + (c % 12);
      char fecha[16];
      std::snprintf(fecha, sizeof fecha, "%02d/%02d/2020", dia, mes);
      col[0] = fecha;
      col[4] = std::string(tipos[v % 4]) + " 0001-" + std::to_string(c * 100 + v);
      col[13] = fecha;
      col[37] = (v % 4 == 2 ? "-" : "") + std::to_string(100 + v) + ",50";
      for (size_t i = 0; i < col.size(); ++i) f << (i ? ";" : "") << col[i];
      f << "\r\n";
    }
  }
}

struct Medida {
  long lineas = 0;
  double segundos = 0;
  long sentencias = 0;
  long registrados = 0;
};

Medida Medir(const std::string& carpetaBase, int lineas) {
  const std::string carpeta = carpetaBase + "/n" + std::to_string(lineas) + "/";
  std::filesystem::remove_all(carpeta);
  std::filesystem::create_directories(carpeta);
  const std::string archivo = CrearEmpresa(carpeta, "BENCH");

  const int clientes = lineas / kComprobantesPorCliente;
  {
    auto cnn = ado::CrearConexion();
    cnn->Open(CadenaConexionSQLite(archivo));
    cnn->Execute(
        "INSERT INTO MA_CUENTAS (CODIGO, Descripcion, TITULO) VALUES ('11101', 'Caja', 0)");
    cnn->Execute(
        "INSERT INTO MV_EJERCICIOS (Periodo, [FECHA DESDE], [FECHA HASTA]) "
        "VALUES (2020, '2020-01-01 00:00:00', '2020-12-31 00:00:00')");
    cnn->Execute(
        "INSERT INTO MA_CUENTAS (CODIGO, Descripcion, TITULO) "
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
        std::to_string(clientes) +
        ") SELECT '11201' || substr('0000' || i, -max(4, length(i))), "
        "'Cliente ' || i, 0 FROM n");
    // The journal that the company already holds: other vouchers, other numbers.
    cnn->Execute(
        "INSERT INTO MV_ASIENTOS (Fecha, MES_OPERATIVO, [NUMERO ASIENTO], Cuenta, "
        "Secuencia, [Debe-Haber], Importe, PERIODO, TC, SUCURSAL, NUMERO, LETRA, "
        "TIPO_REG) WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
        "WHERE i < " +
        std::to_string(kAsientosPrevios) +
        ") SELECT '2019-06-01 00:00:00', 1 + i % 12, i / 2, '11101', 1 + i % 2, 'D', "
        "i, 2019, 'FC', '0009', substr('00000000' || i, -8), 'A', '    ' FROM n");
    cnn->Close();
  }

  ReiniciarDB();
  DB_Dll& db = DB();
  db.gServidor = "sqlite:" + carpeta.substr(0, carpeta.size() - 1);
  db.gDBName = "BENCH";
  db.gUsuario = "OPERADOR";
  gUsuarioLogeado = "OPERADOR";
  gCantidadDecimales = "2";
  std::string cadena;
  db.OpenServerADODB(false, ado::adUseClient, cadena, true, false);
  if (!db.gOpenFlag) {
    std::cerr << "saldos_bench: no session on " << archivo << "\n";
    std::exit(1);
  }
  auto contadora = std::make_shared<ConexionContadora>(db.gCnn);
  db.gCnn = contadora;

  VentanaBench ventana;
  ventana.ruta = carpeta + "saldos.txt";
  GenerarSaldos(ventana.ruta, clientes, kComprobantesPorCliente);

  const auto inicio = std::chrono::steady_clock::now();
  ResumenCorrida r = EjecutarImportacion(ventana);
  const auto fin = std::chrono::steady_clock::now();

  Medida m;
  m.lineas = clientes * kComprobantesPorCliente;
  m.segundos = std::chrono::duration<double>(fin - inicio).count();
  m.sentencias = contadora->sentencias;
  m.registrados = r.registrados;
  if (!r.finalizado || r.registrados != m.lineas) {
    std::cerr << "saldos_bench: the run posted " << r.registrados << " of " << m.lineas
              << " vouchers (finished: " << r.finalizado << ")\n";
  }
  ReiniciarDB();
  return m;
}

// Answers the closing message and prints every other dialog (none is expected).
class DialogosBench : public plataforma::Dialogos {
 public:
  int MsgBox(const std::string& texto, int, const std::string& titulo) override {
    if (texto != "Proceso Finalizado!!!") std::cerr << titulo << ": " << texto << "\n";
    return plataforma::vbOK;
  }
  std::string InputBox(const std::string&, const std::string&, const std::string&) override {
    return "";
  }
  std::string AbrirArchivo() override { return ""; }
};

}  // namespace

int main(int argc, char** argv) {
  std::vector<int> tamanios;
  for (int i = 1; i < argc; ++i) tamanios.push_back(std::atoi(argv[i]));
  if (tamanios.empty()) tamanios = {1000, 10000};

  DialogosBench dialogos;
  plataforma::EstablecerDialogos(&dialogos);
  const std::string base = (std::filesystem::temp_directory_path() / "importador-bench").string();
  plataforma::EstablecerCarpetaPrograma(base + "/");
  std::filesystem::create_directories(base);

  std::printf("%8s %10s %12s %14s %12s\n", "lines", "seconds", "lines/s", "statements/l",
              "ms/line");
  for (int n : tamanios) {
    Medida m = Medir(base, n);
    std::printf("%8ld %10.2f %12.0f %14.2f %12.3f\n", m.lineas, m.segundos, m.lineas / m.segundos,
                static_cast<double>(m.sentencias) / m.lineas, 1000.0 * m.segundos / m.lineas);
  }
  plataforma::EstablecerDialogos(nullptr);
  return 0;
}
