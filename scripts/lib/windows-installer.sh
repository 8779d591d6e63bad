# shellcheck shell=bash
# Makes the per-user NSIS installer from a folder of files to ship. Sourced, not run: by
# scripts/package-windows for the real one, and by scripts/smoke-windows for a second installer
# whose files differ, to check an upgrade.
quorvel_installer_script="$(cd "$(dirname "${BASH_SOURCE[0]}")/../../packaging/windows" && pwd)/quorvel.nsi"

# make_windows_installer DIST SETTINGS SETUP WORK: the installer SETUP for exactly the files in DIST
# (no subfolders), with the names and version of SETTINGS (the settings.nsh CMake writes); WORK
# holds what makensis is given.
make_windows_installer() {
    local dist=$1 settings=$2 setup=$3 work=$4 file kind
    if find "$dist" -mindepth 1 -type d | grep -q .; then
        echo "make_windows_installer: $dist has subfolders; the installer lists single files only" >&2
        return 1
    fi
    mkdir -p "$work"
    # quorvel.nsi applies each of its steps to every shipped file through this macro.
    {
        echo '!macro QUORVEL_SHIPPED DO'
        while IFS= read -r -d '' file; do
            file="${file#./}"
            kind="file"
            [[ "$file" != *.exe ]] || kind=program
            # shellcheck disable=SC2016 # ${DO} is makensis's
            printf '    !insertmacro ${DO} "%s" "%s" %s\n' "$file" "$dist/$file" "$kind"
        done < <(cd "$dist" && find . -type f -print0 | sort -z)
        echo '!macroend'
    } >"$work/files.nsh"
    rm -f "$setup"
    makensis -INPUTCHARSET UTF8 -V2 -DSETTINGS="$settings" -DFILES="$work/files.nsh" \
        -DLICENSE_FILE="$dist/LICENSE.txt" -DOUTFILE="$setup" "$quorvel_installer_script"
}
