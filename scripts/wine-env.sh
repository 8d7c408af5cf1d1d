# Sourced by the scripts that run Windows programs: a project-local Wine prefix with the ANSI code
# page 936, no Mono or Gecko prompts, and an Xvfb display the caller starts and stops itself.
quillmere_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX="${QUILLMERE_WINEPREFIX:-$quillmere_root/.wine-prefix}"
export WINEARCH=win64
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEDEBUG="${WINEDEBUG:--all}"
export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8

# Starts Xvfb on a free display unless DISPLAY already answers; remembers the pid it started.
wine_display_start() {
  if [ -n "${DISPLAY:-}" ] && xdpyinfo -display "$DISPLAY" >/dev/null 2>&1; then return 0; fi
  local n=91
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  QUILLMERE_XVFB_PID=$!
  export DISPLAY=":$n"
  local i
  for i in $(seq 1 100); do
    xdpyinfo -display "$DISPLAY" >/dev/null 2>&1 && break
    sleep 0.1
  done
}

# Makes the prefix once, then keeps one wineserver alive for the session so that each program
# starts in a fraction of a second.
quillmere_prefix_version=2
wine_prefix_start() {
  mkdir -p "$WINEPREFIX"
  if [ "$(cat "$WINEPREFIX/.quillmere-ready" 2>/dev/null)" != "$quillmere_prefix_version" ]; then
    local fresh=0
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      fresh=1
      # The registry files are written by the wineserver as it ends, not by wineboot itself.
      if ! wineboot -i >"$WINEPREFIX/wineboot.log" 2>&1 || ! wineserver -w || [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "wine-env: wineboot could not set up the prefix $WINEPREFIX; its log is $WINEPREFIX/wineboot.log" >&2
        return 1
      fi
    fi
    # Xvfb has no window manager: unmanaged windows spare every DestroyWindow Wine's two-second
    # wait for a manager's answer.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
    # A program that crashes prints its backtrace and ends at once, instead of waiting in the
    # debugger's dialog until a test's time-out.
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1 || true
    wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger \
      /d 'winedbg --auto %ld %ld' /f >/dev/null 2>&1 || true
    wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Auto /d 1 /f >/dev/null 2>&1 || true
    # A new prefix's server ends on its own once set up; an older prefix's may be kept alive.
    [ $fresh = 0 ] || wineserver -w
    echo "$quillmere_prefix_version" >"$WINEPREFIX/.quillmere-ready"
  fi
  wineserver -p >/dev/null 2>&1 || true
  # Start Wine's own background processes now, away from any caller's pipes: a test runner that
  # reads a program's output would otherwise wait for them to close it.
  wine cmd.exe /c exit >/dev/null 2>&1 </dev/null || true
}

wine_session_stop() {
  wineserver -k >/dev/null 2>&1 || true
  if [ -n "${QUILLMERE_XVFB_PID:-}" ]; then
    kill "$QUILLMERE_XVFB_PID" 2>/dev/null || true
    wait "$QUILLMERE_XVFB_PID" 2>/dev/null || true
    QUILLMERE_XVFB_PID=
  fi
}
