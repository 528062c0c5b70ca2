// The reconciliation at the end of a run, on real companies: every figure is set against the
// journal's (or the tables') own sums, computed here with SQL of the test; a report whose total
// line disagrees with its vouchers, a refused line, a re-run, an entry the database changed,
// cheques, employees, pending documents and price classes; and the end-of-run reads use indexes.

#include "import/conciliacion.h"

#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "data/traza.h"
#include "data/valores_sesion.h"
#include "import/contexto_corrida.h"
#include "import/lista_precios.h"
#include "platform/dialogos.h"
#include "tests/import/ventana_modos.h"
#include "tests/support/empresa.h"
#include "utility/utilidades.h"

namespace {

using plataforma::Moneda;

// A voucher line of customer balances (38 columns).
std::string Detalle(const std::string& fecha, const std::string& cpte, const std::string& importe) {
  std::vector<std::string> c(38);
  c[0] = fecha;
  c[4] = cpte;
  c[13] = fecha;
  c[37] = importe;
  std::string linea;
  for (size_t i = 0; i < c.size(); ++i) linea += (i ? ";" : "") + c[i];
  return linea + "\r\n";
}

std::string Total(const std::string& cliente, const std::string& importe) {
  return "Total Cliente: " + cliente + std::string(37, ';') + importe + "\r\n";
}

Moneda Importe(const std::string& texto) { return utilidad::TextoAImporte(texto); }

// The reconciliation's lines as the summary writes them.
std::string Texto(const Conciliacion& c) {
  std::string texto;
  for (const std::string& l : LineasConciliacion(c)) texto += l + "\n";
  return texto;
}

class ConciliacionTest : public PruebaEmpresa {
 protected:
  void SetUp() override {
    PruebaEmpresa::SetUp();
    gCantidadDecimales = "2";
    Ejecutar(
        "INSERT INTO MA_CUENTAS (CODIGO, Descripcion, TITULO) VALUES ('11101', 'Caja', 0), "
        "('112010123', 'Panadería', 0), ('112014567', 'Ferretería', 0), "
        "('112010042', 'Almacén', 0), ('111010002', 'Valores a depositar', 0), "
        "('511', 'Apertura', 0), ('21105', 'Sueldos a pagar', 1)");
    Ejecutar(
        "INSERT INTO VT_CLIENTES (Codigo, RAZON_SOCIAL) VALUES "
        "('112010007', 'Ferretería Núñez'), ('112010012', 'Taller Ñandú')");
    AgregarEjercicio(2020);
    dialogos.ResponderSiempre("Proceso Finalizado", plataforma::vbOK);
  }

  ResumenCorrida Importar(int opcion, const std::string& ruta, const std::string& cuenta) {
    VentanaModos ventana(opcion, ruta, cuenta);
    return EjecutarImportacion(ventana);
  }

  // The signed total of the run's lines on an account, as the journal holds them.
  Moneda DiarioDe(const std::string& cuenta) {
    return Importe(
        Valor("SELECT printf('%.4f', coalesce(SUM(CASE WHEN [Debe-Haber] = 'D' THEN Importe "
              "ELSE -Importe END), 0)) FROM MV_ASIENTOS WHERE Cuenta = '" +
              cuenta + "' AND tj_observaciones = 'Importado'"));
  }

