// The reconciliation of a run against the database: what the file said, noted line by line,
// and the end-of-run reads that set the journal, the accounts, the pending documents and the
// price classes beside it. Every read looks rows up by the columns of an index, a hundred keys a
// statement (a longer OR would pass the engines' expression depth); keys that share the leading
// columns of the index go in one IN list, which the engine plans as one search.

#include "import/conciliacion.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "data/db_dll.h"
#include "data/literales.h"
#include "import/asientos.h"
#include "platform/ado.h"
#include "platform/sqlite_funciones.h"
#include "utility/utilidades.h"

namespace {

using plataforma::Moneda;
using plataforma::Valor;
using Fila = std::vector<Valor>;

constexpr size_t kClavesPorConsulta = 100;
// Values of one IN list: every engine takes this many (Oracle stops at 1000).
constexpr size_t kValoresPorLista = 500;
constexpr size_t kListasPorConsulta = 20;

// Texts as the lookups of the run compare them, and the suite's server does: letter case,
// Latin-1 accents and the blanks around ignored ("JOSÉ PÉREZ " is "Jose Perez").
std::string Normal(const std::string& texto) {
  return plataforma::PlegarTexto(utilidad::Trim(texto));
}

std::string Lit(const std::string& texto) { return literales::ComoLiteral(texto); }

std::string Texto(const Valor& v) { return utilidad::Trim(utilidad::ValorCampo(v)); }

int64_t Entero(const Valor& v) {
  if (const auto* i = std::get_if<int64_t>(&v)) return *i;
  return ImporteDeCampo(v).diezmilesimos / 10000;
}

std::string Importe(Moneda m) { return utilidad::ImporteATexto(m); }

// Sums and differences of amounts; past the range of an amount they stay at its end (a file's
// absurd amounts must not wrap round into a total that looks plausible).
Moneda Mas(Moneda a, Moneda b) {
  int64_t r = 0;
  if (__builtin_add_overflow(a.diezmilesimos, b.diezmilesimos, &r)) {
    r = b.diezmilesimos > 0 ? INT64_MAX : -INT64_MAX;
  }
  return Moneda{r};
}
Moneda Menos(Moneda a, Moneda b) {
  int64_t r = 0;
  if (__builtin_sub_overflow(a.diezmilesimos, b.diezmilesimos, &r)) {
    r = b.diezmilesimos < 0 ? INT64_MAX : -INT64_MAX;
  }
  return Moneda{r};
}

// Runs SELECT `cabeza` WHERE term OR term ... for the terms a hundred at a time, handing every
// row to `fila`. False, with `error` set, when a statement could not be read.
bool LeerPorTandas(const std::string& cabeza, const std::vector<std::string>& terminos,
                   const std::function<void(const Fila&)>& fila, std::string& error,
                   size_t porConsulta = kClavesPorConsulta) {
  for (size_t desde = 0; desde < terminos.size(); desde += porConsulta) {
    std::string sql = cabeza + " WHERE ";
    const size_t hasta = std::min(terminos.size(), desde + porConsulta);
    for (size_t i = desde; i < hasta; ++i) sql += (i > desde ? " OR " : "") + terminos[i];
    ado::Recordset rs;
    DB().AbrirRecordset(sql, rs);
    if (rs.State() != ado::adStateOpen) {
      const auto& errores = DB().Cnn().Errors();
      error = errores.Count() > 0 ? errores.Item(0).Description : "la consulta no se pudo abrir";
      return false;
    }
    while (!rs.EOF()) {
      Fila f;
      for (size_t c = 0; c < rs.FieldCount(); ++c) f.push_back(rs.Fields(c).Value());
      fila(f);
      rs.MoveNext();
    }
    DB().CierraRecordset(rs);
  }
  return true;
}

// Keys that share the leading columns of an index as one term each "(<fijo> AND <columna> IN
// (...))", so that the engine plans one search of the index per term, however many keys.
std::vector<std::string> TerminosEnLista(
    const std::map<std::string, std::vector<std::string>>& porFijo, const std::string& columna) {
  std::vector<std::string> terminos;
  for (const auto& [fijo, valores] : porFijo) {
    for (size_t desde = 0; desde < valores.size(); desde += kValoresPorLista) {
      std::string t = "(" + fijo + " AND " + columna + " IN (";
      const size_t hasta = std::min(valores.size(), desde + kValoresPorLista);
      for (size_t i = desde; i < hasta; ++i) t += (i > desde ? ", " : "") + valores[i];
      terminos.push_back(t + "))");
    }
  }
  return terminos;
}

std::string Clave(const ClaveComprobante& c) {
  return Normal(c.tc) + "|" + Normal(c.sucursal) + "|" + Normal(c.numero) + "|" + Normal(c.letra);
}

// Balances: the journal's lines of each account's vouchers, signed (debit positive).
void ConciliarCuentas(const LeidoDelArchivo& leido, Conciliacion& c) {
  std::set<ClaveComprobante> claves;
  for (const auto& [cuenta, datos] : leido.cuentas_) {
    claves.insert(datos.enDiario.begin(), datos.enDiario.end());
  }
  std::map<std::string, std::vector<std::string>> numeros;
  for (const ClaveComprobante& k : claves) {
    numeros["TC = " + Lit(k.tc) + " AND SUCURSAL = " + Lit(k.sucursal) +
            " AND LETRA = " + Lit(k.letra)]
        .push_back(Lit(k.numero));
  }
  // Voucher key -> account -> signed amount.
  std::map<std::string, std::map<std::string, Moneda>> diario;
  LeerPorTandas(
      "SELECT Cuenta, TC, SUCURSAL, NUMERO, LETRA, [Debe-Haber], Importe FROM @ADMIN_MV_ASIENTOS",
      TerminosEnLista(numeros, "NUMERO"),
      [&](const Fila& f) {
        const std::string clave = Clave({Texto(f[1]), Texto(f[2]), Texto(f[3]), Texto(f[4])});
        Moneda importe = ImporteDeCampo(f[6]).Absoluto();
        if (Normal(Texto(f[5])) == "h") importe.diezmilesimos = -importe.diezmilesimos;
        Moneda& suma = diario[clave][Normal(Texto(f[0]))];
        suma = Mas(suma, importe);
      },
      c.error, kListasPorConsulta);

  std::vector<ConciliacionCuenta> conDiferencia, conciliadas;
  for (const std::string& cuenta : leido.ordenCuentas_) {
    const LeidoDelArchivo::Cuenta& d = leido.cuentas_.at(cuenta);
    ConciliacionCuenta r;
    r.cuenta = cuenta;
    r.comprobantes = d.comprobantes;
    r.totalArchivo = d.total;
    r.sinImporte = d.sinImporte;
    r.registrados = d.registrados;
    r.yaImportados = d.yaImportados;
    r.noRegistrados = d.noRegistrados;
    r.totalInforme = d.totalInforme;
    std::set<std::string> vistas;
    for (const ClaveComprobante& k : d.enDiario) {
      const std::string clave = Clave(k);
      if (!vistas.insert(clave).second) continue;
      const auto porClave = diario.find(clave);
      if (porClave == diario.end()) continue;
      const auto linea = porClave->second.find(Normal(cuenta));
      if (linea != porClave->second.end()) r.totalDiario = Mas(r.totalDiario, linea->second);
    }
    (r.Concilia() ? conciliadas : conDiferencia).push_back(r);
  }
  c.cuentas = std::move(conDiferencia);
  c.cuentas.insert(c.cuentas.end(), conciliadas.begin(), conciliadas.end());
}

// Cheques: the journal's lines with the file's bank numbers on the counter-account.
void ConciliarCheques(const LeidoDelArchivo& leido, const std::string& contrapartida,
                      Conciliacion& c) {
  ConciliacionCheques r;
  r.contrapartida = utilidad::Trim(contrapartida);
  // Number -> count and total: the file's, the journal's.
  std::map<std::string, std::pair<long, Moneda>> archivo, diario;
  std::vector<std::string> numeros;
  for (const auto& ch : leido.cheques_) {
    auto& a = archivo[Normal(ch.numero)];
    if (a.first == 0) numeros.push_back(utilidad::Trim(ch.numero));
    ++a.first;
    a.second = Mas(a.second, ch.importe);
    ++r.enArchivo;
    r.totalArchivo = Mas(r.totalArchivo, ch.importe);
    ++(ch.destino == Destino::Registrada    ? r.registrados
       : ch.destino == Destino::YaImportada ? r.yaImportados
                                            : r.noRegistrados);
  }
  r.ilegibles = leido.chequesIlegibles_;
  r.enArchivo += r.ilegibles;
  r.noRegistrados += r.ilegibles;
  std::vector<std::string> terminos;
  for (const std::string& n : numeros) {
    terminos.push_back("LTRIM(RTRIM(NROCOMPROBANTEBANCARIO)) = " + Lit(n));
  }
  LeerPorTandas(
      "SELECT NROCOMPROBANTEBANCARIO, Cuenta, Importe FROM @ADMIN_MV_ASIENTOS", terminos,
      [&](const Fila& f) {
        if (Normal(Texto(f[1])) != Normal(r.contrapartida)) return;
        auto& d = diario[Normal(Texto(f[0]))];
        ++d.first;
        d.second = Mas(d.second, ImporteDeCampo(f[2]).Absoluto());
        ++r.enDiario;
        r.totalDiario = Mas(r.totalDiario, ImporteDeCampo(f[2]).Absoluto());
      },
      c.error);
  for (const std::string& n : numeros) {
    const auto& a = archivo[Normal(n)];
    const auto& d = diario[Normal(n)];
    if (a == d) continue;
    r.numerosConDiferencia.push_back(n + ": " + std::to_string(a.first) + " en el archivo por " +
                                     Importe(a.second) + ", " + std::to_string(d.first) +
                                     " en el diario por " + Importe(d.second));
  }
  c.cheques = r;
}

// Employees: an account under the title with the name.
void ConciliarEmpleados(const LeidoDelArchivo& leido, const std::string& titulo, Conciliacion& c) {
  ConciliacionItems r;
  const std::string raiz = Normal(titulo);
  r.que = "Empleados con cuenta bajo " + utilidad::Trim(titulo);
  std::set<std::string> nombres, hallados;
  std::vector<std::string> terminos;
  for (const auto& e : leido.empleados_) {
    if (nombres.insert(Normal(e.nombre)).second) {
      terminos.push_back("LTRIM(RTRIM(DESCRIPCION)) = " + Lit(utilidad::Trim(e.nombre)));
    }
  }
  LeerPorTandas(
      "SELECT CODIGO, DESCRIPCION FROM @ADMIN_MA_CUENTAS", terminos,
      [&](const Fila& f) {
        const std::string codigo = Normal(Texto(f[0]));
        if (codigo.size() > raiz.size() && codigo.compare(0, raiz.size(), raiz) == 0) {
          hallados.insert(Normal(Texto(f[1])));
        }
      },
      c.error);
  for (const auto& e : leido.empleados_) {
    ++r.enArchivo;
    if (hallados.count(Normal(e.nombre))) {
      ++r.hallados;
    } else {
      r.faltantes.push_back(e.nombre);
    }
  }
  c.items.push_back(r);
}

// Pending documents: the header of each document and the link of each task.
void ConciliarPendientes(const LeidoDelArchivo& leido, Conciliacion& c) {
  auto terminosDe = [](const std::vector<LeidoDelArchivo::Item>& items) {
    std::set<std::pair<std::string, std::string>> vistos;
    std::vector<std::string> terminos;
    for (const auto& i : items) {
      if (!vistos.insert({Normal(i.nombre), Normal(i.clave)}).second) continue;
      terminos.push_back("(TC = " + Lit(i.nombre) + " AND IdComprobante = " + Lit(i.clave) + ")");
    }
    return terminos;
  };
  std::set<std::tuple<std::string, std::string, std::string>> hallados;
  if (!leido.documentos_.empty()) {
    LeerPorTandas(
        "SELECT TC, IdComprobante FROM V_MV_CPTE", terminosDe(leido.documentos_),
        [&](const Fila& f) {
          hallados.insert({Normal(Texto(f[0])), Normal(Texto(f[1])), ""});
        },
        c.error);
    ConciliacionItems r;
    r.que = "Comprobantes pendientes con cabecera en V_MV_CPTE";
    for (const auto& d : leido.documentos_) {
      ++r.enArchivo;
      if (hallados.count({Normal(d.nombre), Normal(d.clave), ""})) {
        ++r.hallados;
      } else {
        r.faltantes.push_back(d.nombre + " " + d.clave);
      }
    }
    c.items.push_back(r);
  }
  if (!leido.tareas_.empty()) {
    LeerPorTandas(
        "SELECT TC, IdComprobante, Descripcion FROM V_MV_CPTETAREAS", terminosDe(leido.tareas_),
        [&](const Fila& f) {
          hallados.insert({Normal(Texto(f[0])), Normal(Texto(f[1])), Normal(Texto(f[2]))});
        },
        c.error);
    ConciliacionItems r;
    r.que = "Tareas vinculadas en V_MV_CPTETAREAS";
    for (const auto& t : leido.tareas_) {
      ++r.enArchivo;
      if (hallados.count({Normal(t.nombre), Normal(t.clave), Normal(t.valor)})) {
        ++r.hallados;
      } else {
        r.faltantes.push_back(t.nombre + " " + t.clave + ": " + t.valor);
      }
    }
    c.items.push_back(r);
  }
}

// The price list: an account of the name whose additional data carry the class.
void ConciliarClases(const LeidoDelArchivo& leido, Conciliacion& c) {
  std::set<std::string> nombres;
  std::vector<std::string> terminos;
  for (const auto& i : leido.clases_) {
    if (nombres.insert(Normal(i.nombre)).second) {
      terminos.push_back("LTRIM(RTRIM(c.DESCRIPCION)) = " + Lit(utilidad::Trim(i.nombre)));
    }
  }
  std::set<std::pair<std::string, int64_t>> clases;  // name, class in ten-thousandths
  LeerPorTandas(
      "SELECT c.DESCRIPCION, a.CLASE FROM @ADMIN_MA_CUENTAS c LEFT JOIN MA_CUENTASADIC a "
      "ON a.CODIGO = c.CODIGO",
      terminos,
      [&](const Fila& f) {
        if (!plataforma::EsNulo(f[1])) {
          clases.insert({Normal(Texto(f[0])), ImporteDeCampo(f[1]).diezmilesimos});
        }
      },
      c.error);
  ConciliacionItems r;
  r.que = "Clases de precio en MA_CUENTASADIC";
  for (const auto& i : leido.clases_) {
    ++r.enArchivo;
    // A class the tool said it could not write (a name not found) is no difference.
    if (i.noRegistrado) {
      ++r.noRegistrados;
      continue;
    }
    Moneda clase;
    const bool numero = Moneda::DesdeTexto(utilidad::Trim(i.clave), clase);
    if (numero && clases.count({Normal(i.nombre), clase.diezmilesimos})) {
      ++r.hallados;
    } else {
      r.faltantes.push_back(i.nombre + " (clase " + i.clave + ")");
    }
  }
  c.items.push_back(r);
}

// Every entry this run wrote: its lines as the journal holds them now.
void ConciliarAsientos(const LeidoDelArchivo& leido, Conciliacion& c) {
  ConciliacionAsientos r;
  std::set<ClaveAsiento> claves(leido.asientos_.begin(), leido.asientos_.end());
  r.asientos = static_cast<long>(claves.size());
  std::map<std::string, std::vector<std::string>> numeros;
  for (const ClaveAsiento& k : claves) {
    numeros["MES_OPERATIVO = " + std::to_string(k.mes) +
            " AND PERIODO = " + std::to_string(k.periodo) + " AND TIPO_REG = '    '"]
        .push_back(std::to_string(k.numero));
  }
  struct Lados {
    Moneda debe, haber;
    long lineas = 0, sinLado = 0;
  };
  std::map<ClaveAsiento, Lados> asientos;
  LeerPorTandas(
      "SELECT MES_OPERATIVO, PERIODO, [NUMERO ASIENTO], [Debe-Haber], Importe "
      "FROM @ADMIN_MV_ASIENTOS",
      TerminosEnLista(numeros, "[NUMERO ASIENTO]"),
      [&](const Fila& f) {
        const ClaveAsiento k{static_cast<int>(Entero(f[0])), static_cast<int>(Entero(f[1])),
                             Entero(f[2])};
        if (!claves.count(k)) return;
        Lados& l = asientos[k];
        ++l.lineas;
        const Moneda importe = ImporteDeCampo(f[4]);
        const std::string lado = Normal(Texto(f[3]));
        if (lado == "d") {
          l.debe = Mas(l.debe, importe);
        } else if (lado == "h") {
          l.haber = Mas(l.haber, importe);
        } else {
          ++l.sinLado;
        }
      },
      c.error, kListasPorConsulta);
  for (const auto& [k, l] : asientos) {
    ++r.hallados;
    r.lineas += l.lineas;
    r.debe = Mas(r.debe, l.debe);
    r.haber = Mas(r.haber, l.haber);
    if (l.debe == l.haber && l.sinLado == 0) continue;
    r.desbalanceados.push_back(
        "período " + std::to_string(k.periodo) + ", mes " + std::to_string(k.mes) + ", asiento " +
        std::to_string(k.numero) + ": Debe " + Importe(l.debe) + ", Haber " + Importe(l.haber) +
        (l.sinLado ? ", " + std::to_string(l.sinLado) + " líneas sin lado" : ""));
  }
  c.asientos = r;
}

}  // namespace

