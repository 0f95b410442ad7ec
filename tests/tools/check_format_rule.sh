#!/bin/sh
# Checks that a format outside what FormatText, FormatWhole and ScanText
# carry out fails the build: each call below is compiled (syntax only, with
# the host compiler) and must be refused with the runtime's message, or as
# not constant for a format chosen at run time, or, for the supported
# formats at the end, accepted. Prints one line; exits 1 naming
# the call that was judged wrongly.
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
refusal='the format holds a conversion that this function does not carry out'

fail=0
count=0
while IFS='|' read -r verdict call; do
    [ -n "$verdict" ] || continue
    count=$((count + 1))
    cat >"$work/call.cpp" <<EOF
#include "common/bounded_format.h"
#include "common/runtime/scan.h"
int Call(bool flag)
{
    char b[16];
    int i = 0;
    return static_cast<int>($call) + (flag ? 1 : 0) + b[0] + i;
}
EOF
    if g++ -std=c++17 -fsyntax-only -Wall -Werror -I "$root" "$work/call.cpp" >"$work/out" 2>&1; then
        built=yes
    else
        built=no
    fi
    case "$verdict-$built" in
    refused-no | variable-no)
        expected=$refusal
        [ "$verdict" = variable ] && expected='constant expression'
        grep -q "$expected" "$work/out" ||
            { echo "check_format_rule: $call failed otherwise: $(head -5 "$work/out")"; fail=1; } ;;
    refused-yes | variable-yes) echo "check_format_rule: $call was built"; fail=1 ;;
    built-no) echo "check_format_rule: $call was refused: $(head -5 "$work/out")"; fail=1 ;;
    esac
done <<'EOF'
refused|FormatText(b, sizeof b, "%x", 1u)
refused|FormatText(b, sizeof b, "%d%", 1)
refused|FormatWhole(b, sizeof b, "%+d", 1)
refused|ScanText("1", "%5d", &i)
variable|FormatText(b, sizeof b, flag ? "%d" : "%u", 1)
built|FormatText(b, sizeof b, "%-5.3ld|%*s|%c|%%", 1l, 2, "x", 'c')
built|FormatWhole(b, sizeof b, "plain")
built|ScanText("1, 2", "%d,%d", &i, &i)
EOF
[ "$fail" -eq 0 ] && echo "check_format_rule: OK ($count calls judged as they should be)"
exit "$fail"
