-- The user report queries run as (the setting database/report_user): it may read the
-- application's tables and call the routines the queries use, and nothing else. It cannot
-- write, and it cannot advance a sequence (no USAGE privilege), which no rollback would undo.
-- Create the user on the server once, as SYSDBA:
--   CREATE USER KLX_RELATORIO PASSWORD '...';
-- then run this script on the database (isql-fb -user SYSDBA ... -i report-user.sql).
GRANT SELECT ON EMPRESA TO USER KLX_RELATORIO;
GRANT SELECT ON BANCO TO USER KLX_RELATORIO;
GRANT SELECT ON CONTCORR TO USER KLX_RELATORIO;
GRANT SELECT ON FILIAL TO USER KLX_RELATORIO;
GRANT SELECT ON OPERADOR TO USER KLX_RELATORIO;
GRANT SELECT ON OPEREMPR TO USER KLX_RELATORIO;
GRANT SELECT ON CHEQUE TO USER KLX_RELATORIO;
GRANT EXECUTE ON PROCEDURE PARAM TO USER KLX_RELATORIO;
GRANT EXECUTE ON PROCEDURE CODES TO USER KLX_RELATORIO;
GRANT EXECUTE ON FUNCTION INSTR TO USER KLX_RELATORIO;
COMMIT;
