-- What version 3 of the Firebird schema adds to version 2: operators who see every company,
-- new ones included; the cancellation date of a check; and the record of the reports issued.
-- A new database runs it after version-2.sql; klx-admin upgrade runs it on an older one.
-- klx-admin check compares the database with these statements (the routines' and the view's
-- texts, and exactly the rights granted here) and klx-admin repair puts them back.

-- 'S': the operator sees every company. OPEREMPR lists them all, and the trigger below adds
-- each new company to such operators, so the view, the lookups and the reports, which read
-- OPEREMPR, follow new companies without knowing the flag.
ALTER TABLE OPERADOR ADD IDTODASEMPRESAS CHAR(1);

-- When a check was cancelled (no behaviour yet).
ALTER TABLE CHEQUE ADD DTCANCELAMENTO DATE;

-- The view names its columns when it is made: made again, it carries the new one.
CREATE OR ALTER VIEW CHEQUE_OPERADOR AS
    SELECT C.* FROM CHEQUE C
    WHERE C.CDEMPRESA IN (SELECT O.CDEMPRESA FROM OPEREMPR O WHERE O.CDOPERADOR = CURRENT_USER);

-- One row per report written, printed or previewed. The operator is the server user who ran
-- it and the time the server's: an operator adds a row only through KLX_EMISSAO_INICIA and
-- completes it once, its own, through KLX_EMISSAO_CONCLUI; the role may neither read, change
-- nor delete a row. DSSHA256 is the written file's digest (hexadecimal), empty for a printer
-- or a preview. A row without DTHCONCLUSAO is a run that did not finish.
CREATE TABLE KLX_EMISSAO (
    NREMISSAO INTEGER NOT NULL PRIMARY KEY,
    CDOPERADOR VARCHAR(31) NOT NULL,
    DTHEMISSAO TIMESTAMP NOT NULL,
    NMRELATORIO VARCHAR(200) NOT NULL,
    DSCRITERIOS BLOB SUB_TYPE TEXT,
    IDSAIDA VARCHAR(12) NOT NULL,
    QTLINHAS INTEGER,
    QTPAGINAS INTEGER,
    DSTOTAIS VARCHAR(1000),
    DSSHA256 CHAR(64),
    DTHCONCLUSAO TIMESTAMP
);
CREATE INDEX IX_EMISSAO_SHA256 ON KLX_EMISSAO (DSSHA256);
CREATE INDEX IX_EMISSAO_DATA ON KLX_EMISSAO (DTHEMISSAO);
CREATE SEQUENCE KLX_EMISSAO_NUMERO;
CREATE EXCEPTION KLX_EMISSAO_RECUSADA 'emissão inexistente, de outro operador ou já concluída';

SET TERM ^ ;

CREATE TRIGGER KLX_EMPRESA_TODAS FOR EMPRESA AFTER INSERT
AS
BEGIN
    INSERT INTO OPEREMPR (CDOPERADOR, CDEMPRESA)
        SELECT O.CDOPERADOR, NEW.CDEMPRESA FROM OPERADOR O
        WHERE O.IDTODASEMPRESAS = 'S'
          AND NOT EXISTS (SELECT 1 FROM OPEREMPR X
                          WHERE X.CDOPERADOR = O.CDOPERADOR AND X.CDEMPRESA = NEW.CDEMPRESA);
END^

-- Starts the record of a report: returns its number, which the pages carry.
CREATE PROCEDURE KLX_EMISSAO_INICIA (RELATORIO VARCHAR(200), CRITERIOS BLOB SUB_TYPE TEXT,
                                     SAIDA VARCHAR(12))
RETURNS (NUMERO INTEGER)
AS
BEGIN
    NUMERO = NEXT VALUE FOR KLX_EMISSAO_NUMERO;
    INSERT INTO KLX_EMISSAO (NREMISSAO, CDOPERADOR, DTHEMISSAO, NMRELATORIO, DSCRITERIOS,
                             IDSAIDA)
        VALUES (:NUMERO, CURRENT_USER, CURRENT_TIMESTAMP, :RELATORIO, :CRITERIOS, :SAIDA);
END^

-- Completes the operator's own record once, when the report is whole.
CREATE PROCEDURE KLX_EMISSAO_CONCLUI (NUMERO INTEGER, LINHAS INTEGER, PAGINAS INTEGER,
                                      TOTAIS VARCHAR(1000), SHA256 CHAR(64))
AS
BEGIN
    UPDATE KLX_EMISSAO
        SET QTLINHAS = :LINHAS, QTPAGINAS = :PAGINAS, DSTOTAIS = :TOTAIS, DSSHA256 = :SHA256,
            DTHCONCLUSAO = CURRENT_TIMESTAMP
        WHERE NREMISSAO = :NUMERO AND CDOPERADOR = CURRENT_USER AND DTHCONCLUSAO IS NULL;
    IF (ROW_COUNT = 0) THEN
        EXCEPTION KLX_EMISSAO_RECUSADA;
END^

SET TERM ; ^

GRANT SELECT ON OPERADOR TO TRIGGER KLX_EMPRESA_TODAS;
GRANT SELECT, INSERT ON OPEREMPR TO TRIGGER KLX_EMPRESA_TODAS;
GRANT INSERT ON KLX_EMISSAO TO PROCEDURE KLX_EMISSAO_INICIA;
GRANT USAGE ON SEQUENCE KLX_EMISSAO_NUMERO TO PROCEDURE KLX_EMISSAO_INICIA;
GRANT SELECT, UPDATE ON KLX_EMISSAO TO PROCEDURE KLX_EMISSAO_CONCLUI;
GRANT USAGE ON EXCEPTION KLX_EMISSAO_RECUSADA TO PROCEDURE KLX_EMISSAO_CONCLUI;
GRANT EXECUTE ON PROCEDURE KLX_EMISSAO_INICIA TO ROLE KLX_RELATORIO;
GRANT EXECUTE ON PROCEDURE KLX_EMISSAO_CONCLUI TO ROLE KLX_RELATORIO;

UPDATE KLX_VERSAO SET VERSAO = 3;
