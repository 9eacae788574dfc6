' Letter case as a script sees it.
Dim c, name
Set c = CreateObject("Kitbag.clsCommon")

CheckEqual c.cmn_StringToProperCase("HELLO wORLD"), "Hello World", "proper case"
CheckEqual c.cmn_StringToProperCase("abc1def o'neil"), "Abc1def O'neil", "digits and punctuation start no word"
CheckEqual c.cmn_StringToProperCase("æble" & vbTab & "grød"), "Æble" & vbTab & "Grød", "Danish letters, tab"

CheckEqual c.cmn_CamelCase("hello world-foo"), "HelloWorldFoo", "camel case"
CheckEqual c.cmn_CamelCase("ÆBLE gRØD"), "ÆbleGrød", "with Danish letters"
CheckEqual c.cmn_CamelCase("  "), "", "only spaces"
CheckEqual c.cmn_CamelCase("a_b"), "AB", "an underscore separates"

name = "OLD MCDONALD MCINTOSH"
CheckEqual c.cmn_PropperCase(name), "Old McDonald Mcintosh", "only the first Mc"
CheckEqual name, "OLD MCDONALD MCINTOSH", "the name is not changed"
CheckEqual c.cmn_PropperCase("mcdonald"), "McDonald", "Mc prefix"
CheckEqual c.cmn_PropperCase("tomcat"), "TomcAt", "Mc inside a word"
CheckEqual c.cmn_PropperCase("mc"), "Mc", "Mc with nothing behind it"
