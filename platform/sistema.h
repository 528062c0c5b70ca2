#pragma once
// Services of the operating system that the rest of the program asks for by name: the running
// program, the machine, the environment, other programs, the desktop. One implementation per
// system (sistema_posix.cpp, sistema_win.cpp); every path and text is UTF-8.

#include <string>
#include <vector>

namespace plataforma {

// The full path of the running executable; empty when the system does not tell.
std::string RutaEjecutable();

// Where a user's programs keep their data: $XDG_DATA_HOME, else ~/.local/share; on Windows the
// local application data folder (%LOCALAPPDATA%).
std::string CarpetaDatosDeUsuario();

// The machine's name on the network; empty when it cannot be read.
std::string NombreMaquina();

// Sets or removes a variable of this process's environment (seen by the programs it starts).
void EstablecerEntorno(const std::string& nombre, const std::string& valor);
void QuitarEntorno(const std::string& nombre);

// True when standard error is a terminal (a console window), where a progress bar can redraw.
bool ErroresEnTerminal();

// True when the folder exists and this process can create files in it.
bool CarpetaEscribible(const std::string& carpeta);

// True when users other than the file's owner may read it (its group or others read bit). On
// Windows always false: there an access list, not mode bits, says who reads a file, and a file
// in the user's profile is his alone.
bool LegiblePorOtros(const std::string& ruta);

// A new empty folder under the temporary folder whose name starts with `prefijo`, readable only
// by this user where the system allows it; empty when none could be made.
std::string CrearCarpetaTemporal(const std::string& prefijo);

// Runs a program with the arguments, its standard streams shared with ours, and waits for it:
// its exit status, or -1 when it could not be started or did not end by itself.
int EjecutarYEsperar(const std::string& programa, const std::vector<std::string>& argumentos);

// Starts a program with the arguments without waiting for it. Raises ErrorEjecucion 75 naming
// the program and the system's reason when it cannot be started.
void IniciarSinEsperar(const std::string& programa, const std::vector<std::string>& argumentos);

// Opens a document with the desktop's viewer for its type and returns at once; nothing happens
// when the desktop has no viewer.
void AbrirDocumento(const std::string& ruta);

// A word of a command line as the system's shell reads it back: unchanged when it holds only
// plain path characters, quoted otherwise (for command lines shown to the operator).
std::string PalabraDeOrden(const std::string& palabra);

// The user's desktop folder as the desktop names it: on Linux XDG_DESKTOP_DIR of the user's
// user-dirs.dirs ($XDG_CONFIG_HOME, else ~/.config; the file xdg-user-dir reads), else
// ~/Desktop; on Windows the shell's Desktop folder.
std::string CarpetaEscritorio();

// Creates on the desktop folder `carpeta` a shortcut named `nombre` that starts `programa`
// with `argumentos`: a launcher "<nombre>.desktop" marked executable on Linux desktops, shown
// with the icon `icono` (a name of the icon theme or a path); a shell link "<nombre>.lnk" on
// Windows, shown with the program's own icon. Returns the path of the file made; raises
// ErrorEjecucion 75 with that path when it cannot be made.
std::string CrearAccesoDirecto(const std::string& carpeta, const std::string& nombre,
                               const std::string& programa,
                               const std::vector<std::string>& argumentos,
                               const std::string& icono);

}  // namespace plataforma
