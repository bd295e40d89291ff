# Bash completion for the command-line programs of the varnix tool set: the
# options each program's --help lists, port names from the port map for an
# option that takes a port (NAME, PORT) and for a simulator's port argument,
# file names for FILE and PATH arguments, and the ProgIDs of the classes root
# for varnix-call's first argument. Installed once under each program's name,
# where bash-completion looks for it.

# The names in the port map: the links of its folder, or while that folder
# does not exist, the names that lead to the machine's own ports.
_varnix_tools_ports()
{
    local config=${XDG_CONFIG_HOME:-}
    [[ $config == /* ]] || config=$HOME/.config
    if [[ -d $config/dosdevices ]]; then
        (cd "$config/dosdevices" && for name in *; do [[ -L $name ]] && printf '%s\n' "$name"; done)
    else
        printf '%s\n' com1 com2 com3 com4 lpt1
    fi
}

# The ProgIDs registered in the classes root.
_varnix_tools_progids()
{
    local config=${XDG_CONFIG_HOME:-}
    [[ $config == /* ]] || config=$HOME/.config
    sed -n 's/^\([^%=]*\)%5CCLSID=.*/\1/p' "$config/automation/classes-root.ini" 2> /dev/null
}

_varnix_tools()
{
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]} program=${COMP_WORDS[0]}
    local help word i positional=0
    help=$("$program" --help 2> /dev/null)
    COMPREPLY=()

    if ((COMP_CWORD > 1)) && [[ $prev == --* && $help =~ (^|[[:space:][])"$prev"\ ([A-Z][A-Z_]*) ]]; then
        case ${BASH_REMATCH[2]} in
            NAME | PORT) mapfile -t COMPREPLY < <(compgen -W "$(_varnix_tools_ports)" -- "$cur") ;;
            FILE | PATH | DIR) mapfile -t COMPREPLY < <(compgen -f -- "$cur") ;;
        esac
        return 0
    fi
    if [[ $cur == -* ]]; then
        mapfile -t COMPREPLY < <(compgen -W "$(grep -oE -- '--[A-Za-z][A-Za-z0-9-]*' <<< "$help" | sort -u)" -- "$cur")
        return 0
    fi
    case $program in
        *-sim) mapfile -t COMPREPLY < <(compgen -W "$(_varnix_tools_ports)" -- "$cur") ;;
        *varnix-call)
            # The first word that is neither an option nor an option's argument is the ProgID.
            for ((i = 1; i < COMP_CWORD; i++)); do
                word=${COMP_WORDS[i]}
                if [[ $word == -* ]]; then
                    [[ $help =~ (^|[[:space:][])"$word"\ ([A-Z][A-Z_]*) ]] && ((i++))
                else
                    ((positional++))
                fi
            done
            if ((positional == 0)); then
                mapfile -t COMPREPLY < <(compgen -W "$(_varnix_tools_progids)" -- "$cur")
            else
                mapfile -t COMPREPLY < <(compgen -f -- "$cur")
            fi
            ;;
        *) mapfile -t COMPREPLY < <(compgen -f -- "$cur") ;;
    esac
    return 0
}

complete -F _varnix_tools pellori varnix-call dspq47-cli varnix-doctor \
    ez2181-sim ezkit21k-sim faderbox-sim fourwire-sim dspq47-sim
