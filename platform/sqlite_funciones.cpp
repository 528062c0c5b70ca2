// Written against the routines table of a loadable extension, so the same code serves the
// program's own SQLite library (Linux) and an extension that the ODBC driver loads (Windows).
#include <sqlite3ext.h>
SQLITE_EXTENSION_INIT1

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <string>
#include <utility>

#include "platform/hora_local.h"
#include "platform/sqlite_funciones.h"

namespace plataforma {
namespace {

// The next code point of UTF-8 text; a byte that starts no valid sequence stands for itself.
char32_t SiguienteCodigo(std::string_view s, size_t& i) {
  unsigned char c = static_cast<unsigned char>(s[i]);
  int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
  if (extra == 0 || i + extra >= s.size()) {
    ++i;
    return c;
  }
  char32_t cp = c & (0x3F >> extra);
  for (int k = 1; k <= extra; ++k) {
    unsigned char d = static_cast<unsigned char>(s[i + k]);
    if ((d & 0xC0) != 0x80) {
      ++i;
      return c;
    }
    cp = (cp << 6) | (d & 0x3F);
  }
  i += extra + 1;
  return cp;
}

// Lower case of ASCII and of the Latin-1 letters À..Þ (× excluded).
char32_t Plegar(char32_t c) {
  if (c >= 'A' && c <= 'Z') return c + 32;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;
  return c;
}

std::string_view SinBlancosFinales(std::string_view s) {
  size_t n = s.size();
  while (n > 0 && s[n - 1] == ' ') --n;
  return s.substr(0, n);
}

int Kvci(void*, int na, const void* a, int nb, const void* b) {
  return CompararKvci(std::string_view(static_cast<const char*>(a), na),
                      std::string_view(static_cast<const char*>(b), nb));
}

void GetDate(sqlite3_context* ctx, int, sqlite3_value**) {
  const std::tm local = HoraLocal(std::time(nullptr));
  char texto[80];  // room for any int the compiler assumes, so no truncation warning
  std::snprintf(texto, sizeof texto, "%04d-%02d-%02d %02d:%02d:%02d", local.tm_year + 1900,
                local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
  sqlite3_result_text(ctx, texto, -1, SQLITE_TRANSIENT);
}

void Len(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
    sqlite3_result_null(ctx);
    return;
  }
  const char* t = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
  std::string_view s = SinBlancosFinales(t ? std::string_view(t) : std::string_view());
  sqlite3_int64 caracteres = 0;
  for (unsigned char c : s) {
    if ((c & 0xC0) != 0x80) ++caracteres;
  }
  sqlite3_result_int64(ctx, caracteres);
}

// The letters PlegarTexto folds besides ASCII's.
constexpr std::pair<std::string_view, std::string_view> kLetrasPlegadas[] = {
    {"À", "a"}, {"Á", "a"}, {"Â", "a"}, {"Ã", "a"}, {"Ä", "a"}, {"Å", "a"}, {"à", "a"}, {"á", "a"},
    {"â", "a"}, {"ã", "a"}, {"ä", "a"}, {"å", "a"}, {"Ç", "c"}, {"ç", "c"}, {"È", "e"}, {"É", "e"},
    {"Ê", "e"}, {"Ë", "e"}, {"è", "e"}, {"é", "e"}, {"ê", "e"}, {"ë", "e"}, {"Ì", "i"}, {"Í", "i"},
    {"Î", "i"}, {"Ï", "i"}, {"ì", "i"}, {"í", "i"}, {"î", "i"}, {"ï", "i"}, {"Ñ", "n"}, {"ñ", "n"},
    {"Ò", "o"}, {"Ó", "o"}, {"Ô", "o"}, {"Õ", "o"}, {"Ö", "o"}, {"ò", "o"}, {"ó", "o"}, {"ô", "o"},
    {"õ", "o"}, {"ö", "o"}, {"Ù", "u"}, {"Ú", "u"}, {"Û", "u"}, {"Ü", "u"}, {"ù", "u"}, {"ú", "u"},
    {"û", "u"}, {"ü", "u"}, {"Ý", "y"}, {"ý", "y"}, {"ÿ", "y"}, {"Æ", "æ"}, {"Ø", "ø"}, {"Ð", "ð"},
    {"Þ", "þ"}};

void Plegar(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
    sqlite3_result_null(ctx);
    return;
  }
  const char* t = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
  const std::string r = PlegarTexto(t ? std::string_view(t) : std::string_view());
  sqlite3_result_text(ctx, r.data(), static_cast<int>(r.size()), SQLITE_TRANSIENT);
}

void IsNull(sqlite3_context* ctx, int, sqlite3_value** argv) {
  sqlite3_result_value(ctx, sqlite3_value_type(argv[0]) == SQLITE_NULL ? argv[1] : argv[0]);
}

}  // namespace

int RegistrarEnConexion(sqlite3* db, const sqlite3_api_routines* api) {
  SQLITE_EXTENSION_INIT2(api);
  const int determinista = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
  int rc =
      sqlite3_create_function(db, "getdate", 0, SQLITE_UTF8, nullptr, GetDate, nullptr, nullptr);
  if (rc == SQLITE_OK) {
    rc = sqlite3_create_function(db, "len", 1, determinista, nullptr, Len, nullptr, nullptr);
  }
  if (rc == SQLITE_OK) {
    rc = sqlite3_create_function(db, "isnull", 2, determinista, nullptr, IsNull, nullptr, nullptr);
  }
  if (rc == SQLITE_OK) {
    rc = sqlite3_create_function(db, "plegar", 1, determinista, nullptr, Plegar, nullptr, nullptr);
  }
  if (rc == SQLITE_OK) rc = sqlite3_create_collation(db, "KVCI", SQLITE_UTF8, nullptr, Kvci);
  return rc;
}

std::string PlegarTexto(std::string_view texto) {
  std::string r(SinBlancosFinales(texto));
  for (char& c : r) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  if (std::all_of(r.begin(), r.end(), [](char c) { return (c & 0x80) == 0; })) return r;
  for (const auto& [letra, plegada] : kLetrasPlegadas) {
    for (size_t p = r.find(letra); p != std::string::npos; p = r.find(letra, p + plegada.size())) {
      r.replace(p, letra.size(), plegada);
    }
  }
  return r;
}

bool PuedeVenirDeAcentos(std::string_view plegado) {
  for (char c : plegado) {
    if ((c & 0x80) != 0) return true;
    for (const auto& [letra, llana] : kLetrasPlegadas) {
      if (llana.size() == 1 && llana[0] == c) return true;
    }
  }
  return false;
}

int CompararKvci(std::string_view a, std::string_view b) {
  a = SinBlancosFinales(a);
  b = SinBlancosFinales(b);
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    char32_t x = Plegar(SiguienteCodigo(a, i));
    char32_t y = Plegar(SiguienteCodigo(b, j));
    if (x != y) return x < y ? -1 : 1;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return 0;
}

}  // namespace plataforma
