# Sourced by tools/test.sh, tools/demo.sh, tools/bench.sh and
# tools/fresh-prefix.sh: a fresh Wine prefix in the build tree, with a
# wineserver of its own that stays up until wine_stop.
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"

# Builds, then runs the calling script again on a virtual display (windows need
# one under Wine). Call as: build_then_run_on_display "$0" "$@"
build_then_run_on_display() {
  [ -n "${TESSARY_ON_DISPLAY:-}" ] && return 0
  "$top/tools/build.sh"
  exec xvfb-run -a -s "-screen 0 1280x1024x24" env TESSARY_ON_DISPLAY=1 "$@"
}

wine_fresh_prefix() {
  wineserver -k >/dev/null 2>&1 || true
  rm -rf "$WINEPREFIX"
  mkdir -p "$(dirname "$WINEPREFIX")"
  # Let the first boot finish completely (its services, its registry updates)
  # before anything else runs in the prefix: a program started meanwhile sets off
  # a second boot with a second service manager, and COM activation then stalls.
  wineboot -i >"$WINEPREFIX.boot.log" 2>&1 </dev/null
  wineserver -w
  # A persistent server started now keeps later wine processes from handing it
  # their standard output (which would hold CTest's pipes open).
  wineserver -p >/dev/null 2>&1 </dev/null
  # Crashes print a backtrace instead of waiting on a dialog.
  wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  # Wine has no HTML engine: in this prefix, and only here, the test fixture
  # that stands in for the WebBrowser control replaces Wine's registration of it.
  wine_register_fixture webbrowser_standin.dll WebBrowser
  # Wine's list of open shell windows is an in-process stub that lists nothing:
  # in this prefix, and only here, the stand-in's in-process server replaces it
  # and forwards to the stand-in's local server, which every process shares.
  wine_register_fixture shellwindows_standin.dll ShellWindows
  # The same two for 32-bit processes (the stand-in's 32-bit tabs), in the
  # 32-bit registry view, through the 32-bit regsvr32 as on Windows.
  if wine_runs_32bit; then
    wine_register_fixture webbrowser_standin32.dll "32-bit WebBrowser" syswow64
    wine_register_fixture shellwindows_standin32.dll "32-bit ShellWindows" syswow64
  else
    echo "prefix: this machine cannot run 32-bit programs; the tests of 32-bit tabs and add-ons skip themselves" >&2
  fi
  # Wine keeps files as Unix files and the tests run as root, whom no folder's
  # permissions stop: C:\readonly is a folder where every new file is refused
  # (sysfs creates none), for the tests of saving where the user may not write.
  ln -sfn /sys/kernel "$WINEPREFIX/drive_c/readonly"
}

# Registers a stand-in DLL of build/tests/fixtures with its own
# DllRegisterServer, through the regsvr32 of system32 (64-bit) or of syswow64
# (32-bit). Call as: wine_register_fixture <dll> <label> [system32|syswow64]
wine_register_fixture() {
  local dll="$top/build/tests/fixtures/$1"
  local regsvr32="C:\\windows\\${3:-system32}\\regsvr32.exe"
  [ -f "$dll" ] || { echo "prefix: $dll is not built" >&2; return 1; }
  wine "$regsvr32" /s "$(winepath -w "$dll")" >/dev/null 2>&1 </dev/null ||
    { echo "prefix: registering the $2 stand-in failed" >&2; return 1; }
}

wine_stop() {
  wineserver -k >/dev/null 2>&1 || true
}
