#!/usr/bin/env bash
# Checks that the program's folders keep to the direction of the data flow: each folder of src/
# is a library whose CMakeLists.txt names the folders it USES, those links must not loop, and
# every include line of a folder's files must name the folder itself or one that it reaches
# through its links. Prints each include that climbs, and exits 1 when there is one.
#
#   scripts/check-layers.sh
set -euo pipefail
cd "$(dirname "$0")/.."

declare -A uses  # folder -> the folders its CMakeLists.txt says it uses, space-separated
for list in src/*/CMakeLists.txt; do
  folder=$(basename "$(dirname "$list")")
  # The call on one line: quorvantelmix_folder(name SOURCES ... USES a b c)
  call=$(tr '\n' ' ' < "$list" | grep -o 'quorvantelmix_folder([^)]*)' || true)
  if [[ -z "$call" ]]; then
    echo "$list: no quorvantelmix_folder(...) call" >&2
    exit 1
  fi
  used=""
  if [[ "$call" == *" USES "* ]]; then
    used=$(sed -e 's/.* USES //' -e 's/).*//' <<< "$call")
  fi
  uses[$folder]=$(xargs <<< "$used")
done

# The folders that `folder` reaches through its links, each once; a loop back to it is an error.
reach() {
  local folder=$1 found=" " next queue
  read -r -a queue <<< "${uses[$folder]:-}"
  while ((${#queue[@]} > 0)); do
    next=${queue[0]}
    queue=("${queue[@]:1}")
    [[ "$found" == *" $next "* ]] && continue
    if [[ -z "${uses[$next]+set}" ]]; then
      echo "src/$folder/CMakeLists.txt uses '$next', which is no folder of src/" >&2
      return 1
    fi
    found+="$next "
    # shellcheck disable=SC2206 # the lists are plain words
    queue+=(${uses[$next]})
  done
  echo "$found"
}

status=0
for folder in "${!uses[@]}"; do
  reached=$(reach "$folder") || exit 1
  if [[ "$reached" == *" $folder "* ]]; then
    echo "src/$folder: its links loop back to itself ($reached)"
    status=1
  fi
  while IFS= read -r line; do
    file=${line%%:*}
    rest=${line#*:}
    number=${rest%%:*}
    target=$(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' <<< "${rest#*:}")
    included=${target%%/*}
    if [[ "$target" != */* ]]; then
      echo "$file:$number: #include \"$target\" names no folder"
      status=1
    elif [[ "$included" != "$folder" && "$reached" != *" $included "* ]]; then
      echo "$file:$number: #include \"$target\" climbs from $folder to $included, which it does not use"
      status=1
    fi
  done < <(git ls-files "src/$folder" | xargs -r grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' || true)
done
if ((status == 0)); then
  echo "layers: every include of src/ names its own folder or one below it"
fi
exit "$status"
