#!/usr/bin/env bash
# An office's trial on one Firebird server, as its IT person runs it: a production database and
# a restored copy of it; operators added and removed on the copy while production's clerks go
# on working; a company added after an operator of every company, with the office's CSV files
# imported (and a file with a bad line refused by its number, nothing written); a login
# dropped behind klx-admin's back, which check names with the command that fixes it; a new
# password typed twice on a terminal; and a server that never answers, which ends klx-admin
# within its timeout or at one signal. The users it makes are its own (a random suffix) and
# go at the end: server logins belong to the whole server, which other tests share.
#   office-trial.sh BIN_DIR    (KLX_TEST_FIREBIRD_SERVER: HOST/PORT, 127.0.0.1/3057)
set -euo pipefail
bin=$1
address=${KLX_TEST_FIREBIRD_SERVER:-127.0.0.1/3057}
export KLX_SYSDBA_PASSWORD=masterkey QT_QPA_PLATFORM=offscreen
dir=$(mktemp -d)
chmod 755 "$dir"
suffix=$(printf '%04X' $((RANDOM % 65536)))
joao=JOAO$suffix clerk=CAIXA$suffix robo=ROBO$suffix
listener=
cleanup() {
    [ -z "$listener" ] || kill "$listener" 2>/dev/null || true
    if [ -f "$dir/producao.fdb" ]; then
        for user in "$joao" "$clerk" "$robo"; do echo "DROP USER $user;"; done |
            isql-fb -q -user SYSDBA -password masterkey "$address:$dir/producao.fdb" \
                >/dev/null 2>&1 || true
    fi
    rm -rf "$dir"
}
trap cleanup EXIT
export XDG_CONFIG_HOME=$dir/config XDG_DATA_HOME=$dir/data XDG_STATE_HOME=$dir/state \
       KLX_SYSTEM_CONFIG=$dir/nenhum.ini
cd "$dir"
failures=0
check() { # check DESCRIPTION COMMAND...
    local what=$1
    shift
    if "$@"; then echo "ok: $what"; else echo "FALHOU: $what"; failures=$((failures + 1)); fi
}
# Runs a program; its exit code in $code, its standard output in $out, its errors in $err.
capture() {
    set +e
    out=$("$@" 2>err.txt </dev/null)
    code=$?
    err=$(cat err.txt)
    set -e
}
admin() { capture "$bin/klx-admin" --database "$@"; }
# report DATABASE USER PASSWORD_FILE OUTPUT: every check of the user's companies, as CSV.
report() {
    capture "$bin/klx" report --db firebird --database "$1" --user "$2" --password-file "$3" \
        --report 1 --emission-from 01/01/2000 --emission-to 31/12/2030 --output "$4"
}
# The checks of a company in a report's CSV (its ninth column).
company_rows() { cut -d';' -f9 "$2" | grep -c "^$1\$" || true; }

umask 077
printf 'joao-senha-1\n' >joao.pw
printf 'caixa-senha-1\n' >caixa.pw
printf 'robo-senha-01\n' >robo.pw
printf 'outra-senha-2\n' >outra.pw
prod=$address:$dir/producao.fdb
copy=$address:$dir/restaurado.fdb

# Production: three companies, three operators.
"$bin/klx-gendata" --db firebird --checks 3000 --companies 3 --accounts 9 --seed 30 --force \
    "$dir/producao.fdb" >/dev/null
admin "$prod" upgrade
admin "$prod" operator add "$joao" --companies 01 --password-file joao.pw
check "JOAO cadastrado na produção" test "$code" = 0
admin "$prod" operator add "$clerk" --companies 02 --password-file caixa.pw
admin "$prod" operator add "$robo" --companies all --password-file robo.pw
check "ROBO, de todas as empresas, cadastrado" grep -q "todas as empresas, as novas também" <<<"$out"
# The generated data's operator CONSULTA has no login here: taken out, production is sound.
admin "$prod" operator remove CONSULTA
admin "$prod" check
check "a produção está sã (saída $code)" test "$code" = 0

# The copy, restored on the same server, where operators come and go.
gbak -b -user SYSDBA -password masterkey "$prod" producao.fbk
gbak -c -user SYSDBA -password masterkey producao.fbk "$copy"
admin "$copy" operator remove "$clerk"
check "retirar CAIXA da cópia mantém o usuário do servidor" \
    grep -q "o usuário $clerk do servidor foi mantido" <<<"$out"
admin "$copy" operator add "$joao" --companies 02 --password-file outra.pw
check "cadastrar JOAO na cópia mantém a senha" grep -q "senha mantida" <<<"$out"
report "$prod" "$clerk" caixa.pw caixa.csv
check "CAIXA ainda emite na produção (saída $code)" test "$code" = 0
report "$prod" "$joao" joao.pw joao.csv
check "JOAO entra na produção com a senha de sempre (saída $code)" test "$code" = 0
report "$prod" "$joao" outra.pw outra.csv
check "... e não com a do arquivo dado na cópia (saída $code)" test "$code" = 4
report "$prod" "$(tr '[:upper:]' '[:lower:]' <<<"$joao")" joao.pw minusculas.csv
check "--user em minúsculas entra (saída $code)" test "$code" = 0
report "$copy" "$clerk" caixa.pw copia.csv
check "CAIXA, retirado da cópia, não emite nela (saída $code)" test "$code" = 4

