#!/usr/bin/env bash
# Runs a command with a virtual display and one live wineserver for the build
# folder's prefix: tools/wine-session.sh ARCH COMMAND...
# The prefix is created on first use; the server is stopped at the end.
# ARVIK_WINEPREFIX names another prefix (make screenshot has one of its own).
set -euo pipefail
arch=$1; shift
top=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX=${ARVIK_WINEPREFIX:-${ARVIK_BUILD_DIR:-$top/build/$arch}/wineprefix}
export ARVIK_WINE=$([ "$arch" = i686 ] && echo wine || echo wine64)
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
server=wineserver
[ "$arch" = x86_64 ] && [ -x /usr/lib/wine/wineserver64 ] && server=/usr/lib/wine/wineserver64
if [ "${ARVIK_IN_XVFB:-}" != 1 ]; then
  export ARVIK_IN_XVFB=1
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$arch" "$@"
fi
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "wine: creating prefix $WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  "$top/tools/wine-run" wineboot -i >/dev/null 2>&1 || true
  # A crashing test ends at once instead of waiting in the debugger.
  "$top/tools/wine-run" reg delete 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
    /v Debugger /f >/dev/null 2>&1 || true
  "$server" -w  # let the server that set the prefix up go, so ours can stay
fi
# Windows live on Wine's own virtual desktop instead of as X windows: with
# no window manager on the display, hiding an X window waits two seconds
# for an answer that never comes, and title bars would not be drawn.
if ! grep -q 'Wine\\\\Explorer\\\\Desktops' "$WINEPREFIX/user.reg" 2>/dev/null; then
  "$top/tools/wine-run" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1 || true
  "$top/tools/wine-run" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1280x1024 /f >/dev/null 2>&1 || true
  "$server" -w
fi
"$server" -p || true  # an already persistent server is fine
trap '"$server" -k 2>/dev/null || true' EXIT
# The first window starts Wine's desktop process, which lives on with the
# server. Start it here, detached from our output, so that no test run's
# pipe is held open by it.
"$top/tools/wine-run" rundll32.exe user32.dll,GetDesktopWindow </dev/null >/dev/null 2>&1 || true
"$@"
