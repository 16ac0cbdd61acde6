#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# format.sh [--check] [FILE...]
# Applies the house style (.clang-format) to the C and C++ sources, by default every one the
# repository tracks. With --check it changes nothing and fails naming every file that is not in
# the style, or that breaks .editorconfig's rules for all text files: UTF-8 without CR line
# ends, a final newline, no trailing white space (Markdown may keep it), and no tab in the
# indentation of sources, CMake files and scripts. `make test` runs the check.
set -u
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root" || exit 2
check=0
if [ "${1:-}" = --check ]; then check=1; shift; fi

listed() {   # listed PATTERN...: the files git tracks (and new ones), or all files outside git
    if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
        git ls-files --cached --others --exclude-standard -- "$@"
    else
        local names=() p
        for p in "$@"; do names+=(-o -name "$p"); done
        find . -path './build*' -prune -o -path './.git' -prune -o -type f \( -false "${names[@]}" \) -print |
            sed 's|^\./||'
    fi
}

if [ $# -gt 0 ]; then sources=("$@"); else mapfile -t sources < <(listed '*.cpp' '*.h' '*.c'); fi
command -v clang-format >/dev/null || { echo "clang-format is not installed (scripts/install-deps.sh)" >&2; exit 2; }

if [ $check -eq 0 ]; then
    clang-format -i "${sources[@]}"
    exit $?
fi

bad=()
# One clang-format for all files: it names each file that would change.
while IFS= read -r f; do
    bad+=("$f: not in the house style (scripts/format.sh $f)")
done < <(clang-format --dry-run --Werror "${sources[@]}" 2>&1 | sed -n 's/^\([^:]*\):[0-9]*:[0-9]*: error: .*/\1/p' | sort -u)

# .editorconfig, for every text file, in one pass. The Windows read-me keeps CR LF (.editorconfig
# says so): it is opened in Notepad.
if [ $# -gt 0 ]; then texts=("$@"); else mapfile -t texts < <(listed '*'); fi
while IFS= read -r line; do
    bad+=("$line")
done < <(perl -e '
    for my $f (@ARGV) {
        next unless -f $f && -T $f && -s $f;
        open(my $in, "<", $f) or next;
        local $/; my $text = <$in>; close $in;
        my $markdown = $f =~ /\.md$/;
        my $spaces = $f =~ /(\.(cpp|h|c|cmake|sh)|CMakeLists\.txt|^\.ci\/run)$/;
        my $crlf = $f =~ /ReadMe-Windows\.txt$/;
        print "$f: CR LF line ends\n" if !$crlf && $text =~ /\r/;
        print "$f: no newline at the end\n" if $text !~ /\n\z/;
        my $n = 0;
        for my $l (split /\n/, $text) {
            $n++;
            $l =~ s/\r$// if $crlf;
            if (!$markdown && $l =~ /[ \t]$/) { print "$f:$n: trailing white space\n"; last }
            if ($spaces && $l =~ /^ *\t/) { print "$f:$n: a tab in the indentation\n"; last }
        }
    }' "${texts[@]}")

if [ ${#bad[@]} -gt 0 ]; then
    printf '%s\n' "${bad[@]}" >&2
    echo "format check: ${#bad[@]} file(s) to mend; scripts/format.sh formats the C and C++ ones" >&2
    exit 1
fi
echo "format check: ${#sources[@]} sources in the house style, text files as .editorconfig says"
