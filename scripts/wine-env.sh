# Sourced by the scripts that run Windows programs: the Japanese locale (so
# the ANSI code page is 932), a quiet Wine, and the project's private prefix.
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree=;mshtml="}
_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX=${WINEPREFIX:-$_root/build/wine/prefix}
unset _root

# Makes $WINEPREFIX when it does not exist: a new prefix with a virtual
# desktop (so windows get frames and title bars in screenshots) and the
# Japanese UI font mapped to an installed CJK font.
ensure_wine_prefix() {
  [ -f "$WINEPREFIX/system.reg" ] && return 0
  echo "wine: creating the prefix $WINEPREFIX (about 15 s, once)" >&2
  mkdir -p "$(dirname "$WINEPREFIX")"
  wineboot -i >/dev/null 2>&1 || true
  local reg
  reg=$(mktemp --suffix=.reg)
  printf '%s\r\n' 'REGEDIT4' '' \
    '[HKEY_CURRENT_USER\Software\Wine\Explorer]' '"Desktop"="Default"' '' \
    '[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]' '"Default"="1024x768"' '' \
    '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]' \
    '"ＭＳ Ｐゴシック"="Noto Sans CJK JP"' '"ＭＳ ゴシック"="Noto Sans CJK JP"' \
    '"MS Shell Dlg"="Noto Sans CJK JP"' '"MS UI Gothic"="Noto Sans CJK JP"' '' \
    | iconv -f UTF-8 -t CP932 > "$reg"
  wine regedit /S "$(winepath -w "$reg" 2>/dev/null || echo "Z:${reg//\//\\}")" >/dev/null 2>&1 || true
  rm -f "$reg"
  wineserver -w
}
