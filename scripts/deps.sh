#!/usr/bin/env bash
# Installs what the build and the tests need from Debian's packages, when it is missing.
set -euo pipefail
# dpkg-dev and file make the Debian package (its library dependencies); desktop-file-utils and
# appstream validate what it installs. libcurl and QtKeychain send mail and keep its password;
# python3-aiosmtpd is the mail server the tests send to. PostgreSQL is the database server driver's
# client library (libpq) and the throwaway server its tests start. libqpdf makes the Factur-X PDF; the
# JRE, Saxon-HE and xmllint run the e-invoice validator the tests check every e-invoice with.
packages=(cmake ninja-build g++ qt6-base-dev libgtest-dev libbenchmark-dev
          python3-dbfread python3-dbf poppler-utils fonts-dejavu-core
          dpkg-dev file desktop-file-utils appstream
          libcurl4-openssl-dev qtkeychain-qt6-dev python3-aiosmtpd
          postgresql-15 libpq-dev libqpdf-dev default-jre-headless libsaxonhe-java libxml2-utils)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
