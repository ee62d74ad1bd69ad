# bash completion for splicer: its commands, their options, scene files of
# every format it reads, and the names of the objects in the scene already
# on the command line. Options and formats are read from the program's own
# --help, object names with `splicer info --names`, so they are always the
# program's and the scene's own.

_splicer_scene_objects() {
  local program=$1 scene=$2
  [[ $scene == "~/"* ]] && scene=$HOME/${scene#"~/"}
  [[ -r $scene ]] || return
  "$program" info --names "$scene" 2>/dev/null
}

# The options of a command as its --help lists them, one a line:
# "SHORT LONG VALUE" (SHORT and VALUE may be empty, VALUE is the kind of
# value the option takes).
_splicer_options() {
  "$1" "$2" --help 2>/dev/null | sed -nE 's/^  +(-[a-zA-Z],)?(--[a-z][a-z-]*)( [A-Z]+)?.*/\1 \2\3/p' | tr ',' ' '
}

# The scene file extensions, from the scene argument's help line.
_splicer_extensions() {
  "$1" info --help 2>/dev/null | sed -nE '/^  +scene /{s/[^(]*\(([^)]*)\).*/\1/p}' | grep -oE '[a-zA-Z0-9]+'
}

# Files whose extension is one of the words after the first (any case),
# and folders.
_splicer_files() {
  local cur=$1 file ext
  shift
  compopt -o filenames 2>/dev/null
  while IFS= read -r file; do
    [[ -d $file ]] && { COMPREPLY+=("$file"); continue; }
    for ext in "$@"; do
      if [[ ${file,,} == *."${ext,,}" ]]; then
        COMPREPLY+=("$file")
        break
      fi
    done
  done < <(compgen -f -- "$cur")
}

# Whether the word names an existing file with one of the extensions after
# it (any case).
_splicer_is_scene() {
  local word=$1 ext
  shift
  [[ $word == "~/"* ]] && word=$HOME/${word#"~/"}
  [[ -f $word ]] || return 1
  for ext in "$@"; do
    [[ ${word,,} == *."${ext,,}" ]] && return 0
  done
  return 1
}

_splicer() {
  local program=$1 cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
  COMPREPLY=()

  # The command: the first word that is not an option.
  local command="" i word
  for ((i = 1; i < COMP_CWORD; i++)); do
    word=${COMP_WORDS[i]}
    if [[ $word != -* ]]; then
      command=$word
      break
    fi
  done
  if [[ -z $command ]]; then
    COMPREPLY=($(compgen -W "info join --help --version" -- "$cur"))
    return
  fi

  local -a options=() valued=()
  local short long value
  while read -r short long value; do
    if [[ $short == --* ]]; then  # no short form: the words moved left
      value=$long long=$short short=""
    fi
    options+=($short $long)
    [[ -n $value ]] && valued+=($short $long)
  done < <(_splicer_options "$program" "$command")

  # The positional words before the cursor, values of options skipped.
  local -a positional=()
  local all=""
  for ((i = i + 1; i < COMP_CWORD; i++)); do
    word=${COMP_WORDS[i]}
    if [[ " ${valued[*]} " == *" $word "* ]]; then
      ((i++))
    elif [[ $word == --all ]]; then
      all=1
    elif [[ $word != -* ]]; then
      positional+=("$word")
    fi
  done

  local -a extensions=($(_splicer_extensions "$program"))
  case $prev in
    -o | --output) _splicer_files "$cur" "${extensions[@]}"; return ;;
    --report) _splicer_files "$cur" json; return ;;
  esac
  [[ " ${valued[*]} " == *" $prev "* ]] && return  # a number or another value

  if [[ $cur == -* ]]; then
    COMPREPLY=($(compgen -W "${options[*]}" -- "$cur"))
    return
  fi

  if [[ $command == info ]]; then
    ((${#positional[@]} == 0)) && _splicer_files "$cur" "${extensions[@]}"
    return
  fi
  [[ $command == join ]] || return
  # join: the scene files lead, the names of their objects follow.
  local -a scenes=() names=()
  for word in "${positional[@]}"; do
    if ((${#names[@]} == 0)) && _splicer_is_scene "$word" "${extensions[@]}"; then
      scenes+=("$word")
    else
      names+=("$word")
    fi
  done
  if [[ -z $all ]]; then
    local scene name
    for scene in "${scenes[@]}"; do
      while IFS= read -r name; do
        [[ $name == "$cur"* && " ${names[*]} " != *" $name "* ]] || continue
        name=$(printf '%q' "$name")
        [[ " ${COMPREPLY[*]} " == *" $name "* ]] || COMPREPLY+=("$name")
      done < <(_splicer_scene_objects "$program" "$scene")
    done
  fi
  # More scene files until a name is given; before the names when one fits.
  if ((${#names[@]} == 0 && ${#COMPREPLY[@]} == 0)); then
    _splicer_files "$cur" "${extensions[@]}"
  fi
}

complete -F _splicer splicer
