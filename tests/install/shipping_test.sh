#!/usr/bin/env bash
# What a user gets, tried from where it lands:
#   shipping_test.sh install BUILD SOURCE VERSION   cmake --install into a fresh prefix
#   shipping_test.sh deb BUILD SOURCE VERSION       the Debian package, unpacked into a root
#   shipping_test.sh zip BUILD SOURCE VERSION       the Windows ZIP, unpacked, under Wine
# BUILD is the build tree, SOURCE the project (for the example skins).
set -euo pipefail
what=$1 build=$2 source=$3 version=$4

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# expect_output WANT COMMAND...: the command succeeds and prints exactly WANT.
expect_output() {
  local want=$1 got
  shift
  got=$("$@") || fail "$* exited with $?"
  [ "$got" = "$want" ] || fail "$* printed '$got', not '$want'"
}

# packs_examples MKKOLO QUILL: the programs, started through the command in
# `runner` (Wine, or none), pack the example skins, each into its .kolo, and
# quill one file into a .pak.
runner=()
packs_examples() {
  local mkkolo=$1 quill=$2
  cp -r "$source/examples" "$work/skins"
  (cd "$work" && "${runner[@]}" "$mkkolo" -q -o out skins) || fail "mkkolo could not pack the examples"
  for skin in night dusk; do
    [ -s "$work/out/$skin.kolo" ] || fail "mkkolo made no $skin.kolo"
  done
  (cd "$work" && "${runner[@]}" "$quill" one.pak skins/night.xml >/dev/null) || fail "quill could not pack"
  [ -s "$work/one.pak" ] || fail "quill made no package"
}

