// Benchmark of every import mode against its own baseline. Each mode imports generated lines
// into a fresh embedded company whose journal already holds 100,000 lines; every text handed
// to the driver (what the statement trace lists as "sent") is kept, and the same texts are then
// replayed by SQLite's own shell, in the same transactions, on a copy of the starting database.
// Prints lines per second, statements per line, the time per line, and ours / baseline.
//
//   modos_bench [--modo saldos|terceros|propios|empleados|pendientes]... [lineas...]
//   (default: every mode, 1000 and 10000 lines)

#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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

#undef EOF  // the recordset has a member of that name

namespace {

constexpr int kAsientosPrevios = 100000;

// Keeps every text handed to the driver.
class ConexionGrabadora : public ado::ConnectionWrapper {
 public:
  using ConnectionWrapper::ConnectionWrapper;
  std::optional<ado::Resultado> Execute(const std::string& text, int32_t* n,
                                        int32_t o) override {
    textos.push_back(text);
    return ConnectionWrapper::Execute(text, n, o);
  }
  std::vector<std::string> textos;
};

class VentanaBench : public ControlesVentana {
 public:
  int opcion = 0;
  std::string cuenta;
  std::string ruta;
  int OpcionSeleccionada() const override { return opcion; }
  std::string txtRuta() const override { return ruta; }
  std::string txtCuenta() const override { return cuenta; }
  std::string txtConcepto() const override { return "Saldos Iniciales: Importación"; }
  void SetTxtConcepto(const std::string&) override {}
  void DibujaProgreso(double, uint32_t, const std::string&) override {}
  void HacerEventos() override {}
};

std::string Fecha(int i) {
  char texto[16];
  std::snprintf(texto, sizeof texto, "%02d/%02d/2020", 1 + i % 28, 1 + (i / 28) % 12);
  return texto;
}

// Customer balances (mode 0): a header per customer, ten vouchers each.
void GenerarSaldos(std::ofstream& f, int lineas) {
  const char* tipos[] = {"FC A", "REC X", "NC A", "FC B"};
  f << "LISTADO DE SALDOS PENDIENTES" << std::string(37, ';') << "\r\n";
  for (int i = 0; i < lineas; ++i) {
    const int c = 1 + i / 10, v = i % 10;
    if (v == 0) f << "Cliente: " << c << std::string(37, ';') << "\r\n";
    std::vector<std::string> col(38);
    col[0] = col[13] = Fecha(i);
    col[4] = std::string(tipos[v % 4]) + " 0001-" + std::to_string(c * 100 + v);
    col[37] = (v % 4 == 2 ? "-" : "") + std::to_string(100 + v) + ",50";
    for (size_t k = 0; k < col.size(); ++k) f << (k ? ";" : "") << col[k];
    f << "\r\n";
  }
}

// Received cheques (mode 3): date;due;bank;description;branch;cheque;drawer;amount.
void GenerarTerceros(std::ofstream& f, int lineas) {
  for (int i = 0; i < lineas; ++i) {
    f << Fecha(i) << ";" << Fecha(i + 30) << ";Banco Nacion;Cobro cliente " << i << ";011;"
      << 700000 + i << ";Librador " << i << ";" << 100 + i % 900 << ",25\r\n";
  }
}

// Own cheques (mode 4): date;description;bank;due;cheque;amount.
void GenerarPropios(std::ofstream& f, int lineas) {
  for (int i = 0; i < lineas; ++i) {
    f << Fecha(i) << ";Pago proveedor " << i << ";Banco Galicia;" << Fecha(i + 30) << ";"
      << 800000 + i << ";" << 100 + i % 900 << ",75\r\n";
  }
}

// Employees (mode 2): one name per line.
void GenerarEmpleados(std::ofstream& f, int lineas) {
  for (int i = 0; i < lineas; ++i) f << "APELLIDO" << i << ";NOMBRE " << i << "\r\n";
}

// Pending delivery notes (mode 5): one block; a document line, then four task lines drawn
// from a catalogue of forty descriptions.
void GenerarPendientes(std::ofstream& f, int lineas) {
  f << "02/03/2020;;\r\n";
  for (int i = 1; i < lineas; ++i) {
    const int d = (i - 1) / 5;
    if ((i - 1) % 5 == 0) {
      f << 1 + d << ";Cliente " << 1 + d << ";RT A 0001-" << 1000 + d << "\r\n";
    } else {
      const int t = (d * 4 + (i - 1) % 5) % 40;
      // Task codes that name no customer.
      f << "T" << 100 + t << ";;Tarea de taller " << t << "\r\n";
    }
  }
}

struct Modo {
  const char* nombre;
  int opcion;
  const char* cuenta;  // txtCuenta: the counter-account, the title account for employees
  void (*generar)(std::ofstream&, int);
};

const Modo kModos[] = {{"saldos", 0, "11101", GenerarSaldos},
                       {"terceros", 3, "11101", GenerarTerceros},
                       {"propios", 4, "11101", GenerarPropios},
                       {"empleados", 2, "21301", GenerarEmpleados},
                       {"pendientes", 5, "", GenerarPendientes}};

// The starting company: the counter-account, the employees' title account, the fiscal year, one account and one customer
// per ten lines (five for pending documents) and the 100,000 journal lines.
void PrepararEmpresa(const std::string& archivo, int lineas) {
  const std::string clientes = std::to_string(lineas / 5 + 1);
  const std::string serie =
      "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < ";
  const std::string codigo = "'11201' || substr('0000' || i, -max(4, length(i)))";
  auto cnn = ado::CrearConexion();
  cnn->Open(CadenaConexionSQLite(archivo));
  cnn->Execute("INSERT INTO MA_CUENTAS (CODIGO, Descripcion, TITULO) VALUES ('11101', 'Caja', 0)");
  cnn->Execute("INSERT INTO MA_CUENTAS (CODIGO, Descripcion, TITULO) "
               "VALUES ('21301', 'Sueldos a pagar', 1)");
  cnn->Execute("INSERT INTO MV_EJERCICIOS (Periodo, [FECHA DESDE], [FECHA HASTA]) "
               "VALUES (2020, '2020-01-01 00:00:00', '2020-12-31 00:00:00')");
  cnn->Execute("INSERT INTO MA_CUENTAS (CODIGO, Descripcion, TITULO) " + serie + clientes +
               ") SELECT " + codigo + ", 'Cliente ' || i, 0 FROM n");
  cnn->Execute("INSERT INTO VT_CLIENTES (Codigo, RAZON_SOCIAL) " + serie + clientes +
               ") SELECT " + codigo + ", 'Cliente ' || i FROM n");
  cnn->Execute("INSERT INTO MV_ASIENTOS (Fecha, MES_OPERATIVO, [NUMERO ASIENTO], Cuenta, "
               "Secuencia, [Debe-Haber], Importe, PERIODO, TC, SUCURSAL, NUMERO, LETRA, "
               "TIPO_REG) " + serie + std::to_string(kAsientosPrevios) +
               ") SELECT '2019-06-01 00:00:00', 1 + i % 12, i / 2, '11101', 1 + i % 2, 'D', "
               "i, 2019, 'FC', '0009', substr('00000000' || i, -8), 'A', '    ' FROM n");
  cnn->Close();
}

struct Medida {
  long lineas = 0;
  double segundos = 0;
  size_t sentencias = 0;
  long unidades = 0;  // vouchers, cheques, accounts, headers and links written
  double base = 0;    // the shell's replay, seconds
  bool baseFallo = false;
};

double Segundos(std::chrono::steady_clock::time_point desde) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - desde).count();
}

