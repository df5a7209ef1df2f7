# Sourced by the scripts that run Windows programs: the Japanese locale (so
# the ANSI code page is 932), a quiet Wine, and the project's private prefixes
# under build/wine (never the user's own ~/.wine).
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree=;mshtml="}
WINE_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build/wine
export WINEPREFIX=${WINEPREFIX:-$WINE_ROOT/test}

# The base prefix, made once: a virtual desktop (so windows get frames and
# title bars in screenshots), the Japanese UI fonts mapped to installed
# ones, and the symbol font of the caption buttons.  IPA P Gothic keeps the proportions of the face the dialogs are laid
# out for; a wider CJK face would clip their longer lines.  Every prefix in
# use is a copy of the base, which takes a second or two.
WINE_BASE_VERSION=3
ensure_wine_base() {
  local base=$WINE_ROOT/base
  [ -f "$base/.ready-$WINE_BASE_VERSION" ] && return 0
  echo "wine: creating the base prefix (about 15 s, once)" >&2
  rm -rf "$base"
  mkdir -p "$base"
  local reg
  reg=$(mktemp --suffix=.reg)
  printf '%s\r\n' 'REGEDIT4' '' \
    '[HKEY_CURRENT_USER\Software\Wine\Explorer]' '"Desktop"="Default"' '' \
    '[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]' '"Default"="1024x768"' '' \
    '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]' \
    '"ＭＳ Ｐゴシック"="IPAPGothic"' '"ＭＳ ゴシック"="IPAGothic"' \
    '"MS PGothic"="IPAPGothic"' '"MS UI Gothic"="IPAPGothic"' '' \
    | iconv -f UTF-8 -t CP932 > "$reg"
  (
    export WINEPREFIX=$base
    wineboot -i >/dev/null 2>&1 || true
    wine regedit /S "Z:${reg//\//\\}" >/dev/null 2>&1 || true
    wineserver -w
  )
  # Title bars draw their buttons with Marlett, which Wine brings (Debian
  # package fonts-wine, /usr/share/wine/fonts).  Debian's Wine 8 looks for
  # it in "<data dir>\../fonts", a path it cannot resolve, so without a copy
  # in the prefix's own font folder the close box shows as the letter "r".
  # Only Marlett: Wine's other faces would change how the dialogs' texts
  # fall back.
  local marlett=/usr/share/wine/fonts/marlett.ttf
  if [ -f "$marlett" ]; then
    mkdir -p "$base/drive_c/windows/Fonts"
    cp "$marlett" "$base/drive_c/windows/Fonts/"
  else
    echo "wine: $marlett is missing (scripts/setup.sh installs fonts-wine); caption buttons will show letters" >&2
  fi
  rm -f "$reg"
  touch "$base/.ready-$WINE_BASE_VERSION"
}

# Replaces $1 (default $WINEPREFIX) with a fresh copy of the base prefix.
fresh_wine_prefix() {
  local dir=${1:-$WINEPREFIX}
  ensure_wine_base
  WINEPREFIX=$dir wineserver -k 2>/dev/null || true
  rm -rf "$dir"
  cp -a "$WINE_ROOT/base" "$dir"
}
