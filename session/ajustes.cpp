#include "session/ajustes.h"

#include <array>
#include <fstream>

#include "data/aviso_operador.h"
#include "data/configuracion.h"
#include "data/db_dll.h"
#include "data/reintento.h"
#include "data/traza.h"
#include "data/valores_sesion.h"
#include "platform/archivos.h"
#include "platform/dialogos.h"
#include "platform/error_ejecucion.h"
#include "platform/regional.h"
#include "utility/aleatorio.h"
#include "utility/utilidades.h"

namespace {

using plataforma::ErrorEjecucion;
using utilidad::Trim;

// Why a step's failure is dropped, by routine.
constexpr const char* kSinAjuste = "a setting that cannot be read keeps its default";
constexpr const char* kSinRegistro = "the access log never stops start-up";
constexpr const char* kSinCierre = "the statement's own error is the one reported";
constexpr const char* kSinBitacora = "the error log never fails the routine that reports an error";

// Runs one step with the routine's error dialog: Retry repeats it, Ignore goes on (true), any
// other answer leaves the routine (false).
template <typename Paso>
bool ConAviso(const std::string& rutina, Paso&& paso) {
  return PasoConDialogo(paso,
                        [&](const ErrorEjecucion& e) { return AvisoOperador(e, 18, rutina); });
}

struct MascaraConsulta {
  const char* titulo;
  const char* tabla;
  const char* campos;
};

constexpr std::array<MascaraConsulta, 11> kMascaras = {{
    {"ARTICULOS", "V_MA_ARTICULOS", "|DESCRIPCION|IDARTICULO|"},
    {"CLIENTES", "VT_CLIENTES", "|RAZON_SOCIAL|CODIGO|CONTACTO|"},
    {"PROVEEDORES", "VT_PROVEEDORES", "|RAZON_SOCIAL|CODIGO|"},
    {"CONTACTOS", "MA_CONTACTOS", "|Nombre_y_Apellido|Domicilio|Localidad|Telefono|"},
    {"VENDEDORES", "V_TA_VENDEDORES", "|NOMBRE|IDVENDEDOR|"},
    {"TECNICOS", "V_TA_TECNICOS", "|NOMBRE|IDTECNICO|"},
    {"MANTENIMIENTOS", "V_MA_MANTENIMIENTOS", "|DESCRIPCION|CODIGO|"},
    {"CUENTAS", "MA_CUENTAS", "|DESCRIPCION|CODIGO|"},
    {"TAREAS", "V_TA_Tareas", "|Descripcion|IdTarea|"},
    {"UnidadNegocio", "V_TA_UnidadNegocio", "|Descripcion|Codigo|"},
    {"DEPOSITO", "V_TA_DEPOSITO", "|Descripcion|IdDeposito|"},
}};

// A field of a record: the text in Windows-1252, cut or padded with blanks to `largo` bytes.
std::string CampoFijo(const std::string& texto, size_t largo) {
  std::string bytes = plataforma::Utf8ACp1252(texto);
  bytes.resize(largo, ' ');
  return bytes;
}

std::string RegistroConsulta(const MascaraConsulta& m) {
  std::string registro = CampoFijo(Trim(m.titulo), 100) + CampoFijo(m.tabla, 100) +
                         CampoFijo(Trim(m.campos), 500) + CampoFijo("", 500) + "\r\n";
  return registro;
}

// A name as a text literal's content: its single quotes doubled, so a name such as O'Neil
// finds its row instead of breaking the query.
std::string LiteralTexto(const std::string& texto) {
  return utilidad::ReemplazaTexto(texto, "'", "''");
}

ErrorEjecucion ErrorDeArchivo(const std::string& ruta) {
  return ErrorEjecucion(75, "Error de acceso a la ruta o el archivo: " + ruta);
}

}  // namespace

std::string FmtFecha() { return plataforma::FormatearFecha(plataforma::Ahora(), "dd/mm/yy"); }
std::string FmtHora() { return plataforma::FormatearFecha(plataforma::Ahora(), "hh:nn"); }
std::string FmtFechaHora() {
  return plataforma::FormatearFecha(plataforma::Ahora(), "dd/mm/yy hh:nn");
}

