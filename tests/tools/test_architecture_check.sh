#!/usr/bin/env bash
# scripts/check-architecture on a small tree of its own: the tree as it should
# be passes, and each way of breaking a layer fails with a line naming it.
# usage: test_architecture_check.sh <check-architecture>
set -uo pipefail
check=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The headers of Qt and of the platform libraries, outside the tree as the
# system's are.
mkdir -p "$work"/qt/QtCore "$work"/qt/QtGui "$work"/qt/QtWidgets "$work"/sys/xcb "$work"/sys/X11 "$work"/sys/tesseract
touch "$work"/qt/QtCore/QObject "$work"/qt/QtCore/QTimer "$work"/qt/QtGui/QImage "$work"/qt/QtWidgets/QWidget \
      "$work"/sys/xcb/xcb.h "$work"/sys/X11/Xlib.h "$work"/sys/tesseract/baseapi.h

# What the File API tells of the build: each target's sources (from
# build/sources.txt, "target path" a line) and the project's files the
# configure read.
write_reply() {
  local r=build/.cmake/api/v1/reply targets="" t list
  rm -rf "$r" && mkdir -p "$r"
  for t in $(cut -d' ' -f1 build/sources.txt | sort -u); do
    list=$(awk -v t="$t" '$1 == t { printf "%s{\"path\": \"%s\"}", n++ ? ", " : "", $2 }' build/sources.txt)
    printf '{"name": "%s", "sources": [%s]}\n' "$t" "$list" >"$r/target-$t.json"
    targets="$targets${targets:+, }{\"jsonFile\": \"target-$t.json\"}"
  done
  printf '{"configurations": [{"targets": [%s]}]}\n' "$targets" >"$r/codemodel.json"
  printf '{"inputs": [%s, %s, %s]}\n' '{"path": "CMakeLists.txt"}' '{"path": "src/CMakeLists.txt"}' \
    '{"path": "/usr/share/cmake/Modules/FindPkgConfig.cmake", "isExternal": true}' >"$r/cmakeFiles.json"
  printf '{"reply": {"client-kestrove": {%s, %s}}}\n' '"codemodel-v2": {"jsonFile": "codemodel.json"}' \
    '"cmakeFiles-v1": {"jsonFile": "cmakeFiles.json"}' >"$r/index-1.json"
}

# A tree that keeps to its layers, configured (a target graph, the File
# API's reply) and with a Ninja build to compile it by.
make_tree() {
  local t=$1
  mkdir -p "$t"/src/core/foundation "$t"/src/core/ocr "$t"/src/app/platform/x11 "$t"/src/app/platform/tesseract \
           "$t"/src/app/platform/direct "$t"/src/app/engine "$t"/src/app/menu "$t"/src/app/shell "$t"/docs \
           "$t"/tests/support "$t"/build/architecture/links "$t"/build/kestrove_engine_autogen
  # The build files, older than the configure that read them.
  touch -d '-1 hour' "$t"/CMakeLists.txt "$t"/src/CMakeLists.txt
  echo '#include <string>' >"$t"/src/core/foundation/log.hpp
  echo '#include "log.hpp"' >"$t"/src/core/foundation/log.cpp
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
  # Ordinary text: an include commented out, comment marks in strings.
  printf '/* Read by x11/ now:\n#include <xcb/xcb.h>\n*/\nconst char* glob = "src/*"; // and "*/"\n' \
    >>"$t"/src/app/engine/watch_manager.cpp
  printf '#include <QWidget>\n' >"$t"/src/app/menu/menu_view.hpp
  printf '#include <QWidget>\n#include <app/engine/watch_manager.hpp>\n#include "menu_view.hpp"\n' \
    >"$t"/src/app/menu/menu_view.cpp
  printf '#include "app/platform/x11/xcb_window_list.hpp"\n#include "app/menu/menu_view.hpp"\n' \
    >"$t"/src/app/shell/app_delegate.cpp
  printf '#include "../../src/app/engine/watch_manager.hpp"\n' >"$t"/build/kestrove_engine_autogen/mocs_compilation.cpp
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
  printf '%s\n' 'kestrove_core src/core/foundation/log.cpp' 'kestrove_core src/core/foundation/log.hpp' \
    'kestrove_platform_linux src/app/platform/tesseract/tesseract_engine.cpp' \
    'kestrove_engine src/app/engine/watch_manager.cpp' 'kestrove_ui src/app/menu/menu_view.cpp' \
    'kestrove_shell src/app/shell/app_delegate.cpp' 'kestrove_test_support tests/support/fakes.hpp' \
    "kestrove_engine $t/build/kestrove_engine_autogen/mocs_compilation.cpp" >"$t"/build/sources.txt
  (cd "$t" && write_reply)
  cat >"$t"/build/build.ninja <<'EOF'
rule cxx
  command = c++ -std=c++20 -MD -MF $out.d -I../src -isystem ../../sys -isystem ../../qt/QtCore -isystem ../../qt/QtGui -isystem ../../qt/QtWidgets -c $in -o $out
  depfile = $out.d
  deps = gcc
build src/core/CMakeFiles/kestrove_core.dir/foundation/log.cpp.o: cxx ../src/core/foundation/log.cpp
build src/app/CMakeFiles/kestrove_platform_linux.dir/platform/tesseract/tesseract_engine.cpp.o: cxx ../src/app/platform/tesseract/tesseract_engine.cpp
build src/app/CMakeFiles/kestrove_engine.dir/engine/watch_manager.cpp.o: cxx ../src/app/engine/watch_manager.cpp
build src/app/CMakeFiles/kestrove_engine.dir/kestrove_engine_autogen/mocs_compilation.cpp.o: cxx kestrove_engine_autogen/mocs_compilation.cpp
build src/app/CMakeFiles/kestrove_ui.dir/menu/menu_view.cpp.o: cxx ../src/app/menu/menu_view.cpp
build src/app/CMakeFiles/kestrove_shell.dir/shell/app_delegate.cpp.o: cxx ../src/app/shell/app_delegate.cpp
EOF
}

