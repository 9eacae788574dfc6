Check True, "never runs"
If Then Else
