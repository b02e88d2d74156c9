#!/usr/bin/env bash
# scripts/run and scripts/install-deps on a copy of the scripts, with apt,
# dpkg, sudo and cmake replaced by recorders: what each session asks to
# install, whether it builds, and that a missing display stops everything
# before either.
# usage: test_run_script.sh <scripts folder>
set -uo pipefail
scripts=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mkdir -p "$work/repo/scripts" "$work/bin" "$work/build/src/app"
cp "$scripts/run" "$scripts/install-deps" "$scripts/packages.txt" "$scripts/packages-test.txt" "$work/repo/scripts/"
calls=$work/calls
# Every stand-in writes its name and arguments, one call a line.
for tool in apt-get cmake; do
  printf '#!/usr/bin/env bash\necho "%s $*" >>"%s"\n' "$tool" "$calls" >"$work/bin/$tool"
done
# sudo runs what it is given (recorded too).
printf '#!/usr/bin/env bash\necho "sudo $*" >>"%s"\n"$@"\n' "$calls" >"$work/bin/sudo"
# dpkg-query tells every package installed when $INSTALLED is 1, none otherwise.
printf '#!/usr/bin/env bash\n[[ "${INSTALLED:-0}" == 1 ]] && printf "install ok installed"\nexit 0\n' \
  >"$work/bin/dpkg-query"
printf '#!/usr/bin/env bash\necho "kestrove $*" >>"%s"\n' "$calls" >"$work/build/src/app/kestrove"
chmod +x "$work"/bin/* "$work/build/src/app/kestrove"

names() { sed -e 's/#.*//' -e 's/[[:space:]]//g' "$1" | grep -v '^$'; }
mapfile -t runNames < <(names "$scripts/packages.txt")
mapfile -t testNames < <(names "$scripts/packages-test.txt")

failures=0
fail() { echo "FAIL ($name): $*"; failures=$((failures + 1)); }

# A command in the copied tree with the stand-ins first on PATH and a clean
# session: only the variables a case sets.
run_case() {
  rm -f "$calls"; touch "$calls"
  out=$(cd "$work/repo" && env -i PATH="$work/bin:/usr/bin:/bin" HOME="$work" KESTROVE_BUILD_DIR="$work/build" \
    "$@" 2>&1)
  status=$?
}
installed_line() { grep '^apt-get .*install' "$calls" || true; }
asked_for() { installed_line | tr ' ' '\n' | grep -qx -- "$1"; }

# name | environment | what stderr says (empty: exit 0)
no_display=(
  "no display|XDG_SESSION_TYPE=x11|DISPLAY is not set"
  "Wayland without X11|XDG_SESSION_TYPE=wayland WAYLAND_DISPLAY=wayland-0|Wayland session without X11"
)
for c in "${no_display[@]}"; do
  IFS='|' read -r name envs says <<<"$c"
  # shellcheck disable=SC2086
  run_case $envs ./scripts/run --connect-telegram
  [[ $status == 1 ]] || fail "exit status $status, not 1"
  [[ "$out" == *"$says"* ]] || fail "says: $out"
  [[ ! -s "$calls" ]] || fail "installed or built first: $(cat "$calls")"
done

name="nothing installed, a display"
run_case DISPLAY=:97 INSTALLED=0 ./scripts/run --connect-telegram
[[ $status == 0 ]] || fail "exit status $status: $out"
[[ -n "$(installed_line)" ]] || fail "nothing was installed"
for p in "${runNames[@]}"; do asked_for "$p" || fail "$p was not asked for"; done
for p in "${testNames[@]}"; do ! asked_for "$p" || fail "the test package $p was asked for"; done
installed_line | grep -q -- '--no-install-recommends' || fail "recommended packages come too: $(installed_line)"
grep -q -- '-DKESTROVE_BUILD_TESTS=OFF' "$calls" || fail "the tests are configured: $(grep cmake "$calls")"
grep -q -- '--target kestrove' "$calls" || fail "kestrove alone is not built: $(grep cmake "$calls")"
[[ "$(tail -n 1 "$calls")" == "kestrove --connect-telegram" ]] || fail "kestrove is not started last: $(cat "$calls")"

name="everything installed"
run_case DISPLAY=:97 INSTALLED=1 ./scripts/run
[[ $status == 0 ]] || fail "exit status $status: $out"
! grep -q '^apt-get\|^sudo' "$calls" || fail "apt asked again: $(cat "$calls")"
run_case INSTALLED=1 ./scripts/install-deps --test
[[ "$out" == *"every package is installed"* && ! -s "$calls" ]] || fail "the test set: $out / $(cat "$calls")"

name="the test set"
run_case INSTALLED=0 ./scripts/install-deps --test
[[ $status == 0 ]] || fail "exit status $status: $out"
for p in "${runNames[@]}" "${testNames[@]}"; do asked_for "$p" || fail "$p was not asked for"; done
run_case INSTALLED=0 ./scripts/install-deps --test --check
[[ $status == 1 && "$out" == *"missing: "*chromium* && ! -s "$calls" ]] || fail "--check: $status $out"

name="through sudo"
if [[ $(id -u) -eq 0 ]]; then
  # As root apt is called directly; a user goes through sudo (told by id).
  printf '#!/usr/bin/env bash\n[[ "$1" == -u ]] && { echo 1000; exit 0; }\nexec /usr/bin/id "$@"\n' >"$work/bin/id"
  chmod +x "$work/bin/id"
fi
run_case INSTALLED=0 ./scripts/install-deps
grep -q '^sudo env DEBIAN_FRONTEND=noninteractive apt-get install' "$calls" || fail "not through sudo: $(cat "$calls")"

if [[ $failures -gt 0 ]]; then
  echo "$failures failures"
  exit 1
fi
echo "every case passed"
