#!/usr/bin/env bash
# Runs a command the way the tests expect to be run: private XDG folders in a
# scratch folder (so that nothing touches the user's own settings, services or
# port map), Qt without a display, and a session bus of its own.
#
#   scripts/private-session.sh COMMAND [ARG...]
set -euo pipefail

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export XDG_CONFIG_HOME="$scratch/config" XDG_DATA_HOME="$scratch/data"
export XDG_RUNTIME_DIR="$scratch/runtime" XDG_CACHE_HOME="$scratch/cache"
# The machine's folders too (/etc/xdg, /usr/share): a registration installed
# on this machine must not answer for the build's programs.
export XDG_CONFIG_DIRS="$scratch/etc-xdg" XDG_DATA_DIRS="$scratch/share"
# The bus reads its service folder when it starts: it must be there already. The
# port map is there and empty, so that only the ports a test links lead anywhere.
mkdir -p "$XDG_CONFIG_HOME/dosdevices" "$XDG_DATA_HOME/dbus-1/services" "$XDG_RUNTIME_DIR" "$XDG_CACHE_HOME"
chmod 700 "$XDG_RUNTIME_DIR"
# Of the machine's shared data, the MIME database alone: Qt's file dialogs filter
# by it, and it holds no registration.
mkdir -p "$XDG_DATA_DIRS"
[ -d /usr/share/mime ] && ln -s /usr/share/mime "$XDG_DATA_DIRS/mime"
export QT_QPA_PLATFORM=offscreen

dbus-run-session -- "$@"
