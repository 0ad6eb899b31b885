#!/usr/bin/env bash
# Checks a built Debian package: what it holds, that it installs with its dependencies, and
# that the installed program writes a report from any folder. It installs the package, so
# run it as root on a machine you may change (CI does).
set -euo pipefail
deb=$(realpath "${1:?uso: check-package.sh klx_VERSÃO_ARQ.deb}")

contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
for path in ./usr/bin/klx ./usr/bin/klx-admin ./usr/share/doc/klx/copyright \
            ./usr/share/doc/klx/changelog.gz ./usr/share/metainfo/klx.metainfo.xml \
            ./usr/lib/klx/libklxcore.so ./usr/lib/klx/libklxreport.so \
            ./usr/lib/klx/libklxwidgets.so ./usr/lib/klx/PKG_KLX47306.so \
            ./usr/share/klx/reports/KLX473-0-emissao.rpt ./usr/share/klx/db/demo.sql \
            ./usr/share/klx/db/firebird/schema.sql ./usr/share/applications/klx.desktop \
            ./usr/share/icons/hicolor/scalable/apps/klx.svg ./usr/share/man/man1/klx.1.gz \
            ./usr/share/man/man1/klx-admin.1.gz ./etc/klx/klx.ini; do
    grep -qx -- "$path" <<<"$contents" || { echo "o pacote não tem $path" >&2; exit 1; }
done
if grep -E 'tst_|report_bench|klx-scenario|klx-gendata' <<<"$contents"; then
    echo "o pacote leva programas de teste" >&2
    exit 1
fi
depends=$(dpkg-deb -f "$deb" Depends)
# The scenario driver alone links Qt Test; the programs the package carries do not.
if grep -q libqt6test6 <<<"$depends"; then
    echo "Depends tem libqt6test6: $depends" >&2
    exit 1
fi
# The embedded engine is recommended, not required: a server's desktops need only the client.
grep -q firebird3.0-server-core <<<"$(dpkg-deb -f "$deb" Recommends)" ||
    { echo "Recommends não tem firebird3.0-server-core" >&2; exit 1; }
if grep -q firebird3.0-server-core <<<"$depends"; then
    echo "Depends tem firebird3.0-server-core: $depends" >&2
    exit 1
fi
for package in libqt6sql6-sqlite libqt6sql6-ibase fonts-dejavu-core \
               qt6-translations-l10n \
               libqt6widgets6; do
    grep -q "$package" <<<"$depends" || { echo "Depends não tem $package: $depends" >&2; exit 1; }
done

# The private library folder /usr/lib/klx is no loader's: no ldconfig call, no maintainer
# script at all; the system-wide configuration is a conffile.
control=$(mktemp -d)
dpkg-deb -e "$deb" "$control"
if grep -rl ldconfig "$control"; then echo "o pacote chama ldconfig" >&2; exit 1; fi
for script in preinst postinst prerm postrm triggers; do
    [ ! -e "$control/$script" ] || { echo "o pacote tem $script" >&2; exit 1; }
done
[ "$(cat "$control/conffiles")" = /etc/klx/klx.ini ] ||
    { echo "conffiles: $(cat "$control/conffiles" 2>&1)" >&2; exit 1; }
rm -rf "$control"

# Lintian: an error fails; warnings are listed.
lintian_out=$(lintian --tag-display-limit 0 "$deb" 2>&1 || true)
[ -z "$lintian_out" ] || echo "$lintian_out"
if grep -q '^E:' <<<"$lintian_out"; then echo "lintian acusa erros" >&2; exit 1; fi

export DEBIAN_FRONTEND=noninteractive
dpkg -i "$deb" >/dev/null || apt-get install -f -y -qq >/dev/null
desktop-file-validate /usr/share/applications/klx.desktop
# AppStream: the metainfo is valid, its id reverse-DNS, its launchable klx.desktop.
appstreamcli validate --no-net /usr/share/metainfo/klx.metainfo.xml
dpkg -S /etc/klx/klx.ini >/dev/null
grep -q '^/etc/klx/klx.ini$' /var/lib/dpkg/info/klx.conffiles
for page in klx klx-admin; do
    warnings=$(zcat "/usr/share/man/man1/$page.1.gz" | groff -k -man -Tutf8 -ww -z 2>&1)
    [ -z "$warnings" ] || { echo "$page(1): $warnings" >&2; exit 1; }
done

# The installed program, as a new user runs it, from a folder of its own.
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
cd "$home"
run() { env -u XDG_DATA_HOME -u XDG_CONFIG_HOME -u XDG_STATE_HOME -u KLX_SYSTEM_CONFIG HOME="$home" QT_QPA_PLATFORM=offscreen "$@"; }
[ "$(command -v klx)" = /usr/bin/klx ]
version=$(run klx --version)
[ "$version" = "klx $(dpkg-deb -f "$deb" Version)" ] || { echo "klx --version: $version" >&2; exit 1; }
run klx report --report 2 --output conciliacao.pdf
# The shipped /etc/klx/klx.ini, which every run reads, changes nothing.
run klx report --report 1 --output com-etc.csv
run env KLX_SYSTEM_CONFIG="$home/nenhum.ini" klx report --report 1 --output sem-etc.csv
cmp com-etc.csv sem-etc.csv
[ "$(head -c 5 conciliacao.pdf)" = "%PDF-" ]
[ -f "$home/.local/share/klx/klx-demo.sqlite" ]
echo "pacote $(basename "$deb") verificado: instala e grava relatórios"
