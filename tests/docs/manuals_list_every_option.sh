#!/usr/bin/env bash
# Every option a program's --help lists is in its manual page.
# Usage: manuals_list_every_option.sh MANDIR PROGRAM...
set -uo pipefail
mandir=$1
shift
status=0
for program in "$@"; do
  name=$(basename "$program")
  page="$mandir/$name.1"
  options=$("$program" --help | grep -oE '(^|[][ ,(|])--?[a-z][a-z0-9-]*' | sed -E 's/^[][ ,(|]//' | sort -u)
  [ -n "$options" ] || { echo "$name: --help lists no option"; status=1; }
  for option in $options; do
    escaped=${option//-/\\-}
    if ! grep -qF -- "$escaped" "$page"; then
      echo "$name: $option is not in $page"
      status=1
    fi
  done
done
exit $status
