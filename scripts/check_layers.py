#!/usr/bin/env python3
"""Checks that every source file includes only headers of its own library and of the libraries
that its folder's CMakeLists.txt links (directly or through them).

Each folder with a CMakeLists.txt that calls add_library(NAME ...) owns the sources beside it;
target_link_libraries(NAME ...) names what it may use. Prints each wrong include and exits 1
when there is one.
    check_layers.py [ROOT]
"""
import os
import re
import sys

root = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else ".")
skip = {"tests", "bench", "docs", "examples", "scripts", ".git", ".ci"}
library_of_folder, links = {}, {}
add_re = re.compile(r"add_library\(\s*(\w+)")
link_re = re.compile(r"target_link_libraries\(\s*(\w+)([^)]*)\)", re.S)
include_re = re.compile(r'^\s*#\s*include\s*"([^"]+)/[^"/]+"')

for folder, dirs, files in os.walk(root):
    rel = os.path.relpath(folder, root)
    dirs[:] = [d for d in dirs if not (rel == "." and (d in skip or d.startswith(("build", "."))))]
    if "CMakeLists.txt" not in files or rel == ".":
        continue
    text = open(os.path.join(folder, "CMakeLists.txt")).read()
    for name in add_re.findall(text):
        library_of_folder[rel.replace(os.sep, "/")] = name
    for name, rest in link_re.findall(text):
        words = [w for w in rest.split() if w not in ("PUBLIC", "PRIVATE", "INTERFACE")]
        links.setdefault(name, set()).update(words)

folder_of_library = {lib: folder for folder, lib in library_of_folder.items()}


def reachable(library):
    seen, todo = set(), [library]
    while todo:
        for used in links.get(todo.pop(), ()):
            if used not in seen:
                seen.add(used)
                todo.append(used)
    return seen


faults = 0
for folder, library in sorted(library_of_folder.items()):
    allowed = {folder} | {folder_of_library[l] for l in reachable(library) if l in folder_of_library}
    for name in sorted(os.listdir(os.path.join(root, folder))):
        if not name.endswith((".h", ".cpp")):
            continue
        for number, line in enumerate(open(os.path.join(root, folder, name), errors="replace"), 1):
            match = include_re.match(line)
            if match and os.path.isdir(os.path.join(root, match.group(1))) and match.group(1) not in allowed:
                print(f"{folder}/{name}:{number}: {library} does not link the library of {match.group(1)}/")
                faults += 1
print(f"libraries {len(library_of_folder)}, wrong includes {faults}")
sys.exit(1 if faults else 0)
