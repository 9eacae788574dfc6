Check(true, "a passing check");
throw new Error("deliberate");
