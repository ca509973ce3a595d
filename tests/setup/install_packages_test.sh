#!/usr/bin/env bash
# tools/setup/install-packages.sh against stand-ins for dpkg-query, apt-get, sudo and id:
# which packages it asks apt-get for, when it goes through sudo, and what it reports.
set -uo pipefail
script=$(cd "$(dirname "$0")/../.." && pwd)/tools/setup/install-packages.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Stand-ins. MISSING: the packages dpkg-query does not know as installed; FAKE_UID: what
# id -u says; APT_RC: apt-get's exit status. Every apt-get and sudo call lands in $LOG.
mkdir -p "$work/bin" "$work/nosudo"
cat > "$work/bin/dpkg-query" <<'STUB'
#!/bin/bash
pkg=${!#}
for m in $MISSING; do
  [[ $m == "$pkg" ]] && { echo "dpkg-query: no packages found matching $pkg" >&2; exit 1; }
done
printf 'install ok installed'
STUB
cat > "$work/bin/apt-get" <<'STUB'
#!/bin/bash
echo "apt-get ${DEBIAN_FRONTEND:-}|$*" >> "$LOG"
exit "${APT_RC:-0}"
STUB
cat > "$work/bin/sudo" <<'STUB'
#!/bin/bash
echo "sudo" >> "$LOG"
unset DEBIAN_FRONTEND # sudo hands on a reset environment
exec "$@"
STUB
cat > "$work/bin/id" <<'STUB'
#!/bin/bash
echo "$FAKE_UID"
STUB
chmod +x "$work/bin/"*
for tool in env sed; do
  ln -s "$(command -v $tool)" "$work/bin/$tool"
  ln -s "$(command -v $tool)" "$work/nosudo/$tool"
done
for tool in dpkg-query apt-get id; do ln -s "$work/bin/$tool" "$work/nosudo/$tool"; done

failures=0
fail() { echo "FAIL [$case]: $*"; failures=$((failures + 1)); }

# run <path dir> <uid> <missing> [args...]: sets rc, out (stdout and stderr) and log.
run() {
  local dir=$1 uid=$2 missing=$3
  shift 3
  : > "$work/log"
  # The caller's DEBIAN_FRONTEND must not pass for the script's own.
  out=$(unset DEBIAN_FRONTEND
    PATH="$work/$dir" LOG="$work/log" FAKE_UID=$uid MISSING=$missing APT_RC=${APT_RC:-0} \
    /bin/bash "$script" "$@" 2>&1)
  rc=$?
  log=$(cat "$work/log")
}

expect_rc() { [[ $rc == "$1" ]] || fail "exit status $rc, expected $1 (output: $out)"; }
expect_log() {
  [[ $log == "$1" ]] || fail "calls were
$log
expected
$1"
}

install_line='install -y -qq --no-install-recommends'

case="everything present: no apt-get, no output"
run bin 0 ""
expect_rc 0
expect_log ""
[[ -z $out ]] || fail "output: $out"

case="the JSON library and the comparison peer missing, as root: only those, no sudo"
run bin 0 "nlohmann-json3-dev python3-fluids"
expect_rc 0
expect_log "apt-get |update -qq
apt-get noninteractive|$install_line nlohmann-json3-dev python3-fluids"

case="missing, as a user: every apt-get call goes through sudo, non-interactive"
run bin 1000 "libcli11-dev"
expect_rc 0
expect_log "sudo
apt-get |update -qq
sudo
apt-get noninteractive|$install_line libcli11-dev"

case="missing, as a user without sudo: refused, nothing run, the packages named"
run nosudo 1000 "libgtest-dev libgmock-dev"
expect_rc 1
expect_log ""
[[ $out == *"libgtest-dev libgmock-dev"* ]] || fail "message does not name the packages: $out"

case="as a user with everything present: sudo is not needed"
run nosudo 1000 ""
expect_rc 0
expect_log ""

case="apt-get fails: the failure is reported"
APT_RC=100 run bin 0 "cmake"
[[ $rc != 0 ]] || fail "exit status 0 after apt-get failed"

case="clang only with --ci"
run bin 0 "clang libclang-rt-14-dev"
expect_rc 0
expect_log ""
run bin 0 "clang libclang-rt-14-dev g++" --ci
expect_rc 0
expect_log "apt-get |update -qq
apt-get noninteractive|$install_line g++ clang libclang-rt-14-dev"

case="--list prints the missing packages and installs nothing"
run bin 0 "python3-numpy libsundials-dev" --list
expect_rc 0
expect_log ""
[[ $out == $'python3-numpy\nlibsundials-dev' ]] || fail "listed: $out"

case="an unknown argument is refused before anything is installed"
run bin 0 "cmake" --cl
expect_rc 2
expect_log ""

((failures == 0)) && echo "all cases passed"
exit $((failures != 0))
