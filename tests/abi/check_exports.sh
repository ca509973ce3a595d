#!/usr/bin/env bash
# The shared library exports exactly the names hosts rely on.
set -euo pipefail
lib=$1
expected=$2
actual=$(nm -D --defined-only "$lib" | awk '{print $3}' | sort)
if ! diff <(sort "$expected") <(echo "$actual"); then
  echo "exported names differ from $expected (< expected, > exported)" >&2
  exit 1
fi
echo "exports match"
