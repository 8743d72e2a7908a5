#!/usr/bin/env bash
# Entry point for a fresh machine: makes sure `make` exists, then runs the
# Makefile target given (run, test, test-asan, fuzz, bench, ...).
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh base
exec make "$@"
