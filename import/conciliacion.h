#pragma once
// The reconciliation of a run: what the file said, noted while its lines are read (in memory,
// never a query per line), against what the database holds after the last line, read once at
// the end of the run with indexed queries. Its figures are kept per account and per kind of
// item, and LineasConciliacion writes them as the summary's lines.
//
//   LeidoDelArchivo leido;                      // the modes note each line's outcome in it
//   leido.AnotarComprobante(cuenta, clave, importeTexto, Destino::Registrada, linea);
//   Conciliacion c = Conciliar(leido, contrapartida);   // after the run's last line
//   for (const std::string& l : LineasConciliacion(c)) ...

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/valores.h"

// How the run ended with a line of the file.
enum class Destino { Registrada, YaImportada, NoRegistrada };

// A voucher as the journal keys it.
struct ClaveComprobante {
  std::string tc, sucursal, numero, letra;
  auto operator<=>(const ClaveComprobante&) const = default;
};

// An entry of the journal: month, fiscal period and number (the import's register type).
struct ClaveAsiento {
  int mes = 0;
  int periodo = 0;
  int64_t numero = 0;
  auto operator<=>(const ClaveAsiento&) const = default;
};

// What the file said, noted line by line; nothing here reads the database.
class LeidoDelArchivo {
 public:
  // A voucher line of a balance file on `cuenta`; `clave` with the letter it was posted or
  // found with. An amount that does not convert counts the voucher without an amount.
  void AnotarComprobante(const std::string& cuenta, const ClaveComprobante& clave,
                         const std::string& importeTexto, Destino destino);
  // A total line of the report for `cuenta` with its amount.
  void AnotarTotalDeCuenta(const std::string& cuenta, plataforma::Moneda total);
  // A cheque line with its bank voucher number as the journal stores it (own cheques "B-...")
  // and its absolute amount.
  void AnotarCheque(const std::string& numeroBancario, plataforma::Moneda importe, Destino destino);
  // A cheque line not posted whose number or amount cannot be read: counted, not looked up.
  void AnotarChequeIlegible() { ++chequesIlegibles_; }
  // An employee's name as the run stores it, to be found under the title account.
  void AnotarEmpleado(const std::string& nombre);
  // A pending document (its header) and a task of it (its link).
  void AnotarDocumento(const std::string& tc, const std::string& idComprobante);
  void AnotarTarea(const std::string& tc, const std::string& idComprobante,
                   const std::string& descripcion);
  // A price-list line: the customer's account name and the class it must end with.
  void AnotarClase(const std::string& nombre, const std::string& clase);
  // The class noted last was not written (its name has no account, its account no data row).
  void ClaseNoAplicada() { clases_.back().noRegistrado = true; }
  // An entry this run wrote.
  void AnotarAsiento(const ClaveAsiento& asiento) { asientos_.push_back(asiento); }

  bool Vacio() const;

  struct Cuenta {
    long comprobantes = 0;
    plataforma::Moneda total;
    long sinImporte = 0;  // vouchers whose amount did not convert
    long registrados = 0, yaImportados = 0, noRegistrados = 0;
    std::vector<ClaveComprobante> enDiario;  // posted or found: the keys to look up
    std::optional<plataforma::Moneda> totalInforme;
  };
  struct Cheque {
    std::string numero;
    plataforma::Moneda importe;
    Destino destino;
  };
  struct Item {
    std::string nombre, clave, valor;  // what is looked up and the value it must have
    bool noRegistrado = false;         // the run posted nothing for it: not looked for
  };

  std::vector<std::string> ordenCuentas_;  // in the order of the file
  std::map<std::string, Cuenta> cuentas_;
  std::vector<Cheque> cheques_;
  long chequesIlegibles_ = 0;
  std::vector<Item> empleados_, documentos_, tareas_, clases_;
  std::vector<ClaveAsiento> asientos_;

 private:
  Cuenta& DeCuenta(const std::string& cuenta);
};

// A balance account's figures.
struct ConciliacionCuenta {
  std::string cuenta;
  long comprobantes = 0;
  plataforma::Moneda totalArchivo;  // signed: debit positive
  long sinImporte = 0;
  long registrados = 0, yaImportados = 0, noRegistrados = 0;
  plataforma::Moneda totalDiario;  // the journal's lines of those vouchers on the account
  std::optional<plataforma::Moneda> totalInforme;
  plataforma::Moneda Diferencia() const;  // file - journal
  bool Concilia() const;  // no difference, and the report's total (if any) is the journal's
};

// Items of the file found in the database afterwards (accounts, headers, links, classes).
struct ConciliacionItems {
  std::string que;  // "Empleados: cuentas bajo 21105", ...
  long enArchivo = 0;
  long hallados = 0;
  long noRegistrados = 0;              // of the file's, those the run told it did not post
  std::vector<std::string> faltantes;  // the items not found
};

// Cheques: the file's against the journal's lines of those numbers on the counter-account.
struct ConciliacionCheques {
  std::string contrapartida;
  long enArchivo = 0;
  plataforma::Moneda totalArchivo;
  long registrados = 0, yaImportados = 0, noRegistrados = 0;
  long ilegibles = 0;  // of those not posted: number or amount unreadable, so not looked up
  long enDiario = 0;
  plataforma::Moneda totalDiario;
  std::vector<std::string> numerosConDiferencia;  // "0012345: 2 por 3000 / 1 por 1500"
};

// The entries this run wrote, as the journal holds them now.
struct ConciliacionAsientos {
  long asientos = 0;  // entries written this run
  long hallados = 0;  // of them, found in the journal
  long lineas = 0;
  plataforma::Moneda debe, haber;
  std::vector<std::string> desbalanceados;  // "período 2020, mes 1, asiento 5: Debe 10, Haber 0"
};

struct Conciliacion {
  std::vector<ConciliacionCuenta> cuentas;  // accounts with a difference first
  std::optional<ConciliacionCheques> cheques;
  std::vector<ConciliacionItems> items;
  std::optional<ConciliacionAsientos> asientos;
  std::string error;  // the database could not be read: what failed
  bool Vacia() const { return cuentas.empty() && !cheques && items.empty() && !asientos; }
};

// The figures that do not reconcile, one short line each, in the summary's order; none when
// every figure does. A reconciliation that could not be read is one of them.
std::vector<std::string> DiferenciasConciliacion(const Conciliacion& c);

// Reads the database once for what `leido` holds (no query when it is empty): the journal's
// lines of the balance vouchers, of the cheque numbers on `contrapartida`, the accounts under
// the title `contrapartida` for employees, the headers and links of pending documents, the
// classes of the price list, and every entry written this run.
Conciliacion Conciliar(const LeidoDelArchivo& leido, const std::string& contrapartida);

// The figures as the summary's lines, headed "Conciliación con la base:"; none when empty.
std::vector<std::string> LineasConciliacion(const Conciliacion& c);
