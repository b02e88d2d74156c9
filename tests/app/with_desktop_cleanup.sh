#!/usr/bin/env bash
# scripts/with-desktop hands on a failing command's status and leaves no
# process and no folder of its desktop behind.
set -u
harness=$1
flags=$(mktemp -d)
trap 'rm -rf "$flags"' EXIT

"$harness" bash -c 'echo "$KESTROVE_DESKTOP_DIR" >"$1/dir"; touch "$1/up"
                    while [[ ! -e $1/go ]]; do sleep 0.05; done; exit 3' _ "$flags" &
outer=$!
for _ in $(seq 400); do [[ -e $flags/up ]] && break; sleep 0.05; done
[[ -e $flags/up ]] || { echo "the command never ran"; exit 1; }

# Everything the harness started, while the command still runs.
started=()
parents=("$outer")
while ((${#parents[@]})); do
  children=()
  for f in /proc/[0-9]*/stat; do
    read -r stat 2>/dev/null <"$f" || continue
    pid=${stat%% *}; rest=${stat##*) }; rest=${rest#* }; ppid=${rest%% *}
    for p in "${parents[@]}"; do [[ $ppid == "$p" ]] && children+=("$pid"); done
  done
  started+=("${children[@]}")
  parents=("${children[@]}")
done
# Daemons that left their parent stay in the session's process group.
group_of() {
  local stat rest
  read -r stat 2>/dev/null </proc/"$1"/stat || return
  rest=${stat##*) }; read -r _ _ rest _ <<<"$rest"; echo "$rest"
}
own=$(group_of $$)
groups=" "
for pid in "${started[@]}"; do
  g=$(group_of "$pid")
  [[ -n $g && $g != "$own" ]] && groups+="$g "
done
for f in /proc/[0-9]*/stat; do
  read -r stat 2>/dev/null <"$f" || continue
  pid=${stat%% *}; rest=${stat##*) }; read -r _ _ g _ <<<"$rest"
  [[ $groups == *" $g "* && " ${started[*]} " != *" $pid "* ]] && started+=("$pid")
done
((${#started[@]} >= 3)) || { echo "expected the server, the bus and the command, found ${started[*]}"; exit 1; }

touch "$flags/go"
wait "$outer"; rc=$?
fail=0
[[ $rc == 3 ]] || { echo "exit status $rc, expected 3"; fail=1; }
dir=$(cat "$flags/dir")
[[ -n $dir && ! -e $dir ]] || { echo "the desktop folder '$dir' is left behind"; fail=1; }
for pid in "${started[@]}"; do
  [[ -r /proc/$pid/stat ]] || continue
  read -r stat 2>/dev/null </proc/"$pid"/stat || continue
  rest=${stat##*) }
  [[ ${rest%% *} == Z ]] && continue
  echo "still running: $pid $(tr '\0' ' ' </proc/"$pid"/cmdline 2>/dev/null)"; fail=1
done
exit "$fail"