LeidoDelArchivo::Cuenta& LeidoDelArchivo::DeCuenta(const std::string& cuenta) {
  const std::string codigo = utilidad::Trim(cuenta);
  auto [it, nueva] = cuentas_.try_emplace(codigo);
  if (nueva) ordenCuentas_.push_back(codigo);
  return it->second;
}

void LeidoDelArchivo::AnotarComprobante(const std::string& cuenta, const ClaveComprobante& clave,
                                        const std::string& importeTexto, Destino destino) {
  Cuenta& c = DeCuenta(cuenta);
  ++c.comprobantes;
  try {
    c.total = Mas(c.total, utilidad::TextoAImporte(importeTexto));
  } catch (const plataforma::ErrorEjecucion&) {
    ++c.sinImporte;
  }
  switch (destino) {
    case Destino::Registrada:
      ++c.registrados;
      c.enDiario.push_back(clave);
      break;
    case Destino::YaImportada:
      ++c.yaImportados;
      c.enDiario.push_back(clave);
      break;
    case Destino::NoRegistrada:
      ++c.noRegistrados;
      break;
  }
}

void LeidoDelArchivo::AnotarTotalDeCuenta(const std::string& cuenta, Moneda total) {
  Cuenta& c = DeCuenta(cuenta);
  c.totalInforme = Mas(c.totalInforme.value_or(Moneda{}), total);
}

