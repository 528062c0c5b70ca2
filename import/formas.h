#pragma once
// The layout of each mode's file, line by line: a run refuses a file whose lines are mostly of
// another layout before it writes anything, and a preview can tell which mode a file is for
// without running it.
//
//   const Calce c = CalzaConModo(2, lineas);  // lineas: the file's lines as read, UTF-8
//   if (!c.calza) ... NombreDeForma(c.pareceDe) ...

#include <string>
#include <vector>

// The price-list tool's layout, numbered after the modes 0-6 (optOpcion indexes).
inline constexpr int kFormaListaPrecios = 7;

// How the lines of a file fit one layout.
struct Calce {
  bool calza = false;  // lines with data, and not more than half of them outside the layout
  long conDatos = 0;   // lines with something besides blanks, tabs and separators
  long noCalzan = 0;   // of them, those the layout's rule does not take
  int pareceDe = -1;   // another layout that takes the lines (the one that takes most); -1 none
};

// A line holds data: something besides blanks, tabs and ";".
bool LineaConDatos(const std::string& linea);

// The fit of a file's lines to the layout of mode `opcion` (0-6, or kFormaListaPrecios). The
// rules are those the README's "Input files" lists for each mode.
Calce CalzaConModo(int opcion, const std::vector<std::string>& lineas);

// A layout as a message names it: the mode's caption and number; the two pending-document
// modes share one layout, so either names both; the price list by its tool.
std::string NombreDeForma(int forma);
