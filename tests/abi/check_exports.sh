#!/usr/bin/env bash
# The shared library exports exactly the names hosts rely on (the first word of each
# line of the list; a procedure's line goes on with its argument shape).
set -euo pipefail
lib=$1
expected=$2
actual=$(nm -D --defined-only "$lib" | awk '{print $3}' | sort)
if ! diff <(awk '{print $1}' "$expected" | sort) <(echo "$actual"); then
  echo "exported names differ from $expected (< expected, > exported)" >&2
  exit 1
fi
echo "exports match"
