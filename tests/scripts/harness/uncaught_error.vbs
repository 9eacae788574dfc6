Check True, "a passing check"
Err.Raise 5
Check True, "never reached"
