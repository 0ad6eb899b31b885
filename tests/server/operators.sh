#!/usr/bin/env bash
# An office's set-up on a Firebird server, as its IT person does it, then what a clerk can and
# cannot get: the generated database upgraded, the operators OPER (company 02) and ADM (all)
# added with klx-admin, and klx report run as each. Checks that OPER's CSV holds exactly
# company 02's checks; that naming another operator, a wrong password and a report copy that
# reads CHEQUE directly are refused with exit code 4 and write nothing; that SIGTERM during a
# report ends it, keeping the previous file and leaving no temporary one; and that a stopped
# server gives exit code 3 (a second private server of its own, never the shared one).
#   operators.sh BIN_DIR SOURCE_DIR PASSWORD_DIR
# PASSWORD_DIR holds ADM.pw and OPER.pw (operators-setup.sh); KLX_TEST_FIREBIRD_SERVER is the
# server's HOST/PORT (127.0.0.1/3057).
set -euo pipefail
bin=$1
source_dir=$2
passwords=$3
address=${KLX_TEST_FIREBIRD_SERVER:-127.0.0.1/3057}
export KLX_SYSDBA_PASSWORD=masterkey QT_QPA_PLATFORM=offscreen
dir=$(mktemp -d)
second_port=${KLX_TEST_SECOND_PORT:-3059}
second() { KLX_FIREBIRD_PORT=$second_port KLX_FIREBIRD_DIR=$dir/servidor2 \
               bash "$source_dir/tools/firebird-server.sh" "$@"; }
trap 'second stop >/dev/null 2>&1 || true; rm -rf "$dir"' EXIT
export XDG_CONFIG_HOME=$dir/config XDG_DATA_HOME=$dir/data XDG_STATE_HOME=$dir/state \
       KLX_SYSTEM_CONFIG=$dir/nenhum.ini
cd "$dir"
failures=0
check() { # check DESCRIPTION COMMAND...
    local what=$1
    shift
    if "$@"; then echo "ok: $what"; else echo "FALHOU: $what"; failures=$((failures + 1)); fi
}
# Runs klx report; its exit code in $code, its standard error in $err.
report() {
    set +e
    err=$("$bin/klx" report "$@" 2>&1 >/dev/null </dev/null)
    code=$?
    set -e
}

umask 077
cp "$passwords/OPER.pw" oper.pw
cp "$passwords/ADM.pw" adm.pw
printf 'errada\n' >errada.pw
db=$address:$dir/c.fdb

# The held-out sequence, as the README gives it.
"$bin/klx-gendata" --db firebird --checks 4000 --companies 4 --accounts 40 --seed 17 --force \
    "$dir/c.fdb" >/dev/null
"$bin/klx-admin" --database "$db" upgrade
"$bin/klx-admin" --database "$db" operator add OPER --companies 02 --password-file oper.pw
"$bin/klx-admin" --database "$db" operator add ADM --companies all --password-file adm.pw
criteria=(--report 1 --emission-from 01/01/2020 --emission-to 31/12/2030)
report --db firebird --database "$db" --user OPER --password-file oper.pw "${criteria[@]}" \
    --output a.csv
check "OPER escreve o relatório" test "$code" = 0
report --db firebird --database "$db" --user ADM --password-file adm.pw "${criteria[@]}" \
    --companies 02 --output adm-02.csv
check "ADM com a empresa 02 escreve o relatório" test "$code" = 0
check "o CSV de OPER tem exatamente os cheques da empresa 02" cmp -s a.csv adm-02.csv
rows=$(($(wc -l <a.csv) - 1))
check "a empresa 02 tem 1000 cheques ($rows no CSV)" test "$rows" = 1000

report --db firebird --database "$db" --user OPER --operator ADM --password-file oper.pw \
    "${criteria[@]}" --output b.csv
