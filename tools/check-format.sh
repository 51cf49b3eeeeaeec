#!/usr/bin/env bash
# Fails when a C++ file of the project is not formatted as .clang-format says.
set -eu
cd "$(dirname "$0")/.."
find app bench framework fuzz maps profile remote res servercfg servers setmasters soak standin tests \
    -name '*.cpp' -o -name '*.h' 2>/dev/null | sort | xargs clang-format --dry-run -Werror
