#pragma once
// Entry functions shared by the fuzz targets (fuzz/*_fuzz.cpp) and by the replay of their
// corpus in the ordinary tests: each takes the raw bytes of one input. None may crash, hang or
// read out of bounds; the failures the code reports by design (ErrorEjecucion) are expected.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "data/conexiones.h"
#include "data/db_dll.h"
#include "data/dialecto_sqlite.h"
#include "data/empresa.h"
#include "data/literales.h"
#include "data/valores_sesion.h"
#include "import/contexto_corrida.h"
#include "import/saldos.h"
#include "platform/ado.h"
#include "platform/dialogos.h"
#include "platform/error_ejecucion.h"
#include "platform/regional.h"
#include "platform/sqlite_funciones.h"
#include "session/inicio.h"
#include "utility/utilidades.h"

namespace entradas_fuzz {

inline std::string Texto(const uint8_t* datos, size_t largo) {
  return std::string(reinterpret_cast<const char*>(datos), largo);
}

// The amount parser and its way back to text.
inline void Importe(const uint8_t* datos, size_t largo) {
  try {
    plataforma::Moneda m = utilidad::TextoAImporte(Texto(datos, largo));
    utilidad::ImporteATexto(m);
    utilidad::ImporteATexto(m.Absoluto());
  } catch (const plataforma::ErrorEjecucion&) {
  }
}

// The parameter-string extraction of the command line, and the Oracle mark applied to it.
inline void Parametros(const uint8_t* datos, size_t largo) {
  ParametrosInicio p = ExtraerParametros(Texto(datos, largo));
  std::string conexion;
  AplicarMarcaOracle(p, conexion);
  EsServidorSQLite(p.servidor);
}

// The date columns of a company, as its schema script declares them.
inline const ColumnasDeFecha& FechasDeEmpresa() {
  static const ColumnasDeFecha fechas = ColumnasDeFechaDelGuion(EsquemaEmpresa());
  return fechas;
}

// The SQL Server dialect on its way to SQLite (the whole conversion and the guarded insert).
inline void DialectoSQLite(const uint8_t* datos, size_t largo) {
  const std::string sql = Texto(datos, largo);
  ConvierteSQLite(sql, FechasDeEmpresa());
  InsercionCondicionada(sql, " FROM DUAL");
}

// The Oracle conversion of a statement, as DB_Dll applies it on an Oracle session.
inline void DialectoOracle(const uint8_t* datos, size_t largo) {
  DB_Dll db;
  db.gConnString = "Provider=OraOLEDB.Oracle.1;Data Source=FUZZ;";
  try {
    db.ORACLE_Dicc(Texto(datos, largo));
  } catch (const plataforma::ErrorEjecucion&) {
  }
}

// A value, quoted, in statements of the kinds the import sends: a lookup, a guarded insert, an
// update, and a batch of 100 literals (tokens of two digits in the masked text).
inline std::vector<std::string> SentenciasConValor(const std::string& valor) {
  const std::string v = literales::ComoLiteral(valor);
  std::string lote = "BEGIN TRAN\r\nINSERT INTO MV_ASIENTOS VALUES (";
  for (int i = 0; i < 100; ++i) {
    lote += i ? ", " : "";
    lote += i % 9 == 8 ? v : "'c" + std::to_string(i) + "'";
  }
  lote += ")\r\nCOMMIT TRAN";
  return {
      "SELECT TOP 1 NUMERO FROM MV_ASIENTOS WITH (NOLOCK) WHERE Cuenta = 'K' AND "
      "NROCOMPROBANTEBANCARIO = " +
          v + " ORDER BY NUMERO",
      "IF NOT EXISTS (SELECT 1 FROM MA_CUENTAS WHERE CODIGO = 'K' AND Descripcion = " + v +
          ") INSERT INTO MA_CUENTAS (CODIGO, Descripcion) VALUES ('K', " + v + ")",
      "UPDATE MA_CUENTAS SET Descripcion = " + v + " WHERE CODIGO = 'K'", lote};
}

// The contents of the literals of `textos`, sorted (the conversions may move a literal).
inline std::vector<std::string> ContenidosDeLiterales(const std::vector<std::string>& textos) {
  std::vector<std::string> r;
  for (const std::string& t : textos) {
    for (const literales::Literal& l : literales::Literales(t)) {
      r.push_back(literales::ContenidoLiteral(t.substr(l.inicio, l.fin - l.inicio)));
    }
  }
  std::sort(r.begin(), r.end());
  return r;
}

// "" when the literals of `enviadas` are those of `escrita`; else both lists, escaped.
inline std::string CompararLiterales(const std::string& escrita,
                                     const std::vector<std::string>& enviadas) {
  const auto antes = ContenidosDeLiterales({escrita});
  const auto despues = ContenidosDeLiterales(enviadas);
  if (antes == despues) return "";
  auto lista = [](const std::vector<std::string>& l) {
    std::string r;
    for (const std::string& c : l) {
      r += " [";
      for (unsigned char b : c) {
        char hex[8];
        std::snprintf(hex, sizeof hex, b < 0x20 || b >= 0x7F ? "\\x%02X" : "%c", b);
        r += hex;
      }
      r += "]";
    }
    return r;
  };
  return "the literals of\n" + escrita + "\nwere" + lista(antes) + "\nand came back as" +
         lista(despues);
}

// The literals of `textos` folded as the embedded engine compares names, without the ones the
// folded comparisons add of their own (the keys "~" and a length), sorted and each once (a
// compared text is written both as its key and as the folded text).
inline std::vector<std::string> LiteralesComparados(const std::vector<std::string>& textos) {
  std::vector<std::string> r;
  for (const std::string& c : ContenidosDeLiterales(textos)) {
    const bool propio =
        c == "~" || (!c.empty() && c[0] == '~' && std::all_of(c.begin() + 1, c.end(), [](char d) {
          return d >= '0' && d <= '9';
        }));
    if (!propio) r.push_back(plataforma::PlegarTexto(c));
  }
  std::sort(r.begin(), r.end());
  r.erase(std::unique(r.begin(), r.end()), r.end());
  return r;
}

// A value's bytes through a dialect conversion: the converted texts of SentenciasConValor must
// hold the same literals, each as it went in (a compared one folded, as the engine compares it),
// dates or not, since none of them goes to a date column. Written into a date column beside a
// text column, the value comes back in the engine's date form there when it reads as a date,
// and as it went in in the text column. Returns what came back otherwise, "" when every literal
// is as it must be.
inline std::string ValorIntactoSQLite(const uint8_t* datos, size_t largo) {
  const std::string valor = Texto(datos, largo);
  const std::string enFecha =
      "INSERT INTO MV_ASIENTOS (Fecha, Detalle) VALUES (" + literales::ComoLiteral(valor) + ", " +
      literales::ComoLiteral(valor) + ")";
  std::string comoFecha = valor;
  if (!valor.empty() && valor[0] >= '0' && valor[0] <= '9') {
    if (auto f = plataforma::LeerFecha(valor)) comoFecha = plataforma::FechaIso(*f);
  }
  std::vector<std::string> esperados = {comoFecha, valor};
  std::sort(esperados.begin(), esperados.end());
  const std::vector<std::string> convertida = ConvierteSQLite(enFecha, FechasDeEmpresa());
  if (ContenidosDeLiterales(convertida) != esperados) {
    return CompararLiterales(enFecha, convertida) + "\n(the date column must hold " + comoFecha +
           ")";
  }
  const std::vector<std::string> sentencias = SentenciasConValor(valor);
  for (const std::string& sentencia : sentencias) {
    const std::vector<std::string> enviadas = ConvierteSQLite(sentencia, FechasDeEmpresa());
    // The batch compares nothing: its values come back byte for byte.
    std::string fallo = sentencia == sentencias.back() ? CompararLiterales(sentencia, enviadas)
                        : LiteralesComparados({sentencia}) == LiteralesComparados(enviadas)
                            ? ""
                            : CompararLiterales(sentencia, enviadas);
    if (!fallo.empty()) return fallo;
  }
  return "";
}

// The same on an Oracle session, where the empty text is NULL: a comparison with '' becomes
// IS NULL by design, so the empty value is not checked.
inline std::string ValorIntactoOracle(const uint8_t* datos, size_t largo) {
  const std::string valor = Texto(datos, largo);
  if (valor.empty() || plataforma::EsFecha(valor)) return "";
  DB_Dll db;
  db.gConnString = "Provider=OraOLEDB.Oracle.1;Data Source=FUZZ;";
  for (const std::string& sentencia : SentenciasConValor(valor)) {
    std::string fallo = CompararLiterales(sentencia, {db.ORACLE_Dicc(sentencia)});
    if (!fallo.empty()) return fallo;
  }
  return "";
}

// Window controls of a run with no window: the selected mode and the file to read.
class VentanaFuzz : public ControlesVentana {
 public:
  int opcion = 0;
  std::string ruta;
  int OpcionSeleccionada() const override { return opcion; }
  std::string txtRuta() const override { return ruta; }
  std::string txtCuenta() const override { return opcion == 2 ? "21301" : "11101"; }
  std::string txtConcepto() const override { return "Saldos Iniciales: Importación"; }
  void SetTxtConcepto(const std::string&) override {}
  void DibujaProgreso(double, uint32_t, const std::string&) override {}
  void HacerEventos() override {}
};

// The balance layout reader on one line (the first byte picks customers or suppliers).
inline void LineaSaldos(const uint8_t* datos, size_t largo) {
  if (largo == 0) return;
  VentanaFuzz ventana;
  ventana.opcion = datos[0] & 1;
  ContextoCorrida ctx(ventana);
  ctx.CuentaControl = ventana.opcion == 0 ? "11201" : "21101";
  ctx.Linea = Texto(datos + 1, largo - 1);
  ctx.Columnas = utilidad::Dividir(ctx.Linea, ";");
  try {
    DetectaTitular(ctx);
    LeerLineaSaldo(ctx);
    if (LineaSaldoCompleta(ctx)) MapearTipoComprobante(ctx.TC, ventana.opcion);
  } catch (const plataforma::ErrorEjecucion&) {
  }
}

// Every dialog answered "ignore" (the error dialogs skip the step; yes/no questions get no),
// so a run never waits on anyone.
class DialogosFuzz : public plataforma::Dialogos {
 public:
  int MsgBox(const std::string&, int, const std::string&) override { return plataforma::vbIgnore; }
  std::string InputBox(const std::string&, const std::string&, const std::string&) override {
    return "";
  }
  std::string AbrirArchivo() override { return ""; }
};

// A small embedded company in `carpeta` (which must exist) with the accounts, fiscal year,
// customers and journal rows the modes look up, and the session opened on it.
inline void AbrirEmpresaFuzz(const std::string& carpeta) {
  const std::string archivo = carpeta + "/FUZZ.db";
  if (!std::filesystem::exists(archivo)) {
    CrearEmpresa(carpeta, "FUZZ");
    auto cnn = ado::CrearConexion();
    cnn->Open(CadenaConexionSQLite(archivo));
    for (const char* sql :
         {"INSERT INTO MA_CUENTAS (CODIGO, Descripcion, TITULO) VALUES ('11101', 'Caja', 0)",
          "INSERT INTO MA_CUENTAS (CODIGO, Descripcion, TITULO) VALUES ('21301', 'Sueldos', 1)",
          "INSERT INTO MA_CUENTAS (CODIGO, Descripcion, TITULO) VALUES ('112010007', 'C7', 0)",
          "INSERT INTO VT_CLIENTES (Codigo, RAZON_SOCIAL) VALUES ('112010007', 'Cliente 7')",
          "INSERT INTO V_TA_TAREAS (IDTAREA, DESCRIPCION) VALUES ('0101', 'Cambio de aceite')",
          "INSERT INTO MV_EJERCICIOS (Periodo, [FECHA DESDE], [FECHA HASTA]) "
          "VALUES (2020, '2020-01-01 00:00:00', '2020-12-31 00:00:00')"}) {
      cnn->Execute(sql);
    }
    cnn->Close();
  }
  ReiniciarDB();
  DB_Dll& db = DB();
  db.gServidor = ServidorSQLite(carpeta);
  db.gDBName = "FUZZ";
  db.gUsuario = "OPERADOR";
  gUsuarioLogeado = "OPERADOR";
  gCantidadDecimales = "2";
  std::string cadena;
  db.OpenServerADODB(false, ado::adUseClient, cadena, true, false);
}

// A whole import run of one mode on the input as its file: the first byte picks the mode
// (0-6), the rest is the file. The session must be open (AbrirEmpresaFuzz).
inline void Modo(const uint8_t* datos, size_t largo, const std::string& carpeta) {
  if (largo == 0) return;
  VentanaFuzz ventana;
  ventana.opcion = datos[0] % 7;
  ventana.ruta = carpeta + "/entrada.txt";
  {
    std::ofstream f(ventana.ruta, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(datos + 1), static_cast<std::streamsize>(largo - 1));
  }
  DialogosFuzz dialogos;
  plataforma::Dialogos& anteriores = plataforma::DialogosActuales();
  plataforma::EstablecerDialogos(&dialogos);
  EjecutarImportacion(ventana);
  plataforma::EstablecerDialogos(&anteriores);
}

}  // namespace entradas_fuzz
