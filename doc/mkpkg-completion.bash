# bash completion for mkpkg                                 -*- shell-script -*-
# The compgen results are split at newlines only (IFS), as bash-completion does;
# prev is set by _init_completion.
# shellcheck disable=SC2207,SC2034

# Completes files that end in one of the given extensions, and directories; when
# none match, or no extension is given, every file (a package may have any name).
_mkpkg_files()
{
    local cur=$1 ext
    shift
    if declare -F _filedir >/dev/null; then
        (($#)) && _filedir "@($(IFS='|' && echo "$*"))"
        ((${#COMPREPLY[@]})) || _filedir
        return
    fi
    compopt -o filenames 2>/dev/null
    local IFS=$'\n'
    if (($#)); then
        COMPREPLY=($(compgen -d -- "$cur"))
        for ext; do
            COMPREPLY+=($(compgen -f -X "!*.$ext" -- "$cur"))
        done
    fi
    ((${#COMPREPLY[@]})) || COMPREPLY=($(compgen -f -- "$cur"))
}

_mkpkg()
{
    local cur prev words cword
    if declare -F _init_completion >/dev/null; then
        _init_completion || return
    else
        cur=${COMP_WORDS[COMP_CWORD]}
        words=("${COMP_WORDS[@]}")
        cword=$COMP_CWORD
    fi

    # "@file" reads more arguments from a file.
    if [[ $cur == @* ]]; then
        compopt -o filenames 2>/dev/null
        local IFS=$'\n'
        COMPREPLY=($(compgen -P @ -f -- "${cur#@}"))
        return
    fi
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W '-c -r -d -a -t -x -v -V -hzr' -- "$cur"))
        return
    fi

    # The role of an argument depends on the options before it and on how many
    # arguments precede it: -hzr takes a solution, then the package to write;
    # otherwise the first argument is the package and the rest are its files.
    local i solution=false arguments=0
    for ((i = 1; i < cword; i++)); do
        case ${words[i]} in
        -hzr) solution=true ;;
        -* | @*) ;;
        *) ((arguments++)) ;;
        esac
    done
    if $solution; then
        if ((arguments == 0)); then
            _mkpkg_files "$cur" hzp
        else
            _mkpkg_files "$cur" hzr
        fi
    elif ((arguments == 0)); then
        _mkpkg_files "$cur" pkg hzr
    else
        _mkpkg_files "$cur"
    fi
} &&
    complete -F _mkpkg mkpkg

# ex: filetype=sh
