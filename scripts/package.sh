#!/usr/bin/env bash
# Builds the Debian package as a packager would (Debian's hardening flags, warnings as errors)
# and checks it: lintian, the desktop entry and the AppStream data. With --install it also
# installs the package, starts the installed vx470 against the installed simulator on a
# private display until the editor shows, closes it, and removes the package again.
# The package is left in build/package/.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh --tests
sudo=()
[[ $(id -u) -ne 0 ]] && sudo=(sudo)

dir=build/package
(
    export DEB_BUILD_MAINT_OPTIONS=hardening=+all
    eval "$(dpkg-buildflags --export=sh)"
    export CXXFLAGS="$CPPFLAGS $CXXFLAGS"
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=None -DCMAKE_INSTALL_PREFIX=/usr \
        -DVX470_BUILD_TESTS=OFF -DVX470_BUILD_BENCH=OFF -DVX470_WERROR=ON >/dev/null
)
cmake --build "$dir"
rm -f "$dir"/*.deb
(cd "$dir" && cpack -G DEB >/dev/null)
deb=$(ls "$dir"/vx470-remote_*.deb)
echo "== $deb"
dpkg-deb --info "$deb" | sed -n '/Package:/,$p'

echo "== lintian"
lintian --fail-on error,warning --info "$deb"
echo "== desktop-file-validate, appstreamcli validate"
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
dpkg-deb -x "$deb" "$tree"
desktop-file-validate "$tree"/usr/share/applications/*.desktop
appstreamcli validate --no-net "$tree"/usr/share/metainfo/*.metainfo.xml

[[ "${1:-}" == "--install" ]] || exit 0
# Never replaces what a user installed: the check is for machines without the package.
if dpkg-query -W -f='${Status}' vx470-remote 2>/dev/null | grep -q 'install ok installed'; then
    echo "== vx470-remote is installed on this machine: not checking the package installed"
    exit 0
fi
echo "== installed"
trap 'rm -rf "$tree"; "${sudo[@]}" apt-get remove -y -qq --purge vx470-remote >/dev/null' EXIT
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
    "./$deb" >/dev/null
env -u DISPLAY vx470 --version
env -u DISPLAY vx470 --help >/dev/null
vx470-sim --version
vx470-cli --version
# The installed tool against the installed simulator, with no display, as a script runs it.
coproc SIM { exec vx470-sim --presets 5; }
read -r device <&"${SIM[0]}"
env -u DISPLAY vx470-cli --port "$device" get right.release
kill "$SIM_PID"
/usr/bin/python3 -B tests/blackbox/scenarios.py /usr/bin/vx470 /usr/bin/vx470-sim installed
