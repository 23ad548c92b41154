# Shared by the test scripts: sourced, not run.

# Ends the test as failed, saying why. A script that keeps what the program printed in a file
# names it in $failure_output, to show it after the message.
fail() {
    echo "FAIL: $*"
    if [[ -n ${failure_output:-} && -s $failure_output ]]; then cat "$failure_output"; fi
    exit 1
}
