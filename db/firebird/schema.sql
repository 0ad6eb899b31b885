-- Tables of the Firebird database, and the routines the InterBase query texts use.
-- Plain statements end with ';'. PSQL bodies hold ';' themselves, so they are
-- framed by SET TERM as in isql: the script runs unchanged in isql-fb too.
-- No foreign keys: the lookups must cope with missing banks and companies.

CREATE TABLE EMPRESA (
    CDEMPRESA CHAR(2) NOT NULL PRIMARY KEY,
    NMEMPRESA VARCHAR(40)
);

CREATE TABLE BANCO (
    CDBANCO CHAR(3) NOT NULL PRIMARY KEY,
    NMBANCO VARCHAR(40),
    CDPICTAGEN VARCHAR(10),
    CDPICTCONT VARCHAR(20)
);

CREATE TABLE CONTCORR (
    CDREDUCONT CHAR(3) NOT NULL PRIMARY KEY,
    CDEMPRESA CHAR(2),
    CDBANCO CHAR(3),
    CDAGENCIA VARCHAR(5),
    CDCONTCORR VARCHAR(10),
    DSCONTCORR VARCHAR(20)
);

CREATE INDEX IX_CONTCORR_EMPRESA ON CONTCORR (CDEMPRESA);

CREATE TABLE FILIAL (
    CDFILIAL CHAR(2) NOT NULL PRIMARY KEY,
    NMFILIAL VARCHAR(40),
    DTPROC DATE
);

CREATE TABLE OPERADOR (
    CDOPERADOR VARCHAR(10) NOT NULL PRIMARY KEY,
    NMOPERADOR VARCHAR(40)
);

CREATE TABLE OPEREMPR (
    CDOPERADOR VARCHAR(10) NOT NULL,
    CDEMPRESA CHAR(2) NOT NULL,
    PRIMARY KEY (CDOPERADOR, CDEMPRESA)
);

CREATE TABLE CHEQUE (
    CDREDUCONT CHAR(3) NOT NULL,
    NRCHEQUE CHAR(6) NOT NULL,
    CDEMPRESA CHAR(2),
    DTEMISSAO DATE,
    DTCOMPENSACAO DATE,
    VLCHEQUE NUMERIC(15,2),
    NMFAVORECIDO VARCHAR(60),
    IDSTATUS CHAR(1),
    PRIMARY KEY (CDREDUCONT, NRCHEQUE)
);

CREATE INDEX IX_CHEQUE_EMISSAO ON CHEQUE (DTEMISSAO);
CREATE INDEX IX_CHEQUE_COMPENSACAO ON CHEQUE (DTCOMPENSACAO);

SET TERM ^ ;

-- Table function for code lists: exactly one row holding the given text in
-- column PARAM, the empty text included (NULL gives the empty text), so a
-- query that joins it never loses its rows to an empty list.
-- 8191 characters is the longest UTF8 VARCHAR.
CREATE PROCEDURE PARAM (TEXTO VARCHAR(8191))
RETURNS (PARAM VARCHAR(8191))
AS
BEGIN
    PARAM = COALESCE(TEXTO, '');
    SUSPEND;
END^

-- Oracle's INSTR(haystack, needle): 1-based position of needle, 0 when absent,
-- NULL when either argument is NULL.
CREATE FUNCTION INSTR (HAYSTACK VARCHAR(8191), NEEDLE VARCHAR(8191))
RETURNS INTEGER
DETERMINISTIC
AS
BEGIN
    RETURN POSITION(NEEDLE IN HAYSTACK);
END^

-- The codes of a code list, one row each, split as the application writes lists: codes
-- joined by ',', or by the separator the list starts with when it starts with one of
-- ',;|/#' (";A,;B" holds "A," and "B"); empty codes are skipped; a NULL or empty list
-- yields no row. The list is a BLOB, so it has no length limit; a code has up to 32
-- characters. The report queries join
-- it ("JOIN (SELECT DISTINCT CODE FROM CODES(...))"), which the engine runs once and
-- hashes, instead of searching the list's text for every row. The list is read in
-- pieces so that each search covers a short text.
CREATE PROCEDURE CODES (LISTA BLOB SUB_TYPE TEXT CHARACTER SET UTF8)
RETURNS (CODE VARCHAR(32))
AS
DECLARE SEPARADOR VARCHAR(1) = ',';
DECLARE PRIMEIRO VARCHAR(1);
DECLARE TAMANHO INTEGER;
DECLARE PROXIMO INTEGER = 1;
DECLARE TRECHO VARCHAR(1100);
DECLARE INICIO INTEGER = 1;
DECLARE ACHOU INTEGER;
BEGIN
    TAMANHO = COALESCE(CHAR_LENGTH(LISTA), 0);
    IF (TAMANHO = 0) THEN
        EXIT;
    PRIMEIRO = SUBSTRING(LISTA FROM 1 FOR 1);
    IF (POSITION(PRIMEIRO IN ',;|/#') > 0) THEN
    BEGIN
        SEPARADOR = PRIMEIRO;
        PROXIMO = 2;
    END
    TRECHO = '';
    WHILE (1 = 1) DO
    BEGIN
        ACHOU = POSITION(SEPARADOR, TRECHO, INICIO);
        IF (ACHOU = 0 AND PROXIMO <= TAMANHO) THEN
        BEGIN
            TRECHO = SUBSTRING(TRECHO FROM INICIO) || SUBSTRING(LISTA FROM PROXIMO FOR 1000);
            PROXIMO = PROXIMO + 1000;
            INICIO = 1;
            ACHOU = POSITION(SEPARADOR, TRECHO, INICIO);
        END
        IF (ACHOU = 0) THEN
        BEGIN
            CODE = SUBSTRING(TRECHO FROM INICIO);
            IF (CHAR_LENGTH(CODE) > 0) THEN
                SUSPEND;
            EXIT;
        END
        CODE = SUBSTRING(TRECHO FROM INICIO FOR ACHOU - INICIO);
        IF (CHAR_LENGTH(CODE) > 0) THEN
            SUSPEND;
        INICIO = ACHOU + 1;
    END
END^

SET TERM ; ^
