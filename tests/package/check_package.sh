#!/usr/bin/env bash
# The Debian package: built from a copy of the sources in a Release tree of its own, its contents listed,
# its desktop entry and metainfo validated, its library dependencies read, and the program extracted
# from it run with the source copy moved away.
# Usage: check_package.sh SOURCE_DIR WORK_DIR
set -euo pipefail
src="$1"
work="$2"
copy="$work/source"
moved="$work/source-moved"
build="$work/build"
root="$work/root"
passed=0
failed=0
check() {  # check DESCRIPTION COMMAND...
  local what="$1"; shift
  if "$@"; then passed=$((passed + 1)); else echo "FAILED: $what"; failed=$((failed + 1)); fi
}

start=$(date +%s)
mkdir -p "$work"
rm -rf "$copy" "$moved" "$root"
mkdir -p "$copy"
# tar keeps the files' times: a build tree left by an earlier run rebuilds only what changed.
tar -C "$src" --exclude='./build*' --exclude='./.git' -cf - . | tar -C "$copy" -xf -
rm -f "$build"/corvane_*.deb
cmake -S "$copy" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCORVANE_TESTS=OFF -DCORVANE_BENCH=OFF >/dev/null
cmake --build "$build" -j2 --target package >"$work/build.log" 2>&1 || { tail -40 "$work/build.log"; exit 1; }
debs=("$build"/corvane_*_amd64.deb)
deb="${debs[0]}"
check "one package named corvane_<version>_amd64.deb" test -f "$deb"

listing="$(dpkg-deb -c "$deb" | awk '{print $NF}')"
expected=(./usr/bin/corvane ./usr/bin/corvane-data ./usr/bin/corvane-dbtool
          ./usr/share/corvane/help/index.html ./usr/share/corvane/help/main.html
          ./usr/share/applications/org.corvane.Invoicing.desktop
          ./usr/share/metainfo/org.corvane.Invoicing.metainfo.xml
          ./usr/share/icons/hicolor/scalable/apps/corvane.svg
          ./usr/share/man/man1/corvane.1.gz ./usr/share/man/man1/corvane-data.1.gz
          ./usr/share/man/man1/corvane-dbtool.1.gz ./usr/share/doc/corvane/copyright.command-icons)
for side in 16 22 24 32 48 64 128 256; do
  expected+=("./usr/share/icons/hicolor/${side}x${side}/apps/corvane.png")
done
if [ -f "$src/tools/report/main.cpp" ]; then
  expected+=(./usr/bin/corvane-report ./usr/share/man/man1/corvane-report.1.gz)
fi
for file in "${expected[@]}"; do
  check "the package holds $file" grep -qxF "$file" <<<"$listing"
done

dpkg-deb -x "$deb" "$root"
check "desktop-file-validate" desktop-file-validate "$root/usr/share/applications/org.corvane.Invoicing.desktop"
check "the desktop entry starts the per-user data folder" \
  grep -qx 'Exec=corvane --data-home' "$root/usr/share/applications/org.corvane.Invoicing.desktop"
check "appstreamcli validate" appstreamcli validate --no-net "$root/usr/share/metainfo/org.corvane.Invoicing.metainfo.xml"
depends="$(dpkg-deb -f "$deb" Depends)"
for library in libqt6widgets6 libqt6gui6 libqt6core6 libqt6printsupport6 libstdc++6 libc6 qt6-qpa-plugins \
               libcurl4 libqt6keychain1; do
  check "Depends names $library ($depends)" grep -q "$library" <<<"$depends"
done

# Installed, the program reads nothing from the sources.
mv "$copy" "$moved"
report="$(QT_QPA_PLATFORM=offscreen "$root/usr/bin/corvane" --check-install 2>&1)" || true
check "the installed program finds its help ($report)" grep -qxF "help: $root/usr/share/corvane/help ok" <<<"$report"
check "the installed program finds its icons ($report)" grep -qx "icons: ok" <<<"$report"
data="$work/data-$$"
check "the installed data tool writes a data directory" "$root/usr/bin/corvane-data" "$data" >/dev/null
# The installed program starts on it and holds its lock while it runs.
QT_QPA_PLATFORM=offscreen "$root/usr/bin/corvane" --data "$data" >"$work/run.log" 2>&1 &
program=$!
for _ in $(seq 100); do [ -e "$data/corvane.lock" ] && break; sleep 0.2; done
sleep 3
check "the installed program runs on the data directory ($(cat "$work/run.log"))" \
  bash -c "[ -e '$data/corvane.lock' ] && kill -0 $program"
kill "$program" 2>/dev/null || true
wait "$program" 2>/dev/null || true
rm -rf "$moved" "$data"

echo "package check took $(( $(date +%s) - start )) s"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
