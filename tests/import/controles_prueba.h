#pragma once
// The import window's controls as plain values: the other name of VentanaModos.

#include "tests/import/ventana_modos.h"

using ControlesPrueba = VentanaModos;
