Check True, "a passing check"
Do
Loop