void LeidoDelArchivo::AnotarCheque(const std::string& numeroBancario, Moneda importe,
                                   Destino destino) {
  cheques_.push_back({numeroBancario, importe, destino});
}

void LeidoDelArchivo::AnotarEmpleado(const std::string& nombre) {
  empleados_.push_back({nombre, "", ""});
}

void LeidoDelArchivo::AnotarDocumento(const std::string& tc, const std::string& idComprobante) {
  documentos_.push_back({tc, idComprobante, ""});
}

void LeidoDelArchivo::AnotarTarea(const std::string& tc, const std::string& idComprobante,
                                  const std::string& descripcion) {
  tareas_.push_back({tc, idComprobante, descripcion});
}

void LeidoDelArchivo::AnotarClase(const std::string& nombre, const std::string& clase) {
  clases_.push_back({nombre, clase, ""});
}

bool LeidoDelArchivo::Vacio() const {
  return cuentas_.empty() && cheques_.empty() && chequesIlegibles_ == 0 && empleados_.empty() &&
         documentos_.empty() &&
         tareas_.empty() && clases_.empty() && asientos_.empty();
}

Moneda ConciliacionCuenta::Diferencia() const { return Menos(totalArchivo, totalDiario); }

bool ConciliacionCuenta::Concilia() const {
  return totalArchivo == totalDiario && sinImporte == 0 &&
         (!totalInforme || *totalInforme == totalDiario);
}

