#!/bin/bash
# The bash completion in a plain bash without the bash-completion package:
# options, and the variables of the log on the line after --vars.
# Usage: completion_test.sh SOURCE_DIR BUILD_DIR
set -uo pipefail
source_dir=$1
build_dir=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work XDG_CONFIG_HOME=$work/config TMPDIR=$work
"$build_dir/zrl-gen" --preset sample --output "$work/log.zrl" > /dev/null
source "$source_dir/packaging/zrl-decoder.bash-completion"

failures=0
expect() {  # expect WORDS... -- EXPECTED REPLY (space-separated)
  local words=() expected
  while [[ $1 != -- ]]; do words+=("$1"); shift; done
  shift
  expected="$*"
  COMP_WORDS=("${words[@]}")
  COMP_CWORD=$((${#words[@]} - 1))
  _zrl_decoder
  if [[ "${COMPREPLY[*]}" != "$expected" ]]; then
    echo "completing '${words[*]}': got '${COMPREPLY[*]}', expected '$expected'"
    failures=$((failures + 1))
  fi
}

decoder=$build_dir/zrl-decoder
expect "$decoder" --pr -- --print-config
expect "$decoder" "$work/log.zrl" --vars Engine.R -- Engine.Rpm Engine.Running
COMP_WORDS=("$decoder" --vars GPS.Fix,GPS.La "$work/log.zrl")
COMP_CWORD=2
_zrl_decoder
[[ "${COMPREPLY[*]}" == "GPS.Fix,GPS.Latitude" ]] || { echo "a list before the log: '${COMPREPLY[*]}'"; failures=$((failures + 1)); }
expect "$decoder" --vars Eng -- ""  # no log on the line: nothing to offer
[[ $failures -eq 0 ]] && echo "completion: all cases pass"
exit "$failures"
