#!/bin/bash
# The include rules of scripts/check-includes.sh, each on a tree of its own:
# a clean tree passes, and each kind of wrong include is reported.
set -uo pipefail
script="$(cd "$(dirname "$0")/../.." && pwd)/scripts/check-includes.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0

tree() {
  rm -rf "$work/src"
  mkdir -p "$work/src"/{values,reader,decode,influx,common,config,session,task,ui/panels,app}
  printf '#include <QObject>\n#include "config/Settings.h"\n' >"$work/src/session/Session.h"
  printf '#include "ui/panels/APanel.h"\n#include "session/Session.h"\n' >"$work/src/ui/panels/APanel.cpp"
  printf '#include "ui/panels/APanel.h"\n' >"$work/src/ui/Window.cpp"
}

expect() {  # expect <pass|fail> <description> [file text]...
  local want=$1 what=$2
  shift 2
  while [[ $# -gt 1 ]]; do printf '%s\n' "$2" >>"$work/src/$1"; shift 2; done
  if bash "$script" "$work/src" >"$work/out" 2>&1; then got=pass; else got=fail; fi
  if [[ $got != "$want" ]]; then
    echo "FAIL: $what: expected $want, got $got"; cat "$work/out"; failed=1
  fi
}

tree; expect pass "a clean tree"
tree; expect fail "task/ with a widget" task/Job.h '#include <QWidget>'
tree; expect fail "session/ with a QtWidgets folder header" session/S.cpp '#include <QtWidgets/QLabel>'
tree; expect fail "config/ with a widget" config/C.cpp '#include <QComboBox>'
tree; expect fail "ui/ including app/" ui/Window.cpp '#include "app/Application.h"'
tree; expect fail "a panel including another" ui/panels/APanel.cpp '#include "ui/panels/BPanel.h"'
exit $failed
