#!/bin/sh
# Runs a test program as nobody when started as root (else as it is): permission bits refuse
# root nothing. The program is staged in a folder of its own, since nobody may not reach the
# build tree (a clone under /root).
[ "$(id -u)" = 0 ] || exec "$@"
stage=$(mktemp -d) || exit 1
trap 'rm -rf "$stage"' EXIT
chmod 755 "$stage" && cp "$1" "$stage/" || exit 1
program="$stage/$(basename "$1")"
shift
cd /tmp && setpriv --reuid=65534 --regid=65534 --clear-groups "$program" "$@"
