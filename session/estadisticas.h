#pragma once
// The statistics database beside the company database: its connection (DBEstadisticas), its
// configuration table, and the provisioning of the database and its login on a new server.

#include <string>

class DB_Dll;

// Makes sure the statistics database and its login exist, opens the statistics connection and
// sets gTimeOut from its "TimeOut" key (360 when nothing else is known). Ignores its failures.
void ConectarEstadisticas();
std::string CfgKV(const std::string& Clave, std::string& ValorAux);
void GrabaCfgKV(const std::string& Clave, const std::string& Valor, const std::string& ValorAux,
                bool PoliticaNegocio, const std::string& Grupo, bool UsaTrim);
// Login provisioning on `O` (the session DB_Dll when null).
void CrearUsuarioBD(const std::string& Base, const std::string& Login, const std::string& Clave,
                    DB_Dll* O = nullptr);
void CrearBaseEstadisticas(const std::string& Servidor, const std::string& Base);
