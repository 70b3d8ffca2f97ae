#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks the tree the way a desktop and a
# packager see it: the desktop entry, the metainfo and the manual pass their validators, the
# icons are there at their sizes, and the completion offers what the installed tool accepts.
# Needs no display. Usage: install_test.sh CMAKE BUILD_DIR SOURCE_DIR
set -uo pipefail
cmake=$1 build=$2 source=$3
id=org.vandrell.Vandrell

prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
if ! "$cmake" --install "$build" --prefix "$prefix" >"$prefix.log" 2>&1; then
    cat "$prefix.log" >&2
    rm -f "$prefix.log"
    echo "FAIL: cmake --install $build" >&2
    exit 1
fi
rm -f "$prefix.log"

passed=0 failed=0
pass() { passed=$((passed + 1)); }
fail() {
    echo "FAIL: $*" >&2
    failed=$((failed + 1))
}
check() {  # check WHAT COMMAND...: the command must succeed
    local what=$1
    shift
    if "$@"; then pass; else fail "$what"; fi
}
# The same list, one item a line, in any order.
same_set() { [[ $(sort <<<"$1") == $(sort <<<"$2") ]]; }

cli=$prefix/bin/vandrell-cli
desktop=$prefix/share/applications/$id.desktop
metainfo=$prefix/share/metainfo/$id.metainfo.xml
manual=$prefix/share/man/man1/vandrell-cli.1
completion=$prefix/share/bash-completion/completions/vandrell-cli

for file in "$cli" "$desktop" "$metainfo" "$manual" "$completion" \
    "$prefix/share/icons/hicolor/scalable/apps/$id.svg"; do
    check "installed: ${file#"$prefix"/}" test -f "$file"
done
# The editor is built wherever its source is; a build without it installs the tool alone.
if [[ -f $source/app/main.cpp ]]; then
    check "installed: bin/vandrell" test -x "$prefix/bin/vandrell"
fi

# --- Desktop entry: valid, and naming the program and icon that were installed.
if output=$(desktop-file-validate "$desktop" 2>&1) && [[ -z $output ]]; then
    pass
else
    fail "desktop-file-validate: $output"
fi
entry() { sed -n "s/^$1=//p" "$desktop"; }
check "Exec names an installed program" test -x "$prefix/bin/$(entry Exec | cut -d' ' -f1)"
check "Icon is the application id" test "$(entry Icon)" = "$id"
check "Exec hands the editor the file opened with it" test "$(entry Exec | cut -d' ' -f2)" = %f

# --- Metainfo: valid, and launching the installed desktop entry.
if output=$(appstreamcli validate --no-net "$metainfo" 2>&1); then
    pass
else
    fail "appstreamcli validate: $output"
fi
# The tree as a software centre reads it: the metainfo together with its desktop entry.
if output=$(appstreamcli validate-tree --no-net "$prefix" 2>&1); then
    pass
else
    fail "appstreamcli validate-tree: $output"
fi
check "metainfo launches $id.desktop" \
    grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo"
check "metainfo has the id $id" grep -q "<id>$id</id>" "$metainfo"
# The file types the desktop offers the editor for are those the software centre lists.
mime_types=$(entry MimeType | tr ';' '\n' | sed '/^$/d')
media_types=$(sed -n 's:.*<mediatype>\(.*\)</mediatype>.*:\1:p' "$metainfo")
check "the entry's MimeType ($(echo $mime_types)) is the metainfo's ($(echo $media_types))" \
    eval '[[ -n $mime_types ]] && same_set "$mime_types" "$media_types"'

# --- Icons: PNGs of the size their folder says (width and height are bytes 16..23).
png_size() { od -An -tu1 -j16 -N8 "$1" | awk '{ print $1*16777216+$2*65536+$3*256+$4 "x" $5*16777216+$6*65536+$7*256+$8 }'; }
for size in 48 256; do
    png=$prefix/share/icons/hicolor/${size}x${size}/apps/$id.png
    if [[ ! -f $png ]]; then
        fail "installed: ${png#"$prefix"/} (rsvg-convert from librsvg2-bin renders it)"
    elif [[ $(head -c8 "$png" | od -An -tx1 | tr -d ' \n') != 89504e470d0a1a0a ]]; then
        fail "${png#"$prefix"/} is not a PNG"
    else
        check "${png#"$prefix"/} is ${size}x${size}, not $(png_size "$png")" \
            test "$(png_size "$png")" = "${size}x${size}"
    fi
