#!/usr/bin/env bash
# Runs a command when the Firebird server at HOST/PORT answers; otherwise says so and exits
# 77, which CTest counts as skipped.   if-server.sh HOST/PORT COMMAND...
set -euo pipefail
address=$1
shift
host=${address%%/*}
port=${address##*/}
if ! (exec 3<>"/dev/tcp/$host/$port") 2>/dev/null; then
    echo "No Firebird server at $address: start one with 'bash tools/firebird-server.sh start'."
    exit 77
fi
exec "$@"
