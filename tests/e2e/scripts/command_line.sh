#!/usr/bin/env bash
# Every program and every vavirir-cli command answers --help with its usage on
# standard output and --version with "<program> <version>", both with exit 0;
# a command line a program cannot accept gives exit 2 and nothing on stdout.
# Every command's --help gives more than its usage line, and every command and
# option the programs know is in their manual page and the bash completion.
#   command_line.sh BUILD_DIR VERSION [SOURCE_DIR]
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

commands=$("$build/vavirir-cli" --help | sed -n 's/^  vavirir-cli \([a-z]*\).*/\1/p')
[ "$(wc -w <<<"$commands")" -ge 10 ] || fail "vavirir-cli --help lists only: $commands"
for command in $commands; do
    expect 0 "^usage: vavirir-cli $command( |\$)" "$build/vavirir-cli" "$command" --help
    lines=$("$build/vavirir-cli" "$command" --help | wc -l)
    [ "$lines" -gt 1 ] || fail "vavirir-cli $command --help gives only its usage line"
    expect 0 "^usage: vavirir-cli $command( |\$)" "$build/vavirir-cli" "$command" --port 3 --help
    expect 0 "^vavirir-cli $version\$" "$build/vavirir-cli" "$command" --version
    expect 2 "" "$build/vavirir-cli" "$command" --no-such-option
done
expect 2 "" "$build/vavirir-cli"

# plain_man PAGE: the page's source with the escapes of dashes and fonts removed.
plain_man() {
    sed 's/\\-/-/g; s/\\f[BIRP]//g' "$build/man/$1.1"
}
completion=${3:-}/resources/completion/vavirir-cli
for command in $commands; do
    grep -qE "^\.B $command( |\$)" <(plain_man vavirir-cli) ||
        fail "the manual page has no entry for vavirir-cli $command"
    if [ -n "${3:-}" ]; then
        grep -qE "^ *local commands=\".*\<$command\>" "$completion" ||
            fail "the completion does not offer $command"
    fi
    for option in $("$build/vavirir-cli" "$command" --help | head -1 | grep -oE -- '--[a-z-]+'); do
        [ "$option" = --help ] && continue
        grep -qF -- "$option" <(plain_man vavirir-cli) ||
            fail "the manual page does not name vavirir-cli $command $option"
        if [ -n "${3:-}" ]; then
            grep -qE "^ *$command\) options=\".*$option\>" "$completion" ||
                fail "the completion does not offer $command $option"
        fi
    done
done
if [ -x "$build/vavirir" ]; then
    for option in $("$build/vavirir" --help | grep -oE -- '^ +(-[a-z], )?--[a-z-]+' | grep -oE -- '--[a-z-]+'); do
        case $option in --help-all) continue ;; esac
        grep -qF -- "$option" <(plain_man vavirir) ||
            fail "the manual page does not name vavirir $option"
    done
fi
expect 2 "" "$build/vavirir-cli" no-such-command
expect 2 "" "$build/vavirir-sim"

[ "$failures" -eq 0 ] || exit 1
echo "command line: all answers as expected"
