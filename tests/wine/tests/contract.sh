# The real services keep the same contracts as the simulated ones, and the windowing
# backend shows and reports what the program's forms expect (contract_check.cpp).
reset_machine
start_progman
cp "$VEL_CONTRACT" "$TOOLS/"
out=$(cd "$TOOLS" && timeout 120 wine contract_check.exe --dde 2>/dev/null </dev/null) || status=$?
printf '%s\n' "$out"
[ "${status:-0}" -eq 0 ] || fail "the contract check failed"
