#!/bin/sh
# Stands in for pkexec in the package test: records the command it was asked
# to run (in Z3_SIM_INSTALADOR) and plays the administrator, whose answer is the
# word in the file named by Z3_SIM_PKEXEC: "negar" dismisses the consent dialog
# (pkexec's exit code 126); anything else runs the command (the test is root).
printf '%s\n' "$*" >>"${Z3_SIM_INSTALADOR:-/dev/null}"
if [ "$(cat "${Z3_SIM_PKEXEC:-/dev/null}" 2>/dev/null)" = negar ]; then
    exit 126
fi
exec "$@"
