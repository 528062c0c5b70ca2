// Bad input files through whole runs: empty, binary, 1 MB lines, a UTF-8 byte-order mark, mixed
// line ends, 29 February, extreme and malformed amounts, fields wider than their column, quotes
// and semicolons, SQL text inside values. Each case states what the run posts, what its summary
// counts and which messages it shows, in order.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "data/valores_sesion.h"
#include "import/contexto_corrida.h"
#include "platform/dialogos.h"
#include "tests/import/ventana_modos.h"
#include "tests/support/empresa.h"

namespace {

using namespace plataforma;

constexpr int kClientes = 0;
constexpr int kEmpleados = 2;
constexpr int kChequesTerceros = 3;
constexpr int kChequesPropios = 4;
constexpr int kPendientes = 5;

const char kSql[] = "'; DROP TABLE MA_CUENTAS; --";

// A customer voucher line of the balances report (38 columns), without its line end.
std::string Saldo(const std::string& fecha, const std::string& comprobante,
                  const std::string& vencimiento, const std::string& importe,
                  const std::string& columna2 = "Comprobante") {
  std::vector<std::string> c(38);
  c[0] = fecha;
  c[2] = columna2;
  c[4] = comprobante;
  c[13] = vencimiento;
  c[37] = importe;
  std::string linea;
  for (size_t i = 0; i < c.size(); ++i) linea += (i ? ";" : "") + c[i];
  return linea;
}

std::string Saldo(const std::string& comprobante, const std::string& importe) {
  return Saldo("15/01/2020", comprobante, "15/02/2020", importe);
}

const std::string kCliente = "Cliente: 123;Panadería La Espiga\r\n";

// A received cheque: date, due date, bank, description, branch, number, drawer, amount.
std::string ChequeTercero(const std::string& fecha, const std::string& vencimiento,
                          const std::string& numero, const std::string& importe) {
  return fecha + ";" + vencimiento + ";Banco;Cobro;011;" + numero + ";Perez;" + importe;
}

// An own cheque: date, description, bank, due date, number, amount.
std::string ChequePropio(const std::string& descripcion, const std::string& numero,
                         const std::string& importe) {
  return "15/01/2020;" + descripcion + ";Banco;15/02/2020;" + numero + ";" + importe;
}

// A message box the run must show: its title, a fragment of its text, the answer given.
struct Dialogo {
  std::string titulo;
  std::string fragmento;
  int respuesta = vbOK;
};

// A value the run must have stored (or a count), read back after it.
struct Lectura {
  std::string sql;
  std::string valor;
};

struct Caso {
  std::string nombre{};
  int opcion = 0;
  std::string contenido{};
  std::vector<Dialogo> dialogos{};  // in order, before "Proceso Finalizado!!!"
  // Rows written: journal lines, accounts created, voucher headers.
  int64_t asientos = 0, cuentas = 0, cptes = 0;
  // The summary.
  long leidas = 0, registrados = 0, incompletos = 0, yaImportados = 0, importeCero = 0;
  std::vector<long> rechazadas{};
  std::vector<std::string> errores{};  // a fragment of each summary error, in order
  std::vector<Lectura> lecturas{};
  std::string concepto = "Saldos Iniciales: Importación";
  bool finalizado = true;
};

class EntradaMalaTest : public PruebaEmpresa {
 protected:
  void SetUp() override {
    PruebaEmpresa::SetUp();
    gCantidadDecimales = "2";
  }

  // The company as every case starts: the counter-accounts, one customer, the employees' title
  // account, a customer of the pending documents and the fiscal years of the dates used.
  void Sembrar() {
    for (const char* tabla : {"MV_ASIENTOS", "MA_CALENDARIO", "MA_CUENTAS", "V_MV_CPTE",
                              "V_TA_TAREAS", "V_MV_CPTETAREAS", "VT_CLIENTES", "MV_EJERCICIOS"}) {
      Ejecutar(std::string("DELETE FROM ") + tabla);
    }
    Ejecutar(
        "INSERT INTO MA_CUENTAS (CODIGO, Descripcion, TITULO) VALUES "
        "('11101', 'Caja', 0), ('112010123', 'Panadería La Espiga', 0), "
        "('111010002', 'Valores a depositar', 0), ('21105', 'Sueldos a pagar', 1)");
    Ejecutar(std::string("INSERT INTO VT_CLIENTES (Codigo, RAZON_SOCIAL) VALUES ('112010007', '") +
             "''; DROP TABLE MA_CUENTAS; --')");
    for (const char* anio : {"2020", "2023", "2024"}) {
      Ejecutar(std::string("INSERT INTO MV_EJERCICIOS (Periodo, [FECHA DESDE], [FECHA HASTA]) "
                           "VALUES (") +
               anio + ", '" + anio + "-01-01 00:00:00', '" + anio + "-12-31 00:00:00')");
    }
  }

