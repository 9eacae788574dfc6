// Put in front of every JScript test by run-script, which also calls Finish()
// after the test's last line. Wine's cscript keeps quiet about uncaught
// exceptions and syntax errors, so only the closing DONE line proves the
// whole test ran.
//
//   Check(cond, "message");
//   CheckEqual(actual, expected, "message");
//   CheckErr(5, function () { o.SomethingThatFails(); }, "message");
//
// CheckErr numbers follow VBScript's Err.Number: 0x800Annnn errors count as
// nnnn, any other HRESULT as the signed 32-bit value.

var kbPassed = 0, kbFailed = 0, kbFinished = false;

function kbShow(v) {
  if (v === null) return "null";
  if (typeof v === "string") return '"' + v + '"';
  if (typeof v === "object") return "<object>";
  try { return String(v) + " (" + typeof v + ")"; } catch (e) { return "<" + typeof v + ">"; }
}

function kbReport(ok, message, detail) {
  if (ok) {
    kbPassed++;
    WScript.Echo("ok   " + message);
  } else {
    kbFailed++;
    WScript.Echo("FAIL " + message + detail);
  }
}

function Check(cond, message) {
  kbReport(!!cond, message, "");
}

function CheckEqual(actual, expected, message) {
  kbReport(actual === expected, message, ": got " + kbShow(actual) + ", expected " + kbShow(expected));
}

function kbErrNumber(e) {
  var n = e.number;
  if (typeof n !== "number") return n;
  return ((n >>> 16) & 0xFFFF) === 0x800A ? (n & 0xFFFF) : n;
}

function CheckErr(expectedNumber, fn, message) {
  var number = 0, description = "";
  try {
    fn();
  } catch (e) {
    number = kbErrNumber(e);
    description = e.description || e.message || String(e);
  }
  kbReport(number === expectedNumber, message,
           ": got error " + number + ' ("' + description + '"), expected ' + expectedNumber);
}

function Finish() {
  if (kbFinished) return;
  kbFinished = true;
  WScript.Echo("DONE " + kbPassed + " passed, " + kbFailed + " failed");
  if (kbFailed > 0) WScript.Quit(1);
}
