// Each mode's rule for its own lines. The rules look at shape only (how many fields, which of
// them hold a date, an amount or a header word), so a file with a few bad lines still fits its
// mode, and a file made for another mode fits none of its lines.

#include "import/formas.h"

#include <string>
#include <vector>

#include "import/contexto_corrida.h"
#include "platform/error_ejecucion.h"
#include "platform/regional.h"
#include "utility/utilidades.h"

namespace {

using utilidad::Trim;

using Campos = std::vector<std::string>;

bool Vacio(const Campos& c, size_t i) { return i >= c.size() || Trim(c[i]).empty(); }

// Digits in three groups split by "/", "-" or "." (day, month, year or year, month, day): a
// date, or what an export wrote as one (29/02/2023 is a bad date of a good line, not another
// layout's value).
bool PareceFecha(const std::string& texto) {
  if (plataforma::EsFecha(texto)) return true;
  int grupos = 0;
  size_t digitos = 0;
  for (char ch : texto + "/") {
    if (ch >= '0' && ch <= '9') {
      ++digitos;
    } else if (ch == '/' || ch == '-' || ch == '.') {
      if (digitos == 0 || digitos > 4) return false;
      ++grupos;
      digitos = 0;
    } else {
      return false;
    }
  }
  return grupos == 3;
}

bool EsFechaCampo(const Campos& c, size_t i) { return !Vacio(c, i) && PareceFecha(Trim(c[i])); }

bool EsImporteCampo(const Campos& c, size_t i) {
  if (Vacio(c, i)) return false;
  try {
    utilidad::TextoAImporte(c[i]);
    return true;
  } catch (const plataforma::ErrorEjecucion&) {
    return false;
  }
}

bool EmpiezaCon(const std::string& texto, const std::string& prefijo) {
  return utilidad::InStrSinCaso(Trim(texto), prefijo) == 1;
}

// Balances (modes 0 and 1): report titles before the first "Cliente:" ("Proveedor:") header,
// headers and total lines, and voucher lines with a voucher in column 4 and something in the
// mode's amount column (37 for customers, 34 for suppliers).
std::vector<bool> ReglaSaldos(const std::vector<Campos>& lineas, const std::string& palabra,
                              size_t columnaImporte) {
  std::vector<bool> calza(lineas.size(), false);
  bool hayTitular = false;
  for (size_t i = 0; i < lineas.size(); ++i) {
    const Campos& c = lineas[i];
    const std::string primera = c.empty() ? std::string() : c[0];
    const bool titular =
        EmpiezaCon(primera, palabra + ":") ||
        (EmpiezaCon(primera, "Total") && utilidad::ContieneSinCaso(primera, palabra));
    if (titular) {
      // The titles above the first header are the report's.
      if (!hayTitular) {
        for (size_t j = 0; j < i; ++j) calza[j] = true;
      }
      hayTitular = true;
      calza[i] = true;
    } else if (hayTitular) {
      calza[i] = c.size() > columnaImporte && !Vacio(c, 4) && !Vacio(c, columnaImporte);
    }
  }
  return calza;
}

// Employees (mode 2): a name in at most three fields with text, none of them a date or an
// amount, and no tab.
bool CalzaEmpleado(const std::string& linea, const Campos& c) {
  if (linea.find('\t') != std::string::npos) return false;
  int conTexto = 0;
  for (size_t i = 0; i < c.size(); ++i) {
    if (Vacio(c, i)) continue;
    if (++conTexto > 3 || EsFechaCampo(c, i) || EsImporteCampo(c, i)) return false;
  }
  return true;
}

// Received cheques (mode 3): date, due date (or none) and a cheque number in column 5, of at
// least eight fields. Own cheques (mode 4): date, due date (or none) in column 3, a cheque
// number and an amount field, of at least six fields.
bool CalzaChequeTercero(const Campos& c) {
  return c.size() >= 8 && EsFechaCampo(c, 0) && (Vacio(c, 1) || EsFechaCampo(c, 1)) && !Vacio(c, 5);
}
bool CalzaChequePropio(const Campos& c) {
  return c.size() >= 6 && EsFechaCampo(c, 0) && (Vacio(c, 3) || EsFechaCampo(c, 3)) &&
         !Vacio(c, 4) && !Vacio(c, 5);
}

// Pending documents (modes 5 and 6): titles before the first block start; block starts (a date
// and nothing else); inside a block, lines of at least three fields with a code or a customer
// number in field 0 (no date) and a reference or a description in field 2.
std::vector<bool> ReglaPendientes(const std::vector<Campos>& lineas) {
  std::vector<bool> calza(lineas.size(), false);
  bool enBloque = false;
  for (size_t i = 0; i < lineas.size(); ++i) {
    const Campos& c = lineas[i];
    bool soloFecha = EsFechaCampo(c, 0);
    for (size_t k = 1; soloFecha && k < c.size(); ++k) soloFecha = Vacio(c, k);
    if (soloFecha) {
      if (!enBloque) {
        for (size_t j = 0; j < i; ++j) calza[j] = true;
      }
      enBloque = true;
      calza[i] = true;
    } else if (enBloque) {
      calza[i] = c.size() >= 3 && !Vacio(c, 0) && !EsFechaCampo(c, 0) && !Vacio(c, 2);
    }
  }
  return calza;
}

// The price list: four tab-separated fields or more, with a name in the third.
bool CalzaListaPrecios(const std::string& linea) {
  const Campos c = utilidad::Dividir(linea, "\t");
  return c.size() >= 4 && !Vacio(c, 2);
}

// How many of the lines with data fall outside the layout `forma`; `conDatos` gets how many
// lines have data.
long NoCalzan(int forma, const std::vector<std::string>& lineas, long& conDatos) {
  std::vector<std::string> conDato;
  std::vector<Campos> campos;
  for (const std::string& l : lineas) {
    if (!LineaConDatos(l)) continue;
    conDato.push_back(l);
    campos.push_back(utilidad::Dividir(l, ";"));
  }
  conDatos = static_cast<long>(conDato.size());
  std::vector<bool> calza(conDato.size(), false);
  if (forma == 0 || forma == 1) {
    calza = ReglaSaldos(campos, forma == 0 ? "Cliente" : "Proveedor", forma == 0 ? 37 : 34);
  } else if (forma == 5 || forma == 6) {
    calza = ReglaPendientes(campos);
  } else {
    for (size_t i = 0; i < conDato.size(); ++i) {
      switch (forma) {
        case 2:
          calza[i] = CalzaEmpleado(conDato[i], campos[i]);
          break;
        case 3:
          calza[i] = CalzaChequeTercero(campos[i]);
          break;
        case 4:
          calza[i] = CalzaChequePropio(campos[i]);
          break;
        case kFormaListaPrecios:
          calza[i] = CalzaListaPrecios(conDato[i]);
          break;
        default:
          break;
      }
    }
  }
  long fuera = 0;
  for (bool b : calza) fuera += b ? 0 : 1;
  return fuera;
}

bool Calza(long conDatos, long noCalzan) { return conDatos > 0 && 2 * noCalzan <= conDatos; }

bool MismaForma(int a, int b) { return a == b || (a >= 5 && a <= 6 && b >= 5 && b <= 6); }

}  // namespace

bool LineaConDatos(const std::string& linea) {
  return linea.find_first_not_of(" \t;") != std::string::npos;
}

Calce CalzaConModo(int opcion, const std::vector<std::string>& lineas) {
  Calce c;
  c.noCalzan = NoCalzan(opcion, lineas, c.conDatos);
  c.calza = Calza(c.conDatos, c.noCalzan);
  if (c.calza) return c;
  long mejor = c.conDatos;
  for (int forma = 0; forma <= kFormaListaPrecios; ++forma) {
    if (MismaForma(forma, opcion)) continue;
    long conDatos = 0;
    const long fuera = NoCalzan(forma, lineas, conDatos);
    if (Calza(conDatos, fuera) && fuera < mejor) {
      mejor = fuera;
      c.pareceDe = forma;
    }
  }
  return c;
}

std::string NombreDeForma(int forma) {
  if (forma == kFormaListaPrecios) return "una lista de precios (--lista)";
  if (forma == 5 || forma == 6) {
    return NombreDeModo(5) + " u " + NombreDeModo(6) + " (modos 5 y 6)";
  }
  if (forma < 0 || forma > 6) return "ningún modo";
  return NombreDeModo(forma) + " (modo " + std::to_string(forma) + ")";
}
