// The run lock across processes on Windows: importador.exe finds the company held by another
// holder (this test) and neither reads nor writes; once the lock is free it runs. On Linux the
// concurrency tests show the same with real concurrent runs.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "data/bloqueo_importacion.h"
#include "platform/bloqueo_archivo.h"
#include "tests/support/empresa.h"
#include "tests/support/programa.h"

namespace {

class EmpresaOcupada : public PruebaEmpresa {
 protected:
  void SetUp() override {
    PruebaEmpresa::SetUp();
    Ejecutar("INSERT INTO MA_CUENTAS (CODIGO, Descripcion, TITULO) VALUES ('11101', 'Caja', 0), "
             "('112010123', 'Panadería', 0), ('112014567', 'Ferretería', 0)");
    AgregarEjercicio(2020);
  }
  CorridaPrograma Correr(const std::string& extra) {
    const std::string muestra =
        (std::filesystem::path(std::getenv("IMPORTADOR_SAMPLES")) / "saldos_clientes.txt")
            .string();
    return CorrerPrograma(carpeta_, "--lote --modo 0 --cuenta 11101 --archivo '" + muestra + "' " +
                                        extra + " '@Server=" + servidor_ + ";@DbName=" + base_ +
                                        ";@Usuario=" + usuario_ + ";@Password=x;'");
  }
};

TEST_F(EmpresaOcupada, OtraCorridaEsperaONoEmpieza) {
  plataforma::BloqueoArchivo otro;
  std::string ocupante;
  ASSERT_TRUE(otro.Tomar(BloqueoImportacion::ArchivoDeBloqueo(archivo_), "OTRO en PC-2",
                         std::chrono::steady_clock::now(), ocupante))
      << ocupante;
  CorridaPrograma corrida = Correr("--esperar 1");
  EXPECT_EQ(corrida.estado, 4) << corrida.errores;
  EXPECT_NE((corrida.salida + corrida.errores).find("OTRO en PC-2"), std::string::npos)
      << corrida.salida << corrida.errores;
  EXPECT_EQ(ContarFilas("MV_ASIENTOS"), 0);

  otro.Liberar();
  corrida = Correr("");
  EXPECT_EQ(corrida.estado, 0) << corrida.errores;
  EXPECT_EQ(ContarFilas("MV_ASIENTOS"), 10);
}

}  // namespace
