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
  mkdir -p "$t"/src/core/foundation "$t"/src/core/ocr "$t"/src/app/platform/x11 "$t"/src/app/platform/tesseract \
           "$t"/src/app/platform/direct "$t"/src/app/engine "$t"/src/app/menu "$t"/src/app/shell "$t"/docs \
           "$t"/tests/support "$t"/qt/QtCore "$t"/qt/QtGui "$t"/qt/QtWidgets "$t"/build/architecture/links
  touch "$t"/qt/QtCore/QObject "$t"/qt/QtCore/QTimer "$t"/qt/QtGui/QImage "$t"/qt/QtWidgets/QWidget
  echo '#include <string>' >"$t"/src/core/foundation/log.hpp
  printf '#include <vector>\n#include "core/foundation/log.hpp"\n' >"$t"/src/core/ocr/ocr_picture.hpp
  printf '#include <QObject>\n#include "core/foundation/log.hpp"\n' >"$t"/src/app/platform/window_list.hpp
  printf '#include "app/platform/window_list.hpp"\n#include "../window_list.hpp"\n' \
    >"$t"/src/app/platform/direct/direct_walk.hpp
  printf '#include <xcb/xcb.h>\n#include <X11/Xlib.h>\n#include <QImage>\n#include "app/platform/window_list.hpp"\n' \
    >"$t"/src/app/platform/x11/xcb_window_list.hpp
  printf '#include <tesseract/baseapi.h>\n#include "core/ocr/ocr_picture.hpp"\n' \
    >"$t"/src/app/platform/tesseract/tesseract_engine.cpp
  printf '#include <QTimer>\n' >"$t"/src/app/engine/watch_manager.hpp
  printf '#include <QTimer>\n#include "app/platform/window_list.hpp"\n#include "watch_manager.hpp"\n' \
    >"$t"/src/app/engine/watch_manager.cpp
  printf '#include <QWidget>\n' >"$t"/src/app/menu/menu_view.hpp
  printf '#include <QWidget>\n#include <app/engine/watch_manager.hpp>\n#include "menu_view.hpp"\n' \
    >"$t"/src/app/menu/menu_view.cpp
  printf '#include "app/platform/x11/xcb_window_list.hpp"\n#include "app/menu/menu_view.hpp"\n' \
    >"$t"/src/app/shell/app_delegate.cpp
  echo '#pragma once' >"$t"/tests/support/fakes.hpp
  printf '%s\n' '`src/core/foundation/` `src/core/ocr/` `src/app/platform/` `src/app/platform/x11/`' \
    '`src/app/platform/tesseract/` `src/app/platform/direct/` `src/app/engine/` `src/app/menu/` `src/app/shell/`' \
    >"$t"/docs/ARCHITECTURE.md
  # What the graph leaves out, one file per configured folder.
  printf 'top_ \ntop_src src\n' >"$t"/build/architecture/links/folders.txt
  : >"$t"/build/architecture/links/top_.dot
  printf '    // %s\n' 'kestrove_ui -> -Wl,--as-needed' 'PkgConfig::XCB -> -Wl,--enable-new-dtags' \
    'Qt6::Core -> /usr/lib/x86_64-linux-gnu/libQt6Core.so.6.4.2' >"$t"/build/architecture/links/top_src.dot
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
# For the cases: a link in the target graph, a link fact, the build's
# compile commands.
edge() { sed -i "s#^}#    \"n\" -> \"n\"  // $1 -> $2\n}#" build/architecture/targets.dot; }
fact() { printf '    // %s -> %s\n' "$1" "$2" >>build/architecture/links/top_src.dot; }
compiled_with() {
  printf '[{"directory": "%s/build", "command": "/usr/bin/c++ %s -o x.o -c %s/src/app/engine/watch_manager.cpp",\n' \
    "$PWD" "$*" "$PWD" >build/compile_commands.json
  printf '  "file": "%s/src/app/engine/watch_manager.cpp"}]\n' "$PWD" >>build/compile_commands.json
}

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
  # Every form of include, found where the compiler finds it.
  "engine includes a backend header in angle brackets|echo '#include <app/platform/x11/xcb_window_list.hpp>' >>src/app/engine/watch_manager.cpp|watch_manager.cpp includes <app/platform/x11/xcb_window_list.hpp> (from src/app/platform/x11/)"
  "engine includes a backend header by a relative path|echo '#include \"../platform/x11/xcb_window_list.hpp\"' >>src/app/engine/watch_manager.cpp|watch_manager.cpp includes \"../platform/x11/xcb_window_list.hpp\" (from src/app/platform/x11/)"
  "interfaces include a backend header beside them|echo '#include \"x11/xcb_window_list.hpp\"' >>src/app/platform/window_list.hpp|window_list.hpp includes \"x11/xcb_window_list.hpp\" (from src/app/platform/x11/)"
  "core includes the engine in angle brackets|echo '#include <app/engine/watch_manager.hpp>' >>src/core/foundation/log.hpp|log.hpp includes <app/engine/watch_manager.hpp> (from src/app/engine/)"
  "engine includes a backend through another include folder|compiled_with -I\$PWD/src -I\$PWD/src/app && echo '#include <platform/x11/xcb_window_list.hpp>' >>src/app/engine/watch_manager.cpp|watch_manager.cpp includes <platform/x11/xcb_window_list.hpp> (from src/app/platform/x11/)"
  "a source includes a test helper|echo '#include \"../../../tests/support/fakes.hpp\"' >>src/app/engine/watch_manager.cpp|watch_manager.cpp includes \"../../../tests/support/fakes.hpp\" (tests/support/fakes.hpp, outside src/)"
  "an include the check cannot follow|echo '#include KESTROVE_HEADER  // chosen by the build' >>src/app/engine/watch_manager.cpp|watch_manager.cpp includes KESTROVE_HEADER, a name the check cannot follow"
  # Every form of link.
  "engine links XCB by its plain name|edge kestrove_engine xcb|kestrove_engine links xcb (the engine"
  "core links Tesseract by its plain name|edge kestrove_core tesseract|kestrove_core links tesseract (the core"
  "engine links XCB through a link option|fact kestrove_engine -lxcb|kestrove_engine links -lxcb (xcb)"
  "drawn parts link a -l flag|edge kestrove_ui -lxcb-shm|kestrove_ui links -lxcb-shm (xcb-shm)"
  "developer modes link through a -Wl, list|edge kestrove_dev -Wl,--no-as-needed,-ltesseract|kestrove_dev links -Wl,--no-as-needed,-ltesseract (tesseract)"
  "engine links widgets by path|edge kestrove_engine /usr/lib/x86_64-linux-gnu/libQt6Widgets.so.6|kestrove_engine links /usr/lib/x86_64-linux-gnu/libQt6Widgets.so.6 (Qt6Widgets)"
  "core links an imported library that is AT-SPI|edge kestrove_core a11y_lib && fact a11y_lib /usr/lib/x86_64-linux-gnu/libatspi.so.0|kestrove_core links a11y_lib, which brings /usr/lib/x86_64-linux-gnu/libatspi.so.0 (atspi)"
  "interfaces link a pkg-config target whose options bring XCB|edge kestrove_platform PkgConfig::SCREEN && fact PkgConfig::SCREEN '\$<LINK_ONLY:-Wl,-lxcb-randr>'|kestrove_platform links PkgConfig::SCREEN, which brings \$<LINK_ONLY:-Wl,-lxcb-randr> (xcb-randr)"
  "a folder that wrote no link facts|rm build/architecture/links/top_src.dot|src/CMakeLists.txt wrote no link facts"
  # Picture preparation for recognition stays free of Tesseract and Qt;
  # each backend keeps to its own library; direct reading to the interfaces.
  "picture preparation includes Tesseract|echo '#include <tesseract/baseapi.h>' >>src/core/ocr/ocr_picture.hpp|ocr_picture.hpp includes <tesseract/baseapi.h>"
  "picture preparation includes Qt|echo '#include <QImage>' >>src/core/ocr/ocr_picture.hpp|ocr_picture.hpp includes <QImage> from QtGui"
  "the X11 backend includes Tesseract|echo '#include <tesseract/baseapi.h>' >>src/app/platform/x11/xcb_window_list.hpp|xcb_window_list.hpp includes <tesseract/baseapi.h>, a header of the tesseract platform library"
  "the Tesseract backend includes XCB|echo '#include <xcb/xcb.h>' >>src/app/platform/tesseract/tesseract_engine.cpp|tesseract_engine.cpp includes <xcb/xcb.h>, a header of the xcb platform library"
  "one backend includes another|echo '#include \"app/platform/x11/xcb_window_list.hpp\"' >>src/app/platform/tesseract/tesseract_engine.cpp|tesseract_engine.cpp includes \"app/platform/x11/xcb_window_list.hpp\" (from src/app/platform/x11/)"
  "the Tesseract backend includes widgets|echo '#include <QWidget>' >>src/app/platform/tesseract/tesseract_engine.cpp|tesseract_engine.cpp includes <QWidget> from QtWidgets"
  "direct reading includes a backend header|echo '#include \"../x11/xcb_window_list.hpp\"' >>src/app/platform/direct/direct_walk.hpp|direct_walk.hpp includes \"../x11/xcb_window_list.hpp\" (from src/app/platform/x11/)"
  "direct reading includes XCB|echo '#include <xcb/xcb.h>' >>src/app/platform/direct/direct_walk.hpp|direct_walk.hpp includes <xcb/xcb.h>, a header of the xcb platform library"
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