void CargarConfiguracion() {
  IgnorarFalla(kSinAjuste, [] { utilidad::Randomize(); });
  gTablaConfiguracion = "ta_configuracion";
  IgnorarFalla(kSinAjuste, [] { gCantidadDecimales = Cfg("CantidadDecimales"); });
  IgnorarFalla(kSinAjuste, [] {
    gConfidencialidad = utilidad::IgualSinCaso(Cfg("SS_CONFIDENCIALIDAD"), "SI");
  });
  IgnorarFalla(kSinAjuste, [] {
    std::string consulta = "Select * from ta_usuarios  with(nolock)  where Nombre = '" +
                           LiteralTexto(gUsuarioLogeado) + "'";
    ado::Recordset rs;
    DB().AbrirRecordset(consulta, rs);
    if (rs.State() == ado::adStateOpen && !rs.EOF()) {
      gUnidadNegocio = utilidad::ValorCampo(rs.Fields("Unegocio").Value());
    }
    DB().CierraRecordset(rs);
  });
  if (gUnidadNegocio.empty()) gUnidadNegocio = "   1";
  IgnorarFalla(kSinAjuste,
               [] { gUtilizarFechaDia = utilidad::IgualSinCaso(Cfg("UTILIZARFECHADIA"), "SI"); });
}

void CrearMascarasConsultas(const std::string& Ruta) {
  // Opened for update so the records already there stay; created first when missing.
  std::fstream archivo(Ruta, std::ios::in | std::ios::out | std::ios::binary);
  if (!archivo.is_open()) {
    std::ofstream nuevo(Ruta, std::ios::binary);
    if (!nuevo.is_open()) throw ErrorDeArchivo(Ruta);
    nuevo.close();
    archivo.open(Ruta, std::ios::in | std::ios::out | std::ios::binary);
    if (!archivo.is_open()) throw ErrorDeArchivo(Ruta);
  }
  for (const MascaraConsulta& m : kMascaras) {
    archivo.seekg(0, std::ios::end);
    const std::streamoff largo = archivo.tellg();
    const std::streamoff registro = largo / kLargoRegistroConsulta;  // complete records
    archivo.seekp(registro * kLargoRegistroConsulta);
    const std::string bytes = RegistroConsulta(m);
    archivo.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    archivo.flush();
    if (!archivo) throw ErrorDeArchivo(Ruta);
  }
}

void RegistrarAcceso(const std::string& Formulario) {
  DB_Dll& db = DB();
  std::string F = Formulario;
  IgnorarFalla(kSinRegistro, [&] {
    if (F.empty()) F = plataforma::NombreEjecutable();
  });
  gUsuarioLogeado = db.gUsuario;

  std::string T;
  IgnorarFalla(kSinRegistro, [&] {
    std::string consulta =
        std::string("SELECT TA_TAREAS.USUARIO, TA_MENU.Proceso, TA_MENU.Clave , TA_MENU.Nombre ") +
        " FROM TA_TAREAS  with(nolock) INNER JOIN TA_MENU ON TA_TAREAS.TAREA = TA_MENU.Clave " +
        " WHERE (TA_TAREAS.USUARIO = '" + LiteralTexto(gUsuarioLogeado) +
        " ') AND (TA_MENU.Proceso LIKE '%" + LiteralTexto(F) + "%')";
    ado::Recordset rs;
    IgnorarFalla(kSinRegistro, [&] { db.AbrirRecordset(consulta, rs); });
    IgnorarFalla(kSinRegistro, [&] {
      if (rs.State() == ado::adStateOpen && !rs.EOF()) {
        T = utilidad::ValorCampo(rs.Fields("Nombre").Value());
      } else if (utilidad::IgualSinCaso(db.gUsuario, db.gDBName) ||
                 utilidad::IgualSinCaso(db.gUsuario, "SUPERVISOR KORVANE MC")) {
        T = F;
      }
    });
    IgnorarFalla(kSinRegistro, [&] { db.CierraRecordset(rs); });
  });

  ListaSentencias sentencias{""};
  IgnorarFalla(kSinRegistro, [&] {
    ListaCampos campos;
    AgregaCampo(campos, "Maquina", utilidad::Mayusculas(Trim(utilidad::NombreMaquina())), kComilla);
    AgregaCampo(campos, "Usuario", utilidad::Mayusculas(Trim(gUsuarioLogeado)), kComilla);
    AgregaCampo(campos, "Formulario", utilidad::Mayusculas(Trim(F)), kComilla);
    AgregaCampo(campos, "Tarea", utilidad::Mayusculas(Trim(T)), kComilla);
    AgregaCampo(campos, "Ingreso", FmtFechaHora(), kComilla);
    // The session's user name loses its single quotes here for the rest of the process, as it
    // always has: the statements after this one compare the name without them.
    std::erase(gUsuarioLogeado, '\'');
    AgregaCampo(campos, "NombreUsuario", gUsuarioLogeado, kComilla);
    AgregaSentencia(sentencias, ArmaSentencia(campos, "Control_Acceso", false));
  });

  IgnorarFalla(kSinRegistro, [&] {
    bool hayError = false;
    std::string mensaje;
    GActualizarDatoScript(sentencias, hayError, 0, false, false, "", mensaje, true);
  });
}

