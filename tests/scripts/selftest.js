// Proves the script harness for JScript: checks, error capture and locale.
var fso = new ActiveXObject("Scripting.FileSystemObject");
var shell = new ActiveXObject("WScript.Shell");

CheckEqual(fso.BuildPath("C:\\data", "x"), "C:\\data\\x", "BuildPath adds the separator");
CheckEqual(fso.BuildPath("C:\\data\\", "*.txt"), "C:\\data\\*.txt", "BuildPath keeps one separator");
Check(fso.FolderExists("C:\\windows"), "Check takes an expression");
CheckErr(438, function () { fso.NoSuchMember(); }, "an unknown member gives 438");
CheckErr(76, function () { fso.GetFolder("C:\\no\\such\\folder"); }, "a missing folder gives 76");
CheckErr(0, function () { fso.BuildPath("a", "b"); }, "no error gives 0");

// ExpandEnvironmentStrings counts the terminating NUL under Wine; Environment does not.
var locale = shell.Environment("PROCESS")("KITBAG_LOCALE");
CheckEqual((1.5).toLocaleString(), locale === "da" ? "1,50" : "1.50", "the locale reaches the script");
CheckEqual("æøå", String.fromCharCode(230, 248, 229), "the script text arrives as Windows-1252");
