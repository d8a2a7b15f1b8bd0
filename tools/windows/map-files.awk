# Lists the map library's files (relative paths under openlayers/, sorted bytewise, one per line) as WiX
# directories holding a component per file: the directory tree goes to the file named by tree, the
# feature's references to the file named by refs.
function close_to(depth) { while (open > depth) { print indent(open) "</Directory>" > tree; open-- } }
function indent(n,    s) { s = "  "; while (n-- > 0) s = s "  "; return s }
function escape(s) { gsub(/&/, "\\&amp;", s); gsub(/</, "\\&lt;", s); gsub(/"/, "\\&quot;", s); return s }
BEGIN {
  print "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<Include>" > tree
  print "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<Include>" > refs
  open = 0
}
{
  n = split($0, part, "/")
  same = 0
  while (same < open && same < n - 1 && part[same + 1] == dir[same + 1]) same++
  close_to(same)
  for (d = same + 1; d < n; d++) {
    dir[d] = part[d]
    dirs++
    print indent(d) "<Directory Id=\"MapDir" dirs "\" Name=\"" escape(part[d]) "\">" > tree
    open = d
  }
  files++
  print indent(n) "<Component Id=\"Map" files "\" Guid=\"*\" Win64=\"yes\">" > tree
  print indent(n + 1) "<File Id=\"MapFile" files "\" Name=\"" escape(part[n]) "\" Source=\"" escape(bin "/" $0) \
        "\" KeyPath=\"yes\"/>" > tree
  print indent(n) "</Component>" > tree
  print "  <ComponentRef Id=\"Map" files "\"/>" > refs
}
END {
  close_to(0)
  print "</Include>" > tree
  print "</Include>" > refs
}
