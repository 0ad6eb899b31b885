#!/usr/bin/env bash
# Installs what the build, the application and the tests need on Debian 12.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends $(cat "$here/debian-packages.txt") >/dev/null