Conciliacion Conciliar(const LeidoDelArchivo& leido, const std::string& contrapartida) {
  Conciliacion c;
  if (leido.Vacio()) return c;
  // A value the database returns in a form no amount reads leaves the figures unfinished, said.
  try {
    if (!leido.cuentas_.empty()) ConciliarCuentas(leido, c);
    if (!leido.cheques_.empty() || leido.chequesIlegibles_ > 0) {
      ConciliarCheques(leido, contrapartida, c);
    }
    if (!leido.empleados_.empty()) ConciliarEmpleados(leido, contrapartida, c);
    ConciliarPendientes(leido, c);
    if (!leido.clases_.empty()) ConciliarClases(leido, c);
    if (!leido.asientos_.empty()) ConciliarAsientos(leido, c);
  } catch (const std::exception& e) {
    c.error = e.what();
  }
  return c;
}

namespace {

bool ChequesConcilian(const ConciliacionCheques& q) {
  return q.numerosConDiferencia.empty() && q.ilegibles == 0;
}

bool AsientosBalancean(const ConciliacionAsientos& a) {
  return a.desbalanceados.empty() && a.debe == a.haber && a.hallados == a.asientos;
}

}  // namespace

std::vector<std::string> DiferenciasConciliacion(const Conciliacion& c) {
  std::vector<std::string> d;
  if (!c.error.empty()) {
    d.push_back("no se pudo leer la base para conciliar: " + utilidad::Abreviado(c.error));
  }
  for (const ConciliacionCuenta& k : c.cuentas) {
    if (k.Concilia()) continue;
    std::string t = "cuenta " + k.cuenta + ": archivo " + Importe(k.totalArchivo) + ", diario " +
                    Importe(k.totalDiario) + ", diferencia " + Importe(k.Diferencia());
    if (k.sinImporte) t += ", " + std::to_string(k.sinImporte) + " sin importe legible";
    if (k.totalInforme && *k.totalInforme != k.totalDiario) {
      t += ", total del informe " + Importe(*k.totalInforme);
    }
    d.push_back(t);
  }
  if (c.cheques && !ChequesConcilian(*c.cheques)) {
    const ConciliacionCheques& q = *c.cheques;
    std::string t = "cheques: archivo " + Importe(q.totalArchivo) + ", diario " +
                    Importe(q.totalDiario) + ", diferencia " +
                    Importe(Menos(q.totalArchivo, q.totalDiario));
    if (!q.numerosConDiferencia.empty()) {
      t += ", " + std::to_string(q.numerosConDiferencia.size()) + " números con diferencia";
    }
    if (q.ilegibles) t += ", " + std::to_string(q.ilegibles) + " sin número o importe legible";
    d.push_back(t);
  }
  for (const ConciliacionItems& i : c.items) {
    if (i.faltantes.empty()) continue;
    d.push_back(i.que + ": " + std::to_string(i.hallados) + " de " + std::to_string(i.enArchivo) +
                ", faltan " + std::to_string(i.faltantes.size()));
  }
  if (c.asientos && !AsientosBalancean(*c.asientos)) {
    const ConciliacionAsientos& a = *c.asientos;
    d.push_back("asientos de esta corrida: Debe " + Importe(a.debe) + ", Haber " +
                Importe(a.haber) + ", " + std::to_string(a.desbalanceados.size()) +
                " desbalanceados, " + std::to_string(a.asientos - a.hallados) +
                " no están en el diario");
  }
  return d;
}

