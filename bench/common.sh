# What the benchmark scripts share, sourced by each: their options and the
# programs they need.

# Sets the variable each "--name VALUE" names (dashes as underscores), if the
# script lists it in $options; anything else is a usage error, answered with
# the script's $usage.
parse_options() {
  while [ $# -gt 0 ]; do
    local option=${1#--}
    option=${option//-/_}
    if [[ $1 != --* || $# -lt 2 || " $options " != *" $option "* ]]; then
      echo "usage: $0 $usage" >&2
      exit 2
    fi
    printf -v "$option" '%s' "$2"
    shift 2
  done
}

# Stops with a message when one of the programs is missing.
require_programs() {
  local program
  for program in "$@"; do
    command -v "$program" >/dev/null || { echo "$0: $program is missing (cmake/install-deps.sh bench)" >&2; exit 1; }
  done
}
