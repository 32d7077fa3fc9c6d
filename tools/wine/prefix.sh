#!/usr/bin/env bash
# prefix.sh warm|stop <prefix>
# Warms a private wine prefix before ctest, with stdio closed, so that wine's background
# services are never started by (and tied to the output pipe of) a test.
set -euo pipefail
cmd=$1; export WINEPREFIX=$2
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
case $cmd in
  warm)
    mkdir -p "$WINEPREFIX"
    wineserver -p 300 </dev/null >/dev/null 2>&1
    wine cmd /c exit </dev/null >/dev/null 2>&1
    # An unhandled exception must end the process, never open the crash dialog.
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f </dev/null >/dev/null 2>&1
    wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Auto /t REG_SZ /d 1 /f </dev/null >/dev/null 2>&1
    wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /t REG_SZ /d 'false' /f </dev/null >/dev/null 2>&1
    ;;
  stop)
    wineserver -k </dev/null >/dev/null 2>&1 || true
    ;;
  *) echo "usage: prefix.sh warm|stop <prefix>" >&2; exit 2 ;;
esac
