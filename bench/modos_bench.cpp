// Benchmark of every import mode against its own baseline. Each mode imports generated lines
// into a fresh embedded company whose journal already holds 100,000 lines; every text handed
// to the driver (what the statement trace lists as "sent") is kept, and the same texts are then
// replayed by SQLite's own shell, in the same transactions, on a copy of the starting database.
// Prints lines per second, statements per line, the time per line, and ours / baseline: the
// wall-clock figures are medians of several runs, each run restored to the same starting
// database. With --instrucciones N the N-line runs are also counted in instructions under
// callgrind (our import run alone, and the shell's replay less its start-up), a figure that
// does not move with the machine's load. With --ensayo each mode's dry run is measured against
// its real run instead (the two alternate, each on the same starting database), and the dry
// run's lines per second are given as a share of the real run's.
//
//   modos_bench [--modo saldos|terceros|propios|empleados|pendientes]... [--repeticiones N]
//               [--instrucciones LINES] [--ensayo] [lineas...]
//   (default: every mode, 1000 and 10000 lines, 5 runs, no instruction count)

#include <algorithm>
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

#include "data/conexiones.h"
#include "data/db_dll.h"
#include "data/empresa.h"
#include "data/valores_sesion.h"
#include "import/contexto_corrida.h"
#include "platform/ado.h"
#include "platform/archivos.h"
#include "platform/dialogos.h"

