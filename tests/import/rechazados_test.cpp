// The rejected-lines file and its reasons on real companies, per mode: the lines not posted in
// the input's own bytes after the lines they need, the reasons as CSV, the corrected file posting
// exactly those lines, earlier files removed by a clean run, and the program's folder when the
// input's cannot be written.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "data/valores_sesion.h"
#include "import/contexto_corrida.h"
#include "import/salidas_corrida.h"
#include "platform/archivos.h"
#include "platform/dialogos.h"
#include "tests/import/ventana_modos.h"
#include "tests/support/empresa.h"
#include "utility/utilidades.h"

namespace {

using plataforma::vbIgnore;
using plataforma::vbOK;

std::string Bytes(const std::string& ruta) {
  std::ifstream f(ruta, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

bool Existe(const std::string& ruta) { return std::filesystem::exists(ruta); }

// A voucher line of the customer balances (38 columns), without its line end.
std::string Comprobante(const std::string& fecha, const std::string& cpte,
                        const std::string& importe, const std::string& descripcion = "") {
  std::vector<std::string> c(38);
  c[0] = fecha;
  c[2] = descripcion;
  c[4] = cpte;
  c[13] = "15/02/2020";
  c[37] = importe;
  std::string linea;
  for (size_t i = 0; i < c.size(); ++i) linea += (i ? ";" : "") + c[i];
  return linea;
}

class RechazadosTest : public PruebaEmpresa {
 protected:
  void SetUp() override {
    PruebaEmpresa::SetUp();
    gCantidadDecimales = "2";
    Ejecutar(
        "INSERT INTO MA_CUENTAS (CODIGO, Descripcion, TITULO) VALUES ('11101', 'Caja', 0), "
        "('112010123', 'Panadería La Espiga', 0), ('112014567', 'Ferretería Güemes', 0), "
        "('21105', 'Sueldos a pagar', 1), ('111010002', 'Valores a depositar', 0), "
        "('511', 'Apertura', 0), ('211010042', 'ACME Insumos', 0)");
    Ejecutar(
        "INSERT INTO VT_CLIENTES (Codigo, RAZON_SOCIAL) VALUES "
        "('112010007', 'Ferretería Núñez'), ('112010012', 'Taller Ñandú')");
    AgregarEjercicio(2020);
    dialogos.ResponderSiempre("Proceso Finalizado", vbOK);
    dialogos.ResponderSiempre("CHECK constraint", vbOK);
    dialogos.ResponderSiempre("no se puede convertir", vbIgnore);
  }

  ResumenCorrida Importar(int opcion, const std::string& ruta, const std::string& cuenta) {
    VentanaModos ventana(opcion, ruta, cuenta);
    return EjecutarImportacion(ventana);
  }

  // Replaces each line `de` of the file with `a` (the operator's corrections).
  void Corregir(const std::string& ruta,
                const std::vector<std::pair<std::string, std::string>>& c) {
    std::string bytes = Bytes(ruta);
    for (const auto& [de, a] : c) {
      ASSERT_NE(bytes.find(de), std::string::npos) << de;
      bytes = utilidad::ReemplazaTexto(bytes, de, a);
    }
    ASSERT_TRUE(plataforma::EscribirBytes(ruta, bytes));
  }

  static std::vector<long> Lineas(const ResumenCorrida& r) {
    std::vector<long> lineas;
    for (const LineaNoRegistrada& l : r.noRegistradas) lineas.push_back(l.linea);
    return lineas;
  }
};

// Windows-1252 lines with CR LF (one ends with a lone CR): a voucher outside every fiscal year,
// one incomplete, one the database refuses, one whose amount does not convert, under two headers.
TEST_F(RechazadosTest, SaldosConLineasMalasDeVariasClases) {
  const std::string fuera = Comprobante("15/01/2019", "REC X 0001-2", "20",
                                        "Se\xF1"
                                        "a");
  const std::string incompleta = Comprobante("15/01/2020", "REC X 0001-4", "");
  const std::string rechazada = Comprobante("15/01/2020", "FC A 0001-123456789", "40");
  const std::string ilegible = Comprobante("15/01/2020", "REC X 0001-5", "1x");
  const std::string contenido =
      "Saldos al 31/12/2019\r\nCliente: 123\r\n" + Comprobante("15/01/2020", "REC X 0001-1", "10") +
      "\r\n" + fuera + "\r\nCliente: 4567\r\n" + Comprobante("15/01/2020", "REC X 0001-3", "30") +
      "\r\n" + incompleta + "\r\n" + rechazada + "\r\n" + ilegible + "\r" +
      Comprobante("15/01/2020", "REC X 0001-6", "60") + "\r\n";
  const std::string ruta = EscribirArchivo("saldos.txt", contenido);
  const ResumenCorrida r = Importar(0, ruta, "11101");
  ASSERT_EQ(Lineas(r), (std::vector<long>{4, 7, 8, 9}));
  EXPECT_EQ(r.registrados, 3);

  // The headers the vouchers need, then the vouchers, byte for byte as the input holds them.
  EXPECT_EQ(r.archivoRechazados, Ruta("saldos.rechazados.txt"));
  EXPECT_EQ(Bytes(r.archivoRechazados), "Cliente: 123\r\n" + fuera + "\r\nCliente: 4567\r\n" +
                                            incompleta + "\r\n" + rechazada + "\r\n" + ilegible +
                                            "\r");
  EXPECT_EQ(r.archivoMotivos, Ruta("saldos.rechazados.motivos.csv"));
  EXPECT_EQ(Bytes(r.archivoMotivos),
            "\xEF\xBB\xBFLínea;Motivo;Valor\r\n"
            "4;fuera de ejercicio;15/01/2019\r\n"
            "7;incompleta;\"" +
                utilidad::Abreviado(incompleta) +
                "\"\r\n"
                "8;rechazada por la base;[SQLite]CHECK constraint failed: "
                "CK_MV_ASIENTOS_NUMERO_len (19)\r\n"
                "9;error de conversión;1x\r\n");

  // Corrected as it stands, the file posts its four vouchers and nothing else.
  Corregir(r.archivoRechazados, {{"15/01/2019", "15/01/2020"},
                                 {incompleta, Comprobante("15/01/2020", "REC X 0001-4", "40")},
                                 {"0001-123456789", "0001-12345678"},
                                 {";1x\r", ";50\r"}});
  const int64_t antes = ContarFilas("MV_ASIENTOS");
  const ResumenCorrida corregida = Importar(0, r.archivoRechazados, "11101");
  EXPECT_TRUE(corregida.noRegistradas.empty()) << corregida.noRegistradas.front().motivo;
  EXPECT_EQ(corregida.registrados, 4);
  EXPECT_EQ(corregida.yaImportados, 0);
  EXPECT_EQ(ContarFilas("MV_ASIENTOS"), antes + 8);
  EXPECT_EQ(ContarFilas("MV_ASIENTOS", "Cuenta = '112014567' AND NUMERO = '12345678'"), 1);
  EXPECT_FALSE(Existe(Ruta("saldos.rechazados.rechazados.txt")));

  // The original input, corrected and now wholly in the journal, leaves no rejected files.
  Corregir(ruta, {{"15/01/2019", "15/01/2020"},
                  {incompleta, Comprobante("15/01/2020", "REC X 0001-4", "40")},
                  {"0001-123456789", "0001-12345678"},
                  {";1x\r", ";50\r"}});
  const ResumenCorrida limpia = Importar(0, ruta, "11101");
  EXPECT_TRUE(limpia.noRegistradas.empty());
  EXPECT_EQ(limpia.yaImportados, 7);
  EXPECT_TRUE(limpia.archivoRechazados.empty());
  EXPECT_FALSE(Existe(Ruta("saldos.rechazados.txt")));
  EXPECT_FALSE(Existe(Ruta("saldos.rechazados.motivos.csv")));
}

// A task needs its block's date line and its document line before it; a document refused with
// its tasks comes with its date line.
TEST_F(RechazadosTest, PendientesLlevanFechaYComprobante) {
  const std::string contenido =
      "Remitos pendientes\r\n02/03/2020;;\r\n7;Ferretería Núñez;rt B 0003-00000077\r\n"
      "0101;;Cambio de aceite\r\n0102;;\r\n"
      "12;Taller Ñandú;OT X 0001\r\n0103;;Alineación y balanceo\r\n"
      "05/03/2020;;\r\n7;Ferretería Núñez;OT A 0001-00000011\r\n0104;;Lavado de tapizados\r\n";
  const std::string ruta = EscribirArchivo("pendientes.csv", contenido);
  const ResumenCorrida r = Importar(5, ruta, "");
  ASSERT_EQ(Lineas(r), (std::vector<long>{5, 6, 7}));
  EXPECT_EQ(Bytes(Ruta("pendientes.rechazados.csv")),
            "02/03/2020;;\r\n7;Ferretería Núñez;rt B 0003-00000077\r\n0102;;\r\n"
            "12;Taller Ñandú;OT X 0001\r\n0103;;Alineación y balanceo\r\n");

  Corregir(Ruta("pendientes.rechazados.csv"),
           {{"0102;;\r\n", "0102;;Revisión de frenos\r\n"}, {"OT X 0001\r\n", "OT X 0001-10\r\n"}});
  const ResumenCorrida corregida = Importar(5, Ruta("pendientes.rechazados.csv"), "");
  EXPECT_TRUE(corregida.noRegistradas.empty()) << corregida.noRegistradas.front().valor;
  EXPECT_EQ(corregida.yaImportados, 1);  // the context's document, posted by the first run
  EXPECT_EQ(corregida.registrados, 1);
  EXPECT_EQ(corregida.vinculosGrabados, 2);
  EXPECT_EQ(ContarFilas("V_MV_CPTE"), 3);
  EXPECT_EQ(ContarFilas("V_MV_CPTETAREAS", "IdComprobante = '000100000010X'"), 1);
  EXPECT_EQ(ContarFilas("V_MV_CPTETAREAS"), 4);
}

// Supplier vouchers come after their header; cheques and employees have no context lines.
TEST_F(RechazadosTest, OtrosModosCorregidosRegistranSusLineas) {
  struct Caso {
    const char* nombre;
    int opcion;
    const char* cuenta;
    std::string contenido;
    std::vector<long> lineas;
    std::string rechazados;
    std::vector<std::pair<std::string, std::string>> correcciones;
    long registrados;  // cheques posted or accounts created by the corrected file
  };
  const std::string largo(70, 'X');
  // A supplier voucher (35 columns: the amount in column 34) outside every fiscal year.
  std::string proveedor = "15/01/2019;;;;FC A 0001-00000077";
  proveedor += std::string(9, ';') + "15/02/2019" + std::string(21, ';') + "77,00\r\n";
  const Caso casos[] = {
      {"proveedores",
       1,
       "11101",
       "Proveedor: 42;;\r\n" + utilidad::ReemplazaTexto(proveedor, "2019", "2020") +
           utilidad::ReemplazaTexto(proveedor, "00000077", "00000078"),
       {3},
       "Proveedor: 42;;\r\n" + utilidad::ReemplazaTexto(proveedor, "00000077", "00000078"),
       {{"15/01/2019", "15/01/2020"}},
       1},
      {"cheques de terceros",
       3,
       "111010002",
       "15/01/2020;15/02/2020;Banco;Cobro 1;011;0000001;Pérez;100,00\r\n"
       "15/01/2019;15/02/2019;Banco;Cobro 2;011;0000002;Pérez;200,00\r\n"
       "15/01/2020;15/02/2020;Banco;Cobro 3;011;00000000000000000000003;Pérez;300,00\r\n",
       {2, 3},
       "15/01/2019;15/02/2019;Banco;Cobro 2;011;0000002;Pérez;200,00\r\n"
       "15/01/2020;15/02/2020;Banco;Cobro 3;011;00000000000000000000003;Pérez;300,00\r\n",
       {{"15/01/2019;15/02/2019", "15/01/2020;15/02/2020"}, {"00000000000000000000003", "0000003"}},
       2},
      {"empleados",
       2,
       "21105",
       "PEREZ;JUAN\n" + largo + "\nGOMEZ;ANA\n",
       {2},
       largo + "\n",
       {{largo, "PAZ;LUIS"}},
       1},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    const std::string ruta = EscribirArchivo(std::string(c.nombre) + ".csv", c.contenido);
    const ResumenCorrida r = Importar(c.opcion, ruta, c.cuenta);
    ASSERT_EQ(Lineas(r), c.lineas);
    EXPECT_EQ(Bytes(r.archivoRechazados), c.rechazados);
    Corregir(r.archivoRechazados, c.correcciones);
    const ResumenCorrida corregida = Importar(c.opcion, r.archivoRechazados, c.cuenta);
    EXPECT_TRUE(corregida.noRegistradas.empty());
    EXPECT_EQ(corregida.registrados + corregida.cuentasCreadas, c.registrados);
    EXPECT_EQ(corregida.yaImportados + corregida.cuentasExistentes, 0);
  }
  EXPECT_EQ(ContarFilas("MA_CUENTAS", "CODIGO LIKE '21105_%'"), 3);
  EXPECT_EQ(ContarFilas("MV_ASIENTOS", "TC = 'CC'"), 6);
  EXPECT_EQ(ContarFilas("MV_ASIENTOS", "Cuenta = '211010042'"), 2);
}

// A run that ends before it reads its file says nothing of its lines: an earlier run's files
// stay as they were.
TEST_F(RechazadosTest, CorridaQueNoLeyoElArchivoLosDeja) {
  const std::string ruta = EscribirArchivo(
      "saldos.txt", "Cliente: 123\r\n" + Comprobante("15/01/2020", "REC X 0001-1", "") + "\r\n");
  ASSERT_FALSE(Importar(0, ruta, "11101").archivoRechazados.empty());
  const std::string antes = Bytes(Ruta("saldos.rechazados.txt"));
  dialogos.Responder(vbOK);  // "Debe informar una cuenta de contrapartida válida!!!"
  const ResumenCorrida r = Importar(0, ruta, "99999");
  EXPECT_FALSE(r.finalizado);
  EXPECT_EQ(Bytes(Ruta("saldos.rechazados.txt")), antes);
  EXPECT_TRUE(Existe(Ruta("saldos.rechazados.motivos.csv")));
}

TEST_F(RechazadosTest, NombresYCarpetaDeLasSalidas) {
  struct Caso {
    std::string entrada;
    std::string rechazados, motivos, informe;
  };
  const Caso casos[] = {
      {Ruta("saldos.txt"), "saldos.rechazados.txt", "saldos.rechazados.motivos.csv",
       "saldos.informe.txt"},
      {"\"" + Ruta("a.b.csv") + "\"", "a.b.rechazados.csv", "a.b.rechazados.motivos.csv",
       "a.b.informe.txt"},
      {Ruta("sin_extension"), "sin_extension.rechazados", "sin_extension.rechazados.motivos.csv",
       "sin_extension.informe.txt"},
  };
  for (const Caso& c : casos) {
    const SalidasDeCorrida s = SalidasDe(c.entrada);
    EXPECT_EQ(s.carpeta, carpeta_) << c.entrada;
    EXPECT_FALSE(s.carpetaDelPrograma);
    EXPECT_EQ(s.rechazados, c.rechazados);
    EXPECT_EQ(s.motivos, c.motivos);
    EXPECT_EQ(s.informe, c.informe);
  }
  // A folder that does not exist, or a file where the folder should be: the program's folder.
  std::filesystem::create_directories(Ruta("programa"));
  plataforma::EstablecerCarpetaPrograma(Ruta("programa"));
  const std::string archivo = EscribirArchivo("archivo", "x");
  for (const std::string& entrada : {Ruta("no_existe/saldos.txt"), archivo + "/saldos.txt"}) {
    const SalidasDeCorrida s = SalidasDe(entrada);
    EXPECT_EQ(s.carpeta, Ruta("programa/")) << entrada;
    EXPECT_TRUE(s.carpetaDelPrograma);
  }
}

// Names taken by folders in the input's folder cannot be written: the files go to the
// program's folder, and the summary says where.
TEST_F(RechazadosTest, SinEscribirJuntoALaEntradaVanALaCarpetaDelPrograma) {
  std::filesystem::create_directories(Ruta("entrada/saldos.rechazados.txt"));
  std::filesystem::create_directories(Ruta("entrada/saldos.rechazados.motivos.csv"));
  std::filesystem::create_directories(Ruta("programa"));
  plataforma::EstablecerCarpetaPrograma(Ruta("programa"));
  const std::string linea = Comprobante("15/01/2020", "REC X 0001-1", "");
  const std::string ruta = EscribirArchivo("entrada/saldos.txt", "Cliente: 123\r\n" + linea);
  const ResumenCorrida r = Importar(0, ruta, "11101");
  EXPECT_EQ(r.archivoRechazados, Ruta("programa/saldos.rechazados.txt"));
  EXPECT_EQ(r.archivoMotivos, Ruta("programa/saldos.rechazados.motivos.csv"));
  EXPECT_TRUE(r.salidasEnCarpetaPrograma);
  EXPECT_EQ(Bytes(r.archivoRechazados), "Cliente: 123\r\n" + linea);
}

}  // namespace
