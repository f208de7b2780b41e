# Shared by the end-to-end scripts: the counts, the check line, and the
# registry calls. Every reg.exe call names its view (see cli_e2e.sh).
# A script defines diagnose() to print what a failed check is to show.

WINE=${WINE:-wine}
passed=0
failed=0
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
lm_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Run'

check() { # description, then a command that must succeed
  local what=$1; shift
  if "$@"; then
    passed=$((passed + 1)); echo "ok   $what"
  else
    failed=$((failed + 1)); echo "FAIL $what"
    echo "     $(diagnose)"
  fi
}

summary() { echo "$passed passed, $failed failed"; }

reg_type() { # key value [view: 64 or 32] -> prints the value's type, or nothing when absent
  "$WINE" reg query "$1" /v "$2" "/reg:${3:-64}" 2>/dev/null | tr -d '\r' |
    awk -v v="$2" '$1 == v { print $2 }'
}

reg_data() { # key value [view] -> prints the value's data, or nothing when absent
  "$WINE" reg query "$1" /v "$2" "/reg:${3:-64}" 2>/dev/null | tr -d '\r' |
    awk -v v="$2" '$1 == v { sub(/^ *[^ ]+ +[^ ]+ +/, ""); print }'
}

reg_has() { # key value view
  "$WINE" reg query "$1" /v "$2" "/reg:$3" >/dev/null 2>&1
}

reg_add() { # key value type data view
  "$WINE" reg add "$1" /v "$2" /t "$3" /d "$4" /f "/reg:$5" >/dev/null 2>&1
}

reg_del() { # key value view
  "$WINE" reg delete "$1" /v "$2" /f "/reg:$3" >/dev/null 2>&1
}