  static std::string Cuenta(int opcion) {
    switch (opcion) {
      case kClientes:
        return "11101";
      case kEmpleados:
        return "21105";
      case kChequesTerceros:
      case kChequesPropios:
        return "111010002";
      default:
        return "";
    }
  }

  void Verificar(const Caso& c) {
    Sembrar();
    const int64_t cuentasAntes = ContarFilas("MA_CUENTAS");
    DialogosGuionados guion;
    EstablecerDialogos(&guion);
    for (const Dialogo& d : c.dialogos) guion.ResponderSiempre(d.fragmento, d.respuesta);
    guion.ResponderSiempre("Proceso Finalizado!!!", vbOK);

    VentanaModos ventana(c.opcion, EscribirArchivo("entrada.txt", c.contenido), Cuenta(c.opcion),
                         c.concepto);
    const ResumenCorrida r = EjecutarImportacion(ventana);
    EstablecerDialogos(&dialogos);

    std::vector<Dialogo> esperados = c.dialogos;
    if (c.finalizado) esperados.push_back({"Aviso al Usuario", "Proceso Finalizado!!!"});
    const auto& vistos = guion.Transcripcion();
    EXPECT_EQ(vistos.size(), esperados.size());
    for (size_t i = 0; i < vistos.size() && i < esperados.size(); ++i) {
      EXPECT_EQ(vistos[i].titulo, esperados[i].titulo) << vistos[i].texto;
      EXPECT_NE(vistos[i].texto.find(esperados[i].fragmento), std::string::npos)
          << "[" << vistos[i].titulo << "] " << vistos[i].texto;
    }
    for (size_t i = esperados.size(); i < vistos.size(); ++i) {
      ADD_FAILURE() << "Unexpected dialog [" << vistos[i].titulo << "] " << vistos[i].texto;
    }

    EXPECT_EQ(ContarFilas("MV_ASIENTOS"), c.asientos);
    EXPECT_EQ(ContarFilas("MA_CUENTAS") - cuentasAntes, c.cuentas);
    EXPECT_EQ(ContarFilas("V_MV_CPTE"), c.cptes);
    // Whatever text the values held, the table is still there and nothing else ran.
    EXPECT_EQ(ContarFilas("sqlite_master", "type = 'table' AND name = 'MA_CUENTAS'"), 1);

    EXPECT_EQ(r.lineasLeidas, c.leidas);
    EXPECT_EQ(c.opcion == kEmpleados ? r.cuentasCreadas : r.registrados, c.registrados);
    EXPECT_EQ(r.incompletos, c.incompletos);
    EXPECT_EQ(c.opcion == kEmpleados ? r.cuentasExistentes : r.yaImportados, c.yaImportados);
    EXPECT_EQ(r.importeCero, c.importeCero);
    EXPECT_EQ(r.lineasRechazadas, c.rechazadas);
    EXPECT_EQ(r.finalizado, c.finalizado);
    EXPECT_EQ(r.errores.size(), c.errores.size());
    for (size_t i = 0; i < r.errores.size() && i < c.errores.size(); ++i) {
      EXPECT_NE(r.errores[i].find(c.errores[i]), std::string::npos) << r.errores[i];
    }
    for (const Lectura& l : c.lecturas) EXPECT_EQ(Valor(l.sql), l.valor) << l.sql;
  }
};

// The run's conversion error for a value of line `linea` (answered Ignore).
Dialogo Conversion(int linea, const std::string& que, const std::string& valor) {
  return {
      "RegistraSaldo",
      "línea " + std::to_string(linea) + ": " + que + " \"" + valor + "\" no se puede convertir",
      vbIgnore};
}

std::vector<Caso> Casos() {
  const std::string mega(1 << 20, 'x');
  std::vector<Caso> casos;

  // Nothing to read: the file is refused, saying so, before the loop; no entry.
  const Dialogo vacio{"Aviso al Usuario", "está vacío (no tiene ninguna línea con datos)"};
  casos.push_back({.nombre = "vacío",
                   .opcion = kClientes,
                   .contenido = "",
                   .dialogos = {vacio},
                   .finalizado = false});
  casos.push_back({.nombre = "vacío, empleados",
                   .opcion = kEmpleados,
                   .contenido = "\r\n   \r\n",
                   .dialogos = {vacio},
                   .finalizado = false});

  // A NUL byte marks a binary file, or UTF-16 text: the file is refused with its name and the
  // first line that holds one before any line is read, in every mode.
  const std::string binario = kCliente + std::string("\x00\x01\x02\xFF\xFE\x00;\x00\r\n", 10) +
                              std::string("\x89PNG\r\n\x1A\n\x00\x00\x00\rIHDR;;\xC3\x28\r\n", 22) +
                              Saldo("FC A 0001-1", "10");
  const std::string utf16 = std::string(
      "\xFF\xFE"
      "C\0l\0i\0e\0n\0t\0e\0:\0 \0"
      "1\0\r\0\n\0",
      26);
  const auto noEsTexto = [](int linea) {
    return Dialogo{"Aviso al Usuario", "no es un archivo de texto: la línea " +
                                           std::to_string(linea) + " tiene un byte NUL"};
  };
  casos.push_back({.nombre = "binario",
                   .opcion = kClientes,
                   .contenido = binario,
                   .dialogos = {noEsTexto(2)},
                   .finalizado = false});
  casos.push_back({.nombre = "UTF-16",
                   .opcion = kClientes,
                   .contenido = utf16,
                   .dialogos = {noEsTexto(1)},
                   .finalizado = false});
  casos.push_back({.nombre = "binario, empleados",
                   .opcion = kEmpleados,
                   .contenido = binario,
                   .dialogos = {noEsTexto(2)},
                   .finalizado = false});

  // A 1 MB column the layout does not read, then a 1 MB line without columns.
  casos.push_back({.nombre = "línea de 1 MB",
                   .opcion = kClientes,
                   .contenido = kCliente +
                                Saldo("15/01/2020", "FC A 0001-1", "15/02/2020", "10", mega) +
                                "\r\n" + mega + "\r\n" + Saldo("FC A 0001-2", "20") + "\r\n",
                   .asientos = 4,
                   .leidas = 4,
                   .registrados = 2,
                   .incompletos = 1});

  // The byte-order mark is not part of the first line: the header is recognised.
  casos.push_back(
      {.nombre = "BOM UTF-8",
       .opcion = kClientes,
       .contenido = "\xEF\xBB\xBF" + kCliente + Saldo("FC A 0001-1", "10"),
       .asientos = 2,
       .leidas = 2,
       .registrados = 1,
       .lecturas = {{"SELECT Cuenta FROM MV_ASIENTOS WHERE Secuencia = 1", "112010123"}}});
  casos.push_back({.nombre = "BOM UTF-8, empleados",
                   .opcion = kEmpleados,
                   .contenido = "\xEF\xBB\xBFPÉREZ;JUAN\r\nÑANDÚ;ANA\r\n",
                   .cuentas = 2,
                   .leidas = 2,
                   .registrados = 2,
                   .lecturas = {{"SELECT Descripcion FROM MA_CUENTAS WHERE CODIGO = '211050001'",
                                 "PÉREZ JUAN"}}});

  casos.push_back({.nombre = "BOM ante Windows-1252, empleados",
                   .opcion = kEmpleados,
                   .contenido = "\xEF\xBB\xBFPE\xD1"
                                "A;ANA\r\n",
                   .cuentas = 1,
                   .leidas = 1,
                   .registrados = 1,
                   .lecturas = {{"SELECT Descripcion FROM MA_CUENTAS WHERE CODIGO = '211050001'",
                                 "PEÑA ANA"}}});

  // Line 2 ends with a lone CR; line 3 lost its CR, so a lone LF joins two vouchers into one
  // line; line 4 has a LF inside a column the layout does not read: both are refused for the
  // control character, nothing of them posted; the last line has no end.
  casos.push_back({.nombre = "fines de línea mezclados",
                   .opcion = kClientes,
                   .contenido = kCliente + Saldo("FC A 0001-1", "10") + "\r" +
                                Saldo("FC A 0001-2", "20") + "\n" +
                                Saldo("16/01/2020", "FC A 0001-3", "15/02/2020", "30") + "\r\n" +
                                Saldo("15/01/2020", "FC A 0001-4", "15/02/2020", "40", "a\nb") +
                                "\r\n" + Saldo("FC A 0001-5", "50"),
                   .asientos = 4,
                   .leidas = 5,
                   .registrados = 2,
                   .lecturas = {{"SELECT group_concat(NUMERO) FROM MV_ASIENTOS WHERE Secuencia = 1",
                                 "00000001,00000005"}}});

  // 29 February exists in 2024 and not in 2023, as a date and as a due date.
  casos.push_back({.nombre = "29 de febrero",
                   .opcion = kClientes,
                   .contenido = kCliente + Saldo("29/02/2024", "FC A 0001-1", "29/02/2024", "10") +
                                "\r\n" + Saldo("29/02/2023", "FC A 0001-2", "15/03/2023", "10") +
                                "\r\n" + Saldo("15/02/2023", "FC A 0001-3", "29/02/2023", "10") +
                                "\r\n",
                   .dialogos = {Conversion(3, "la fecha", "29/02/2023"),
                                Conversion(4, "el vencimiento", "29/02/2023")},
                   .asientos = 2,
                   .leidas = 4,
                   .registrados = 1,
                   .errores = {"la fecha \"29/02/2023\"", "el vencimiento \"29/02/2023\""},
                   .lecturas = {{"SELECT Fecha || ' ' || VENCIMIENTO || ' ' || PERIODO "
                                 "FROM MV_ASIENTOS WHERE Secuencia = 1",
                                 "2024-02-29 00:00:00 2024-02-29 00:00:00 2024"}}});
  casos.push_back(
      {.nombre = "29 de febrero, cheques",
       .opcion = kChequesTerceros,
       .contenido = ChequeTercero("29/02/2024", "29/02/2024", "0012345", "10") + "\r\n" +
                    ChequeTercero("15/02/2023", "29/02/2023", "0012346", "10") + "\r\n" +
                    ChequeTercero("29/02/2023", "15/03/2023", "0012347", "10"),
       .dialogos = {{"importador", "línea 3: No coinciden los tipos: '29/02/2023' no es una fecha",
                     vbIgnore}},
       .asientos = 2,
       .leidas = 3,
       .registrados = 1,
       .incompletos = 2,
       .errores = {"Línea 2 de", "Línea 3 de"}});
  // Amounts: 12 digits are posted and read back to the cent; the largest a currency value holds
  // has 19 significant digits, which the embedded engine would store rounded, and one past it
  // is outside the range: both are refused with line and value, like one that does not
  // convert; the empty one makes the line incomplete; every other one is named with its line,
  // and its line posts nothing.
  {
    Caso c{.nombre = "importes extremos y mal formados", .opcion = kClientes};
    c.contenido = kCliente + Saldo("FC A 0001-1", "922337203685477,5807") + "\r\n" +
                  Saldo("FC A 0001-2", "123456789012,34") + "\r\n";
    c.dialogos.push_back({"RegistraSaldo",
                          "línea 2: el importe \"922337203685477,5807\" tiene más de 15 cifras "
                          "significativas",
                          vbIgnore});
    c.errores.push_back("el importe \"922337203685477,5807\" tiene más de 15 cifras");
    c.leidas = 3;
    const char* malos[] = {"999999999999999,99", "1e5", "12-3", "--5", "abc"};
    int numero = 3;
    for (const char* m : malos) {
      c.contenido += Saldo("FC A 0001-" + std::to_string(numero++), m) + "\r\n";
      ++c.leidas;
      if (numero == 4) {
        c.dialogos.push_back({"RegistraSaldo",
                              "línea 4: el importe \"999999999999999,99\" está fuera del rango de "
                              "un importe (±922337203685477,5807)",
                              vbIgnore});
      } else {
        c.dialogos.push_back(Conversion(c.leidas, "el importe", m));
      }
      c.errores.push_back(std::string("el importe \"") + m + "\"");
    }
    c.contenido += Saldo("FC A 0001-9", "") + "\r\n";
    ++c.leidas;
    c.asientos = 2;
    c.registrados = 1;
    c.incompletos = 1;
    c.lecturas = {
        {"SELECT printf('%.2f', Importe) FROM MV_ASIENTOS WHERE NUMERO = '00000002' "
         "AND Secuencia = 2",
         "123456789012.34"}};
    casos.push_back(c);
  }
  casos.push_back(
      {.nombre = "importes mal formados, cheques",
       .opcion = kChequesTerceros,
       .contenido = ChequeTercero("15/01/2020", "15/02/2020", "1", "1e5") + "\r\n" +
                    ChequeTercero("15/01/2020", "15/02/2020", "2", "") + "\r\n" +
                    ChequeTercero("15/01/2020", "15/02/2020", "3", "--5") + "\r\n" +
                    ChequeTercero("15/01/2020", "15/02/2020", "4", "999999999999999,99") + "\r\n" +
                    ChequeTercero("15/01/2020", "15/02/2020", "5", "123456789012,34"),
       .dialogos = {{"importador", "línea 1: No coinciden los tipos: '1e5'", vbIgnore},
                    {"importador", "línea 3: No coinciden los tipos: '--5'", vbIgnore},
                    {"importador",
                     "línea 4: el importe \"999999999999999,99\" está fuera del rango", vbIgnore}},
       .asientos = 2,
       .leidas = 5,
       .registrados = 1,
       .incompletos = 3,
       .importeCero = 1,
       .errores = {"Línea 1 de", "Línea 3 de", "Línea 4 de"}});

  // A value wider than its column: the database refuses the line's batch, one message, nothing
  // of that line (its calendar day neither), the next lines posted.
  casos.push_back(
      {.nombre = "número de comprobante más ancho que su columna",
       .opcion = kClientes,
       .contenido = kCliente + Saldo("14/01/2020", "FC A 0001-123456789", "15/02/2020", "10") +
                    "\r\n" + Saldo("FC A 0001-2", "20") + "\r\n",
       .dialogos = {{"Atención", "CK_MV_ASIENTOS_NUMERO_len"}},
       .asientos = 2,
       .leidas = 3,
       .registrados = 1,
       .rechazadas = {2},
       .lecturas = {
           {"SELECT COUNT(*) FROM MA_CALENDARIO WHERE FECHA = '2020-01-14 00:00:00'", "0"}}});
  casos.push_back({.nombre = "concepto más ancho que su columna, cheques propios",
                   .opcion = kChequesPropios,
                   .contenido = ChequePropio(std::string(61, 'c'), "1", "10") + "\r\n" +
                                ChequePropio("Pago", "2", "20") + "\r\n",
                   .dialogos = {{"Atención", "CK_MV_ASIENTOS_Detalle_len"}},
                   .asientos = 2,
                   .leidas = 2,
                   .registrados = 1,
                   .rechazadas = {1},
                   .lecturas = {{"SELECT group_concat(Detalle) FROM MV_ASIENTOS", "Pago,Pago"}}});
  casos.push_back({.nombre = "número de cheque más ancho que su columna",
                   .opcion = kChequesPropios,
                   .contenido = ChequePropio("Pago", std::string(19, '9'), "10") + "\r\n" +
                                ChequePropio("Pago", "2", "20") + "\r\n",
                   .dialogos = {{"Atención", "CK_MV_ASIENTOS_NROCOMPROBANTEBANCARIO"}},
                   .asientos = 2,
                   .leidas = 2,
                   .registrados = 1,
                   .rechazadas = {1}});
  casos.push_back({.nombre = "nombre más ancho que su columna, empleados",
                   .opcion = kEmpleados,
                   .contenido = mega + "\r\nGOMEZ;ANA\r\n",
                   .dialogos = {{"Atención", "CK_MA_CUENTAS_Descripcion_len"}},
                   .cuentas = 1,
                   .leidas = 2,
                   .registrados = 1,
                   .rechazadas = {1},
                   .lecturas = {{"SELECT Descripcion FROM MA_CUENTAS WHERE CODIGO = '211050001'",
                                 "GOMEZ ANA"}}});

  // Quotes are dropped from every stored value and from the lookups alike, so a second line
  // with the same value is found; semicolons separate the employee's name parts.
  casos.push_back(
      {.nombre = "comillas en el comprobante y el concepto",
       .opcion = kClientes,
       .contenido =
           kCliente + Saldo("FC A 0001-1'2", "10") + "\r\n" + Saldo("FC A 0001-1'2", "10") + "\r\n",
       .asientos = 2,
       .leidas = 3,
       .registrados = 1,
       .yaImportados = 1,
       .lecturas = {{"SELECT NUMERO || '|' || Detalle FROM MV_ASIENTOS WHERE Secuencia = 1",
                     "00000012|Saldo \"inicial\" dapertura"}},
       .concepto = "Saldo \"inicial\" d'apertura"});
  casos.push_back({.nombre = "comillas y punto y coma, empleados",
                   .opcion = kEmpleados,
                   .contenido = "O'BRIEN;\"JUAN\";ANA\r\n;;;\r\n' ;\r\nO'BRIEN;\"JUAN\";ANA\r\n",
                   .cuentas = 1,
                   .leidas = 4,
                   .registrados = 1,
                   .yaImportados = 1,
                   .lecturas = {{"SELECT Descripcion FROM MA_CUENTAS WHERE CODIGO = '211050001'",
                                 "OBRIEN \"JUAN\" ANA"}}});

  // SQL text inside values is stored as text without its quotes, never run.
  casos.push_back({.nombre = "SQL en el concepto",
                   .opcion = kClientes,
                   .contenido = kCliente + Saldo("FC A 0001-1", "10"),
                   .asientos = 2,
                   .leidas = 2,
                   .registrados = 1,
                   .lecturas = {{"SELECT Detalle FROM MV_ASIENTOS WHERE Secuencia = 1",
                                 "; DROP TABLE MA_CUENTAS; --"}},
                   .concepto = kSql});
  casos.push_back({.nombre = "SQL en el comprobante",
                   .opcion = kClientes,
                   .contenido = kCliente + Saldo("FC A 0001-1", "10") + "\r\n" +
                                Saldo("FC A 0001-2'OR'1'='1", "10") + "\r\n",
                   .asientos = 4,
                   .leidas = 3,
                   .registrados = 2,
                   .lecturas = {{"SELECT NUMERO FROM MV_ASIENTOS WHERE rowid = 3", "2OR1=1"}}});
  casos.push_back(
      {.nombre = "SQL como número de cliente",
       .opcion = kClientes,
       .contenido = "Cliente: 1'; DROP TABLE MA_CUENTAS; --\r\n" + Saldo("FC A 0001-1", "10"),
       .dialogos = {{" Aviso al operador", "No se encontro el cliente", vbNo}},
       .leidas = 2,
       .finalizado = false});
  casos.push_back({.nombre = "SQL como nombre de empleado",
                   .opcion = kEmpleados,
                   .contenido = std::string(kSql) + "\r\n" + kSql + "\r\n",
                   .cuentas = 1,
                   .leidas = 2,
                   .registrados = 1,
                   .yaImportados = 1,
                   .lecturas = {{"SELECT Descripcion FROM MA_CUENTAS WHERE CODIGO = '211050001'",
                                 "DROP TABLE MA_CUENTAS  --"}}});
  casos.push_back({.nombre = "SQL como nombre de cliente, pendientes",
                   .opcion = kPendientes,
                   .contenido = std::string("Cliente / Tarea;Razon social;Comprobante\r\n") +
                                "02/03/2020;;\r\n7;Ferreteria;rt B 0003-00000077\r\n",
                   .cptes = 1,
                   .leidas = 3,
                   .registrados = 1,
                   .lecturas = {{"SELECT Nombre FROM V_MV_CPTE", "; DROP TABLE MA_CUENTAS; --"}}});
  // The semicolons of a value move the reference to another column: the header the shifted
  // text makes is wider than its columns and refused; nothing of the line is stored.
  casos.push_back({.nombre = "punto y coma en el nombre, pendientes",
                   .opcion = kPendientes,
                   .contenido = std::string("Cliente / Tarea;Razon social;Comprobante\r\n") +
                                "02/03/2020;;\r\n7;" + kSql + ";rt B 0003-00000077\r\n",
                   .dialogos = {{"Atención", "CK_V_MV_CPTE_IdComprobante_len"}},
                   .leidas = 3,
                   .rechazadas = {3}});
  return casos;
}

TEST_F(EntradaMalaTest, CadaEntradaTieneSuComportamiento) {
  for (const Caso& c : Casos()) {
    SCOPED_TRACE(c.nombre);
    Verificar(c);
  }
}

}  // namespace
