-- Content of the statistics database KV_ESTADISTICAS, in the SQL Server dialect: a server runs
-- it as it stands, the embedded engine receives it converted like every other statement (its
-- text columns compared ignoring case and refused when longer than declared).
-- Batches end at "GO" lines; the script runner repeats the file while an object is missing.

-- Settings of the statistics database, in the same form as the company's TA_CONFIGURACION:
-- one row per key (stored trimmed and in upper case), compared ignoring case.
CREATE TABLE TA_CONFIGURACION (
  Grupo VARCHAR(50) NULL,
  Clave VARCHAR(50) NOT NULL,
  Valor VARCHAR(255) NULL,
  ValorAux VARCHAR(255) NULL,
  PoliticaNegocio BIT DEFAULT 0,
  CONSTRAINT PK_TA_CONFIGURACION PRIMARY KEY (Clave)
)
GO