std::vector<std::string> LineasConciliacion(const Conciliacion& c) {
  std::vector<std::string> l;
  if (c.Vacia() && c.error.empty()) return l;
  l.push_back("Conciliación con la base:");
  if (!c.error.empty()) {
    l.push_back("  No se pudo leer la base para conciliar: " + utilidad::Abreviado(c.error));
  }
  long concilian = 0;
  for (const ConciliacionCuenta& k : c.cuentas) {
    std::ostringstream s;
    s << "  Cuenta " << k.cuenta << ": " << k.comprobantes << " comprobantes por "
      << Importe(k.totalArchivo) << " en el archivo (registrados " << k.registrados
      << ", ya importados " << k.yaImportados << ", no registrados " << k.noRegistrados
      << "); en el diario " << Importe(k.totalDiario) << "; diferencia " << Importe(k.Diferencia());
    if (k.sinImporte) s << "; " << k.sinImporte << " sin importe legible";
    if (k.totalInforme) {
      s << "; total del informe " << Importe(*k.totalInforme) << ", diferencia con el diario "
        << Importe(Menos(*k.totalInforme, k.totalDiario));
    }
    if (k.Concilia()) {
      ++concilian;
    } else {
      s << ": NO CONCILIA";
    }
    l.push_back(s.str());
  }
  if (!c.cuentas.empty()) {
    l.push_back("  Cuentas que concilian: " + std::to_string(concilian) + " de " +
                std::to_string(c.cuentas.size()));
  }
  if (c.cheques) {
    const ConciliacionCheques& q = *c.cheques;
    l.push_back("  Cheques: " + std::to_string(q.enArchivo) + " en el archivo por " +
                Importe(q.totalArchivo) + " (registrados " + std::to_string(q.registrados) +
                ", ya importados " + std::to_string(q.yaImportados) + ", no registrados " +
                std::to_string(q.noRegistrados) +
                "); en el diario con esos números sobre la cuenta " + q.contrapartida + ": " +
                std::to_string(q.enDiario) + " por " + Importe(q.totalDiario) + "; diferencia " +
                Importe(Menos(q.totalArchivo, q.totalDiario)) +
                (q.ilegibles ? "; " + std::to_string(q.ilegibles) +
                                   " sin número o importe legible, fuera de esas cifras"
                             : std::string()) +
                (ChequesConcilian(q) ? "" : ": NO CONCILIA"));
    for (const std::string& n : q.numerosConDiferencia) l.push_back("    cheque " + n);
  }
  for (const ConciliacionItems& i : c.items) {
    l.push_back("  " + i.que + ": " + std::to_string(i.hallados) + " de " +
                std::to_string(i.enArchivo) + " del archivo" +
                (i.noRegistrados ? " (no registrados " + std::to_string(i.noRegistrados) + ")"
                                 : std::string()) +
                (i.faltantes.empty() ? "" : ": NO CONCILIA"));
    for (const std::string& f : i.faltantes) l.push_back("    falta: " + utilidad::Abreviado(f));
  }
  if (c.asientos) {
    const ConciliacionAsientos& a = *c.asientos;
    std::string linea = "  Asientos grabados en esta corrida: " + std::to_string(a.asientos) +
                        " (" + std::to_string(a.lineas) + " líneas en el diario), Debe " +
                        Importe(a.debe) + ", Haber " + Importe(a.haber);
    if (a.hallados < a.asientos) {
      linea += "; " + std::to_string(a.asientos - a.hallados) + " no están en el diario";
    }
    linea += AsientosBalancean(a) ? ": cada asiento balancea" : ": NO BALANCEAN";
    l.push_back(linea);
    for (const std::string& d : a.desbalanceados) l.push_back("    " + d);
  }
  return l;
}
