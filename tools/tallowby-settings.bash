# bash completion for tallowby-settings: the commands, and after get, set
# and delete the keys the settings file holds (as `tallowby-settings list`
# prints them).

_tallowby_settings()
{
    local current=${COMP_WORDS[COMP_CWORD]} first=1
    [[ ${COMP_WORDS[1]} == --window ]] && first=2
    if ((COMP_CWORD == first)); then
        local commands="get set sample list delete --window --help --version"
        ((first == 2)) && commands="get set sample"
        COMPREPLY=($(compgen -W "$commands" -- "$current"))
        return
    fi
    if ((COMP_CWORD == first + 1)) && [[ ${COMP_WORDS[first]} == @(get|set|delete) ]]; then
        local key
        COMPREPLY=()
        while IFS= read -r key; do
            key=${key%%=*}
            [[ $key == "$current"* ]] && COMPREPLY+=("$(printf '%q' "$key")")
        done < <("$1" list 2>/dev/null)
    fi
}
complete -F _tallowby_settings tallowby-settings
