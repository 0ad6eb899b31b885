-- What version 2 of the SQLite schema adds to version 1 (the tables of schema.sql): the
-- schema version and the operator's view of the checks. KLX_OPERADOR() is the operator the
-- connection was opened for, registered by the program on each connection. A SQLite file
-- separates nothing from whoever reads it: the view keeps an honest program to the
-- operator's companies; separating clerks takes the Firebird server.

CREATE TABLE KLX_VERSAO (VERSAO INTEGER NOT NULL);
INSERT INTO KLX_VERSAO (VERSAO) VALUES (2);

CREATE VIEW CHEQUE_OPERADOR AS
    SELECT C.* FROM CHEQUE C
    WHERE C.CDEMPRESA IN (SELECT O.CDEMPRESA FROM OPEREMPR O WHERE O.CDOPERADOR = KLX_OPERADOR());
