// Customer and supplier balances on a real company: the layout (headers, voucher parsing), the
// posted journal lines, re-runs, the letter ladder, the missing-customer question, refused
// batches and values that do not convert.

#include "import/saldos.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <nlohmann/json.hpp>
#include <string>
#include <utility>
#include <vector>

#include "data/traza.h"
#include "data/valores_sesion.h"
#include "platform/dialogos.h"
#include "tests/import/ventana_modos.h"
#include "tests/support/conexion_con_fallas.h"
#include "tests/support/empresa.h"
#include "ui/frm_quilma.h"
#include "utility/utilidades.h"

namespace {

using namespace plataforma;
using Filas = std::vector<std::vector<std::string>>;

// The samples folder whatever the working directory (IMPORTADOR_SAMPLES or the source tree).
std::string Muestra(const std::string& nombre) { return RutaMuestra(nombre); }

// A voucher line of mode 0 (38 columns) or mode 1 (35 columns).
std::string Detalle(int modo, const std::string& fecha, const std::string& cpte,
                    const std::string& venc, const std::string& importe) {
  std::vector<std::string> c(modo == 1 ? 35 : 38);
  c[0] = fecha;
  c[4] = cpte;
  c[13] = venc;
  c[modo == 1 ? 34 : 37] = importe;
  std::string linea;
  for (size_t i = 0; i < c.size(); ++i) linea += (i ? ";" : "") + c[i];
  return linea + "\r\n";
}

class SaldosTest : public PruebaEmpresa {
 protected:
  void SetUp() override {
    PruebaEmpresa::SetUp();
    gCantidadDecimales = "2";
    for (const char* fila :
         {"('11101', 'Caja', 0)", "('112010123', 'Panadería La Espiga', 0)",
          "('112014567', 'Ferretería Güemes', 0)", "('211010042', 'ACME Insumos', 0)",
          "('211010043', 'Distribuidora Añelo', 0)"}) {
      Ejecutar(std::string("INSERT INTO MA_CUENTAS (CODIGO, Descripcion, TITULO) VALUES ") + fila);
    }
    AgregarEjercicio(2020);
    dialogos.ResponderSiempre("Proceso Finalizado!!!", vbOK);
  }

  const ResumenCorrida& Correr(int modo, const std::string& ruta) {
    frm.optOpcion_Click(modo);
    frm.SetTxtCuenta("11101");
    frm.SetTxtRuta(ruta);
    frm.cmdEjecutar_Click();
    return frm.UltimaCorrida();
  }
  const ResumenCorrida& CorrerTexto(int modo, const std::string& contenido) {
    return Correr(modo, EscribirArchivo("saldos.txt", contenido));
  }

  Filas Asientos(const std::string& columnas, const std::string& condicion = "1=1") {
    return Consultar("SELECT " + columnas + " FROM MV_ASIENTOS WHERE " + condicion +
                     " ORDER BY rowid");
  }

  FrmQUILMA frm;
};

TEST_F(SaldosTest, LeeElComprobanteSegunElModo) {
  struct Caso {
    int modo;
    const char* comprobante;
    const char* tc;
    const char* letra;
    const char* sucursal;
    const char* numero;
  };
  const Caso casos[] = {
      {1, "FC B 0001-00000077", "FCC", "B", "0001", "00000077"},
      {0, "fc b 0001", "FC", "b", "0001", ""},
      {0, "CR X 12-345", "NC", "A", "0001", "00012345"},
      {0, "NC A 0002-00000010", "NC", "A", "0002", "00000010"},
      {1, "NC A 0002-00000010", "NCC", "A", "0002", "00000010"},
      {0, "REC  3-12", "CB", "X", "3-12", ""},  // two blanks: an empty letter token
      {0, "rec X 0003-12", "CB", "X", "0003", "00000012"},
      {1, "NDI A 0001-1", "ND", "A", "0001", "00000001"},
      {0, "NCD A 0001-1", "NC", "A", "0001", "00000001"},
      {1, "nci A 0001-1", "NC", "A", "0001", "00000001"},
      {1, "REC X 0001-1", "CB", "X", "0001", "00000001"},
      {0, "CON A 0001-1", "CC", "A", "0001", "00000001"},
      {0, "ZZ A 0001-00000001", "ZZ", "A", "0001", "00000001"},
      {0, "", "", "X", "", ""},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.comprobante);
    frm.optOpcion_Click(c.modo);
    ContextoCorrida ctx(frm);
    ctx.Linea = Detalle(c.modo, "15/01/2020", c.comprobante, "15/02/2020", "10");
    ctx.Linea.resize(ctx.Linea.size() - 2);
    ctx.Columnas = utilidad::Dividir(ctx.Linea, ";");
    LeerLineaSaldo(ctx);
    EXPECT_EQ(ctx.TC, c.tc);
    EXPECT_EQ(ctx.Letra, c.letra);
    EXPECT_EQ(ctx.Sucursal, c.sucursal);
    EXPECT_EQ(ctx.Numero, c.numero);
  }
}

