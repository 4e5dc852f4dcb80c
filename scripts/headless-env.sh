# Sourced by the scripts: a private runtime directory, and SDL's offscreen driver when
# there is no display, so that SDL neither probes Wayland nor fails without X.
if [ -z "${XDG_RUNTIME_DIR:-}" ] || [ ! -w "${XDG_RUNTIME_DIR}" ]; then
  XDG_RUNTIME_DIR=$(mktemp -d /tmp/quillmoor-runtime.XXXXXX)
  chmod 700 "$XDG_RUNTIME_DIR"
  export XDG_RUNTIME_DIR
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  export SDL_VIDEODRIVER=offscreen
fi