  const ConciliacionCuenta* Cuenta(const Conciliacion& c, const std::string& codigo) {
    for (const ConciliacionCuenta& k : c.cuentas) {
      if (k.cuenta == codigo) return &k;
    }
    ADD_FAILURE() << "sin la cuenta " << codigo;
    return nullptr;
  }
};

// Three accounts: the first reconciles; the second had a line refused; the third's report total
// says another amount than its vouchers. The receipt whose number another amount held on the
// same account is posted with letter A and counted with it, not with the older line.
TEST_F(ConciliacionTest, CadaCuentaEsLaSumaDeSusLineasEnElDiario) {
  Ejecutar(
      "INSERT INTO MV_ASIENTOS (Fecha, MES_OPERATIVO, [NUMERO ASIENTO], Cuenta, Secuencia, "
      "[Debe-Haber], Importe, PERIODO, TC, SUCURSAL, NUMERO, LETRA, TIPO_REG) VALUES "
      "('2020-01-02 00:00:00', 1, 900, '112010123', 1, 'H', 50, 2020, 'CB', '0001', '00000100', "
      "'X', '    '), ('2020-01-02 00:00:00', 1, 900, '11101', 2, 'D', 50, 2020, 'CB', '0001', "
      "'00000100', 'X', '    ')");
  dialogos.ResponderSiempre("CHECK constraint", plataforma::vbOK);
  const std::string archivo = EscribirArchivo(
      "saldos.txt", "LISTADO\r\nCliente: 123\r\n" +
                        Detalle("15/01/2020", "FC A 0001-1500", "1500,00") +
                        Detalle("20/01/2020", "REC X 0001-100", "-70,00") + "Cliente: 4567\r\n" +
                        Detalle("10/02/2020", "FC B 0002-78", "2500,50") +
                        Detalle("11/02/2020", "FC B 0002-123456789", "99,50") + "Cliente: 42\r\n" +
                        Detalle("12/02/2020", "NC A 0001-10", "-200") + Total("42", "-250,00"));

  const ResumenCorrida r = Importar(0, archivo, "11101");
  const Conciliacion& c = r.conciliacion;
  EXPECT_TRUE(c.error.empty()) << c.error;
  ASSERT_EQ(c.cuentas.size(), 3u);
  // The accounts that do not reconcile first, in the order of the file.
  EXPECT_EQ(c.cuentas[0].cuenta, "112014567");
  EXPECT_EQ(c.cuentas[1].cuenta, "112010042");
  EXPECT_EQ(c.cuentas[2].cuenta, "112010123");

  struct Esperado {
    std::string cuenta;
    long comprobantes, registrados, noRegistrados;
    std::string archivo, diferencia;
    bool concilia;
  };
  const Esperado esperados[] = {
      {"112010123", 2, 2, 0, "1430", "0", true},
      {"112014567", 2, 1, 1, "2600", "99.5", false},
      {"112010042", 1, 1, 0, "-200", "0", false},
  };
  for (const Esperado& e : esperados) {
    SCOPED_TRACE(e.cuenta);
    const ConciliacionCuenta* k = Cuenta(c, e.cuenta);
    ASSERT_TRUE(k);
    EXPECT_EQ(k->comprobantes, e.comprobantes);
    EXPECT_EQ(k->registrados, e.registrados);
    EXPECT_EQ(k->noRegistrados, e.noRegistrados);
    EXPECT_EQ(k->yaImportados, 0);
    EXPECT_EQ(k->totalArchivo, Importe(e.archivo));
    EXPECT_EQ(k->totalDiario, DiarioDe(e.cuenta));
    EXPECT_EQ(k->Diferencia(), Importe(e.diferencia));
    EXPECT_EQ(k->Concilia(), e.concilia);
  }
  // The report's total line is compared with the journal, and only that account has one.
  ASSERT_TRUE(Cuenta(c, "112010042")->totalInforme);
  EXPECT_EQ(*Cuenta(c, "112010042")->totalInforme, Importe("-250"));
  EXPECT_FALSE(Cuenta(c, "112010123")->totalInforme);

  const std::string texto = Texto(c);
  EXPECT_NE(texto.find("Cuenta 112010042: 1 comprobantes por -200 en el archivo (registrados 1, "
                       "ya importados 0, no registrados 0); en el diario -200; diferencia 0; "
                       "total del informe -250, diferencia con el diario -50: NO CONCILIA\n"),
            std::string::npos)
      << texto;
  EXPECT_NE(texto.find("  Cuentas que concilian: 1 de 3\n"), std::string::npos) << texto;

  // Entries: what the journal holds for the entries of this run, each balanced.
  ASSERT_TRUE(c.asientos);
  EXPECT_EQ(c.asientos->asientos, 4);
  EXPECT_EQ(c.asientos->hallados, 4);
  EXPECT_EQ(c.asientos->lineas, ContarFilas("MV_ASIENTOS", "tj_observaciones = 'Importado'"));
  EXPECT_EQ(c.asientos->debe,
            Importe(Valor("SELECT printf('%.4f', SUM(Importe)) FROM MV_ASIENTOS WHERE "
                          "[Debe-Haber] = 'D' AND tj_observaciones = 'Importado'")));
  EXPECT_EQ(c.asientos->debe, c.asientos->haber);
  EXPECT_TRUE(c.asientos->desbalanceados.empty());

  // A re-run finds every posted voucher; the refused one is still missing.
  const ResumenCorrida otra = Importar(0, archivo, "11101");
  const ConciliacionCuenta* k = Cuenta(otra.conciliacion, "112014567");
  ASSERT_TRUE(k);
  EXPECT_EQ(k->registrados, 0);
  EXPECT_EQ(k->yaImportados, 1);
  EXPECT_EQ(k->noRegistrados, 1);
  EXPECT_EQ(k->totalDiario, DiarioDe("112014567"));
  const ConciliacionCuenta* primera = Cuenta(otra.conciliacion, "112010123");
  ASSERT_TRUE(primera);
  EXPECT_EQ(primera->yaImportados, 2);
  EXPECT_EQ(primera->totalDiario, Importe("1430"));
  EXPECT_TRUE(primera->Concilia());
  EXPECT_FALSE(otra.conciliacion.asientos);  // nothing written, nothing to balance
}

// The balance check reads the journal: a line the database changed after the insert shows.
TEST_F(ConciliacionTest, UnAsientoQueLaBaseCambioNoBalancea) {
  Ejecutar(
      "CREATE TRIGGER TR_CAMBIA AFTER INSERT ON MV_ASIENTOS WHEN NEW.Secuencia = 2 "
      "BEGIN UPDATE MV_ASIENTOS SET Importe = Importe + 1 WHERE rowid = NEW.rowid; END");
  const std::string archivo = EscribirArchivo(
      "saldos.txt", "Cliente: 123\r\n" + Detalle("15/01/2020", "FC A 0001-1", "10"));
  const ResumenCorrida r = Importar(0, archivo, "11101");
  ASSERT_TRUE(r.conciliacion.asientos);
  const ConciliacionAsientos& a = *r.conciliacion.asientos;
  EXPECT_EQ(a.debe, Importe("10"));
  EXPECT_EQ(a.haber, Importe("11"));
  ASSERT_EQ(a.desbalanceados.size(), 1u);
  EXPECT_NE(a.desbalanceados[0].find("Debe 10, Haber 11"), std::string::npos)
      << a.desbalanceados[0];
  EXPECT_NE(Texto(r.conciliacion).find(": NO BALANCEAN\n"), std::string::npos)
      << Texto(r.conciliacion);
  // The customer's own line is untouched: the account reconciles.
  EXPECT_TRUE(r.conciliacion.cuentas.at(0).Concilia());
}

// Cheques: the file's count and total against the journal's lines with those numbers on the
// counter-account; another cheque of a number, already there, shows on its number.
TEST_F(ConciliacionTest, ChequesContraLasLineasDeEsosNumerosEnLaContrapartida) {
  Ejecutar(
      "INSERT INTO MV_ASIENTOS (Fecha, MES_OPERATIVO, [NUMERO ASIENTO], Cuenta, Secuencia, "
      "[Debe-Haber], Importe, PERIODO, TC, SUCURSAL, NUMERO, LETRA, TIPO_REG, "
      "NROCOMPROBANTEBANCARIO) VALUES ('2020-01-02 00:00:00', 1, 900, '111010002', 1, 'D', 75, "
      "2020, 'CC', '0001', '00000900', 'X', '    ', '0012348')");
  const ResumenCorrida r = Importar(3, RutaMuestra("cheques_terceros.csv"), "111010002");
  ASSERT_TRUE(r.conciliacion.cheques);
  const ConciliacionCheques& q = *r.conciliacion.cheques;
  const std::string numeros = "('0012345', '0012346', '0012348')";
  EXPECT_EQ(q.enArchivo, 4);
  EXPECT_EQ(q.registrados, 4);
  EXPECT_EQ(q.totalArchivo, Importe("4485,06"));
  EXPECT_EQ(q.enDiario, ContarFilas("MV_ASIENTOS", "NROCOMPROBANTEBANCARIO IN " + numeros +
                                                       " AND Cuenta = '111010002'"));
  EXPECT_EQ(q.totalDiario, Importe(Valor("SELECT printf('%.4f', SUM(Importe)) FROM MV_ASIENTOS "
                                         "WHERE NROCOMPROBANTEBANCARIO IN " +
                                         numeros + " AND Cuenta = '111010002'")));
  EXPECT_EQ(q.numerosConDiferencia,
            (std::vector<std::string>{
                "0012348: 1 en el archivo por 1234.56, 2 en el diario por 1309.56"}));
  ASSERT_TRUE(r.conciliacion.asientos);
  EXPECT_EQ(r.conciliacion.asientos->asientos, 4);
  EXPECT_EQ(r.conciliacion.asientos->debe, Importe("4485,06"));
  EXPECT_TRUE(r.conciliacion.asientos->desbalanceados.empty());
}

// Employees, pending documents and price classes: items of the file against what the tables
// hold afterwards; an item the database refused is named.
TEST_F(ConciliacionTest, ItemsDelArchivoContraLasTablas) {
  {
    const std::string largo(61, 'X');
    const std::string archivo =
        EscribirArchivo("empleados.csv", "ROJAS;PEDRO\r\n" + largo + "\r\n");
    dialogos.ResponderSiempre("CHECK constraint", plataforma::vbOK);
    const ResumenCorrida r = Importar(2, archivo, "21105");
    ASSERT_EQ(r.conciliacion.items.size(), 1u);
    const ConciliacionItems& e = r.conciliacion.items[0];
    EXPECT_EQ(e.enArchivo, 2);
    EXPECT_EQ(e.hallados, ContarFilas("MA_CUENTAS", "CODIGO LIKE '21105_%'"));
    EXPECT_EQ(e.faltantes, std::vector<std::string>{largo});
  }
  {
    const ResumenCorrida r = Importar(5, RutaMuestra("pendientes.csv"), "");
    ASSERT_EQ(r.conciliacion.items.size(), 2u);
    EXPECT_EQ(r.conciliacion.items[0].enArchivo, 3);
    EXPECT_EQ(r.conciliacion.items[0].hallados, ContarFilas("V_MV_CPTE"));
    EXPECT_EQ(r.conciliacion.items[1].enArchivo, 6);
    EXPECT_EQ(r.conciliacion.items[1].hallados, ContarFilas("V_MV_CPTETAREAS"));
    EXPECT_TRUE(r.conciliacion.items[1].faltantes.empty());
  }
  {
    Ejecutar(
        "INSERT INTO MA_CUENTAS (CODIGO, Descripcion, TITULO) VALUES "
        "('112010005', 'PEREZ JUAN', 0), ('112010009', 'IBÁÑEZ RAÚL', 0)");
    Ejecutar("INSERT INTO MA_CUENTASADIC (CODIGO, CLASE) VALUES ('112010005', 1)");
    dialogos.ResponderSiempre("", plataforma::vbOK);
    const ResumenLista r = CmdEjecutarLista_Click(RutaMuestra("lista_precios.txt"));
    ASSERT_EQ(r.conciliacion.items.size(), 1u);
    const ConciliacionItems& k = r.conciliacion.items[0];
    EXPECT_EQ(k.enArchivo, 4);  // the line without a class is passed over
    EXPECT_EQ(k.hallados, ContarFilas("MA_CUENTASADIC", "CODIGO = '112010005' AND CLASE = 3"));
    // GOMEZ and CLIENTE SIN CUENTA have no account, IBÁÑEZ RAÚL no additional data: the tool
    // wrote none of their classes and said so, so they count as not posted, not as missing.
    EXPECT_EQ(k.noRegistrados, 3);
    EXPECT_TRUE(k.faltantes.empty());
  }
}

// Every end-of-run read looks its rows up through an index of the table it reads.
TEST_F(ConciliacionTest, LasLecturasDelFinalUsanIndices) {
  const std::string traza = Ruta("traza.jsonl");
  EstablecerTraza(traza);
  Importar(0, RutaMuestra("saldos_clientes.txt"), "11101");
  Importar(3, RutaMuestra("cheques_terceros.csv"), "111010002");
  Importar(2, RutaMuestra("empleados.csv"), "21105");
  Importar(5, RutaMuestra("pendientes.csv"), "");
  dialogos.ResponderSiempre("", plataforma::vbOK);
  CmdEjecutarLista_Click(RutaMuestra("lista_precios.txt"));
  EstablecerTraza("");

  std::ifstream f(traza);
  std::string linea;
  int lecturas = 0;
  while (std::getline(f, linea)) {
    const auto j = nlohmann::json::parse(linea);
    const std::string sql = j["sql"];
    const bool final = sql.find(" WHERE (TC = ") != std::string::npos ||
                       sql.find("(MES_OPERATIVO = ") != std::string::npos ||
                       sql.find("SELECT CODIGO, DESCRIPCION FROM @ADMIN_MA_CUENTAS WHERE") == 0 ||
                       sql.find("SELECT NROCOMPROBANTEBANCARIO, Cuenta") == 0 ||
                       sql.find("SELECT c.DESCRIPCION, a.CLASE") == 0;
    if (!final) continue;
    ++lecturas;
    for (const std::string enviado : j["sent"]) {
      SCOPED_TRACE(enviado);
      for (const auto& paso : Consultar("EXPLAIN QUERY PLAN " + enviado)) {
        const std::string detalle = paso.back();
        EXPECT_EQ(detalle.find("SCAN "), std::string::npos) << detalle;
        if (detalle.find("SEARCH") != std::string::npos) {
          EXPECT_NE(detalle.find("INDEX"), std::string::npos) << detalle;
        }
      }
    }
  }
  // Balances, their entries, cheques, their entries, employees, headers, links, classes.
  EXPECT_EQ(lecturas, 8);
}

// The reads at the end do not grow with the lines: 600 vouchers of one type, branch and letter,
// posted in one month, take one read of their lines and one of their entries.
TEST_F(ConciliacionTest, LasLecturasDelFinalNoCrecenConLasLineas) {
  std::string contenido = "Cliente: 123\r\n";
  for (int i = 1; i <= 600; ++i) {
    contenido += Detalle("15/01/2020", "REC X 0001-" + std::to_string(i), "1");
  }
  const std::string traza = Ruta("traza.jsonl");
  EstablecerTraza(traza);
  const ResumenCorrida r = Importar(0, EscribirArchivo("saldos.txt", contenido), "11101");
  EstablecerTraza("");
  EXPECT_EQ(r.registrados, 600);
  ASSERT_EQ(r.conciliacion.cuentas.size(), 1u);
  EXPECT_EQ(r.conciliacion.cuentas[0].totalDiario, Importe("600"));
  EXPECT_EQ(r.conciliacion.asientos->hallados, 600);
  std::ifstream f(traza);
  std::string linea;
  int comprobantes = 0, asientos = 0;
  while (std::getline(f, linea)) {
    const std::string sql = nlohmann::json::parse(linea)["sql"];
    if (sql.rfind("SELECT Cuenta, TC, SUCURSAL, NUMERO, LETRA", 0) == 0) ++comprobantes;
    if (sql.find("(MES_OPERATIVO = ") != std::string::npos) ++asientos;
  }
  EXPECT_EQ(comprobantes, 1);
  EXPECT_EQ(asientos, 1);
}

}  // namespace