TEST_F(SaldosTest, RegistroSeLimpiaEnCadaLinea) {
  frm.optOpcion_Click(0);
  ContextoCorrida ctx(frm);
  ctx.Columnas = utilidad::Dividir(Detalle(0, "15/01/2020", "FC A 0001-1", "15/02/2020", "5"), ";");
  LeerLineaSaldo(ctx);
  ASSERT_TRUE(LineaSaldoCompleta(ctx));
  // A short line: no due date and no amount of its own.
  ctx.Columnas = utilidad::Dividir("16/01/2020;;;;FC A 0001-2", ";");
  LeerLineaSaldo(ctx);
  EXPECT_TRUE(ctx.Vencimiento.empty());
  EXPECT_FALSE(LineaSaldoCompleta(ctx));
}

TEST_F(SaldosTest, DetectaTitularDelModo) {
  struct Caso {
    int modo;
    const char* linea;
    const char* cuenta;  // CuentaCliente after the line ("prev" when unchanged)
  };
  const Caso casos[] = {
      {0, "Cliente: 123;ACME", "112010123"},          {0, "CLIENTE:4567;;", "112014567"},
      {0, "Total Cliente: 123;;", "11201Total  123"}, {0, "Proveedor: 000042;;", "prev"},
      {1, "Proveedor: 000042 ACME;;;", "211010042"},  {1, "Cliente: 5;;", "prev"},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.linea);
    frm.optOpcion_Click(c.modo);
    ContextoCorrida ctx(frm);
    ctx.CuentaControl = c.modo == 0 ? "11201" : "21101";
    ctx.CuentaCliente = "prev";
    ctx.Linea = c.linea;
    ctx.Columnas = utilidad::Dividir(ctx.Linea, ";");
    DetectaTitular(ctx);
    EXPECT_EQ(ctx.CuentaCliente, c.cuenta);
  }
}

TEST_F(SaldosTest, ClientesDelArchivoDeMuestra) {
  const ResumenCorrida& r = Correr(0, Muestra("saldos_clientes.txt"));
  EXPECT_TRUE(r.finalizado);
  EXPECT_EQ(r.registrados, 5);
  EXPECT_EQ(r.incompletos, 0);
  EXPECT_TRUE(r.lineasRechazadas.empty());

  // The 1500.00 invoice: customer line with its VAT-book columns, counter-account line without.
  EXPECT_EQ(Asientos("Cuenta, Secuencia, [Debe-Haber], Importe, CabImporte, TC, SUCURSAL, "
                     "NUMERO, LETRA, PERIODO, MES_OPERATIVO, [NUMERO ASIENTO], LIVA_TOTAL, "
                     "LIVA_IMPNETOGRAV, LIVA_IMPIVA, CabCuenta, CabNombre",
                     "NUMERO = '00001500'"),
            (Filas{{"112010123", "1", "D", "1500", "1500", "FC", "0001", "00001500", "A", "2020",
                    "1", "1", "1500", "1239.67", "260.33", "112010123", "Panadería La Espiga"},
                   {"11101", "2", "H", "1500", "1500", "FC", "0001", "00001500", "A", "2020", "1",
                    "1", "NULL", "NULL", "NULL", "NULL", "NULL"}}));
  EXPECT_EQ(Valor("SELECT Fecha FROM MV_ASIENTOS WHERE NUMERO = '00001500'"),
            "2020-01-15 00:00:00");
  EXPECT_EQ(ContarFilas("MA_CALENDARIO", "FECHA = '2020-01-15 00:00:00'"), 1);

  // The credit note: sides reversed, VAT-book columns negative; entry numbers per month.
  EXPECT_EQ(Asientos("Cuenta, [Debe-Haber], Importe, LIVA_TOTAL, [NUMERO ASIENTO]",
                     "TC = 'NC' AND NUMERO = '00000010'"),
            (Filas{{"112010123", "H", "200", "-200", "3"}, {"11101", "D", "200", "NULL", "3"}}));
  EXPECT_EQ(Asientos("Cuenta, TC, SUCURSAL, LETRA, [NUMERO ASIENTO], MES_OPERATIVO",
                     "NUMERO IN ('00012345', '00000078') AND Secuencia = 1"),
            (Filas{{"112014567", "NC", "0001", "A", "1", "2"},
                   {"112014567", "FC", "0002", "B", "2", "2"}}));
  EXPECT_EQ(Valor("SELECT Cuenta FROM MV_ASIENTOS WHERE TC = 'CB'"), "112010123");

  // Re-running the file posts nothing new.
  const ResumenCorrida& otra = Correr(0, Muestra("saldos_clientes.txt"));
  EXPECT_EQ(otra.registrados, 0);
  EXPECT_EQ(otra.yaImportados, 5);
  EXPECT_EQ(ContarFilas("MV_ASIENTOS"), 10);
}

