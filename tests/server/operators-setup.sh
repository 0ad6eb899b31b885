#!/usr/bin/env bash
# The operators the server tests log in as: ADM (every company) and OPER (company 02), made
# on the test server with klx-admin, their passwords in files of mode 600 that the tests read.
# A server user belongs to the whole server, so a scratch database serves to make them.
#   operators-setup.sh BIN_DIR PASSWORD_DIR   (KLX_TEST_FIREBIRD_SERVER: HOST/PORT)
set -euo pipefail
bin=$1
passwords=$2
address=${KLX_TEST_FIREBIRD_SERVER:-127.0.0.1/3057}
export KLX_SYSDBA_PASSWORD=${KLX_SYSDBA_PASSWORD:-masterkey}
mkdir -p "$passwords"
chmod 700 "$passwords"
umask 077
# The same passwords in every build tree: server users belong to the whole server, and two
# trees testing on it at once must not change each other's passwords underneath.
for name in ADM OPER; do
    printf '%s-senha-de-teste\n' "$name" >"$passwords/$name.pw"
done
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
"$bin/klx-admin" --database "$address:$scratch/operadores.fdb" create --demo >/dev/null
"$bin/klx-admin" --database "$address:$scratch/operadores.fdb" operator add ADM --companies all \
    --password-file "$passwords/ADM.pw"
"$bin/klx-admin" --database "$address:$scratch/operadores.fdb" operator add OPER --companies 02 \
    --password-file "$passwords/OPER.pw"
