#!/bin/bash
# Fails when a source file includes a header of a layer above its own, when
# the engine includes Qt, when watch/, task/, session/ or config/ include a QtWidgets
# header, or when a panel of the window (ui/panels/) includes another panel. The layers, lowest first:
#   values <- reader <- index <- decode <- influx <- hdf5 <- matlab <- common <- config <- session <- task <- watch <- ui <- app
# tools/ may use the engine; tests/ and bench/ may use anything.
# Usage: scripts/check-includes.sh [source root]
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"

layers=(values reader index decode influx hdf5 matlab common config session task watch ui app)

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
# The engine and the sinks beside it (influx, hdf5, matlab) use no Qt.
qt_free_top=$(rank_of matlab)
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
    elif [[ $own -le $qt_free_top && $text =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\<Q ]]; then
      echo "$file:$number: the engine uses no Qt: $text"
      failures=$((failures + 1))
    fi
  done < <(grep -n '^[[:space:]]*#[[:space:]]*include' "$file" || true)
done < <(find "${roots[@]}" -type f \( -name '*.h' -o -name '*.cpp' \) -print0)

# The layers under the window never make a widget: the QtWidgets headers
# (the classes of that module the program uses, and the module's folder).
widget_headers='QWidget|QApplication|QMainWindow|QDialog|QAbstractButton|QPushButton|QCheckBox|QComboBox'
widget_headers+='|QLabel|QLineEdit|QListWidget|QListView|QMenu|QMenuBar|QAction|QGroupBox|QFrame|QScrollArea|QSplitter'
widget_headers+='|QDockWidget|QProgressBar|QLCDNumber|QDateTimeEdit|QInputDialog|QFileDialog|QMessageBox|QStatusBar'
widget_headers+='|QLayout|QBoxLayout|QHBoxLayout|QVBoxLayout|QGridLayout|QStyle|QToolTip|QDesktopWidget'
for folder in watch task session config; do
  [[ -d $folder ]] || continue
  while IFS= read -r hit; do
    echo "$hit: $folder/ makes no widget"
    failures=$((failures + 1))
  done < <(grep -rnE "^[[:space:]]*#[[:space:]]*include[[:space:]]*<(QtWidgets/[^>]+|${widget_headers})>" "$folder" \
             --include='*.h' --include='*.cpp' || true)
done

# A panel of the window knows no other panel: each builds its own widgets and
# talks to the session; the window puts them together.
if [[ -d ui/panels ]]; then
  while IFS= read -r -d '' file; do
    own=$(basename "${file%.*}")
    while IFS= read -r hit; do
      target=$(sed -E 's|.*"ui/panels/([^"./]+)\.h".*|\1|' <<<"${hit#*:}")
      [[ $target == "$own" ]] && continue
      echo "$file:$hit: a panel includes no other panel"
      failures=$((failures + 1))
    done < <(grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"ui/panels/' "$file" || true)
  done < <(find ui/panels -type f \( -name '*.h' -o -name '*.cpp' \) -print0)
fi

if [[ $failures -gt 0 ]]; then
  echo "$failures include(s) cross a layer the wrong way"
  exit 1
fi
