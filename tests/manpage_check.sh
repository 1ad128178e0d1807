#!/usr/bin/env bash
# The manual page against the program: every command and every option that
# the help texts print, and every optimiser method, appear in it, and groff
# formats it without a warning.
# Usage: manpage_check.sh TARVEX MANPAGE
set -uo pipefail
tarvex=$1
page=$2
failures=0

missing() {
  echo "manpage: $1 is not in $page"
  failures=$((failures + 1))
}

# The text as groff writes it: a dash is "\-".
in_page() { grep -qF -- "${1//-/\\-}" "$page"; }

overview=$("$tarvex" help) || { echo "manpage: 'tarvex help' failed"; exit 1; }
commands=$(sed -n 's/^  tarvex \([a-z][a-z]*\) .*/\1/p; s/^  tarvex \([a-z][a-z]*\)$/\1/p' <<<"$overview" | sort -u)
[ -n "$commands" ] || { echo "manpage: no command found in 'tarvex help'"; exit 1; }

texts=$overview
for command in $commands; do
  grep -q "^\.B tarvex $command\$" "$page" || missing "the synopsis of '$command'"
  grep -q "^\.B $command\$" "$page" || missing "the description of '$command'"
  [ "$command" = help ] && continue
  text=$("$tarvex" "$command" --help) || { echo "manpage: 'tarvex $command --help' failed"; exit 1; }
  texts+=$'\n'"$text"
done

for option in $(grep -oE -- '(^|[[ ])--?[a-z][a-z-]*' <<<"$texts" | tr -d '[ ' | sort -u); do
  in_page "$option" || missing "option $option"
done

# The methods listed under --method by 'optimise --help'.
methods=$("$tarvex" optimise --help | awk '/^  --method/ {on = 1; next} /^  --/ {on = 0} on && /^ +[a-z]+  / {print $1}')
[ -n "$methods" ] || { echo "manpage: no method found in 'tarvex optimise --help'"; exit 1; }
for method in $methods; do
  grep -q "^\.B $method\$" "$page" || missing "method $method"
  grep -qF "$method" <<<"$(grep -A1 -F -- '\-\-method' "$page" | head -2)" || missing "method $method in the synopsis"
done

if command -v groff >/dev/null; then
  warnings=$(groff -ww -man -z "$page" 2>&1)
  [ -z "$warnings" ] || { echo "manpage: groff warns:"; echo "$warnings"; failures=$((failures + 1)); }
else
  echo "manpage: groff missing, formatting not checked"
fi

[ "$failures" -eq 0 ] && echo "manpage: $(wc -w <<<"$commands") commands, $(wc -w <<<"$methods") methods checked"
exit $((failures > 0))
