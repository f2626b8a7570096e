#!/bin/sh
# Stand-in installer: records that it ran, with its arguments, and ends.
registro="${Z3_SIM_INSTALADOR:-${TMPDIR:-/tmp}/z3_instalador.log}"
printf '%s|%s\n' "$0" "$*" >> "$registro"
exit 0
