Check True, "a passing check"
Check False, "a deliberately failing check"