// Replays the texts with sqlite3 on `copia`; returns the seconds, or a negative value when the
// shell could not run or reported an error.
double Replay(const std::vector<std::string>& textos, const std::string& copia,
              const std::string& carpeta) {
  const std::string guion = carpeta + "replay.sql";
  {
    std::ofstream f(guion, std::ios::binary);
    f << "PRAGMA synchronous=NORMAL;\n";
    for (const auto& t : textos) {
      f << t;
      if (t.empty() || t.back() != ';') f << ';';
      f << '\n';
    }
  }
  const std::string errores = carpeta + "replay.err";
  const std::string orden = std::string("sqlite3 -batch -cmd \".load ") + EXTENSION_SQLITE +
                            "\" -cmd \".open " + copia + "\" < " + guion + " > /dev/null 2> " +
                            errores;
  const auto inicio = std::chrono::steady_clock::now();
  const int rc = std::system(orden.c_str());
  const double s = Segundos(inicio);
  if (rc != 0 || std::filesystem::file_size(errores) > 0) {
    std::ifstream e(errores);
    std::string linea;
    for (int i = 0; i < 5 && std::getline(e, linea); ++i) std::cerr << "sqlite3: " << linea << "\n";
    return -1;
  }
  return s;
}

Medida Medir(const std::string& base, const Modo& modo, int lineas) {
  const std::string carpeta = base + "/" + modo.nombre + std::to_string(lineas) + "/";
  std::filesystem::remove_all(carpeta);
  std::filesystem::create_directories(carpeta);
  const std::string archivo = CrearEmpresa(carpeta, "BENCH");
  PrepararEmpresa(archivo, lineas);
  const std::string copia = carpeta + "baseline.db";
  std::filesystem::copy_file(archivo, copia);

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
    std::cerr << "modos_bench: no session on " << archivo << "\n";
    std::exit(1);
  }
  auto grabadora = std::make_shared<ConexionGrabadora>(db.gCnn);
  db.gCnn = grabadora;

  VentanaBench ventana;
  ventana.opcion = modo.opcion;
  ventana.cuenta = modo.cuenta;
  ventana.ruta = carpeta + modo.nombre + ".txt";
  {
    std::ofstream f(ventana.ruta, std::ios::binary);
    modo.generar(f, lineas);
  }

  const auto inicio = std::chrono::steady_clock::now();
  ResumenCorrida r = EjecutarImportacion(ventana);
  Medida m;
  m.segundos = Segundos(inicio);
  m.lineas = lineas;
  m.sentencias = grabadora->textos.size();
  m.unidades = r.registrados + r.cuentasCreadas + r.vinculosGrabados;
  if (!r.finalizado || !r.lineasRechazadas.empty() || !r.errores.empty()) {
    std::cerr << "modos_bench: " << modo.nombre << " finished: " << r.finalizado
              << ", refused lines: " << r.lineasRechazadas.size()
              << ", messages: " << r.errores.size() << "\n";
  }
  std::vector<std::string> textos = std::move(grabadora->textos);
  ReiniciarDB();
  m.base = Replay(textos, copia, carpeta);
  m.baseFallo = m.base < 0;
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
  std::vector<const Modo*> modos;
  std::vector<int> tamanios;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--modo") == 0 && i + 1 < argc) {
      const char* nombre = argv[++i];
      const Modo* elegido = nullptr;
      for (const Modo& m : kModos) {
        if (std::strcmp(m.nombre, nombre) == 0) elegido = &m;
      }
      if (!elegido) {
        std::cerr << "modos_bench: unknown mode " << nombre << "\n";
        return 2;
      }
      modos.push_back(elegido);
    } else if (std::atoi(argv[i]) > 0) {
      tamanios.push_back(std::atoi(argv[i]));
    } else {
      std::cerr << "usage: modos_bench [--modo saldos|terceros|propios|empleados|pendientes]... "
                   "[lines...]\n";
      return 2;
    }
  }
  if (modos.empty()) {
    for (const Modo& m : kModos) modos.push_back(&m);
  }
  if (tamanios.empty()) tamanios = {1000, 10000};

  DialogosBench dialogos;
  plataforma::EstablecerDialogos(&dialogos);
  const std::string base =
      (std::filesystem::temp_directory_path() / "importador-bench-modos").string();
  plataforma::EstablecerCarpetaPrograma(base + "/");
  std::filesystem::create_directories(base);

  std::printf("%-11s %7s %9s %9s %8s %8s %9s %9s %7s\n", "mode", "lines", "written",
              "lines/s", "stmts/l", "ms/line", "base l/s", "base ms/l", "ratio");
  int estado = 0;
  for (const Modo* modo : modos) {
    for (int n : tamanios) {
      Medida m = Medir(base, *modo, n);
      const double msLinea = 1000.0 * m.segundos / m.lineas;
      std::printf("%-11s %7ld %9ld %9.0f %8.2f %8.3f ", modo->nombre, m.lineas, m.unidades,
                  m.lineas / m.segundos, static_cast<double>(m.sentencias) / m.lineas, msLinea);
      if (m.baseFallo) {
        std::printf("%9s %9s %7s\n", "failed", "-", "-");
        estado = 1;
      } else {
        std::printf("%9.0f %9.3f %7.2f\n", m.lineas / m.base, 1000.0 * m.base / m.lineas,
                    m.segundos / m.base);
      }
      std::fflush(stdout);
    }
  }
  plataforma::EstablecerDialogos(nullptr);
  std::filesystem::remove_all(base);
  return estado;
}
