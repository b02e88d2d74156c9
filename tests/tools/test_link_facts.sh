#!/usr/bin/env bash
# cmake/link_facts.cmake in a project configured for the first time: the
# configure succeeds, writes the folders' link facts and asks the File API
# for what scripts/check-architecture reads.
# usage: test_link_facts.sh <link_facts.cmake>
set -uo pipefail
facts=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/src/sub"
cat >"$work/CMakeLists.txt" <<CMAKE
cmake_minimum_required(VERSION 3.25)
project(facts NONE)
include($facts)
kestrove_link_facts()
add_subdirectory(src/sub)
CMAKE
echo 'kestrove_link_facts()' >"$work/src/sub/CMakeLists.txt"

fail=0
if ! out=$(cmake -S "$work" -B "$work/build" 2>&1); then
  echo "FAIL: a fresh build folder does not configure:"; echo "$out"; fail=1
fi
for f in .cmake/api/v1/query/client-kestrove/codemodel-v2 .cmake/api/v1/query/client-kestrove/cmakeFiles-v1 \
         architecture/links/folders.txt architecture/links/top_src_sub.dot; do
  [[ -e "$work/build/$f" ]] || { echo "FAIL: no $f after the first configure"; fail=1; }
done
[[ $fail == 0 ]] && echo "1 passed, 0 failed" || echo "0 passed, 1 failed"
exit $fail
