# bash completion for splicer: its commands, their options, OBJ files, and
# the names of the objects in the scene already on the command line (read
# with `splicer info --names`, so they are always the scene's own).

_splicer_scene_objects() {
  local program=$1 scene=$2
  [[ $scene == "~/"* ]] && scene=$HOME/${scene#"~/"}
  [[ -r $scene ]] || return
  "$program" info --names "$scene" 2>/dev/null
}

_splicer() {
  local program=$1 cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
  COMPREPLY=()

  # The command and the positional words before the cursor.
  local command="" i word
  local -a positional=()
  for ((i = 1; i < COMP_CWORD; i++)); do
    word=${COMP_WORDS[i]}
    case $word in
      -o | --output | --accuracy | --report | --max-faces) ((i++)) ;;
      -*) ;;
      *) if [[ -z $command ]]; then command=$word; else positional+=("$word"); fi ;;
    esac
  done

  case $prev in
    -o | --output)
      compopt -o filenames 2>/dev/null
      COMPREPLY=($(compgen -f -X '!*.obj' -- "$cur") $(compgen -d -- "$cur"))
      return ;;
    --report)
      compopt -o filenames 2>/dev/null
      COMPREPLY=($(compgen -f -X '!*.json' -- "$cur") $(compgen -d -- "$cur"))
      return ;;
    --accuracy | --max-faces) return ;;
  esac

  if [[ -z $command ]]; then
    COMPREPLY=($(compgen -W "info join --help --version" -- "$cur"))
    return
  fi
  if [[ $cur == -* ]]; then
    case $command in
      info) COMPREPLY=($(compgen -W "--names --resources-anywhere --max-faces --help" -- "$cur")) ;;
      join) COMPREPLY=($(compgen -W "-o --output --accuracy --report --scene --seam --all --strict --resources-anywhere
                                     --max-faces --help" -- "$cur")) ;;
    esac
    return
  fi

  case $command:${#positional[@]} in
    info:0 | join:0)
      compopt -o filenames 2>/dev/null
      COMPREPLY=($(compgen -f -X '!*.obj' -- "$cur") $(compgen -d -- "$cur")) ;;
    join:1 | join:2)
      local name
      while IFS= read -r name; do
        [[ $name == "$cur"* ]] && COMPREPLY+=("$(printf '%q' "$name")")
      done < <(_splicer_scene_objects "$program" "${positional[0]}")
      ;;
  esac
}

complete -F _splicer splicer