namespace {

constexpr int kAsientosPrevios = 100000;

// Keeps every text handed to the driver.
class ConexionGrabadora : public ado::ConnectionWrapper {
 public:
  using ConnectionWrapper::ConnectionWrapper;
  std::optional<ado::Resultado> Execute(const std::string& text, int32_t* n, int32_t o) override {
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
  bool ensayo = false;
  int OpcionSeleccionada() const override { return opcion; }
  bool Ensayo() const override { return ensayo; }
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
    col[37] = std::to_string(100 + v) + ",50";
    if (v % 4 == 2) col[37].insert(0, 1, '-');
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

// The starting company: the counter-account, the employees' title account, the fiscal year, one
// account and one customer per ten lines (five for pending documents) and the 100,000 journal
// lines.
void PrepararEmpresa(const std::string& archivo, int lineas) {
  const std::string clientes = std::to_string(lineas / 5 + 1);
  const std::string serie =
      "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < ";
  const std::string codigo = "'11201' || substr('0000' || i, -max(4, length(i)))";
  auto cnn = ado::CrearConexion();
  cnn->Open(CadenaConexionSQLite(archivo));
  cnn->Execute("INSERT INTO MA_CUENTAS (CODIGO, Descripcion, TITULO) VALUES ('11101', 'Caja', 0)");
  cnn->Execute(
      "INSERT INTO MA_CUENTAS (CODIGO, Descripcion, TITULO) "
      "VALUES ('21301', 'Sueldos a pagar', 1)");
  cnn->Execute(
      "INSERT INTO MV_EJERCICIOS (Periodo, [FECHA DESDE], [FECHA HASTA]) "
      "VALUES (2020, '2020-01-01 00:00:00', '2020-12-31 00:00:00')");
  cnn->Execute("INSERT INTO MA_CUENTAS (CODIGO, Descripcion, TITULO) " + serie + clientes +
               ") SELECT " + codigo + ", 'Cliente ' || i, 0 FROM n");
  cnn->Execute("INSERT INTO VT_CLIENTES (Codigo, RAZON_SOCIAL) " + serie + clientes + ") SELECT " +
               codigo + ", 'Cliente ' || i FROM n");
  cnn->Execute(
      "INSERT INTO MV_ASIENTOS (Fecha, MES_OPERATIVO, [NUMERO ASIENTO], Cuenta, "
      "Secuencia, [Debe-Haber], Importe, PERIODO, TC, SUCURSAL, NUMERO, LETRA, "
      "TIPO_REG) " +
      serie + std::to_string(kAsientosPrevios) +
      ") SELECT '2019-06-01 00:00:00', 1 + i % 12, i / 2, '11101', 1 + i % 2, 'D', "
      "i, 2019, 'FC', '0009', substr('00000000' || i, -8), 'A', '    ' FROM n");
  cnn->Close();
}

// One run of ours and of the baseline on the same starting database.
struct Medida {
  long lineas = 0;
  double segundos = 0;  // ours: the median of the repetitions
  size_t sentencias = 0;
  long unidades = 0;  // vouchers, cheques, accounts, headers and links written
  double base = 0;    // the shell's replay, seconds (median)
  double razon = 0;   // the median of the per-repetition ratios ours / baseline
  bool baseFallo = false;
  // Instructions executed (callgrind), 0 when not measured; -1 when the measure failed.
  double instrucciones = 0, instruccionesBase = 0;
};

double Segundos(std::chrono::steady_clock::time_point desde) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - desde).count();
}

double Mediana(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// The replay script opens with the same setting as our connection and reads the schema, so
// that an empty script costs what the shell spends before the first statement.
constexpr const char* kPrologo =
    "PRAGMA synchronous=NORMAL;\nSELECT count(*) FROM sqlite_master;\n";

void EscribirGuion(const std::vector<std::string>& textos, const std::string& guion) {
  std::ofstream f(guion, std::ios::binary);
  f << kPrologo;
  for (const auto& t : textos) {
    f << t;
    if (t.empty() || t.back() != ';') f << ';';
    f << '\n';
  }
}

// Runs a shell command; false (with the first lines of `errores` on stderr) when it fails or
// writes anything to `errores`.
bool Correr(const std::string& orden, const std::string& errores, const char* quien) {
  const int rc = std::system(orden.c_str());
  if (rc == 0 && std::filesystem::file_size(errores) == 0) return true;
  std::ifstream e(errores);
  std::string linea;
  for (int i = 0; i < 5 && std::getline(e, linea); ++i) std::cerr << quien << ": " << linea << "\n";
  if (rc != 0) std::cerr << quien << ": exit status " << rc << "\n";
  return false;
}

std::string OrdenShell(const std::string& copia, const std::string& guion) {
  return std::string("sqlite3 -batch -cmd \".load ") + EXTENSION_SQLITE + "\" -cmd \".open " +
         copia + "\" < " + guion + " > /dev/null";
}

// Replays the script with sqlite3 on `copia`; returns the seconds, or a negative value when the
// shell could not run or reported an error.
double Replay(const std::string& guion, const std::string& copia, const std::string& carpeta) {
  const std::string errores = carpeta + "replay.err";
  const auto inicio = std::chrono::steady_clock::now();
  const bool bien = Correr(OrdenShell(copia, guion) + " 2> " + errores, errores, "sqlite3");
  const double s = Segundos(inicio);
  return bien ? s : -1;
}

// The instructions a callgrind output file counted; -1 when it cannot be read.
double InstruccionesDe(const std::string& salida) {
  std::ifstream f(salida);
  std::string linea;
  double total = -1;
  while (std::getline(f, linea)) {
    if (linea.rfind("totals:", 0) == 0 || (total < 0 && linea.rfind("summary:", 0) == 0)) {
      total = std::atof(linea.c_str() + linea.find(':') + 1);
    }
  }
  return total;
}

// Runs `orden` under callgrind and returns the instructions it counted (-1 on failure);
// `opciones` may restrict the count to a function.
double ContarInstrucciones(const std::string& orden, const std::string& opciones,
                           const std::string& carpeta, const std::string& nombre) {
  const std::string salida = carpeta + nombre + ".callgrind";
  const std::string errores = carpeta + nombre + ".err";
  const std::string texto = "valgrind --tool=callgrind -q --callgrind-out-file=" + salida + " " +
                            opciones + " " + orden + " 2> " + errores;
  if (!Correr(texto, errores, "valgrind")) return -1;
  return InstruccionesDe(salida);
}

// The session on the company of `carpeta` (whose file is BENCH.db), every statement recorded.
struct Corrida {
  double segundos = 0;
  ResumenCorrida resumen;
  std::vector<std::string> textos;
};

Corrida Importar(const std::string& carpeta, const Modo& modo, bool ensayo = false) {
  ReiniciarDB();
  DB_Dll& db = DB();
  db.gServidor = ServidorSQLite(carpeta.substr(0, carpeta.size() - 1));
  db.gDBName = "BENCH";
  db.gUsuario = "OPERADOR";
  gUsuarioLogeado = "OPERADOR";
  gCantidadDecimales = "2";
  std::string cadena;
  db.OpenServerADODB(false, ado::adUseClient, cadena, true, false);
  if (!db.gOpenFlag) {
    std::cerr << "modos_bench: no session on " << carpeta << "BENCH.db\n";
    std::exit(1);
  }
  auto grabadora = std::make_shared<ConexionGrabadora>(db.gCnn);
  db.gCnn = grabadora;

  VentanaBench ventana;
  ventana.opcion = modo.opcion;
  ventana.cuenta = modo.cuenta;
  ventana.ruta = carpeta + modo.nombre + ".txt";
  ventana.ensayo = ensayo;

  Corrida c;
  const auto inicio = std::chrono::steady_clock::now();
  c.resumen = EjecutarImportacion(ventana);
  c.segundos = Segundos(inicio);
  const ResumenCorrida& r = c.resumen;
  if (!r.finalizado || !r.lineasRechazadas.empty() || !r.errores.empty()) {
    std::cerr << "modos_bench: " << modo.nombre << " finished: " << r.finalizado
              << ", refused lines: " << r.lineasRechazadas.size()
              << ", messages: " << r.errores.size() << "\n";
  }
  c.textos = std::move(grabadora->textos);
  ReiniciarDB();
  return c;
}

// The starting state again: the company file and the baseline's copy from the template, with
// no write-ahead log left by an earlier run.
void Restaurar(const std::string& carpeta) {
  namespace fs = std::filesystem;
  for (const char* nombre : {"BENCH.db", "baseline.db"}) {
    const std::string archivo = carpeta + nombre;
    fs::remove(archivo + "-wal");
    fs::remove(archivo + "-shm");
    fs::copy_file(carpeta + "plantilla.db", archivo, fs::copy_options::overwrite_existing);
  }
}

// The mode's folder with its input file and the starting company as plantilla.db.
std::string Preparar(const std::string& base, const Modo& modo, int lineas) {
  const std::string carpeta = base + "/" + modo.nombre + std::to_string(lineas) + "/";
  std::filesystem::remove_all(carpeta);
  std::filesystem::create_directories(carpeta);
  const std::string archivo = CrearEmpresa(carpeta, "BENCH");
  PrepararEmpresa(archivo, lineas);
  std::filesystem::rename(archivo, carpeta + "plantilla.db");
  std::ofstream f(carpeta + modo.nombre + ".txt", std::ios::binary);
  modo.generar(f, lineas);
  return carpeta;
}

// Instructions of our import (the import run alone, counted in a child process under
// callgrind) and of the shell's replay of its statements (the replay less an empty script).
void MedirInstrucciones(const std::string& carpeta, const Modo& modo, int lineas, Medida& m) {
  Restaurar(carpeta);
  const std::string yo = std::filesystem::read_symlink("/proc/self/exe").string();
  const std::string hijo = yo + " --importar " + modo.nombre + " " + std::to_string(lineas) + " " +
                           carpeta + " > /dev/null";
  m.instrucciones = ContarInstrucciones(
      hijo, "--collect-atstart=no '--toggle-collect=EjecutarImportacion*'", carpeta, "ours");
  const std::string vacio = carpeta + "vacio.sql";
  EscribirGuion({}, vacio);
  const std::string copia = carpeta + "baseline.db";
  const double fijo = ContarInstrucciones(OrdenShell(copia, vacio), "", carpeta, "vacio");
  const double total =
      ContarInstrucciones(OrdenShell(copia, carpeta + "replay.sql"), "", carpeta, "base");
  m.instruccionesBase = fijo < 0 || total < 0 ? -1 : total - fijo;
}

Medida Medir(const std::string& base, const Modo& modo, int lineas, int repeticiones,
             bool instrucciones) {
  const std::string carpeta = Preparar(base, modo, lineas);
  Medida m;
  m.lineas = lineas;
  std::vector<double> nuestros, bases, razones;
  for (int i = 0; i < repeticiones && !m.baseFallo; ++i) {
    Restaurar(carpeta);
    Corrida c = Importar(carpeta, modo);
    m.sentencias = c.textos.size();
    m.unidades = c.resumen.registrados + c.resumen.cuentasCreadas + c.resumen.vinculosGrabados;
    EscribirGuion(c.textos, carpeta + "replay.sql");
    const double b = Replay(carpeta + "replay.sql", carpeta + "baseline.db", carpeta);
    m.baseFallo = b < 0;
    nuestros.push_back(c.segundos);
    bases.push_back(b);
    razones.push_back(c.segundos / b);
  }
  m.segundos = Mediana(nuestros);
  m.base = Mediana(bases);
  m.razon = Mediana(razones);
  if (instrucciones && !m.baseFallo) MedirInstrucciones(carpeta, modo, lineas, m);
  return m;
}

// The dry run against the real run on the same starting database, alternating so that a change
// of the machine's load falls on both: prints both rates (medians) and the median of the
// per-repetition shares dry / real.
bool CompararEnsayo(const std::string& base, const Modo& modo, int lineas, int repeticiones) {
  const std::string carpeta = Preparar(base, modo, lineas);
  std::vector<double> reales, ensayos, partes;
  long unidades = 0;
  bool iguales = true;
  for (int i = 0; i < repeticiones; ++i) {
    Restaurar(carpeta);
    const Corrida real = Importar(carpeta, modo);
    Restaurar(carpeta);
    const Corrida ensayo = Importar(carpeta, modo, true);
    // The dry run must have done what the real run did, or its speed says nothing.
    iguales = iguales && ensayo.resumen.registrados == real.resumen.registrados &&
              ensayo.resumen.cuentasCreadas == real.resumen.cuentasCreadas &&
              ensayo.resumen.vinculosGrabados == real.resumen.vinculosGrabados;
    unidades =
        real.resumen.registrados + real.resumen.cuentasCreadas + real.resumen.vinculosGrabados;
    reales.push_back(lineas / real.segundos);
    ensayos.push_back(lineas / ensayo.segundos);
    partes.push_back(real.segundos / ensayo.segundos);
  }
  std::printf("%-11s %6d %7ld %8.0f %8.0f %7.1f%%%s\n", modo.nombre, lineas, unidades,
              Mediana(reales), Mediana(ensayos), 100 * Mediana(partes),
              iguales ? "" : "  (the counts differ)");
  std::fflush(stdout);
  return iguales;
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

const Modo* ModoLlamado(const char* nombre) {
  for (const Modo& m : kModos) {
    if (std::strcmp(m.nombre, nombre) == 0) return &m;
  }
  std::cerr << "modos_bench: unknown mode " << nombre << "\n";
  std::exit(2);
}

void ImprimirFila(const Modo& modo, const Medida& m) {
  std::printf("%-11s %6ld %7ld %8.0f %7.2f %7.3f ", modo.nombre, m.lineas, m.unidades,
              m.lineas / m.segundos, static_cast<double>(m.sentencias) / m.lineas,
              1000.0 * m.segundos / m.lineas);
  if (m.baseFallo) {
    std::printf("%8s %9s %6s", "failed", "-", "-");
  } else {
    std::printf("%8.0f %9.3f %6.2f", m.lineas / m.base, 1000.0 * m.base / m.lineas, m.razon);
  }
  if (m.instrucciones > 0 && m.instruccionesBase > 0) {
    std::printf(" %7.0f %8.0f %6.2f\n", m.instrucciones / m.lineas / 1000,
                m.instruccionesBase / m.lineas / 1000, m.instrucciones / m.instruccionesBase);
  } else {
    std::printf(" %7s %8s %6s\n", "-", "-",
                m.instrucciones < 0 || m.instruccionesBase < 0 ? "failed" : "-");
  }
  std::fflush(stdout);
}

constexpr const char* kUso =
    "usage: modos_bench [--modo saldos|terceros|propios|empleados|pendientes]... "
    "[--repeticiones N] [--instrucciones LINES] [--ensayo] [lines...]\n";

}  // namespace

int main(int argc, char** argv) {
  std::vector<const Modo*> modos;
  std::vector<int> tamanios;
  int repeticiones = 5, lineasInstrucciones = 0;
  bool ensayo = false;
  const char* importar[3] = {nullptr, nullptr, nullptr};  // child: mode, lines, folder
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--modo") == 0 && i + 1 < argc) {
      modos.push_back(ModoLlamado(argv[++i]));
    } else if (std::strcmp(argv[i], "--repeticiones") == 0 && i + 1 < argc &&
               std::atoi(argv[i + 1]) > 0) {
      repeticiones = std::atoi(argv[++i]);
    } else if (std::strcmp(argv[i], "--instrucciones") == 0 && i + 1 < argc &&
               std::atoi(argv[i + 1]) > 0) {
      lineasInstrucciones = std::atoi(argv[++i]);
    } else if (std::strcmp(argv[i], "--ensayo") == 0) {
      ensayo = true;
    } else if (std::strcmp(argv[i], "--importar") == 0 && i + 3 < argc) {
      for (const char*& a : importar) a = argv[++i];
    } else if (std::atoi(argv[i]) > 0) {
      tamanios.push_back(std::atoi(argv[i]));
    } else {
      std::cerr << kUso;
      return 2;
    }
  }
  DialogosBench dialogos;
  plataforma::EstablecerDialogos(&dialogos);