TEST_F(SaldosTest, ProveedoresDelArchivoDeMuestra) {
  const ResumenCorrida& r = Correr(1, Muestra("saldos_proveedores.txt"));
  EXPECT_TRUE(r.finalizado);
  EXPECT_EQ(r.registrados, 4);
  EXPECT_EQ(Asientos("Cuenta, [Debe-Haber], TC, LIVA_TOTAL", "NUMERO = '00000077'"),
            (Filas{{"211010042", "H", "FCC", "NULL"}, {"11101", "D", "FCC", "NULL"}}));
  EXPECT_EQ(Asientos("Cuenta, TC", "Secuencia = 1 AND NUMERO = '00000078'"),
            (Filas{{"211010043", "NC"}}));
  EXPECT_EQ(ContarFilas("MV_ASIENTOS", "TC = 'NCC'"), 2);
}

TEST_F(SaldosTest, NumeroOcupadoPasaALaPrimeraLetraLibre) {
  Ejecutar(
      "INSERT INTO MV_ASIENTOS (Cuenta, TC, SUCURSAL, NUMERO, LETRA, Importe) VALUES "
      "('112010123', 'CB', '0001', '00000100', 'X', 50), "
      "('112010123', 'CB', '0001', '00000100', 'A', 60), "
      "('112010123', 'FC', '0001', '00000200', 'A', 10)");
  const std::string cabecera = "Cliente: 123\r\n";
  const ResumenCorrida& r =
      CorrerTexto(0, cabecera + Detalle(0, "15/01/2020", "REC X 0001-100", "15/01/2020", "70") +
                         Detalle(0, "15/01/2020", "FC A 0001-200", "15/01/2020", "99"));
  EXPECT_EQ(r.registrados, 1);
  EXPECT_EQ(r.otraLetra, 1);
  EXPECT_EQ(r.yaImportados, 1);  // the invoice: its number is taken, letters never move
  EXPECT_EQ(ContarFilas("MV_ASIENTOS", "TC = 'CB' AND LETRA = 'B'"), 2);
  EXPECT_EQ(ContarFilas("MV_ASIENTOS", "TC = 'FC'"), 1);

  // The receipts with 50 and 60 are already in the journal under X and A.
  const ResumenCorrida& otra =
      CorrerTexto(0, cabecera + Detalle(0, "15/01/2020", "REC X 0001-100", "15/01/2020", "50") +
                         Detalle(0, "15/01/2020", "REC X 0001-100", "15/01/2020", "60"));
  EXPECT_EQ(otra.registrados, 0);
  EXPECT_EQ(otra.yaImportados, 2);

  // The file's letter and every letter A to N held by other amounts: skipped, nothing posted.
  Ejecutar(
      "INSERT INTO MV_ASIENTOS (TC, SUCURSAL, NUMERO, LETRA, Importe) VALUES "
      "('CB', '0001', '00000300', 'X', 1)");
  for (char letra = 'A'; letra <= 'N'; ++letra) {
    Ejecutar(std::string("INSERT INTO MV_ASIENTOS (TC, SUCURSAL, NUMERO, LETRA, Importe) "
                         "VALUES ('CB', '0001', '00000300', '") +
             letra + "', 2)");
  }
  const ResumenCorrida& llena =
      CorrerTexto(0, cabecera + Detalle(0, "15/01/2020", "REC X 0001-300", "15/01/2020", "70"));
  EXPECT_EQ(llena.sinLetraLibre, 1);
  EXPECT_EQ(llena.registrados, 0);
  EXPECT_EQ(ContarFilas("MV_ASIENTOS", "NUMERO = '00000300'"), 15);
}

