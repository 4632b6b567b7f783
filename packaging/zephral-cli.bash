# bash completion for zephral-cli                          -*- shell-script -*-
# The commands and options are listed here once each; the code pages are
# read from the program's own --help.

_zephral_cli()
{
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}
    local commands="encrypt-file decrypt-file encode-text decode-text encrypt-text decrypt-text recover-key"
    local options="--key-file --code-page --no-check --quiet --help --version
        --target-directory --in-place --recursive --suffix --force --keep-going"
    # recover-key's own; those that take a value are in `valued` too.
    local recover="--like --like-file --edits --words --mask --increment --charset --starts-with
        --starts-with-hex --text --all --threads --part --resume"
    local valued="--key-file --code-page --suffix --target-directory -t --like-file --edits --words --mask --charset --starts-with
        --starts-with-hex --threads --part --resume"

    # "--key-file=FILE": bash splits the word at "=".
    if [[ $cur == = ]]; then
        cur=""
    elif [[ $prev == = && COMP_CWORD -ge 2 ]]; then
        prev=${COMP_WORDS[COMP_CWORD-2]}
    fi

    case $prev in
        --key-file | --like-file | --words | --target-directory | -t)
            compopt -o filenames 2>/dev/null
            COMPREPLY=($(compgen -f -- "$cur"))
            return
            ;;
        --code-page)
            local pages
            pages=$("${COMP_WORDS[0]}" --help 2>/dev/null |
                sed -n 's/.*code page of the text and the key: *//p' | tr -d ',')
            COMPREPLY=($(compgen -W "$pages" -- "$cur"))
            return
            ;;
        --help | -h | --version | --suffix | --edits | --mask | --charset | --starts-with | \
            --starts-with-hex | --threads | --part | --resume)
            return
            ;;
    esac

    # The command given so far, if any, and the operands after it.
    local i word command="" operands=0 ended=""
    for ((i = 1; i < COMP_CWORD; i++)); do
        word=${COMP_WORDS[i]}
        if [[ -z $ended && " ${valued//$'\n'/ } " == *" $word "* ]]; then
            [[ ${COMP_WORDS[i+1]} == = ]] && ((i++))
            ((i++))
        elif [[ -z $ended && $word == -- ]]; then
            ended=1
        elif [[ -n $ended || $word != -* ]]; then
            if [[ -z $command ]]; then
                command=$word
            else
                ((operands++))
            fi
        fi
    done

    if [[ -z $ended && $cur == -* ]]; then
        [[ $command == recover-key ]] && options+=" $recover"
        COMPREPLY=($(compgen -W "$options --" -- "$cur"))
    elif [[ -z $command ]]; then
        COMPREPLY=($(compgen -W "$commands" -- "$cur"))
    elif [[ ($command == *-file && ($operands -lt 2 || " ${COMP_WORDS[*]} " == *" -t "* ||
        " ${COMP_WORDS[*]} " == *" --in-place "* || " ${COMP_WORDS[*]} " == *" --target-directory"*)) || ($command == recover-key && $operands -lt 1) ]]; then
        compopt -o filenames 2>/dev/null
        COMPREPLY=($(compgen -f -- "$cur"))
    fi
} &&
    complete -F _zephral_cli zephral-cli

# ex: filetype=sh
