#!/usr/bin/env bash
# Kills a process that commits records with four tags, or packs them, at random moments, N times;
# after each kill checks the table, its memos and its tags independently of the killed process: the
# check opens the table as the program does (rebuilding tags the open finds behind or damaged), then
# corvane-dbtool check and Python's dbfread read every file. Prints the counts by outcome.
# Usage: scripts/crash-test.sh N [BUILD_DIR]     (BUILD_DIR defaults to build-test)
set -u
N=${1:?usage: crash-test.sh N [BUILD_DIR]}
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "${2:-$ROOT/build-test}" && pwd)
CHILD=$BUILD/tests/crash_child
DBTOOL=$BUILD/tools/corvane-dbtool
for tool in "$CHILD" "$DBTOOL"; do
    [[ -x $tool ]] || { echo "missing $tool (build the targets crash_child and corvane-dbtool)" >&2; exit 2; }
done
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}
# Debian's python3-dbfread belongs to the system's Python.
PYTHON=${PYTHON:-/usr/bin/python3}
PYTHON_CHECK=0
"$PYTHON" -c 'import dbfread' 2>/dev/null && PYTHON_CHECK=1

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
declare -A count
for k in kills commit pack lost unopenable stale crosslinks detected check_faults python_unreadable child_failed; do
    count[$k]=0
done

for ((i = 1; i <= N; i++)); do
    dir=$WORK/data
    rm -rf "$dir" && mkdir -p "$dir"
    "$CHILD" init "$dir" >/dev/null || { echo "init failed" >&2; exit 2; }
    mode=commit
    (( i % 3 == 0 )) && mode=pack
    count[$mode]=$(( count[$mode] + 1 ))
    "$CHILD" "$mode" "$dir" "$i" 2>"$WORK/child.err" &
    pid=$!
    sleep "$(printf '0.%03d' $(( RANDOM % 450 + 20 )))"
    if kill -9 "$pid" 2>/dev/null; then
        count[kills]=$(( count[kills] + 1 ))
    else
        count[child_failed]=$(( count[child_failed] + 1 ))
        echo "run $i: the $mode process ended before the kill: $(head -c 300 "$WORK/child.err")" >&2
    fi
    wait "$pid" 2>/dev/null

    out=$("$CHILD" verify "$dir" 2>"$WORK/verify.err")
    if [[ $? -ne 0 ]]; then
        echo "run $i ($mode): $(head -c 600 "$WORK/verify.err")" >&2
    fi
    while read -r key value; do
        [[ -n ${key:-} ]] && count[$key]=$(( count[$key] + value ))
    done <<<"$out"

    check=$("$DBTOOL" check "$dir/CRASH" 2>&1)
    if [[ $check != "OK" ]]; then
        count[check_faults]=$(( count[check_faults] + 1 ))
        echo "run $i ($mode): check: $(head -c 600 <<<"$check")" >&2
    fi
    if (( PYTHON_CHECK )); then
        if ! "$PYTHON" - "$dir/CRASH.dbf" >/dev/null 2>"$WORK/py.err" <<'PY'
import sys
from dbfread import DBF
for record in DBF(sys.argv[1], char_decode_errors="strict"):
    if record["ID"] is None and not record["NOTES"]:
        continue  # appended, and killed before its first write
    if not str(record["NOTES"]).startswith("record %d version %d " % (record["ID"], record["VERSION"])):
        raise SystemExit("record %d shows another memo" % record["ID"])
PY
        then
            count[python_unreadable]=$(( count[python_unreadable] + 1 ))
            echo "run $i ($mode): dbfread: $(tail -c 300 "$WORK/py.err")" >&2
        fi
    fi
    if (( i % 100 == 0 )); then
        echo "after $i: lost ${count[lost]}, unopenable ${count[unopenable]}, stale ${count[stale]}," \
             "cross-links ${count[crosslinks]}, detected ${count[detected]}, check ${count[check_faults]}," \
             "dbfread ${count[python_unreadable]}, failed ${count[child_failed]}" >&2
    fi
done

echo "kills: ${count[kills]} (while committing: ${count[commit]}, while packing: ${count[pack]})"
echo "committed records lost: ${count[lost]}"
echo "tables that cannot be opened: ${count[unopenable]}"
echo "stale indexes not detected and repaired by the next open: ${count[stale]}"
echo "memo cross-links: ${count[crosslinks]}"
echo "interrupted changes detected at the open and rebuilt: ${count[detected]}"
echo "faults corvane-dbtool check found after the open: ${count[check_faults]}"
if (( PYTHON_CHECK )); then
    echo "tables dbfread could not read: ${count[python_unreadable]}"
else
    echo "tables dbfread could not read: not checked (python3-dbfread missing)"
fi
echo "processes that failed before the kill: ${count[child_failed]}"
bad=$(( count[lost] + count[unopenable] + count[stale] + count[crosslinks] + count[check_faults] + count[python_unreadable] + count[child_failed] ))
(( bad == 0 ))
