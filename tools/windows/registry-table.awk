# Turns the flattened export of what the module's registration wrote (flatten-reg.awk, HKLM) into the
# package's Registry table, an .idt file for msibuild: every value, plus a row that makes each key holding
# neither values nor subkeys. The root is -1 (HKMU), which follows the install: HKLM per machine, HKCU per
# user, where Outlook reads both. The module's path and folder become the installed file and folder.
function fail(text) { print "registry-table: " text > "/dev/stderr"; failed = 1; exit 1 }
function unescape(s,    out, i, c) {
  out = ""
  for (i = 1; i <= length(s); i++) {
    c = substr(s, i, 1)
    if (c == "\\") { i++; c = substr(s, i, 1) }
    out = out c
  }
  return out
}
# Brackets are the formatted type's own syntax; a literal one is written [\[] or [\]].
function formatted(s,    out, i, c) {
  out = ""
  for (i = 1; i <= length(s); i++) {
    c = substr(s, i, 1)
    if (c == "[" || c == "]") c = "[\\" c "]"
    out = out c
  }
  return out
}
function hex(s,    n, i) {
  n = 0
  s = tolower(s)
  for (i = 1; i <= length(s); i++) n = n * 16 + index("0123456789abcdef", substr(s, i, 1)) - 1
  return n
}
function row(key, name, value) {
  if ((key name value) ~ /\t/) fail("a tab in " key)
  rows++
  print "reg" rows "\t-1\t" key "\t" name "\t" value "\tModule"
}
BEGIN {
  print "Registry\tRoot\tKey\tName\tValue\tComponent_"
  print "s72\ti2\tl255\tL255\tL0\ts72"
  print "Registry\tRegistry"
}
{
  bar = index($0, "|")
  section = substr($0, 1, bar - 1)
  line = substr($0, bar + 1)
  if (section !~ /^\[HKEY_LOCAL_MACHINE\\.*\]$/) fail("not a key of HKLM: " section)
  key = substr(section, 21, length(section) - 21)
  if (!(key in seen)) { seen[key] = 1; order[++keys] = key }
  if (line == "") next
  valued[key] = 1
  if (substr(line, 1, 2) == "@=") {
    name = ""
    data = substr(line, 3)
  } else if (match(line, /^"([^"\\]|\\.)*"=/)) {
    name = unescape(substr(line, 2, RLENGTH - 3))
    data = substr(line, RLENGTH + 1)
  } else fail("cannot read " line)
  if (data ~ /^dword:[0-9a-fA-F]+$/) {
    value = "#" hex(substr(data, 7))
  } else if (data ~ /^".*"$/) {
    value = unescape(substr(data, 2, length(data) - 2))
    if (value == "<module>") value = "[#VantoraAddin.dll]"
    else if (value == "<folder>") value = "[INSTALLDIR]"
    else {
      value = formatted(value)
      if (substr(value, 1, 1) == "#") value = "#" value
    }
  } else fail("a value of a type the package does not write: " line)
  row(key, name, value)
}
END {
  if (failed) exit 1
  for (i = 1; i <= keys; i++) {
    key = order[i]
    if (key in valued) continue
    parent = 0
    for (j = 1; j <= keys; j++)
      if (index(order[j], key "\\") == 1) { parent = 1; break }
    if (!parent) row(key, "*", "")
  }
}
