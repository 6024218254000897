#!/usr/bin/env bash
# Sources the completion script in a scratch directory and checks what it offers
# for a few command lines, once with bash-completion's helpers (when installed)
# and once without them.
#   bash CompletionTest.sh <completion script> <scratch directory>
set -u
script=$1
work=$2
rm -rf "$work" && mkdir -p "$work/sub" && cd "$work" || exit 1
touch a.hzp b.hzr c.pkg notes.txt args.txt

# expect LINE WANT: completing at the end of LINE offers the words WANT (sorted).
expect() {
    local line=$1 want=$2 got
    COMP_LINE=$line
    COMP_POINT=${#line}
    read -ra COMP_WORDS <<<"$line"
    [[ $line == *' ' ]] && COMP_WORDS+=('')
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _mkpkg mkpkg "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    got=$(printf '%s\n' "${COMPREPLY[@]}" | sort | paste -sd ' ')
    if [[ $got != "$want" ]]; then
        echo "$helpers: '$line' offers [$got], expected [$want]"
        return 1
    fi
}

status=0
for helpers in without-helpers with-helpers; do
    helper_script=/usr/share/bash-completion/bash_completion
    if [[ $helpers == with-helpers && ! -f $helper_script ]]; then
        echo "skipped with-helpers: $helper_script is not installed"
        continue
    fi
    (
        [[ $helpers == with-helpers ]] && source "$helper_script"
        source "$script"
        failed=0
        expect 'mkpkg -h' '-hzr' || failed=1
        expect 'mkpkg -hzr ' 'a.hzp sub' || failed=1
        expect 'mkpkg -v -hzr a.hzp ' 'b.hzr sub' || failed=1
        expect 'mkpkg -t ' 'b.hzr c.pkg sub' || failed=1
        # A package may have any name: with no package to offer, every file.
        expect 'mkpkg -x no' 'notes.txt' || failed=1
        expect 'mkpkg -c new.pkg n' 'notes.txt' || failed=1
        expect 'mkpkg -c new.pkg @ar' '@args.txt' || failed=1
        exit $failed
    ) || status=1
done
exit $status
