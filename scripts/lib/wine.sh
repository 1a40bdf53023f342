# Sourced by scripts/lib/wine-run and scripts/windows-smoke: Wine for one Windows program.
#   use_wine PREFIX DLL_DIRS   sets up the environment and starts the Wine server
#   $wine PROGRAM [ARGUMENT...] runs a program; end_wine waits for the server to end
# PREFIX: the Wine prefix, made on first use. DLL_DIRS: Linux folders separated by ':' where
# programs find DLLs beside their own folder. Qt reads its QT_* settings as WINEQT_* (Wine
# passes only variables with that prefix, and drops the WINE).
wine=/usr/lib/wine/wine64

use_wine() {
  local dir dirs
  export WINEPREFIX=$1 WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml="
  export WINEQT_QPA_FONTDIR=${WINEQT_QPA_FONTDIR:-'Z:\usr\share\fonts\truetype\dejavu'}
  WINEPATH=
  IFS=: read -ra dirs <<<"$2"
  for dir in "${dirs[@]}"; do WINEPATH+="Z:${dir//\//\\};"; done
  export WINEPATH
  # Started here, detached from our output: a server holding it would keep whoever reads that
  # output (ctest) waiting. It ends a few seconds after its last program.
  mkdir -p "$WINEPREFIX"
  wineserver </dev/null >/dev/null 2>&1
  [ -f "$WINEPREFIX/system.reg" ] || "$wine" wineboot --init </dev/null >/dev/null 2>&1
}

end_wine() {
  wineserver -w
}
