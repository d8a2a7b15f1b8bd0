# Flattens a .reg export into "section|line" rows (an empty section gives "section|"), with the module's
# path and folder replaced, so that two registrations of one module in different places compare line by line.
BEGIN { section = "" }
{ sub(/\r$/, "") }
/^Windows Registry Editor/ { next }
/^\[/ { section = $0; print section "|"; next }
/^$/ { next }
{
  line = $0
  gsub(/"[A-Z]:\\\\[^"]*\\\\VantoraAddin\.(dll|so)"/, "\"<module>\"", line)
  gsub(/"[A-Z]:\\\\[^"]*\\\\bin"/, "\"<folder>\"", line)
  print section "|" line
}