  if (importar[0]) {
    // The child that callgrind counts: one import into an already restored folder, its
    // statements written as the replay script.
    const std::string carpeta = importar[2];
    plataforma::EstablecerCarpetaPrograma(carpeta);
    Corrida c = Importar(carpeta, *ModoLlamado(importar[0]));
    EscribirGuion(c.textos, carpeta + "replay.sql");
    plataforma::EstablecerDialogos(nullptr);
    return c.resumen.finalizado ? 0 : 1;
  }

  if (modos.empty()) {
    for (const Modo& m : kModos) modos.push_back(&m);
  }
  if (tamanios.empty()) tamanios = {1000, 10000};
  if (lineasInstrucciones > 0 &&
      std::find(tamanios.begin(), tamanios.end(), lineasInstrucciones) == tamanios.end()) {
    tamanios.insert(tamanios.begin(), lineasInstrucciones);
  }

  const std::string base =
      (std::filesystem::temp_directory_path() / "importador-bench-modos").string();
  plataforma::EstablecerCarpetaPrograma(base + "/");
  std::filesystem::create_directories(base);

  if (ensayo) {
    std::printf("dry run against real run, wall clock: median of %d runs of each\n", repeticiones);
    std::printf("%-11s %6s %7s %8s %8s %8s\n", "mode", "lines", "written", "real l/s", "dry l/s",
                "dry/real");
    int estado = 0;
    for (const Modo* modo : modos) {
      for (int n : tamanios) {
        if (!CompararEnsayo(base, *modo, n, repeticiones)) estado = 1;
      }
    }
    plataforma::EstablecerDialogos(nullptr);
    std::filesystem::remove_all(base);
    return estado;
  }
  std::printf("wall clock: median of %d runs; ratio: median of the runs' ours / baseline\n",
              repeticiones);
  if (lineasInstrucciones > 0) {
    std::printf("instructions (callgrind, thousands per line): the %d-line runs\n",
                lineasInstrucciones);
  }
  std::printf("%-11s %6s %7s %8s %7s %7s %8s %9s %6s %7s %8s %6s\n", "mode", "lines", "written",
              "lines/s", "stmts/l", "ms/line", "base l/s", "base ms/l", "ratio", "kIr/l",
              "base kIr", "Ir rat");
  int estado = 0;
  for (const Modo* modo : modos) {
    for (int n : tamanios) {
      Medida m = Medir(base, *modo, n, repeticiones, n == lineasInstrucciones);
      ImprimirFila(*modo, m);
      if (m.baseFallo || m.instrucciones < 0 || m.instruccionesBase < 0) estado = 1;
    }
  }
  plataforma::EstablecerDialogos(nullptr);
  std::filesystem::remove_all(base);
  return estado;
}