# A company after the operator of every company, and the office's files for it.
printf 'CDEMPRESA;NMEMPRESA\n04;Quarta Empresa Ltda\n' >empresas.csv
printf 'Conta;Empresa;Banco;Agência;Número da conta;Descrição da conta\n401;04;001;1234;98765;Movimento Quarta\n' \
    >contas.csv
printf 'Conta;Cheque;Emissão;Compensação;Favorecido;Status;Valor (R$);Empresa\n' >cheques.csv
printf '401;000001;02/03/2026;;Fornecedor A;Emitido;1.500,00;04\n' >>cheques.csv
printf '401;000002;03/03/2026;10/03/2026;Fornecedor B;Emitido;250,10;04\n' >>cheques.csv
printf '401;000003;04/03/2026;;;Disponível;;04\n' >>cheques.csv
admin "$prod" import cheques.csv contas.csv empresas.csv --dry-run
check "import --dry-run aceita os arquivos do escritório" test "$code" = 0
admin "$prod" import cheques.csv contas.csv empresas.csv
check "import grava os arquivos do escritório (saída $code)" test "$code" = 0
report "$prod" "$robo" robo.pw robo.csv
check "ROBO vê os 3 cheques da empresa 04, nova" test "$(company_rows 04 robo.csv)" = 3
{ head -n 2 cheques.csv | sed 's/000001/000010/'; printf '401;000011;31/02/2026;;X;Emitido;5,00;04\n'; } \
    >ruins.csv
admin "$prod" import ruins.csv
check "uma linha ruim recusa o arquivo (saída $code)" test "$code" = 1
check "... dizendo a linha e o motivo" grep -q "ruins.csv:3: data de emissão inválida '31/02/2026'" <<<"$err"
report "$prod" "$robo" robo.pw robo2.csv
check "... sem gravar nada" test "$(company_rows 04 robo2.csv)" = 3

# A login dropped behind klx-admin's back.
echo "DROP USER $clerk;" | isql-fb -q -user SYSDBA -password masterkey "$prod"
admin "$prod" check
check "check sai com 1" test "$code" = 1
check "... nomeando CAIXA e o comando que o corrige" grep -q \
    "ERRO  operador $clerk não entra: o usuário $clerk não existe neste servidor (crie-o com: klx-admin operator add $clerk --companies 02 --password-file ARQ)" \
    <<<"$out"
check "... e só ele" test "$(grep -c '^ERRO' <<<"$out")" = 1
check "... ROBO vendo as 4 empresas" grep -q "ok    operador $robo entra: .*empresas 01,02,03,04 (todas)" <<<"$out"
admin "$prod" operator add "$clerk" --companies 02 --password-file caixa.pw
admin "$prod" check
check "o comando nomeado devolve CAIXA" grep -q "ok    operador $clerk entra" <<<"$out"
capture env -u KLX_SYSDBA_PASSWORD ISC_USER=SYSDBA ISC_PASSWORD=masterkey \
    "$bin/klx-admin" --database "$prod" operator list
check "a senha do SYSDBA vem de ISC_USER e ISC_PASSWORD (saída $code)" test "$code" = 0

# A new password on a terminal: typed twice, long enough.
typed() { # typed FIRST SECOND: klx-admin operator password on a terminal
    set +e
    out=$( (sleep 1; printf '%s\n' "$1"; sleep 1; printf '%s\n' "$2") |
        script -qec "$bin/klx-admin --database $prod operator password $joao" /dev/null)
    code=$?
    set -e
}
typed curta curta
check "senha curta recusada" grep -q "a senha de $joao tem 5 caracteres; use ao menos 8" <<<"$out"
typed senha-nova-9 senha-outra-9
check "duas senhas diferentes recusadas" grep -q "as duas senhas digitadas para $joao diferem" <<<"$out"
report "$prod" "$joao" joao.pw joao2.csv
check "... e a senha continua a de antes (saída $code)" test "$code" = 0

# A server that accepts the connection and never answers.
python3 -c '
import socket, sys
server = socket.socket()
server.bind(("127.0.0.1", 0))
server.listen(8)
print(server.getsockname()[1], flush=True)
held = []
while True:
    held.append(server.accept()[0])
' >porta.txt &
listener=$!
for _ in $(seq 1 50); do [ -s porta.txt ] && break; sleep 0.1; done
silent=127.0.0.1/$(cat porta.txt):/dados/klx.fdb
start=$(date +%s%N)
admin "$silent" --connect-timeout 3 check
elapsed=$((($(date +%s%N) - start) / 1000000))
check "servidor mudo: saída 3 (foi $code) em ${elapsed} ms" test "$code" = 3 -a "$elapsed" -lt 6000
check "... dizendo que não respondeu" grep -q "não respondeu em 3 s" <<<"$err"
"$bin/klx-admin" --database "$silent" --connect-timeout 60 check >/dev/null 2>sinal.err &
pid=$!
sleep 1
start=$(date +%s%N)
kill -TERM "$pid"
set +e
wait "$pid"
code=$?
set -e
elapsed=$((($(date +%s%N) - start) / 1000000))
check "um SIGTERM encerra klx-admin (saída $code em ${elapsed} ms)" test "$code" = 143 -a "$elapsed" -lt 2000

echo "$((failures == 0 ? 1 : 0)) passed, $((failures == 0 ? 0 : 1)) failed"
test "$failures" = 0
