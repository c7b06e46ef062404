#!/usr/bin/env python3
"""Checks the layers of the tree.

1. Every source file includes only headers of its own library and of the libraries that its
   folder's CMakeLists.txt links (directly or through them). Each folder with a CMakeLists.txt
   that calls add_library(NAME ...) owns the sources beside it; target_link_libraries(NAME ...)
   names what it may use.
2. Top-level folders are layers, listed below bottom up: a library may link, and a source may
   include, only what lies in its own top-level folder or in a lower layer. Folders of one layer
   do not use each other, so no top-level folder both uses and is used by another.

Prints each fault and exits 1 when there is one.
    check_layers.py [ROOT]
"""
import os
import re
import sys

LAYERS = [
    {"core", "mylib"},
    {"ftp", "sftp", "memory", "notify", "pagecheck"},
    {"settings"},
    {"sitemap"},
    {"jobs"},
    {"app", "cli"},
    {"packaging"},
]
rank_of_top = {top: rank for rank, tops in enumerate(LAYERS) for top in tops}

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


def top(folder):
    return folder.split("/")[0]


faults = 0


def check_arrow(where, user_folder, used_folder):
    """Counts a fault when the arrow from one top-level folder to another does not point down."""
    global faults
    user, used = top(user_folder), top(used_folder)
    if user == used:
        return
    if user not in rank_of_top or used not in rank_of_top:
        print(f"{where}: the top-level folder {user if user not in rank_of_top else used}/ has no layer")
        faults += 1
    elif rank_of_top[used] >= rank_of_top[user]:
        print(f"{where}: {user}/ uses {used}/, which is not in a lower layer")
        faults += 1


for library, used in sorted(links.items()):
    if library in folder_of_library:
        for name in sorted(used & folder_of_library.keys()):
            check_arrow(f"{folder_of_library[library]}/CMakeLists.txt", folder_of_library[library],
                        folder_of_library[name])

for folder, library in sorted(library_of_folder.items()):
    allowed = {folder} | {folder_of_library[l] for l in reachable(library) if l in folder_of_library}
    for name in sorted(os.listdir(os.path.join(root, folder))):
        if not name.endswith((".h", ".cpp")):
            continue
        for number, line in enumerate(open(os.path.join(root, folder, name), errors="replace"), 1):
            match = include_re.match(line)
            if not match or not os.path.isdir(os.path.join(root, match.group(1))):
                continue
            if match.group(1) not in allowed:
                print(f"{folder}/{name}:{number}: {library} does not link the library of {match.group(1)}/")
                faults += 1
            check_arrow(f"{folder}/{name}:{number}", folder, match.group(1))
print(f"libraries {len(library_of_folder)}, faults {faults}")
sys.exit(1 if faults else 0)
