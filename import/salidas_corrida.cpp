// The files a run leaves beside its input (see the header).

#include "import/salidas_corrida.h"

#include <filesystem>
#include <string>

#include "platform/archivos.h"
#include "platform/sistema.h"
#include "utility/utilidades.h"

namespace {

namespace fs = std::filesystem;
using plataforma::RutaFs;
using plataforma::TextoRuta;

// A CSV field: quoted, with its quotes doubled, when it holds the separator, a quote or a line
// end, or starts or ends with a blank a spreadsheet would drop.
std::string Campo(const std::string& texto) {
  const bool comillas = texto.find_first_of(";\"\r\n") != std::string::npos ||
                        (!texto.empty() && (texto.front() == ' ' || texto.back() == ' '));
  if (!comillas) return texto;
  return "\"" + utilidad::ReemplazaTexto(texto, "\"", "\"\"") + "\"";
}

}  // namespace

SalidasDeCorrida SalidasDe(const std::string& entrada) {
  // The path as the run opened it (the window accepts it between double quotes).
  const fs::path ruta = RutaFs(utilidad::QuitarCaracteres(entrada, "\""));
  const std::string base = TextoRuta(ruta.stem());
  const std::string extension = TextoRuta(ruta.extension());
  SalidasDeCorrida s;
  const fs::path carpeta = ruta.parent_path().empty() ? fs::path(".") : ruta.parent_path();
  s.carpetaDelPrograma = !plataforma::CarpetaEscribible(TextoRuta(carpeta));
  s.carpeta = s.carpetaDelPrograma ? plataforma::CarpetaPrograma()
                                   : utilidad::RutaConBarra(TextoRuta(carpeta));
  s.rechazados = base + ".rechazados" + extension;
  s.motivos = base + ".rechazados.motivos.csv";
  s.informe = base + ".informe.txt";
  return s;
}

std::string EscribirSalida(const SalidasDeCorrida& s, const std::string& nombre,
                           const std::string& bytes, bool& enPrograma) {
  const std::string ruta = s.carpeta + nombre;
  if (plataforma::EscribirBytes(ruta, bytes)) {
    enPrograma = enPrograma || s.carpetaDelPrograma;
    return ruta;
  }
  const std::string suya = plataforma::CarpetaPrograma() + nombre;
  if (suya == ruta || !plataforma::EscribirBytes(suya, bytes)) return "";
  enPrograma = true;
  return suya;
}

std::string TextoMotivos(const std::vector<LineaNoRegistrada>& lineas) {
  std::string texto = "\xEF\xBB\xBFLínea;Motivo;Valor\r\n";
  for (const LineaNoRegistrada& l : lineas) {
    texto += std::to_string(l.linea) + ";" + Campo(l.motivo) + ";" + Campo(l.valor) + "\r\n";
  }
  return texto;
}

void EscribirRechazados(ContextoCorrida& ctx) {
  ResumenCorrida& r = ctx.resumen;
  // A run that ended before reading its file says nothing of its lines: earlier files stay.
  if (r.sha256Archivo.empty()) return;
  const SalidasDeCorrida s = SalidasDe(ctx.RutaArchivo);
  if (r.noRegistradas.empty()) {
    plataforma::BorrarArchivo(s.carpeta + s.rechazados);
    plataforma::BorrarArchivo(s.carpeta + s.motivos);
    return;
  }
  std::string bytes = ctx.paraCorregir.marcaDeOrden;
  for (const LineaEnBruto& l : ctx.paraCorregir.lineas) bytes += l.bytes;
  r.archivoRechazados = EscribirSalida(s, s.rechazados, bytes, r.salidasEnCarpetaPrograma);
  r.archivoMotivos =
      EscribirSalida(s, s.motivos, TextoMotivos(r.noRegistradas), r.salidasEnCarpetaPrograma);
}