check "--operator ADM com a senha de OPER sai com 4" test "$code" = 4
check "... dizendo quem entrou" grep -q "o operador é o usuário que entrou: OPER" <<<"$err"
report --db firebird --database "$db" --user OPER --password-file errada.pw "${criteria[@]}" \
    --output b.csv
check "senha errada sai com 4" test "$code" = 4
check "... dizendo que a senha é inválida" grep -q "usuário ou senha inválidos" <<<"$err"
report --db firebird --database "$db" --user OPER "${criteria[@]}" --output b.csv
check "sem senha e sem terminal sai com 4" test "$code" = 4
check "nada foi gravado" test ! -e b.csv

# A copy of report 1 that reads CHEQUE itself and labels every row company 02.
mkdir relatorios
cp "$source_dir"/reports/*.rpt relatorios/
sed -i -e 's/FROM CHEQUE_OPERADOR/FROM CHEQUE/g' \
    -e "s/C\.CDEMPRESA, E\.NMEMPRESA/'02' AS CDEMPRESA, E.NMEMPRESA/" \
    -e 's/WHERE C\.CDEMPRESA IN (SELECT CDEMPRESA FROM OPEREMPR WHERE CDOPERADOR = :P_CDOPERADOR)/WHERE 1 = 1/' \
    relatorios/KLX473-1-numero.rpt
report --db firebird --database "$db" --user OPER --password-file oper.pw --reports relatorios \
    "${criteria[@]}" --output c.csv
check "a cópia que lê CHEQUE sai com 4" test "$code" = 4
check "... e o servidor a recusa" \
    grep -q "o servidor recusou a leitura de CHEQUE ao operador OPER" <<<"$err"
check "... sem gravar nada" test ! -e c.csv

# SIGTERM while a report is written: the previous file stays, no temporary file is left.
"$bin/klx-gendata" --db firebird --checks 200000 --companies 4 --accounts 400 --force \
    "$dir/grande.fdb" >/dev/null
echo anterior >grande.pdf
"$bin/klx" report --db firebird --database "$address:$dir/grande.fdb" --user ADM \
    --password-file adm.pw --report 0 --emission-from 01/01/2020 --emission-to 31/12/2030 \
    --output grande.pdf 2>sinal.err </dev/null &
pid=$!
# Qt writes the new file unnamed (O_TMPFILE) until it is whole; 200,000 checks take many
# seconds to lay out, so the signal comes while the report runs.
sleep 2
check "o relatório ainda corre quando o sinal chega" kill -0 "$pid"
kill -TERM "$pid"
set +e
timeout 30 tail --pid="$pid" -f /dev/null
wait "$pid"
code=$?
set -e
check "SIGTERM encerra o relatório (saída 143, foi $code)" test "$code" = 143
check "... dizendo interrompido" grep -q "interrompido" sinal.err
check "... deixando o arquivo anterior" test "$(cat grande.pdf)" = anterior
check "... sem arquivo temporário" test "$(ls | grep -c '^grande\.pdf')" = 1

# A server of its own, stopped: exit code 3.
"$bin/klx-gendata" --db firebird --checks 100 --companies 2 --accounts 4 --force \
    "$dir/parado.fdb" >/dev/null
second start >/dev/null
stopped=127.0.0.1/$second_port:$dir/parado.fdb
"$bin/klx-admin" --database "$stopped" operator add OPER --companies 02 --password-file oper.pw \
    >/dev/null
report --db firebird --database "$stopped" --user OPER --password-file oper.pw --output d.csv
check "o segundo servidor atende" test "$code" = 0
second stop >/dev/null
report --db firebird --database "$stopped" --user OPER --password-file oper.pw --output e.csv
check "servidor parado sai com 3" test "$code" = 3
check "... nomeando o servidor" grep -q "porta $second_port" <<<"$err"

echo "$((failures == 0 ? 1 : 0)) passed, $((failures == 0 ? 0 : 1)) failed"
test "$failures" = 0
