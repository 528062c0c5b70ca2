#include "platform/dialogos.h"

#include <gtest/gtest.h>

#include "tests/support/prueba_base.h"

namespace {

using namespace plataforma;

// The default dialogs answer every button set with the button that stops or declines.
class DialogosPorPolitica : public PruebaBase {};

TEST_F(DialogosPorPolitica, RespondenSegunElConjuntoDeBotones) {
  EstablecerDialogos(nullptr);
  struct Caso {
    int botones;
    int respuesta;
  } casos[] = {
      {vbOKOnly, vbOK},
      {vbOKCancel, vbCancel},
      {vbAbortRetryIgnore + vbCritical, vbAbort},
      {vbYesNoCancel, vbCancel},
      {vbYesNo + vbQuestion, vbNo},
      {vbRetryCancel, vbCancel},
  };
  for (const auto& c : casos) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(MsgBox("texto", c.botones, "Titulo"), c.respuesta) << "botones " << c.botones;
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Titulo: texto\n");
  }
  testing::internal::CaptureStderr();
  EXPECT_EQ(DialogosActuales().InputBox("Clave", "Acceso", "x"), "");
  EXPECT_EQ(DialogosActuales().AbrirArchivo(), "");
  testing::internal::GetCapturedStderr();
  EstablecerDialogos(&dialogos);
}

class DialogosGuionadosTest : public PruebaBase {
 protected:
  DialogosGuionados d;
};

TEST_F(DialogosGuionadosTest, RespondeEnOrdenYGuardaLaTranscripcion) {
  d.Responder(vbRetry);
  d.ResponderTexto("C:/datos.txt");
  d.Responder(vbYes);
  EXPECT_EQ(d.MsgBox("uno", vbAbortRetryIgnore, "A"), vbRetry);
  EXPECT_EQ(d.AbrirArchivo(), "C:/datos.txt");
  EXPECT_EQ(d.MsgBox("dos", vbYesNo, "B"), vbYes);
  EXPECT_EQ(d.RespuestasPendientes(), 0u);
  ASSERT_EQ(d.Transcripcion().size(), 3u);
  EXPECT_EQ(d.Transcripcion()[1].tipo, DialogoMostrado::Archivo);
  EXPECT_EQ(d.Transcripcion()[2].botones, vbYesNo);
  EXPECT_EQ(d.Textos("A"), std::vector<std::string>{"uno"});
  EXPECT_TRUE(d.SinRespuesta().empty());
}

TEST_F(DialogosGuionadosTest, ResponderSiempreVaAntesQueLaCola) {
  d.ResponderSiempre("Proceso Finalizado", vbOK);
  d.Responder(vbIgnore);
  EXPECT_EQ(d.MsgBox("Proceso Finalizado!!!", vbOKOnly, ""), vbOK);
  EXPECT_EQ(d.MsgBox("Error", vbAbortRetryIgnore, ""), vbIgnore);
  EXPECT_EQ(d.MsgBox("otra vez Proceso Finalizado!!!", vbOKOnly, ""), vbOK);
  EXPECT_TRUE(d.SinRespuesta().empty());
}

// A dialog with nothing left to answer it is recorded and declined, so the routine ends; an
// answer of the wrong kind stays queued for the dialog it was meant for.
TEST_F(DialogosGuionadosTest, SinRespuestaSeRegistraYSeCancela) {
  d.ResponderTexto("sa");
  EXPECT_EQ(d.MsgBox("¿Continuar?", vbYesNo, "Pregunta"), vbCancel);
  EXPECT_EQ(d.InputBox("Usuario", "Acceso", ""), "sa");
  EXPECT_EQ(d.InputBox("Clave", "Acceso", "x"), "");
  EXPECT_EQ(d.AbrirArchivo(), "");
  ASSERT_EQ(d.SinRespuesta().size(), 3u);
  EXPECT_EQ(d.SinRespuesta()[0].titulo, "Pregunta");
  EXPECT_EQ(d.SinRespuesta()[0].texto, "¿Continuar?");
  EXPECT_EQ(d.SinRespuesta()[1].texto, "Clave");
  EXPECT_EQ(d.SinRespuesta()[2].tipo, DialogoMostrado::Archivo);
  EXPECT_EQ(d.Transcripcion().size(), 4u);
}

}  // namespace
