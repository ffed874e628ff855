# Cloning a booted Wine prefix (build/wine-template) cheaply. Sourced, never run.
#
# A prefix is about 1.3 GB, nearly all of it program files (DLLs, programs, fonts) that Wine only reads. A clone
# shares those with the template through hard links and gets its own copy of everything else: Wine rewrites its
# registry files by writing a new file and renaming it, but other files (win.ini and the like) are written in
# place, and our scripts append to user.reg in place too, so only files that are never written are shared. Where
# hard links are not possible (another file system), everything is copied. The template is never written: it may
# be shared with other checkouts through a symbolic link.

# Name patterns of the files that are shared.
SL_PREFIX_SHARED=('*.dll' '*.exe' '*.drv' '*.sys' '*.ocx' '*.cpl' '*.acm' '*.ax' '*.tlb' '*.nls' '*.ttf' '*.ttc' '*.fon'
                  '*.ds' '*.vxd' '*.mui' '*.msstyles')

# sl_clone_prefix TEMPLATE PREFIX: PREFIX becomes a fresh clone of TEMPLATE (a former PREFIX is removed), without
# the template's ready mark.
sl_clone_prefix() {
    local template prefix=$2 pattern
    local -a excluded=()
    template=$(readlink -f "$1")
    [ -f "$template/system.reg" ] || { echo "no wine prefix at $1" >&2; return 1; }
    rm -rf "$prefix"
    mkdir -p "$prefix"
    for pattern in "${SL_PREFIX_SHARED[@]}"; do
        excluded+=("--exclude=$pattern")
    done
    # Every file that may be written: a copy of its own. (Copied before any link is made: a new link changes the
    # file's status, which tar would report as a file changed while it was read.)
    (cd "$template" && tar --ignore-case "${excluded[@]}" --exclude=./.sl-ready -cf - .) |
        (cd "$prefix" && tar -xf -) || return 1
    # The rest: hard links to the template's files, or copies where links cannot be made.
    cp -aln "$template/." "$prefix/" 2>/dev/null || cp -an "$template/." "$prefix/" || return 1
    rm -f "$prefix/.sl-ready"
}
