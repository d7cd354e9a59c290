#!/bin/bash
# Fails when a source file includes a header of a layer above its own, or
# when the engine includes Qt. The layers, lowest first:
#   values <- reader <- decode <- influx <- common <- config <- session <- task <- ui <- app
# tools/ may use the engine; tests/ and bench/ may use anything.
# Usage: scripts/check-includes.sh [source root]
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"

layers=(values reader decode influx common config session task ui app)

rank_of() {
  local i
  for i in "${!layers[@]}"; do
    if [[ ${layers[$i]} == "$1" ]]; then
      echo "$i"
      return
    fi
  done
  echo -1
}

engine_top=$(rank_of decode)
roots=()
for folder in "${layers[@]}" tools; do [[ -d $folder ]] && roots+=("$folder"); done
failures=0
while IFS= read -r -d '' file; do
  folder=${file%%/*}
  if [[ $folder == tools ]]; then
    own=$engine_top
  else
    own=$(rank_of "$folder")
  fi
  while IFS= read -r line; do
    number=${line%%:*}
    text=${line#*:}
    if [[ $text =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\"values/model/ && $file != values/model/* ]]; then
      # The value model is a library of its own that the program does not link.
      echo "$file:$number: only values/model/ itself includes values/model/: $text"
      failures=$((failures + 1))
    elif [[ $text =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\"([A-Za-z_]+)/ ]]; then
      target=${BASH_REMATCH[1]}
      if [[ $target == tools ]]; then
        # Only tests, bench and the tools themselves use our writer.
        [[ $folder == tools ]] && continue
        rank=$((${#layers[@]}))
      else
        rank=$(rank_of "$target")
        [[ $rank -lt 0 ]] && continue
      fi
      if [[ $rank -gt $own ]]; then
        echo "$file:$number: $folder/ must not include $target/: $text"
        failures=$((failures + 1))
      fi
    elif [[ $own -le $engine_top && $text =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\<Q ]]; then
      echo "$file:$number: the engine uses no Qt: $text"
      failures=$((failures + 1))
    fi
  done < <(grep -n '^[[:space:]]*#[[:space:]]*include' "$file" || true)
done < <(find "${roots[@]}" -type f \( -name '*.h' -o -name '*.cpp' \) -print0)

if [[ $failures -gt 0 ]]; then
  echo "$failures include(s) cross a layer the wrong way"
  exit 1
fi
