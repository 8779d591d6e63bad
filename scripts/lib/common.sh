# shellcheck shell=bash
# What the scripts share: Debian packages, the version, bounded waits, a virtual screen, a Wine
# prefix, and the window's controls where the scripts click them. Every wait polls for the state it
# needs and gives up after a limit. Sourced, not run.
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"

fail() { echo "${0##*/}: FAILED: $*" >&2 && exit 1; }

# Root's commands: through sudo when not run as root. Another apt run (an engineer's, unattended
# upgrades) may hold dpkg's lock for a while. Ours take turns (CI builds the Windows Qt beside the
# Linux checks), for the lists too, whose lock apt-get update does not wait for.
as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }
apt_get() {
    as_root flock /var/lib/apt/quorvel.lock \
        env DEBIAN_FRONTEND=noninteractive apt-get -y -qq -o DPkg::Lock::Timeout=600 "$@"
}

# Installs what the build, the tool and the tests need, and the packages named, where missing.
install_packages() {
    local package missing=()
    for package in cmake g++ make pkg-config qt6-base-dev qt6-base-dev-tools qt6-translations-l10n zlib1g-dev \
        libwayland-dev fonts-noto-cjk xvfb xauth x11-utils "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
    done
    ((${#missing[@]} == 0)) && return 0
    echo "Installing: ${missing[*]}"
    apt_get update && apt_get install --no-install-recommends "${missing[@]}" >/dev/null
}

# The newest LLVM version of the machine's release whose clang and sanitizer runtimes it offers (Debian
# carries several side by side), so that no script names one that another release lacks.
newest_llvm() {
    local version
    both_offered() {
        apt-cache search --names-only '^(clang|libclang-rt)-[0-9]+(-dev)?$' |
            sed -En 's/^(clang|libclang-rt)-([0-9]+)(-dev)? .*/\1 \2/p' | sort -u | cut -d' ' -f2 | sort -n | uniq -d |
            tail -n 1
    }
    version="$(both_offered)"
    [[ -n "$version" ]] || { apt_get update && version="$(both_offered)"; }
    [[ -n "$version" ]] || fail "the archive offers no clang-N with its sanitizer runtimes (libclang-rt-N-dev)"
    echo "$version"
}

# Configures the folder $1 with the CMake arguments after it and builds it, or only the targets
# after a "--".
build_tree() {
    local folder=$1 arguments=() targets=()
    shift
    while (($# > 0)) && [[ "$1" != -- ]]; do arguments+=("$1") && shift; done
    (($# > 0)) && shift && targets=(--target "$@")
    cmake -S "$top" -B "$folder" -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" "${arguments[@]}" >/dev/null
    cmake --build "$folder" -j2 "${targets[@]}"
}

# A value of a configured build folder's cache: cache_value FOLDER NAME. The program's names, version
# and port are written once, in the top CMakeLists.txt; the scripts read them from a build's cache.
cache_value() { sed -n "s/^$2:[A-Z]*=//p" "$1/CMakeCache.txt"; }
package_folder="$top/build-package"
# The package scripts/package writes.
default_package() {
    local build="$package_folder"
    echo "$build/$(cache_value "$build" QUORVEL_COMMAND)_$(cache_value "$build" QUORVEL_PACKAGE_VERSION)_$(dpkg --print-architecture).deb"
}

# Waits up to $1 tenths of a second for the command after it to succeed.
wait_for() {
    local i
    for ((i = 0; i < $1; i++)); do "${@:2}" && return 0 || sleep 0.1; done
    return 1
}
# Whether something answers at address $1, port $2 (a build's QUORVEL_LOOPBACK_ADDRESS and port).
port_answers() { (exec 3<>"/dev/tcp/$1/$2") 2>/dev/null; }
# The processes that hold the socket listening on TCP port $1 (one per line; none when nothing listens).
port_listeners() {
    local inode
    inode="$(awk -v port=":$(printf '%04X' "$1")" '$4 == "0A" && substr($2, length($2) - 4) == port { print $10 }' \
        /proc/net/tcp /proc/net/tcp6)"
    [[ -n "$inode" ]] || return 0
    find /proc/[0-9]*/fd -maxdepth 1 -lname "socket:\[$inode\]" 2>/dev/null | cut -d/ -f3 | sort -u
}
ended() { ! kill -0 "$1" 2>/dev/null; }
# Kills a background process (with signal $2, TERM by default) and reaps it quietly.
end_process() { kill -"${2:-TERM}" "$1" 2>/dev/null || true; wait "$1" 2>/dev/null || true; }

# Processes ended when the script exits (the virtual screen's, and whatever the script adds), and a
# folder for its files, removed then.
background_pids=()
scratch=""
make_scratch() { [[ -n "$scratch" ]] || scratch="$(mktemp -d)"; }
end_background() {
    local pid
    for pid in "${background_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    [[ -z "$scratch" ]] || rm -rf "$scratch"
}
trap end_background EXIT

# Starts Xvfb (WIDTHxHEIGHT, default 1280x800, 24 bits, 96 dpi) and, unless the second argument is
# "bare", openbox, for the title bars and _NET_WM_NAME handling of a real desktop; exports DISPLAY
# once the screen (and its window manager) runs.
start_virtual_desktop() {
    make_scratch
    # Xvfb picks a free display itself: a display taken by another user's server may show neither a
    # lock file nor a socket file here (abstract sockets), and would answer in its place.
    Xvfb -displayfd 3 -screen 0 "${1:-1280x800}x24" -dpi 96 -nolisten tcp 3>"$scratch/display" 2>"$scratch/Xvfb.log" &
    background_pids+=("$!")
    wait_for 200 test -s "$scratch/display" || { cat "$scratch/Xvfb.log" >&2; fail "Xvfb did not start"; }
    DISPLAY=":$(cat "$scratch/display")"
    export DISPLAY
    [[ "${2:-}" != bare ]] || return 0
    openbox >"$scratch/openbox.log" 2>&1 &
    background_pids+=("$!")
    window_manager_runs() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; }
    wait_for 300 window_manager_runs || { cat "$scratch/openbox.log" >&2; fail "openbox did not start on $DISPLAY"; }
}

# Waits up to $2 seconds (default 20) for a visible window of process $1, or one whose name matches
# the pattern $1 when it is not a number; sets window to its id.
wait_for_window() {
    window=""
    local how=--name
    [[ "$1" =~ ^[0-9]+$ ]] && how=--pid
    find_window() {
        window="$(xdotool search --onlyvisible "$how" "$1" 2>/dev/null | head -n 1)"
        [[ -n "$window" ]]
    }
    wait_for "$((${2:-20} * 10))" find_window "$1"
}
# The colour (#RRGGBB, upper case) of the pixel at $2,$3 of window $1, as drawn on the screen.
window_pixel() {
    import -window "$1" -crop "1x1+$2+$3" +repage -depth 8 txt:- 2>/dev/null | grep -io '#[0-9A-F]\{6\}' |
        head -n 1 | tr a-f A-F
}
# The number of distinct colours in the $2x$3 rectangle at $4,$5 of window $1.
window_colours() { import -window "$1" -crop "${2}x${3}+${4}+${5}" +repage -format '%k' info: 2>/dev/null; }
# Waits until window $1 is painted with its skin: the form's background in a spot no control covers.
wait_for_skin() {
    skin_background() { [[ "$(window_pixel "$1" 325 10)" == "#F3F5F8" ]]; }
    wait_for 50 skin_background "$1"
}
window_caption() { xprop -id "$1" _NET_WM_NAME 2>/dev/null | sed -n 's/^_NET_WM_NAME([A-Z0-9_]*) = "\(.*\)"$/\1/p'; }

# The window's fixed layout, as client coordinates where the scripts click: the couriers 圆通 and
# 中通 in Frame1, Text2, 开始查询 and 复制全部快递信息.
declare -A control_at=([yuantong]="30 56" [zhongtong]="140 56" [Text2]="530 44" [chaxun]="688 40"
                       [Command1]="428 512")
# shellcheck disable=SC2086 # the coordinates are two words
click_control() { xdotool mousemove --window "$1" ${control_at[$2]} click 1; }
# Keys go through XTEST to the focused window (Wine ignores keys sent to a window directly).
focus() { xdotool windowactivate --sync "$1" 2>/dev/null || xdotool windowfocus --sync "$1" 2>/dev/null || true; }
# A query in window $1: courier $2, number $3, 开始查询.
query_in_window() {
    focus "$1"
    click_control "$1" "$2"
    click_control "$1" Text2
    xdotool type --delay 20 "$3"
    click_control "$1" chaxun
}
# Closes window $1 and answers the exit question 确定 (Enter, its default button). The keys go to the
# focused window; once in a while (one run in a dozen, seen on Linux) Alt+F4 asks nothing, so when no
# question has come after 10 s it is pressed once more.
close_with_ok() {
    local attempt
    for attempt in 1 2; do
        focus "$1" && xdotool key alt+F4
        wait_for_window '^退出确认$' 10 && break
    done
    [[ -n "$window" ]] || fail "closing $1 asked no exit question"
    focus "$window" && xdotool key Return
}

# Wine (Debian keeps wine64 out of PATH) in the prefix $1, made if new, with Noto Sans Mono CJK SC
# for SimSun, the window's font on Windows (the same cell widths: ideograph 12 px, ASCII 6 px at
# 9 pt); no Mono or Gecko downloads, no menu entries on the host. Ended when the script exits.
wine="$(command -v wine64 || echo /usr/lib/wine/wine64)"
wineserver="$(dirname "$wine")/wineserver"
use_wine_prefix() {
    export WINEPREFIX="$1" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" LC_ALL=C.UTF-8
    mkdir -p "$(dirname "$WINEPREFIX")"
    trap '"$wineserver" -k 2>/dev/null || true; end_background' EXIT
    "$wine" wineboot -i >/dev/null 2>&1 || true
    wine_setting 'HKCU\Software\Wine\Fonts\Replacements' SimSun 'Noto Sans Mono CJK SC'
    "$wineserver" -w
}
wine_setting() { "$wine" reg add "$1" /v "$2" /t REG_SZ /d "$3" /f >/dev/null 2>&1; }
# The processes of this prefix whose command line matches $1.
wine_processes() {
    local pid
    for pid in $(pgrep -f "$1"); do
        tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" && echo "$pid"
    done
    return 0
}
