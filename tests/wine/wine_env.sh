# Sourced by the Wine scripts: where wine lives and how it is run quietly.
if [ -x /usr/lib/wine/wine64 ]; then
  WINE=/usr/lib/wine/wine64
  WINESERVER=/usr/lib/wine/wineserver64
else
  WINE=$(command -v wine64 || command -v wine)
  WINESERVER=$(command -v wineserver64 || command -v wineserver)
fi
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
