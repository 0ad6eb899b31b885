-- Tables of the embedded SQLite database. Dates are 'YYYY-MM-DD' text.
-- No foreign keys: the lookups must cope with missing banks and companies.
-- Company and account codes are stored at their column's full width, as a CHAR column of
-- a server database pads them ('1 '): the code lists are searched by substring, and
-- codes of one width cannot hide inside one another.

CREATE TABLE EMPRESA (
    CDEMPRESA CHAR(2) NOT NULL PRIMARY KEY CHECK (length(CDEMPRESA) = 2),
    NMEMPRESA VARCHAR(40)
);

CREATE TABLE BANCO (
    CDBANCO CHAR(3) NOT NULL PRIMARY KEY,
    NMBANCO VARCHAR(40),
    CDPICTAGEN VARCHAR(10),
    CDPICTCONT VARCHAR(20)
);

CREATE TABLE CONTCORR (
    CDREDUCONT CHAR(3) NOT NULL PRIMARY KEY CHECK (length(CDREDUCONT) = 3),
    CDEMPRESA CHAR(2) CHECK (length(CDEMPRESA) = 2),
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
    CDEMPRESA CHAR(2) NOT NULL CHECK (length(CDEMPRESA) = 2),
    PRIMARY KEY (CDOPERADOR, CDEMPRESA)
);

CREATE TABLE CHEQUE (
    CDREDUCONT CHAR(3) NOT NULL CHECK (length(CDREDUCONT) = 3),
    NRCHEQUE CHAR(6) NOT NULL,
    CDEMPRESA CHAR(2) CHECK (length(CDEMPRESA) = 2),
    DTEMISSAO DATE,
    DTCOMPENSACAO DATE,
    VLCHEQUE NUMERIC(15,2),
    NMFAVORECIDO VARCHAR(60),
    IDSTATUS CHAR(1),
    PRIMARY KEY (CDREDUCONT, NRCHEQUE)
);

-- The emission index carries the state and the clearing date: a report of outstanding checks
-- tests them in the index and reads from the table only the rows it shows.
CREATE INDEX IX_CHEQUE_EMISSAO ON CHEQUE (DTEMISSAO, IDSTATUS, DTCOMPENSACAO);
CREATE INDEX IX_CHEQUE_COMPENSACAO ON CHEQUE (DTCOMPENSACAO);