// A voucher number is the voucher of one account: another supplier's voucher of the same number
// and amount is another voucher (next free letter); another customer's invoice of that number is
// an error of the file, reported naming both accounts. A second run posts nothing.
TEST_F(SaldosTest, ElMismoNumeroEnOtraCuentaEsOtroComprobante) {
  const std::string proveedores = "Proveedor: 000042 ACME;;;\r\n" +
                                  Detalle(1, "15/01/2020", "FC A 0001-77", "15/02/2020", "500") +
                                  "Proveedor: 000043 Añelo;;;\r\n" +
                                  Detalle(1, "15/01/2020", "FC A 0001-77", "15/02/2020", "500");
  const ResumenCorrida& p = CorrerTexto(1, proveedores);
  EXPECT_EQ(p.registrados, 2);
  EXPECT_EQ(p.otraLetra, 1);
  EXPECT_EQ(p.yaImportados, 0);
  EXPECT_EQ(Asientos("Cuenta, LETRA", "NUMERO = '00000077' AND Secuencia = 1"),
            (Filas{{"211010042", "A"}, {"211010043", "B"}}));
  const ResumenCorrida& p2 = CorrerTexto(1, proveedores);
  EXPECT_EQ(p2.registrados, 0);
  EXPECT_EQ(p2.yaImportados, 2);

  const std::string clientes =
      "Cliente: 123\r\n" + Detalle(0, "15/01/2020", "FC A 0001-88", "15/02/2020", "10") +
      "Cliente: 4567\r\n" + Detalle(0, "15/01/2020", "FC A 0001-88", "15/02/2020", "20");
  for (int corrida = 1; corrida <= 2; ++corrida) {
    SCOPED_TRACE(corrida);
    const ResumenCorrida& c = CorrerTexto(0, clientes);
    EXPECT_EQ(c.registrados, corrida == 1 ? 1 : 0);
    EXPECT_EQ(c.yaImportados, corrida == 1 ? 0 : 1);
    EXPECT_EQ(c.conflictos, 1);
    ASSERT_EQ(c.errores.size(), 1u);
    EXPECT_NE(c.errores[0].find("línea 4"), std::string::npos) << c.errores[0];
    EXPECT_NE(c.errores[0].find("112014567"), std::string::npos) << c.errores[0];
    EXPECT_NE(c.errores[0].find("112010123"), std::string::npos) << c.errores[0];
    EXPECT_NE(TextoResumen(c).find("En conflicto con otra cuenta: 1"), std::string::npos);
  }
  EXPECT_EQ(ContarFilas("MV_ASIENTOS", "NUMERO = '00000088'"), 2);
}

