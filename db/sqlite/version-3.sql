-- What version 3 of the SQLite schema adds to version 2: operators who see every company,
-- new ones included; the cancellation date of a check; and the record of the reports issued.
-- Trigger bodies hold ';', so they are framed by SET TERM as in the Firebird scripts.

-- 'S': the operator sees every company. OPEREMPR lists them all, and the trigger below adds
-- each new company to such operators, so the view and the lookups follow new companies.
ALTER TABLE OPERADOR ADD COLUMN IDTODASEMPRESAS CHAR(1);

-- When a check was cancelled (no behaviour yet). The view reads C.*, so it carries it.
ALTER TABLE CHEQUE ADD COLUMN DTCANCELAMENTO DATE;

-- One row per report written, printed or previewed; numbers are never used again. A row is
-- completed once and never deleted: the triggers refuse anything else. A SQLite file keeps
-- nothing from whoever may write it: this keeps an honest program to the rules.
CREATE TABLE KLX_EMISSAO (
    NREMISSAO INTEGER PRIMARY KEY AUTOINCREMENT,
    CDOPERADOR VARCHAR(31) NOT NULL,
    DTHEMISSAO TIMESTAMP NOT NULL,
    NMRELATORIO VARCHAR(200) NOT NULL,
    DSCRITERIOS TEXT,
    IDSAIDA VARCHAR(12) NOT NULL,
    QTLINHAS INTEGER,
    QTPAGINAS INTEGER,
    DSTOTAIS VARCHAR(1000),
    DSSHA256 CHAR(64),
    DTHCONCLUSAO TIMESTAMP
);
CREATE INDEX IX_EMISSAO_SHA256 ON KLX_EMISSAO (DSSHA256);
CREATE INDEX IX_EMISSAO_DATA ON KLX_EMISSAO (DTHEMISSAO);

SET TERM ^ ;

CREATE TRIGGER KLX_EMPRESA_TODAS AFTER INSERT ON EMPRESA
BEGIN
    INSERT OR IGNORE INTO OPEREMPR (CDOPERADOR, CDEMPRESA)
        SELECT CDOPERADOR, NEW.CDEMPRESA FROM OPERADOR WHERE IDTODASEMPRESAS = 'S';
END^

CREATE TRIGGER KLX_EMISSAO_SEM_EXCLUSAO BEFORE DELETE ON KLX_EMISSAO
BEGIN
    SELECT RAISE(ABORT, 'o registro de emissões não se apaga');
END^

CREATE TRIGGER KLX_EMISSAO_UMA_CONCLUSAO BEFORE UPDATE ON KLX_EMISSAO
WHEN OLD.DTHCONCLUSAO IS NOT NULL OR NEW.DTHCONCLUSAO IS NULL
     OR NEW.NREMISSAO IS NOT OLD.NREMISSAO OR NEW.CDOPERADOR IS NOT OLD.CDOPERADOR
     OR NEW.DTHEMISSAO IS NOT OLD.DTHEMISSAO OR NEW.NMRELATORIO IS NOT OLD.NMRELATORIO
     OR NEW.DSCRITERIOS IS NOT OLD.DSCRITERIOS OR NEW.IDSAIDA IS NOT OLD.IDSAIDA
BEGIN
    SELECT RAISE(ABORT, 'emissão já concluída: o registro não muda');
END^

SET TERM ; ^

UPDATE KLX_VERSAO SET VERSAO = 3;
