#!/usr/bin/env bash
# Installs what the build, the application and the tests need on Debian 12.
set -euo pipefail
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends \
    cmake g++ make qt6-base-dev libqt6sql6-sqlite libqt6sql6-ibase libgl-dev \
    libsqlite3-dev firebird3.0-server-core firebird-dev \
    xvfb xauth poppler-utils fonts-dejavu-core fonts-liberation2 adwaita-icon-theme >/dev/null
