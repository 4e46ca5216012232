#!/bin/sh
# Stands in for the desktop's package installer: writes the file it was given to
# $ZYM_STUB_OPENER_OUT (a named pipe the test reads).
printf '%s\n' "$1" > "$ZYM_STUB_OPENER_OUT"
