# Shared by the comparison scripts: installing a missing tool and finding the program.

install_missing() { # command package
    command -v "$1" >/dev/null 2>&1 && return 0
    echo "Installing $2"
    if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "$2" >/dev/null
}

# Sets $larkspan: $LARKSPAN, or build/stage/larkspan of the tree (built when missing).
find_larkspan() { # root script-name
    if [ -n "${LARKSPAN:-}" ]; then
        larkspan=$LARKSPAN
    else
        larkspan=$1/build/stage/larkspan
        [ -x "$larkspan" ] || bash "$1/scripts/build.sh" build
    fi
    [ -x "$larkspan" ] || { echo "$2: no program at $larkspan" >&2; exit 1; }
}

# The start of a comparison: the other tool (and /usr/bin/time) installed, $larkspan found,
# $work a scratch folder (kept with KEEP=1) whose settings folder gives the default
# compiler options whatever the user has set.
start_comparison() { # root script-name command package
    install_missing "$3" "$4"
    [ -x /usr/bin/time ] || install_missing /usr/bin/time time
    find_larkspan "$1" "$2"
    work=$(mktemp -d "${TMPDIR:-/tmp}/larkspan-$2-XXXXXX")
    if [ "${KEEP:-0}" != 1 ]; then trap 'rm -rf "$work"' EXIT; fi
    export XDG_CONFIG_HOME=$work/config
}
