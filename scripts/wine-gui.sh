# Shared by scripts/run --gui and scripts/screenshot (sourced, not run):
# which Windows build to use, and a Wine prefix for showing vellum's windows.

# The shipped 32-bit build where this machine's Wine runs 32-bit programs,
# else the same code built for 64-bit Windows.
gui_preset() {
  if /usr/lib/wine/wine --version >/dev/null 2>&1; then echo win32; else echo win64; fi
}

gui_build() {  # gui_build PRESET TARGET...
  local preset=$1
  shift
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" --target "$@" >/dev/null
}

# gui_prefix PRESET NAME MANAGED: exports WINEPREFIX for build/PRESET/NAME,
# created once, with vellum's fonts. MANAGED=N lets Wine place and frame its
# windows itself, for a display without a window manager.
gui_prefix() {
  local preset=$1 name=$2 managed=$3
  export WINEPREFIX="$here/build/$preset/$name"
  local run="$here/build/$preset/wine-run"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Creating the Wine prefix $WINEPREFIX (once)..."
    "$run" wineboot --init >/dev/null 2>&1
  fi
  # Wine draws the caption buttons with Marlett, which it does not find in
  # Debian's fonts-wine by itself.
  cp -n /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
  # The dialogs name Microsoft Sans Serif, MS Shell Dlg and MS Sans Serif; all
  # of them, and the fallbacks for Chinese, become WenQuanYi Micro Hei, which
  # has both Latin and Chinese letters.
  local font
  for font in "Microsoft Sans Serif" "MS Shell Dlg" "MS Shell Dlg 2" "MS Sans Serif" Tahoma SimSun "MS Song"; do
    "$run" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$font" /d "WenQuanYi Micro Hei" /f >/dev/null 2>&1
  done
  "$run" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d "$managed" /f >/dev/null 2>&1
}