void GActualizarDatoScript(const ListaSentencias& Sentencias, bool& HayError, int32_t Opcion,
                           bool Duplicados, bool Referencias, const std::string& Tabla,
                           std::string& Mensaje, bool MostrarMensaje) {
  const std::string kRutina = "GActualizarDatoScript";
  DB_Dll& db = DB();
  HayError = false;
  Mensaje.clear();

  std::string guion;
  for (const std::string& s : Sentencias) {
    if (!Trim(s).empty()) guion += s + "\r";
  }
  if (guion.empty()) return;
  std::string lote = "BEGIN TRANSACTION \r\r" + guion + "\r";

  IgnorarFalla(kSinCierre, [&] { db.EjecutaConsultaSQL(lote); });

  int32_t nativo = 0;
  bool commit = false;
  if (!ConAviso(kRutina, [&] {
        const ado::ErrorCollection& errores = db.Cnn().Errors();
        if (errores.Count() == 0) {
          commit = true;
          return;
        }
        HayError = true;
        nativo = errores.Item(0).NativeError;
        // One entry is listed; of several, all but the last.
        size_t listados = errores.Count() == 1 ? 1 : errores.Count() - 1;
        for (size_t i = 0; i < listados; ++i) {
          Mensaje += std::to_string(errores.Item(i).NativeError) + " : " +
                     errores.Item(i).Description + "\r\n";
        }
      })) {
    return;
  }
  if (commit) {
    std::string fin = "COMMIT TRANSACTION";
    IgnorarFalla(kSinCierre, [&] { db.EjecutaConsultaSQL(fin); });
    return;
  }

  std::string deshacer = "ROLLBACK TRANSACTION";
  IgnorarFalla(kSinCierre, [&] { db.EjecutaConsultaSQL(deshacer); });

  // A login statement's password never reaches AUX_ERR nor the message.
  Mensaje = OcultaClaves(Mensaje);
  if (!ConAviso(kRutina, [&] {
        std::string proceso = plataforma::NombreEjecutable();
        std::string registrado = OcultaClaves(lote);
        GrabaAuxErr(registrado, proceso, nativo, Mensaje);
      })) {
    return;
  }
  ConAviso(kRutina, [&] {
    if (!Trim(Mensaje).empty() && MostrarMensaje) {
      plataforma::MsgBox(Mensaje, plataforma::vbOKOnly, "Aviso al Operador!");
    }
  });
}

void GrabaAuxErr(std::string& SQL, std::string& Proceso, int32_t& Numero,
                 const std::string& Descripcion) {
  DB_Dll& db = DB();
  IgnorarFalla(kSinBitacora, [&] {
    if (Proceso.empty()) Proceso = plataforma::NombreEjecutable();
  });
  ado::Recordset rs;
  IgnorarFalla(kSinBitacora, [&] {
    std::string consulta = "select  top 1 * from AUX_ERR  with(nolock) ";
    db.AbrirRecordset(consulta, rs, nullptr, ado::adOpenDynamic, ado::adLockOptimistic);
  });
  IgnorarFalla(kSinBitacora, [&] { rs.AddNew(); });
  IgnorarFalla(kSinBitacora,
               [&] { rs.Fields("Proceso").SetValue(plataforma::NombreEjecutable()); });
  IgnorarFalla(kSinBitacora, [&] { rs.Fields("fecha").SetValue(FmtFechaHora()); });
  IgnorarFalla(kSinBitacora, [&] { rs.Fields("Error").SetValue(static_cast<int64_t>(Numero)); });
  IgnorarFalla(kSinBitacora,
               [&] { rs.Fields("Descripcion").SetValue(utilidad::AjustaAncho(Descripcion, 250)); });
  IgnorarFalla(kSinBitacora, [&] { rs.Fields("SQL").SetValue(SQL); });
  IgnorarFalla(kSinBitacora, [&] { rs.Fields("Pc").SetValue(utilidad::NombreMaquina()); });
  IgnorarFalla(kSinBitacora, [&] { rs.Fields("Usuario").SetValue(db.gUsuario); });
  IgnorarFalla(kSinBitacora, [&] { rs.Update(); });
  IgnorarFalla(kSinBitacora, [&] { db.CierraRecordset(rs); });
}
