// The company-wide import lock on the three engines (see the header).

#include "data/bloqueo_importacion.h"

#include <chrono>
#include <exception>
#include <string>

#include "data/db_dll.h"
#include "data/traza.h"
#include "data/valores_sesion.h"
#include "platform/regional.h"
#include "utility/utilidades.h"

namespace {

int gEsperaSegundos = 0;


// What the holder leaves beside its lock: one line the next run shows as it stands.
std::string Ocupante(const std::string& modo, const std::string& archivo) {
  return "operador " + gUsuarioLogeado + ", equipo " + utilidad::NombreMaquina() + " (proceso " +
         std::to_string(plataforma::IdProceso()) + "), modo " + modo + ", archivo " + archivo +
         ", desde " + plataforma::FormatoFechaHora(plataforma::Ahora());
}

// Runs one text on the session connection as it stands (no dialect conversion): the lock
// statements are written for their own engine. Returns the first column of the first row.
// The statement trace shows them like every other statement.
std::optional<plataforma::Valor> Primero(const std::string& sql, std::string& error) {
  auto trazar = [&] {
    if (TrazaActiva()) TrazarSentencia("execute", sql, {sql}, DB().Cnn().Errors(), std::nullopt);
  };
  try {
    auto r = DB().Cnn().Execute(sql);
    trazar();
    if (r && !r->filas.empty() && !r->filas[0].empty()) return r->filas[0][0];
    return plataforma::Valor{};
  } catch (const std::exception& e) {
    error = e.what();
    trazar();
    return std::nullopt;
  }
}

}  // namespace

void EstablecerEsperaImportacion(int segundos) { gEsperaSegundos = segundos < 0 ? 0 : segundos; }
int EsperaImportacion() { return gEsperaSegundos; }

std::string BloqueoImportacion::Recurso(const std::string& empresa) {
  // SQL Server shows only the first 32 characters of an application lock's name: the prefix and
  // 16 hexadecimal digits fit, whatever the company's name (and no quote can reach a literal).
  return "IMPORTADOR_" + utilidad::Sha256Hex(utilidad::Mayusculas(empresa)).substr(0, 16);
}

std::string BloqueoImportacion::ArchivoDeBloqueo(const std::string& archivoEmpresa) {
  return archivoEmpresa + "-importacion";
}

std::string MensajeEmpresaOcupada(const std::string& ocupante) {
  return "La empresa " + DB().gDBName + " está ocupada: otra importación está en curso.\r\n" +
         ocupante + "\r\nEspere a que termine y ejecute el proceso de nuevo.";
}

BloqueoImportacion::~BloqueoImportacion() { Liberar(); }

bool BloqueoImportacion::Tomar(const std::string& modo, const std::string& archivo,
                               std::string& ocupante) {
  Liberar();
  recurso_ = Recurso(DB().gDBName);
  const std::string& recurso = recurso_;
  const auto limite = std::chrono::steady_clock::now() + std::chrono::seconds(gEsperaSegundos);
  switch (PlataformaDe(DB().gConnString)) {
    case Plataforma::SQLite: {
      const std::string ruta = ArchivoDeBloqueo(ValorDeConexion(DB().gConnString, "Data Source"));
      // A lock on a file of its own: a process's POSIX locks on the company file itself would
      // be dropped whenever the engine closes a descriptor of it.
      if (!archivo_.Tomar(ruta, Ocupante(modo, archivo), limite, ocupante)) {
        if (ocupante.empty()) ocupante = "otra importación (no dejó sus datos)";
        return false;
      }
      tomado_ = Tipo::Archivo;
      return true;
    }
    case Plataforma::SqlServer: {
      // Owned by the session: released by sp_releaseapplock or when the session ends.
      std::string error;
      const auto r =
          Primero("DECLARE @r int; EXEC @r = sp_getapplock @Resource = N'" + recurso +
                      "', @LockMode = 'Exclusive', @LockOwner = 'Session', @LockTimeout = " +
                      std::to_string(gEsperaSegundos * 1000) + "; SELECT @r AS resultado",
                  error);
      const std::string resultado = r ? utilidad::Trim(utilidad::ValorCampo(*r)) : "";
      // 0 granted at once, 1 granted after a wait; negative: timed out, deadlock, refused.
      if (resultado == "0" || resultado == "1") {
        tomado_ = Tipo::SqlServer;
        return true;
      }
      // The holder's session: each part may be NULL (a client that sends no program name), and
      // a login that may not see other sessions gets no row, both told by the generic text.
      // The lock shows as "<principal>:[<name>]:(<hash>)": its name is compared whole.
      std::string sinDatos;
      const auto quien = Primero(
          "SELECT TOP 1 ISNULL(s.login_name, '?') + ', equipo ' + ISNULL(s.host_name, '?') + "
          "', programa ' + ISNULL(s.program_name, '?') + ', desde ' + "
          "ISNULL(CONVERT(varchar(19), s.login_time, 120), '?') FROM sys.dm_tran_locks l JOIN "
          "sys.dm_exec_sessions s ON s.session_id = l.request_session_id WHERE "
          "l.resource_type = 'APPLICATION' AND l.request_status = 'GRANT' AND "
          "l.resource_database_id = DB_ID() AND CHARINDEX(':[" +
              recurso + "]:', l.resource_description) > 0",
          sinDatos);
      const std::string texto = quien ? utilidad::ValorCampo(*quien) : "";
      ocupante = !r              ? "no se pudo pedir el bloqueo: " + error
                 : texto.empty() ? "otra sesión de la base"
                                 : "sesión " + texto;
      return false;
    }
    case Plataforma::Oracle: {
      // A session lock (release_on_commit FALSE): released by DBMS_LOCK.RELEASE or when the
      // session ends. The block fails when the lock is not granted in time.
      std::string error;
      const bool concedido =
          Primero("DECLARE h VARCHAR2(128); r INTEGER; BEGIN DBMS_LOCK.ALLOCATE_UNIQUE('" +
                      recurso + "', h); r := DBMS_LOCK.REQUEST(h, DBMS_LOCK.X_MODE, " +
                      std::to_string(gEsperaSegundos) +
                      ", FALSE); IF r NOT IN (0, 4) THEN RAISE_APPLICATION_ERROR(-20001, "
                      "'IMPORTADOR ' || r); END IF; END;",
                  error)
              .has_value();
      if (concedido) {
        tomado_ = Tipo::Oracle;
        return true;
      }
      ocupante = "otra sesión de la base (" + error + ")";
      return false;
    }
  }
  return false;
}

void BloqueoImportacion::Liberar() {
  std::string error;
  const std::string& recurso = recurso_;
  switch (tomado_) {
    case Tipo::Archivo:
      archivo_.Liberar();
      break;
    case Tipo::SqlServer:
      Primero("EXEC sp_releaseapplock @Resource = N'" + recurso + "', @LockOwner = 'Session'",
              error);
      break;
    case Tipo::Oracle:
      Primero("DECLARE h VARCHAR2(128); r INTEGER; BEGIN DBMS_LOCK.ALLOCATE_UNIQUE('" + recurso +
                  "', h); r := DBMS_LOCK.RELEASE(h); END;",
              error);
      break;
    case Tipo::Ninguno:
      break;
  }
  tomado_ = Tipo::Ninguno;
}
