# Bash completion for mkkolo: its options; the values of those whose values
# are of a known kind (the levels of --level, numbers of jobs, folders after
# -o); otherwise skin files (.xml .pxa .mbm), packages (.kolo .pak) and
# folders, extensions in any letter case. The options are read from the
# program's own usage text (mkkolo --help, not its examples), their one list.

# _mkkolo_usage PROGRAM: the usage text of PROGRAM down to its examples,
# which follow an empty line: its forms and its option lines.
_mkkolo_usage() {
    LC_ALL=C.UTF-8 "$1" --help 2>/dev/null | sed '/^$/q'
}

# _mkkolo_options PROGRAM: every option, short and long, that the usage text
# of PROGRAM shows, in its forms ("[-o", "mkkolo -n", "-l|-t", "-h|--version")
# and its option lines ("  -o, --output=...").
_mkkolo_options() {
    _mkkolo_usage "$1" | grep -oE -- '(^|[ [|,])--?[a-zA-Z][a-zA-Z-]*' | sed -E 's/^[^-]*//' | sort -u
}

# _mkkolo_value_option PROGRAM WORD: the long name of the option whose value
# is the word after WORD, if WORD leaves its value to the next word: "--level",
# or a short option ("-o", bundled "-qo") that the usage text pairs with a
# long one that takes a value ("  -o, --output=...").
_mkkolo_value_option() {
    local pairs letters form i
    case $2 in
        --*=*) ;;
        --*) echo "${2#--}" ;;
        -?*)
            # The first short option that takes a value takes the rest of the
            # word: the next word is its value only when it stands last.
            pairs=$(_mkkolo_usage "$1" | grep -oE -- '-[a-zA-Z], --[a-zA-Z-]+=')
            letters=${2#-}
            for ((i = 0; i < ${#letters}; i++)); do
                form=$(grep -m 1 -- "^-${letters:i:1}," <<<"$pairs") || continue
                [ "$i" = "$((${#letters} - 1))" ] || return
                form=${form#*--}
                echo "${form%=}"
                return
            done
            ;;
    esac
}

_mkkolo() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]} word i
    COMPREPLY=()
    # "--level=3": bash makes the "=" a word of its own.
    if [ "$cur" = = ]; then
        word=$prev cur=
    elif [ "$prev" = = ] && [ "$COMP_CWORD" -ge 2 ]; then
        word=${COMP_WORDS[COMP_CWORD - 2]}
    else
        word=$prev
    fi
    # After "--" every word is a path.
    local paths_only=0
    for ((i = 1; i < COMP_CWORD; i++)); do
        [ "${COMP_WORDS[i]}" = -- ] && paths_only=1
    done

    if [ "$paths_only" = 0 ]; then
        case $(_mkkolo_value_option "$1" "$word") in
            output)
                compopt -o filenames 2>/dev/null
                mapfile -t COMPREPLY < <(compgen -d -- "$cur")
                return
                ;;
            level)
                mapfile -t COMPREPLY < <(compgen -W "$(seq 1 12)" -- "$cur")
                return
                ;;
            jobs)
                mapfile -t COMPREPLY < <(compgen -W "$(seq 1 "$(nproc 2>/dev/null || echo 1)")" -- "$cur")
                return
                ;;
        esac
        if [[ $cur == -* ]]; then
            mapfile -t COMPREPLY < <(compgen -W "$(_mkkolo_options "$1")" -- "$cur")
            return
        fi
    fi

    compopt -o filenames 2>/dev/null
    local path
    while IFS= read -r path; do
        if [ -d "$path" ]; then
            COMPREPLY+=("$path")
        else
            case ${path,,} in
                *.xml | *.pxa | *.mbm | *.kolo | *.pak) COMPREPLY+=("$path") ;;
            esac
        fi
    done < <(compgen -f -- "$cur")
}

complete -F _mkkolo mkkolo