// A batch refused because another program took its entry number, or because the database was
// busy or chose it as a deadlock victim, is sent again without a dialog; a refusal that lasts is
// shown and counted as refused.
TEST_F(SaldosTest, UnLoteOcupadoONumeroTomadoSeEnviaDeNuevo) {
  ado::Error numeroTomado;
  numeroTomado.NativeError = 2627;
  numeroTomado.Description =
      "UNIQUE constraint failed: MV_ASIENTOS.MES_OPERATIVO, MV_ASIENTOS.PERIODO, "
      "MV_ASIENTOS.TIPO_REG, MV_ASIENTOS.NUMERO ASIENTO, MV_ASIENTOS.Secuencia";
  ado::Error ocupada;
  ocupada.NativeError = 1222;
  ocupada.Description = "[SQLite]database is locked (5)";
  struct Caso {
    const char* nombre;
    ado::Error error;
    bool persistente;
    bool registrado;
  };
  const Caso casos[] = {
      {"numero tomado", numeroTomado, false, true},
      {"ocupada", ocupada, false, true},
      {"interbloqueo", ado::ErrorSimulado(), false, true},
      {"ocupada siempre", ocupada, true, false},
  };
  int numero = 0;
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    auto plan = std::make_shared<ado::PlanDeFallas>();
    plan->falla = {ado::Llamada::Confirmacion, 1, c.persistente, c.error, ""};
    ado::InstalarFallas(plan);
    AbrirSesion(usuario_, administrador_);
    dialogos.ResponderSiempre("database is locked", vbOK);
    const size_t avisos = dialogos.Textos("Atención").size();
    const std::string nro = std::to_string(++numero);
    const ResumenCorrida& r = CorrerTexto(
        0, "Cliente: 123\r\n" + Detalle(0, "15/01/2020", "REC X 0001-" + nro, "15/01/2020", "5"));
    ado::QuitarFallas();
    EXPECT_EQ(r.registrados, c.registrado ? 1 : 0);
    EXPECT_EQ(r.lineasRechazadas.size(), c.registrado ? 0u : 1u);
    EXPECT_EQ(dialogos.Textos("Atención").size() - avisos, c.registrado ? 0u : 1u);
    EXPECT_EQ(ContarFilas("MV_ASIENTOS", "NUMERO = '0000000" + nro + "'"), c.registrado ? 2 : 0);
    if (c.persistente) {
      EXPECT_EQ(plan->fallas, 3);
    }
  }
}

// In a dry run the same refusals are undone to the line's savepoint and the batch is sent again
// inside the run's transaction, which is never committed.
TEST_F(SaldosTest, EnUnEnsayoElLoteSeReenviaDentroDeSuPuntoDeGuardado) {
  ado::Error numeroTomado;
  numeroTomado.NativeError = 2627;
  numeroTomado.Description = "UNIQUE constraint failed: MV_ASIENTOS.NUMERO ASIENTO";
  ado::Error ocupada;
  ocupada.NativeError = 1222;
  ocupada.Description = "[SQLite]database is locked (5)";
  const std::pair<const char*, ado::Error> casos[] = {{"numero tomado", numeroTomado},
                                                      {"ocupada", ocupada},
                                                      {"interbloqueo", ado::ErrorSimulado()}};
  for (const auto& [nombre, error] : casos) {
    SCOPED_TRACE(nombre);
    auto plan = std::make_shared<ado::PlanDeFallas>();
    plan->falla = {ado::Llamada::Sentencia, 1, false, error, "RELEASE LINEA"};
    ado::InstalarFallas(plan);
    AbrirSesion(usuario_, administrador_);
    frm.SetChkEnsayo(true);
    const ResumenCorrida& r = CorrerTexto(
        0, "Cliente: 123\r\n" + Detalle(0, "15/01/2020", "REC X 0001-1", "15/01/2020", "5"));
    ado::QuitarFallas();
    frm.SetChkEnsayo(false);
    EXPECT_EQ(r.registrados, 1);
    EXPECT_TRUE(r.lineasRechazadas.empty());
    EXPECT_EQ(ContarFilas("MV_ASIENTOS"), 0);
    const auto& t = plan->textos;
    EXPECT_EQ(std::count(t.begin(), t.end(), "SAVEPOINT LINEA"), 2);
    EXPECT_EQ(std::count(t.begin(), t.end(), "ROLLBACK TO LINEA"), 1);
    EXPECT_EQ(std::count(t.begin(), t.end(), "COMMIT TRANSACTION"), 0);
    EXPECT_EQ(t.back(), "ROLLBACK TRANSACTION");
  }
}

TEST_F(SaldosTest, ElSignoDelImporteDecideLosLados) {
  struct Caso {
    const char* importe;
    const char* cliente;  // side of the customer's line
    const char* contraparte;
    const char* absoluto;
  };
  const Caso casos[] = {
      {"1500,00", "D", "H", "1500"}, {"-200", "H", "D", "200"}, {"0", "D", "H", "0"}};
  int numero = 0;
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.importe);
    const std::string nro = std::to_string(++numero);
    CorrerTexto(0, "Cliente: 123\r\n" +
                       Detalle(0, "15/01/2020", "REC X 0001-" + nro, "15/01/2020", c.importe));
    EXPECT_EQ(
        Asientos("Secuencia, [Debe-Haber], Importe, CabImporte", "NUMERO = '0000000" + nro + "'"),
        (Filas{{"1", c.cliente, c.absoluto, c.absoluto},
               {"2", c.contraparte, c.absoluto, c.absoluto}}));
  }
}

