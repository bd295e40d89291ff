#!/usr/bin/env bash
# Loads the completion script in bash as bash-completion would and asks it for
# completions, as a user pressing Tab does: options from each program's
# --help, port names from a port map of the test's own, files, and ProgIDs.
#
#   completion_test.sh SCRIPT SIMULATOR...      (the programs on PATH)
set -uo pipefail
script=$1
shift
simulators=("$@")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export XDG_CONFIG_HOME=$scratch/config XDG_DATA_HOME=$scratch/data
unset DISPLAY WAYLAND_DISPLAY
mkdir -p "$XDG_CONFIG_HOME/dosdevices" "$XDG_CONFIG_HOME/automation" "$scratch/work"
ln -s /nonexistent/ttyUSB0 "$XDG_CONFIG_HOME/dosdevices/com1"
ln -s rfc2217://127.0.0.1:1 "$XDG_CONFIG_HOME/dosdevices/com7"
printf '[General]\nVarnix.Ez2181%%5CCLSID={1}\nVarnix.Ezkit21k%%5CCLSID={2}\nVarnix.Sport%%5CCLSID={3}\n' \
    > "$XDG_CONFIG_HOME/automation/classes-root.ini"
touch "$scratch/work/board.bnm" "$scratch/work/board.hex"
cd "$scratch/work"
# shellcheck source=/dev/null
source "$script"

failures=0
# expect "WORD WORD ..." "EXPECTED COMPLETIONS" (sorted, space-separated)
expect()
{
    local line=$1 expected=$2 got
    read -ra COMP_WORDS <<< "$line"
    [[ $line == *" " ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    complete -p "${COMP_WORDS[0]}" > /dev/null 2>&1 || { echo "FAIL: no completion for ${COMP_WORDS[0]}"; failures=$((failures + 1)); return; }
    _varnix_tools
    got=$(printf '%s\n' "${COMPREPLY[@]}" | sort | xargs)
    if [[ $got != "$expected" ]]; then
        echo "FAIL: \"$line\" completes to \"$got\", expected \"$expected\""
        failures=$((failures + 1))
    else
        echo "ok: \"$line\" -> $got"
    fi
}

expect "pellori --po" "--port --power-on"
expect "pellori --port " "com1 com7"
expect "pellori --batch --program board." "board.bnm board.hex"
expect "dspq47-cli --send b" "board.bnm board.hex"
expect "varnix-doctor --" "--help --json --network --root --version"
expect "varnix-call Varnix.E" "Varnix.Ez2181 Varnix.Ezkit21k"
expect "varnix-call --timeout 5 V" "Varnix.Ez2181 Varnix.Ezkit21k Varnix.Sport"
expect "ez2181-sim c" "com1 com7"
expect "fourwire-sim --port c" "com1 com7"
for simulator in "${simulators[@]}"; do
    expect "$simulator --bac" "--background"
done
rm -rf "$XDG_CONFIG_HOME/dosdevices"
expect "dspq47-sim --port " "com1 com2 com3 com4 lpt1"
exit $((failures > 0))
