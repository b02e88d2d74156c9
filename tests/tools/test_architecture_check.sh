#!/usr/bin/env bash
# scripts/check-architecture on a small tree of its own: the tree as it should
# be passes, and each way of breaking a layer fails with a line naming it.
# usage: test_architecture_check.sh <check-architecture>
set -uo pipefail
check=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A tree that keeps to its layers, with Qt's headers and a target graph.
make_tree() {
  local t=$1
  mkdir -p "$t"/src/core/foundation "$t"/src/app/platform/x11 "$t"/src/app/engine "$t"/src/app/menu \
           "$t"/src/app/shell "$t"/docs "$t"/qt/QtCore "$t"/qt/QtWidgets "$t"/build/architecture
  touch "$t"/qt/QtCore/QObject "$t"/qt/QtCore/QTimer "$t"/qt/QtWidgets/QWidget
  echo '#include <string>' >"$t"/src/core/foundation/log.hpp
  printf '#include <QObject>\n#include "core/foundation/log.hpp"\n' >"$t"/src/app/platform/window_list.hpp
  printf '#include <xcb/xcb.h>\n#include <QWidget>\n#include "app/platform/window_list.hpp"\n' \
    >"$t"/src/app/platform/x11/xcb_window_list.hpp
  printf '#include <QTimer>\n#include "app/platform/window_list.hpp"\n#include "watch_manager.hpp"\n' \
    >"$t"/src/app/engine/watch_manager.cpp
  printf '#include <QWidget>\n#include "app/engine/watch_manager.hpp"\n' >"$t"/src/app/menu/menu_view.cpp
  printf '#include "app/platform/x11/xcb_window_list.hpp"\n#include "app/menu/menu_view.hpp"\n' \
    >"$t"/src/app/shell/app_delegate.cpp
  printf '%s\n' '`src/core/foundation/` `src/app/platform/` `src/app/platform/x11/`' \
    '`src/app/engine/` `src/app/menu/` `src/app/shell/`' >"$t"/docs/ARCHITECTURE.md
  cat >"$t"/build/architecture/targets.dot <<'EOF'
digraph "Kestrove" {
    "node0" -> "node1"  // kestrove_platform -> kestrove_core
    "node0" -> "node2"  // kestrove_platform -> Qt6::Core
    "node3" -> "node0"  // kestrove_engine -> kestrove_platform
    "node4" -> "node3"  // kestrove_ui -> kestrove_engine
    "node4" -> "node5"  // kestrove_ui -> Qt6::Widgets
    "node5" -> "node6"  // Qt6::Widgets -> Qt6::Gui
    "node7" -> "node0"  // kestrove_platform_linux -> kestrove_platform
    "node7" -> "node8"  // kestrove_platform_linux -> PkgConfig::XCB
    "node8" -> "node9"  // PkgConfig::XCB -> /usr/lib/x86_64-linux-gnu/libxcb.so
    "node10" -> "node7"  // kestrove_shell -> kestrove_platform_linux
    "node10" -> "node4"  // kestrove_shell -> kestrove_ui
    "node11" -> "node7"  // kestrove_app_test_support -> kestrove_platform_linux
}
EOF
}

run_check() { "$check" --source "$1" --qt-include "$1/qt" "$1/build" 2>&1; }

failures=0
make_tree "$work/good"
if ! out=$(run_check "$work/good"); then
  echo "FAIL: the tree that keeps to its layers is refused:"; echo "$out"; failures=$((failures + 1))
fi

# name | how the tree is broken | what the check must say
cases=(
  "engine includes a backend header|echo '#include \"app/platform/x11/xcb_window_list.hpp\"' >>src/app/engine/watch_manager.cpp|watch_manager.cpp includes \"app/platform/x11/xcb_window_list.hpp\""
  "engine includes a widget|echo '#include <QWidget>' >>src/app/engine/watch_manager.cpp|watch_manager.cpp includes <QWidget> from QtWidgets"
  "engine includes XCB|echo '#include <xcb/xcb.h>' >>src/app/engine/watch_manager.cpp|watch_manager.cpp includes <xcb/xcb.h>"
  "interfaces include a backend header|echo '#include \"app/platform/x11/xcb_window_list.hpp\"' >>src/app/platform/window_list.hpp|window_list.hpp includes \"app/platform/x11/"
  "menu includes a backend header|echo '#include \"app/platform/x11/xcb_window_list.hpp\"' >>src/app/menu/menu_view.cpp|menu_view.cpp includes \"app/platform/x11/"
  "core includes Qt|echo '#include <QObject>' >>src/core/foundation/log.hpp|log.hpp includes <QObject> from QtCore"
  "a Qt header no module has|echo '#include <QNoSuchThing>' >>src/app/engine/watch_manager.cpp|<QNoSuchThing>, which no Qt module has"
  "engine links the backends|sed -i 's#^}#    \"node3\" -> \"node7\"  // kestrove_engine -> kestrove_platform_linux\n}#' build/architecture/targets.dot|kestrove_engine links kestrove_platform_linux"
  "engine reaches XCB through a library|sed -i 's#^}#    \"node3\" -> \"node20\"  // kestrove_engine -> kestrove_helpers\n    \"node20\" -> \"node8\"  // kestrove_helpers -> PkgConfig::XCB\n}#' build/architecture/targets.dot|kestrove_engine links kestrove_helpers, which brings PkgConfig::XCB"
  "engine reaches widgets|sed -i 's#^}#    \"node3\" -> \"node5\"  // kestrove_engine -> Qt6::Widgets\n}#' build/architecture/targets.dot|kestrove_engine links Qt6::Widgets"
  "interfaces link Gui|sed -i 's#^}#    \"node0\" -> \"node6\"  // kestrove_platform -> Qt6::Gui\n}#' build/architecture/targets.dot|kestrove_platform links Qt6::Gui"
  "another library builds implementations|sed -i 's#^}#    \"node21\" -> \"node7\"  // kestrove_extras -> kestrove_platform_linux\n}#' build/architecture/targets.dot|kestrove_extras links kestrove_platform_linux"
  "a folder with no rules|mkdir -p src/app/stray && touch src/app/stray/loose.cpp && echo '\`src/app/stray/\`' >>docs/ARCHITECTURE.md|src/app/stray/loose.cpp lies in a folder with no rules"
  "a folder the map leaves out|sed -i 's#\`src/app/menu/\` ##' docs/ARCHITECTURE.md|does not name \`src/app/menu/\`"
)
for entry in "${cases[@]}"; do
  IFS='|' read -r name breaking expected <<<"$entry"
  rm -rf "$work/case" && cp -r "$work/good" "$work/case"
  (cd "$work/case" && eval "$breaking")
  if out=$(run_check "$work/case"); then
    echo "FAIL: $name: the check passed"; failures=$((failures + 1))
  elif [[ "$out" != *"$expected"* ]]; then
    echo "FAIL: $name: the check did not say \"$expected\":"; echo "$out"; failures=$((failures + 1))
  fi
done

[[ $failures -eq 0 ]] && echo "every broken layer refused (${#cases[@]} cases)"
exit $((failures > 0))
