#!/usr/bin/env bash
# Installs the Debian packages that building, testing and benchmarking xv55 need and
# that this machine lacks; does nothing when every one is present. Runs apt-get
# directly as root, through sudo otherwise.
#
#   tools/setup/install-packages.sh         compiler, CMake, the libraries of the build
#                                           and of the tests, Python with its test and
#                                           benchmark packages
#   tools/setup/install-packages.sh --ci    also clang and its runtime (sanitizer and
#                                           fuzz builds)
#   tools/setup/install-packages.sh --list  print the missing packages, install nothing
set -euo pipefail

# The library, the reference host and the command-line host; GoogleTest and Google
# Benchmark are looked for when the build is configured with tests and benchmarks.
build=(cmake make gcc g++ binutils nlohmann-json3-dev libcli11-dev libgtest-dev libgmock-dev
       libbenchmark-dev)
# The Python package's tests, the solver example and the side-by-side benchmarks
# (python3-fluids is only ever a peer to compare with).
tests=(python3-numpy python3-pytest python3-matplotlib python3-fluids libsundials-dev)
# The clang builds: sanitizers with coverage and the libFuzzer targets.
ci=(clang libclang-rt-14-dev)

usage() { sed -n '2,11s/^# \{0,1\}//p' "$0"; }

packages=("${build[@]}" "${tests[@]}")
list_only=0
for arg in "$@"; do
  case $arg in
    --ci) packages+=("${ci[@]}") ;;
    --list) list_only=1 ;;
    -h | --help) usage; exit 0 ;;
    *) echo "install-packages: unknown argument '$arg'" >&2; usage >&2; exit 2 ;;
  esac
done

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ $status == *"install ok installed"* ]] || missing+=("$p")
done

if ((list_only)); then
  ((${#missing[@]})) && printf '%s\n' "${missing[@]}"
  exit 0
fi
((${#missing[@]})) || exit 0

as_root=()
if [[ $(id -u) != 0 ]]; then
  command -v sudo > /dev/null || {
    echo "install-packages: not root and no sudo: install ${missing[*]} as root" >&2
    exit 1
  }
  as_root=(sudo)
fi
echo "+ installing ${missing[*]}"
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive \
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
