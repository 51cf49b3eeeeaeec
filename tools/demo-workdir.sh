#!/usr/bin/env bash
# Prepares a working directory for Brivan: the stand-in hlds.exe, the games "stormline" and "sdelta"
# with "server.cfg", a handful of maps, "mapcycle.txt" and "addons\amxmodx\configs\maps.ini".
# Usage: tools/demo-workdir.sh DIR HLDS_EXE   (DIR is emptied first)
set -eu
dir=$1
hlds=$2
[ -f "$hlds" ] || { echo "demo-workdir: no stand-in server at $hlds" >&2; exit 1; }
rm -rf "$dir"
mkdir -p "$dir"
cp "$hlds" "$dir/hlds.exe"

crlf() { sed 's/$/\r/'; }

game() {
    local g=$1 hostname=$2
    shift 2
    mkdir -p "$dir/$g/maps" "$dir/$g/addons/amxmodx/configs"
    local m
    for m in "$@"; do
        printf 'BSP stand-in map %s\n' "$m" >"$dir/$g/maps/$m.bsp"
    done
    crlf >"$dir/$g/server.cfg" <<EOF
// $g: the operator's own settings; Brivan copies them into Brivan.cfg and adds hostname
hostname "$hostname"
sv_maxrate 25000
mp_timelimit 30
log on
EOF
    # The cycle names all but the last map, plus one the folder lacks, to show both lists of the editor.
    {
        echo "// map cycle of $g"
        local n=$(($# - 1))
        printf '%s\n' "${@:1:$n}"
        echo "ks_arena"
    } | crlf >"$dir/$g/mapcycle.txt"
    {
        echo "; maps offered by the in-game vote"
        printf '%s\n' "$@"
    } | crlf >"$dir/$g/addons/amxmodx/configs/maps.ini"
}

game stormline "Stormline demo" de_dust2 de_inferno de_nuke cs_assault aim_redline
game sdelta "Stormline-Delta demo" dl_harbor dl_quarry dl_tower dl_canyon
echo "demo-workdir: $dir ready"