# The check as run after a build (a source that no longer compiles keeps
# what it read when it last did).
run_check() {
  ninja -C "$1/build" >/dev/null 2>&1
  "$check" --source "$1" --qt-include "$work/qt" "$1/build" 2>&1
}
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
  # What the compiler reads, however the include is written.
  "engine includes XCB after a comment|echo '/* note */ #include <xcb/xcb.h>' >>src/app/engine/watch_manager.cpp|watch_manager.cpp includes <xcb/xcb.h>, a header of the xcb platform library"
  "engine includes XCB after a string holding a comment mark|printf 'const char* other = \"/*\";\\n#include <xcb/xcb.h>\\n' >>src/app/engine/watch_manager.cpp|watch_manager.cpp includes <xcb/xcb.h>, a header of the xcb platform library"
  "engine includes XCB by a digraph|echo '%:include <xcb/xcb.h>' >>src/app/engine/watch_manager.cpp|watch_manager.cpp includes <xcb/xcb.h>, a header of the xcb platform library"
  "engine includes XCB over a spliced line|printf '#inc\\\\\\nlude <xcb/xcb.h>\\n' >>src/app/engine/watch_manager.hpp|watch_manager.hpp includes <xcb/xcb.h>, a header of the xcb platform library"
  "core reads XCB through a header the build writes|mkdir -p build/made && echo '#include <xcb/xcb.h>' >build/made/config.hpp && echo '#include \"../../../build/made/config.hpp\"' >>src/core/foundation/log.cpp|compiling src/core/foundation/log.cpp read $work/sys/xcb/xcb.h, a header of the xcb platform library"
  "a file the build makes for the engine reads XCB|echo '#include <xcb/xcb.h>' >>build/kestrove_engine_autogen/mocs_compilation.cpp|(of kestrove_engine) read"
  "a folder linked into the core|ln -s ../app/platform/x11 src/core/x11link && echo '#include \"core/x11link/xcb_window_list.hpp\"' >>src/core/foundation/log.cpp|src/core/x11link is a symbolic link"
  "the core reads a backend through a linked header|ln -s ../../app/platform/x11/xcb_window_list.hpp src/core/foundation/window.hpp && echo '#include \"window.hpp\"' >>src/core/foundation/log.cpp|log.cpp read src/app/platform/x11/xcb_window_list.hpp (from src/app/platform/x11/)"
  # What each target builds, by the folder each file lies in.
  "the core builds a backend file|echo 'kestrove_core src/app/platform/x11/xcb_window_list.hpp' >>build/sources.txt && write_reply|kestrove_core builds src/app/platform/x11/xcb_window_list.hpp, which only kestrove_platform_linux may build"
  "the core builds a backend file through a linked folder|ln -s ../../app/platform/x11 src/core/foundation/x11 && echo 'kestrove_core src/core/foundation/x11/xcb_window_list.hpp' >>build/sources.txt && write_reply|kestrove_core builds src/app/platform/x11/xcb_window_list.hpp"
  "the engine builds a test helper|echo 'kestrove_engine tests/support/fakes.hpp' >>build/sources.txt && write_reply|kestrove_engine builds tests/support/fakes.hpp, outside src/"
  # A configure the graph does not tell.
  "a build file changed after the target graph was made|touch src/CMakeLists.txt|the target graph is older than src/CMakeLists.txt"
  "a build folder that was never built with Ninja|rm build/build.ninja build/.ninja_deps|no dependency lists"
)
for entry in "${cases[@]}"; do
  IFS='|' read -r name breaking expected <<<"$entry"
  rm -rf "$work/case" && cp -a "$work/good" "$work/case"
  (cd "$work/case" && eval "$breaking")
  if out=$(run_check "$work/case"); then
    echo "FAIL: $name: the check passed"; failures=$((failures + 1))
  elif [[ "$out" != *"$expected"* ]]; then
    echo "FAIL: $name: the check did not say \"$expected\":"; echo "$out"; failures=$((failures + 1))
  fi
done

[[ $failures -eq 0 ]] && echo "every broken layer refused (${#cases[@]} cases)"
exit $((failures > 0))
