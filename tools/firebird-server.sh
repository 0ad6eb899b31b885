#!/usr/bin/env bash
# A Firebird server for the server tests and the load benchmark: Debian's firebird3.0-server
# run as a private instance of the calling user, with a configuration, security database
# and lock directory of its own, listening on 127.0.0.1 only, on a port of its own. The
# system's configuration and any system server are left alone.
#
#   tools/firebird-server.sh start|stop|status
#
# start and stop may be repeated. SYSDBA's password is "masterkey" (the address is local
# only). KLX_FIREBIRD_PORT (3057) and KLX_FIREBIRD_DIR (/tmp/klx-firebird-server) choose the
# port and the instance's folder. A database is named to the server by its full path:
# 127.0.0.1/3057:/path/to/file.fdb.
set -euo pipefail

port=${KLX_FIREBIRD_PORT:-3057}
dir=${KLX_FIREBIRD_DIR:-/tmp/klx-firebird-server}
server=/usr/sbin/firebird
root=/usr/lib/x86_64-linux-gnu/firebird/3.0
[ -d "$root" ] || root=$(dirname "$(find /usr/lib -path '*firebird/3.0/firebird.msg' -print -quit)")
securitySql=/usr/share/firebird/3.0/security.sql
password=masterkey

running() {
    [ -f "$dir/server.pid" ] && kill -0 "$(cat "$dir/server.pid")" 2>/dev/null
}

listening() {
    (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null
}

# The instance's root: the server reads firebird.conf and databases.conf there.
configure() {
    mkdir -p "$dir/lock"
    cat >"$dir/firebird.conf" <<CONF
RemoteServicePort = $port
RemoteBindAddress = 127.0.0.1
ServerMode = Super
SecurityDatabase = $dir/security3.fdb
CONF
    echo "# No aliases: databases are named by their full path." >"$dir/databases.conf"
    for name in firebird.msg intl plugins; do
        ln -sfn "$root/$name" "$dir/$name"
    done
    if [ ! -f "$dir/security3.fdb" ]; then
        # Embedded access to the new security database sets SYSDBA's password.
        FIREBIRD=$dir FIREBIRD_LOCK=$dir/lock isql-fb -q -user SYSDBA >/dev/null <<SQL
CREATE DATABASE '$dir/security3.fdb';
INPUT '$securitySql';
CREATE OR ALTER USER SYSDBA PASSWORD '$password' USING PLUGIN Srp;
COMMIT;
SQL
    fi
}

start() {
    if running && listening; then
        echo "Firebird server already running on 127.0.0.1/$port (pid $(cat "$dir/server.pid"))"
        return 0
    fi
    if listening; then
        echo "port $port is taken by another program" >&2
        return 1
    fi
    [ -x "$server" ] || { echo "$server missing: install firebird3.0-server" >&2; return 1; }
    configure
    FIREBIRD=$dir FIREBIRD_LOCK=$dir/lock setsid "$server" >"$dir/server.log" 2>&1 </dev/null &
    echo $! >"$dir/server.pid"
    for _ in $(seq 1 100); do
        if listening; then
            echo "Firebird server running on 127.0.0.1/$port (pid $(cat "$dir/server.pid"))"
            return 0
        fi
        running || break
        sleep 0.1
    done
    echo "the Firebird server did not start; see $dir/server.log" >&2
    cat "$dir/server.log" >&2 || true
    stop >/dev/null
    return 1
}

stop() {
    if running; then
        local pid
        pid=$(cat "$dir/server.pid")
        kill "$pid"
        for _ in $(seq 1 100); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
        kill -0 "$pid" 2>/dev/null && kill -9 "$pid"
        echo "Firebird server stopped"
    else
        echo "no Firebird server running from $dir"
    fi
    rm -f "$dir/server.pid"
}

case "${1:-}" in
start) start ;;
stop) stop ;;
status)
    if running && listening; then
        echo "running on 127.0.0.1/$port (pid $(cat "$dir/server.pid"))"
    else
        echo "not running"
        exit 1
    fi
    ;;
*)
    echo "usage: $0 start|stop|status" >&2
    exit 2
    ;;
esac