done

# --- Manual: renders without a warning; its text, unhyphenated, is searched below.
if output=$(MANWIDTH=80 man -l --warnings "$manual" 2>&1 >/dev/null) && [[ -z $output ]]; then
    pass
else
    fail "man -l --warnings: $output"
fi
manual_text=$(LC_ALL=C MANWIDTH=80 man -l --nh --nj "$manual" 2>/dev/null)

# --- Completion, against the installed tool.
# complete_line WORD...: what the completion offers for the last word of the command line.
complete_line() {
    bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _vandrell_cli
             ((${#COMPREPLY[@]})) && printf "%s\n" "${COMPREPLY[@]}"' _ "$completion" "$@"
}
# usage_error ARG...: the tool's message when ARGs are all it is given.
usage_error() { "$cli" "$@" </dev/null 2>&1 >/dev/null; }

commands=$(complete_line vandrell-cli "" | grep -v '^-')
check "commands offered: $(echo $commands)" \
    same_set "$commands" "$(printf '%s\n' adjust compare convert info quantize remap)"
for command in $commands; do
    check "the tool knows the command $command" \
        eval '[[ $(usage_error "$command") != *"unknown command"* ]]'
done

# The method labels: the method table's, each one accepted by --method.
table_labels=$(grep -oE '\{"[A-Za-z0-9_]+", LimitKind::' "$source/quantize/quantize.h" |
    cut -d'"' -f2)
labels=$(complete_line vandrell-cli quantize --method "")
check "the method table is readable" test -n "$table_labels"
check "--method offers the method table's labels: $(echo $labels)" \
    same_set "$labels" "$table_labels"
for label in $labels; do
    check "--method $label is accepted" \
        eval '[[ $(usage_error quantize --method "$label") != *"unknown method"* ]]'
    check "the manual lists $label" grep -qwF -- "$label" <<<"$manual_text"
done
check "--method ignores case as the tool does" \
    test "$(complete_line vandrell-cli quantize --dither --method neu)" = Neuquant_256
check "--limit offers no files" test -z "$(complete_line vandrell-cli quantize --limit "")"
for option in $(complete_line vandrell-cli quantize -); do
    check "quantize $option is accepted" \
        eval '[[ $(usage_error quantize "$option") != *"unknown option"* ]]'
done

# The adjust operations: those of the tool's own usage text, with the options each accepts.
usage_operations=$("$cli" adjust --help | grep -E '^ {8}[a-z]' | tr ', ' '\n\n' |
    grep -E '^[a-z][a-z0-9-]*$')
operations=$(complete_line vandrell-cli adjust "" | grep -v '^-')
check "the adjust usage is readable" test -n "$usage_operations"
check "adjust offers the operations of its usage: $(echo $operations)" \
    same_set "$operations" "$usage_operations"
for operation in $operations; do
    check "the manual lists $operation" grep -qwF -- "$operation" <<<"$manual_text"
    for option in $(complete_line vandrell-cli adjust "$operation" -- | grep -v -- --help); do
        check "adjust $operation $option is accepted" \
            eval '[[ $(usage_error adjust "$operation" "$option") != *"unknown option"* ]]'
    done
done
check "brightness offers --overdrive" \
    grep -qx -- --overdrive <<<"$(complete_line vandrell-cli adjust brightness --)"
for mode in $(complete_line vandrell-cli adjust two-colors --dither ""); do
    # A mode the tool takes gets as far as reading the missing file (1), not a usage error (2).
    "$cli" adjust two-colors --dither "$mode" "$prefix/missing.png" "$prefix/out.png" \
        >/dev/null 2>&1
    check "two-colors --dither $mode is accepted" test $? -eq 1
done

# Anything else is a file.
check "files are offered after the options" \
    test "$(complete_line vandrell-cli adjust negative "$prefix/bi")" = "$prefix/bin"

echo "install tree: $passed passed, $failed failed"
((failed == 0))
