# The real services keep the same contracts as the simulated ones, and the windowing
# backend shows and reports what the program's forms expect, and Velvinor.exe carries
# its icon, version information and manifest (contract_check.cpp).
reset_machine
start_progman
cp "$VEL_CONTRACT" "$TOOLS/"
cp "$VEL_EXE" "$TOOLS/Velvinor.exe"
out=$(cd "$TOOLS" && timeout 120 "$WINE" contract_check.exe --dde --exe 'C:\velvinor-test\Velvinor.exe' 2>/dev/null </dev/null) ||
  status=$?
printf '%s\n' "$out"
[ "${status:-0}" -eq 0 ] || fail "the contract check failed"
