#!/usr/bin/env bash
# Every program and every vavirir-cli command answers --help with its usage on
# standard output and --version with "<program> <version>", both with exit 0;
# a command line a program cannot accept gives exit 2 and nothing on stdout.
#   command_line.sh BUILD_DIR VERSION
set -uo pipefail
build=$1
version=$2
export QT_QPA_PLATFORM=offscreen
failures=0

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# expect EXIT STDOUT_PATTERN PROGRAM ARGS...
expect() {
    local want_exit=$1 pattern=$2
    shift 2
    local out err code
    out=$("$@" 2>/tmp/vavirir-command-line-$$.err)
    code=$?
    err=$(cat /tmp/vavirir-command-line-$$.err)
    rm -f /tmp/vavirir-command-line-$$.err
    [ "$code" -eq "$want_exit" ] || fail "$* exited $code, not $want_exit (stderr: $err)"
    if [ -n "$pattern" ]; then
        grep -qiE -- "$pattern" <<<"$out" || fail "$* printed '$out', not /$pattern/"
    elif [ -n "$out" ]; then
        fail "$* printed '$out' on stdout"
    fi
    if [ "$want_exit" -ne 0 ] && [ -z "$err" ]; then
        fail "$* failed without a message on stderr"
    fi
}

for program in vavirir vavirir-cli vavirir-sim; do
    [ -x "$build/$program" ] || continue
    expect 0 "^$program $version\$" "$build/$program" --version
    expect 0 "[Uu]sage: .*$program" "$build/$program" --help
done

for command in decode replay dump export ports record download; do
    expect 0 "^usage: vavirir-cli $command( |\$)" "$build/vavirir-cli" "$command" --help
    expect 0 "^usage: vavirir-cli $command( |\$)" "$build/vavirir-cli" "$command" --port 3 --help
    expect 0 "^vavirir-cli $version\$" "$build/vavirir-cli" "$command" --version
    expect 2 "" "$build/vavirir-cli" "$command" --no-such-option
done
expect 2 "" "$build/vavirir-cli"
expect 2 "" "$build/vavirir-cli" no-such-command
expect 2 "" "$build/vavirir-sim"

[ "$failures" -eq 0 ] || exit 1
echo "command line: all answers as expected"
