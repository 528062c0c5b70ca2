#include "data/valores_sesion.h"

std::string gUsuarioLogeado;
std::string gCaja = "1";
std::string gParametroAdicional;
std::string gTablaConfiguracion;
std::string gCantidadDecimales = " ";
bool gConfidencialidad = false;
std::string gUnidadNegocio = "   1";
bool gUtilizarFechaDia = false;
int16_t gTimeOut = 360;

void ReiniciarValoresSesion() {
  gUsuarioLogeado.clear();
  gCaja = "1";
  gParametroAdicional.clear();
  gTablaConfiguracion.clear();
  gCantidadDecimales = " ";
  gConfidencialidad = false;
  gUnidadNegocio = "   1";
  gUtilizarFechaDia = false;
  gTimeOut = 360;
}
