# Sourced by the scripts that run Windows binaries: one Wine prefix per
# checkout, a Japanese locale (ANSI code page 932), no crash dialogs.
export WINEPREFIX="${WINEPREFIX:-$PWD/build/wine-prefix}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export LC_ALL=ja_JP.UTF-8

wine_prepare() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 </dev/null || true
    wineserver -w
    local reg="$WINEPREFIX/tarnix-setup.reg"
    printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\r\n"Managed"="N"\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]\r\n"ShowCrashDialog"=dword:00000000\r\n' \
      | iconv -f utf-8 -t utf-16 >"$reg"
    wine regedit /S "$reg" </dev/null >/dev/null 2>&1 || true
    wineserver -w
    ln -sf /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
  fi
}

# Runs a command with a private wine server whose services do not hold the
# command's output open (ctest would wait for them).
wine_run() {
  xvfb-run -a sh -c 'wineserver -p </dev/null >/dev/null 2>&1; wine cmd /c exit </dev/null >/dev/null 2>&1; "$@"; rc=$?; wineserver -k; exit $rc' sh "$@"
}
