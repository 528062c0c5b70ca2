-- Content of the statistics database KV_ESTADISTICAS on the embedded engine.
-- Batches end at "GO" lines; the script runner repeats the file while an object is missing.

-- Settings of the statistics database, in the same form as the company's TA_CONFIGURACION:
-- one row per key (stored trimmed and in upper case), compared ignoring case.
CREATE TABLE TA_CONFIGURACION (
  Grupo VARCHAR(50) COLLATE KVCI
    CONSTRAINT CK_TA_CONFIGURACION_Grupo_len CHECK (length(Grupo) <= 50),
  Clave VARCHAR(50) COLLATE KVCI NOT NULL CONSTRAINT PK_TA_CONFIGURACION PRIMARY KEY
    CONSTRAINT CK_TA_CONFIGURACION_Clave_len CHECK (length(Clave) <= 50),
  Valor VARCHAR(255) COLLATE KVCI
    CONSTRAINT CK_TA_CONFIGURACION_Valor_len CHECK (length(Valor) <= 255),
  ValorAux VARCHAR(255) COLLATE KVCI
    CONSTRAINT CK_TA_CONFIGURACION_ValorAux_len CHECK (length(ValorAux) <= 255),
  PoliticaNegocio BIT DEFAULT 0
)
GO
