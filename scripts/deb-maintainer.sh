#!/usr/bin/env bash
# Prints the Debian package's maintainer, "Name <address>", taken as Debian's own tools take
# it: the name from DEBFULLNAME (or NAME), the address from DEBEMAIL (or EMAIL); a DEBEMAIL
# of the form "Name <address>" gives the name too when DEBFULLNAME is unset. What is not set
# falls back to the project's own.
set -euo pipefail
name=${DEBFULLNAME:-${NAME:-}}
email=${DEBEMAIL:-${EMAIL:-}}
if [[ $email =~ ^(.*[^[:space:]])[[:space:]]*\<([^<>]+)\>$ ]]; then
  [ -n "$name" ] || name=${BASH_REMATCH[1]}
  email=${BASH_REMATCH[2]}
fi
name=${name:-Quorvine developers}
email=${email:-quorvine@example.org}
# A line break or an angle bracket would break the control file's field.
if [[ $name$email == *[$'\n'\<\>]* ]]; then
  echo "deb-maintainer.sh: DEBFULLNAME and DEBEMAIL must not hold line breaks or angle brackets" >&2
  exit 1
fi
echo "$name <$email>"