# man_page_is_complete PAGE PROGRAM OPTION...: the page renders without a
# warning, and its OPTIONS name every option of the program's usage text and
# the further OPTIONs given.
man_page_is_complete() {
  local page=$1 program=$2
  shift 2
  local warnings rendered options option
  warnings=$(MANWIDTH=80 LC_ALL=C.UTF-8 man --warnings -l "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "$page renders with warnings: $warnings"
  rendered=$(MANWIDTH=80 LC_ALL=C.UTF-8 MANPAGER=cat man -l "$page" | sed -n '/^OPTIONS/,/^[A-Z]/p')
  # Every short and long option the usage text shows, in its forms ([-o ...],
  # "mkkolo -n", "-l|-t") and its option lines ("  -o, --output=...").
  options=$(LC_ALL=C.UTF-8 "$program" 2>&1 | grep -oE -- '(^|[[ |])--?[a-zA-Z][a-zA-Z-]*' |
    sed -E 's/^[[ |]//' | sort -u) || true
  [ -n "$options" ] || fail "$program printed no usage text with options"
  for option in $options "$@"; do
    # A tag line: "-o dir, --output=dir", "-q, --quiet", "--strict".
    grep -qE -- "^ {7}(-[^ ]*( [^ ,]+)?, )?$option([ ,=]|\$)" <<<"$rendered" ||
      fail "$page names no option $option"
  done
}

# readme_tables PROGRAM WHAT: from the README's tables for PROGRAM (its
# section, to the next "## "), WHAT is "rows" (every row but headers), "texts"
# (the backquoted strings of the first column of the Text, Warning and
# Verdict tables) or "statuses" (the numbers of the Exit status column).
readme_tables() {
  awk -v program="$1" -v what="$2" '
    # The cells of a row; a "|" between backquotes is part of its cell.
    function split_cells(line,   i, c, quoted, cell) {
      count = 0; cell = ""; quoted = 0
      for (i = 2; i <= length(line); i++) {
        c = substr(line, i, 1)
        if (c == "`") quoted = !quoted
        if (c == "|" && !quoted) { gsub(/^ +| +$/, "", cell); cells[++count] = cell; cell = "" }
        else cell = cell c
      }
    }
    /^## / { section = ($0 == "## " program) }
    !section || !/^\|/ { in_table = 0; next }
    !in_table { in_table = 1; split_cells($0); first = cells[1]; last = cells[count]; next }
    /^\|[-| :]+\|$/ { next }
    {
      split_cells($0)
      if (what == "rows") print
      if (what == "texts" && (first == "Text" || first == "Warning" || first == "Verdict")) {
        n = split(cells[1], parts, "`")
        for (i = 2; i <= n; i += 2) print parts[i]
      }
      if (what == "statuses" && last == "Exit status") {
        status = cells[count]
        while (match(status, /[0-9]+/)) { print substr(status, RSTART, RLENGTH); status = substr(status, RSTART + RLENGTH) }
      }
    }' "$source/README.md"
}

# man_section PAGE NAME: the section of the page, "\e" written "\" and "\-" "-".
man_section() {
  zcat "$1" | awk -v name="$2" '/^\.SH / { on = ($0 == ".SH " name) } on' | sed -e 's/\\-/-/g' -e 's/\\e/\\/g'
}

# options_named: the options (-o, --level) that the text on standard input names.
options_named() {
  LC_ALL=C.UTF-8 grep -oE -- '(^|[^[:alnum:]_-])--?[a-zA-Z][a-zA-Z-]*' | LC_ALL=C.UTF-8 sed -E 's/^[^-]*//' | sort -u
}

# man_page_agrees PAGE PROGRAM: the page's OUTPUT section has the texts of the
# README's tables for PROGRAM and names their options, its EXIT STATUS their
# statuses, and neither has any that the tables lack (but 0, which the README
# gives in words).
man_page_agrees() {
  local page=$1 program=$2 output text status
  output=$(man_section "$page" OUTPUT)
  while IFS= read -r text; do
    grep -qF -- "$text" <<<"$output" || fail "$page lacks the README's text '$text'"
  done < <(readme_tables "$program" texts)
  while IFS= read -r text; do
    # Not grep -q: stopping at the first match would cut the pipe short,
    # which pipefail counts as a failure.
    readme_tables "$program" texts | grep -xF -- "$text" >/dev/null || fail "the README's tables for $program lack '$text' of $page"
  done < <(sed -nE 's/^\.BR? "([^"]*)".*/\1/p' <<<"$output")
  [ "$(readme_tables "$program" rows | options_named)" = "$(options_named <<<"$output")" ] ||
    fail "the options of $page's OUTPUT are not those of the README's tables for $program: $(diff \
      <(readme_tables "$program" rows | options_named) <(options_named <<<"$output") | grep '^[<>]' | tr '\n' ' ')"
  status=$(man_section "$page" '"EXIT STATUS"' | sed -nE 's/^\.B ([0-9]+)$/\1/p' | grep -vx 0 | sort -u)
  [ "$(readme_tables "$program" statuses | sort -u)" = "$status" ] ||
    fail "$page's exit statuses (${status//$'\n'/ }) are not those of the README's tables for $program"
}

# completion_works SCRIPT MKKOLO: bash, with SCRIPT loaded, completes MKKOLO's
# options, the values of --level, -j and -o, and otherwise offers skin files,
# packages and folders only; it knows every long option of the usage text.
completion_works() {
  local script=$1 mkkolo=$2 options
  [ -s "$script" ] || fail "no bash completion at $script"
  mkdir -p "$work/completing/folder"
  touch "$work/completing/"{Night.XML,dusk.pxa,old.Kolo,notes.txt}
  # completes WORD...: what is offered for "mkkolo WORD...", the last word
  # being completed, sorted.
  completes() {
    (cd "$work/completing" && bash --norc --noprofile -c '
      source "$1"
      shift
      COMP_WORDS=("$@") COMP_CWORD=$(($# - 1))
      _mkkolo "$1" "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
      printf "%s\n" "${COMPREPLY[@]}"' completion "$script" "$mkkolo" "$@" | sort)
  }
  expect_output --level completes --le
  expect_output "$(seq 1 12 | sort)" completes --level ""
  expect_output "$(seq 1 "$(nproc)" | sort)" completes -qj ""
  expect_output folder completes -o ""
  expect_output "$(printf '%s\n' Night.XML dusk.pxa folder old.Kolo | sort)" completes -q ""
  options=$(LC_ALL=C.UTF-8 "$mkkolo" --help | grep -oE -- '--[a-zA-Z][a-zA-Z-]*' | sort -u)
  expect_output "$options" completes --
}

# make_package GENERATOR: CPack's package of the build tree, into $work/dist.
make_package() {
  cpack --config "$build/CPackConfig.cmake" -G "$1" -B "$work/dist" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; fail "cpack -G $1 failed"; }
}

case $what in
  install)
    cmake --install "$build" --prefix "$work/prefix" >/dev/null
    prefix=$work/prefix
    expect_output "mkkolo $version" "$prefix/bin/mkkolo" --version
    packs_examples "$prefix/bin/mkkolo" "$prefix/bin/quill"
    man_page_is_complete "$prefix/share/man/man1/quill.1.gz" "$prefix/bin/quill"
    man_page_is_complete "$prefix/share/man/man1/mkkolo.1.gz" "$prefix/bin/mkkolo"
    man_page_agrees "$prefix/share/man/man1/quill.1.gz" quill
    man_page_agrees "$prefix/share/man/man1/mkkolo.1.gz" mkkolo
    completion_works "$prefix/share/bash-completion/completions/mkkolo" "$prefix/bin/mkkolo"
    [ -s "$prefix/share/doc/kolo-toolkit/README.md" ] || fail "no README in share/doc"
    ;;
  deb)
    make_package DEB
    deb=$(echo "$work"/dist/*.deb)
    [ -f "$deb" ] || fail "cpack made no .deb"
    field() { dpkg-deb --field "$deb" "$1"; }
    [ "$(field Package)" = kolo-toolkit ] || fail "package name $(field Package)"
    [ "$(field Version)" = "$version" ] || fail "package version $(field Version)"
    [ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || fail "architecture $(field Architecture)"
    [[ "$(field Depends)" =~ libc6\ \(\>=.*libminizip1 ]] || fail "dependencies: $(field Depends)"
    [ "$(field Description | wc -l)" -gt 1 ] || fail "no long description"
    dpkg -x "$deb" "$work/root"
    root=$work/root/usr
    expect_output "mkkolo $version" "$root/bin/mkkolo" --version
    packs_examples "$root/bin/mkkolo" "$root/bin/quill"
    for page in quill mkkolo; do
      [ -s "$root/share/man/man1/$page.1.gz" ] || fail "no $page.1.gz"
    done
    completion_works "$root/share/bash-completion/completions/mkkolo" "$root/bin/mkkolo"
    ;;
  zip)
    runner=("$build/wine-run")
    make_package ZIP
    archive=$(echo "$work"/dist/*.zip)
    [ -f "$archive" ] || fail "cpack made no .zip"
    mkdir "$work/unpacked"
    (cd "$work/unpacked" && cmake -E tar xf "$archive")
    folder=$(basename "$archive" .zip)
    listing=$(cd "$work/unpacked" && find . -type f | sort | tr '\n' ' ')
    want="./$folder/README.txt ./$folder/mkkolo.exe ./$folder/quill.exe ./$folder/vellum.exe "
    [ "$listing" = "$want" ] || fail "the ZIP holds $listing"
    readme=$work/unpacked/$folder/README.txt
    [ "$(grep -c $'\r$' "$readme")" = "$(wc -l <"$readme")" ] || fail "README.txt has a line without CR LF"
    grep -q "Kolo 皮肤打包工具 $version" "$readme" && grep -q "Kolo skin packing toolkit $version" "$readme" ||
      fail "README.txt lacks its Chinese or English title"
    # From the unpacked folder itself, as a user runs them.
    cd "$work/unpacked/$folder"
    expect_output "mkkolo $version" "${runner[@]}" ./mkkolo.exe --version
    packs_examples "$PWD/mkkolo.exe" "$PWD/quill.exe"
    ;;
  *) fail "unknown check $what" ;;
esac
echo "$what: passed"