TEST_F(SaldosTest, LineasIncompletasSeIgnoranSinMensaje) {
  const ResumenCorrida& r = CorrerTexto(
      0, "Cliente: 123\r\n" + Detalle(0, "15/01/2020", "FC A 0001-1", "", "10") +  // no due date
             Detalle(0, "15/01/2020", "FC A 0001-2", "15/02/2020", "  ") +         // no amount
             Detalle(0, "15/01/2020", "fc b 0001", "15/02/2020", "10") +           // no number
             Detalle(0, "15/01/2020", "", "15/02/2020", "10") +                    // no voucher
             "15/01/2020;;;;FC A 0001-5\r\n");                                     // cut short
  EXPECT_EQ(r.incompletos, 5);
  EXPECT_EQ(r.registrados, 0);
  EXPECT_TRUE(r.finalizado);
  EXPECT_EQ(ContarFilas("MV_ASIENTOS"), 0);
  EXPECT_EQ(dialogos.Transcripcion().size(), 1u);  // only "Proceso Finalizado!!!"
}

// Answers the missing-customer question, running `alPreguntar` first.
class DialogosConAccion : public DialogosGuionados {
 public:
  int MsgBox(const std::string& texto, int botones, const std::string& titulo) override {
    if (titulo == " Aviso al operador" && alPreguntar) alPreguntar();
    return DialogosGuionados::MsgBox(texto, botones, titulo);
  }
  std::function<void()> alPreguntar;
};

TEST_F(SaldosTest, ClienteFaltanteSiDespuesDeCrearloYNoTermina) {
  DialogosConAccion d;
  EstablecerDialogos(&d);
  d.ResponderSiempre("Proceso Finalizado!!!", vbOK);
  d.alPreguntar = [&] {
    Ejecutar("INSERT INTO MA_CUENTAS (CODIGO, Descripcion) VALUES ('112010999', 'Nuevo')");
  };
  d.Responder(vbYes);
  const std::string archivo =
      "Cliente: 999\r\n" + Detalle(0, "15/01/2020", "FC A 0001-1", "15/02/2020", "10");
  EXPECT_TRUE(CorrerTexto(0, archivo).finalizado);
  ASSERT_EQ(d.Textos(" Aviso al operador").size(), 1u);
  EXPECT_EQ(d.Textos(" Aviso al operador")[0],
            "No se encontro el cliente \r\n112010999\r\nDebe darlo de alta para continuar"
            "\r\n\r\nSeleccione SI luego de darlo de Alta\r\n"
            "Seleccione NO para abortar el proceso");
  EXPECT_EQ(d.Transcripcion().front().botones, vbCritical + vbYesNo);
  EXPECT_EQ(ContarFilas("MV_ASIENTOS", "Cuenta = '112010999'"), 1);

  d.alPreguntar = nullptr;
  d.Responder(vbNo);
  const ResumenCorrida& r = CorrerTexto(
      0, "Cliente: 888\r\n" + Detalle(0, "15/01/2020", "FC A 0001-2", "15/02/2020", "10") +
             "Cliente: 123\r\n" + Detalle(0, "15/01/2020", "FC A 0001-3", "15/02/2020", "10"));
  EXPECT_FALSE(r.finalizado);
  EXPECT_EQ(r.lineasLeidas, 2);
  EXPECT_EQ(ContarFilas("MV_ASIENTOS", "NUMERO IN ('00000002', '00000003')"), 0);
  EXPECT_TRUE(d.SinRespuesta().empty());
  EstablecerDialogos(&dialogos);
}

// The statements of this run that switch the journal's triggers, in order.
std::vector<std::string> SentenciasDeTriggers(const std::string& traza) {
  std::vector<std::string> r;
  std::ifstream f(traza);
  for (std::string linea; std::getline(f, linea);) {
    const auto j = nlohmann::json::parse(linea, nullptr, false);
    if (j.is_discarded()) continue;
    const std::string sql = j.value("sql", "");
    if (sql.find("TRIGGER ALL") != std::string::npos) r.push_back(sql);
  }
  return r;
}

TEST_F(SaldosTest, UnaCorridaQueTerminaAntesRehabilitaLosTriggers) {
  struct Caso {
    const char* nombre;
    std::string archivo;
    int respuesta;  // to the only question of the run
  };
  const Caso casos[] = {
      {"No al cliente faltante",
       "Cliente: 888\r\n" + Detalle(0, "15/01/2020", "FC A 0001-1", "15/02/2020", "10"), vbNo},
      {"Anular ante un importe ilegible",
       "Cliente: 123\r\n" + Detalle(0, "15/01/2020", "FC A 0001-1", "15/02/2020", "1x"), vbAbort},
  };
  const std::string traza = Ruta("traza.jsonl");
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    std::ofstream(traza, std::ios::trunc).close();
    EstablecerTraza(traza);
    dialogos.Responder(c.respuesta);
    const ResumenCorrida& r =
        CorrerTexto(0, c.archivo + Detalle(0, "16/01/2020", "FC A 0001-2", "15/02/2020", "10"));
    EstablecerTraza("");
    EXPECT_FALSE(r.finalizado);
    EXPECT_EQ(r.lineasLeidas, 2);
    EXPECT_EQ(SentenciasDeTriggers(traza),
              (std::vector<std::string>{"ALTER TABLE MV_ASIENTOS DISABLE TRIGGER ALL",
                                        "ALTER TABLE MV_ASIENTOS ENABLE TRIGGER ALL"}));
    EXPECT_EQ(ContarFilas("MV_ASIENTOS"), 0);
    EXPECT_EQ(dialogos.RespuestasPendientes(), 0u);
  }
}

TEST_F(SaldosTest, LoteRechazadoNoDetieneLasLineasSiguientes) {
  dialogos.ResponderSiempre("CHECK constraint", vbOK);
  const ResumenCorrida& r = CorrerTexto(
      0, "Cliente: 123\r\n" + Detalle(0, "15/01/2020", "FC A 0001-123456789", "15/02/2020", "10") +
             Detalle(0, "16/01/2020", "FC A 0001-2", "15/02/2020", "10"));
  EXPECT_EQ(dialogos.Textos("Atención").size(), 1u);
  EXPECT_EQ(r.lineasRechazadas, std::vector<long>{2});
  EXPECT_NE(TextoResumen(r).find("Registrados: 1\n"), std::string::npos) << TextoResumen(r);
  EXPECT_NE(TextoResumen(r).find("Rechazados por la base: 1 (líneas 2)\n"), std::string::npos)
      << TextoResumen(r);
  EXPECT_EQ(ContarFilas("MV_ASIENTOS", "NUMERO = '123456789'"), 0);
  EXPECT_EQ(ContarFilas("MA_CALENDARIO", "FECHA = '2020-01-15 00:00:00'"), 0);
  EXPECT_EQ(ContarFilas("MV_ASIENTOS", "NUMERO = '00000002'"), 2);
}

TEST_F(SaldosTest, ImporteOFechaQueNoConviertenNoPostean) {
  struct Caso {
    const char* fecha;
    const char* importe;
    const char* valor;  // what the message names
  };
  const Caso casos[] = {{"15/01/2020", "12,3x", "12,3x"}, {"31/02/2020", "10", "31/02/2020"}};
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.valor);
    size_t antes = dialogos.Transcripcion().size();
    dialogos.Responder(vbRetry);  // the same value fails again
    dialogos.Responder(vbIgnore);
    const ResumenCorrida& r = CorrerTexto(
        0, "Cliente: 123\r\n" + Detalle(0, c.fecha, "REC X 0001-7", "15/02/2020", c.importe) +
               Detalle(0, "16/01/2020", "REC X 0001-8", "15/02/2020", "10"));
    ASSERT_GT(dialogos.Transcripcion().size(), antes);
    const std::string& texto = dialogos.Transcripcion()[antes].texto;
    EXPECT_NE(texto.find("línea 2"), std::string::npos) << texto;
    EXPECT_NE(texto.find(c.valor), std::string::npos) << texto;
    EXPECT_EQ(ContarFilas("MV_ASIENTOS", "NUMERO = '00000007'"), 0);
    EXPECT_EQ(r.errores.size(), 1u);  // named once in the summary, however often retried
    EXPECT_TRUE(r.finalizado);
  }
  EXPECT_EQ(ContarFilas("MV_ASIENTOS", "NUMERO = '00000008'"), 2);
}

}  // namespace
