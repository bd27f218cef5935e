#!/usr/bin/env python3
"""Names an MSVC-built host asks for, for every C++ export of kokernel.dll.

usage: msvc_exports.py --include <dir> [--clang clang++]
                       [--def <out.def>] [--wrappers <out.cpp>]
                       [--table <out.inc>] [--list]

The C++ exports are read from the public headers as a host sees them
(preprocessed by clang in MSVC mode): functions declared with KOAPI outside
every extern "C" block, and the members of KOAPI classes. For each one a
small use (a call, a construction, an explicit destructor call) is written
into one translation unit, which clang compiles to IR twice: for
x86_64-w64-mingw32, whose names are those of the MinGW build, and for
x86_64-pc-windows-msvc, whose names are those an MSVC-built host imports.
The name each use calls, in each mode, gives the pair.

Outputs:
  --def       an EXPORTS section aliasing each MSVC name to its MinGW name,
              for the DLL's link;
  --wrappers  C++ source with the constructor wrappers: an MSVC constructor
              returns `this`, a MinGW one returns nothing, so the MSVC names
              of constructors are exported from small functions that
              construct in place and return the object;
  --table     a C++ table {kind, MSVC name, MinGW name} for the tests;
  --list      the MSVC names, one a line as exports/msvc.txt lists them.
"""
import argparse
import os
import re
import subprocess
import sys

WIN32_DEFINES = ["-DUNICODE", "-D_UNICODE", "-D_WIN32_WINNT=0x0A00", "-DWINVER=0x0A00"]
MINGW_INCLUDE = "/usr/x86_64-w64-mingw32/include"


def clang_args(clang, target, include):
    # The MinGW-w64 Win32 headers declare the same types as the Windows SDK;
    # they need the GNU dialect switched on to parse in MSVC mode.
    args = [clang, "--target=" + target, "-std=c++20", "-fms-extensions",
            "-isystem", MINGW_INCLUDE, "-I", include] + WIN32_DEFINES
    if target.endswith("msvc"):
        args.append("-fgnuc-version=4.2.1")
    return args


def run(args, stdin):
    p = subprocess.run(args, input=stdin, capture_output=True, text=True)
    if p.returncode != 0:
        sys.stderr.write(p.stderr)
        raise SystemExit("msvc_exports: %s failed" % args[0])
    return p.stdout


# ---- the C++ export declarations, from the preprocessed public headers ----

def public_text(clang, include):
    """The preprocessed text that comes from the public headers only."""
    out = run(clang_args(clang, "x86_64-pc-windows-msvc", include) +
              ["-E", "-x", "c++", "-"], '#include "kokernel/kokernel.h"\n')
    keep, parts = False, []
    here = os.path.realpath(os.path.join(include, "kokernel"))
    for line in out.splitlines():
        m = re.match(r'#\s*\d+\s+"([^"]*)"', line)
        if m:
            keep = os.path.realpath(os.path.dirname(m.group(1))) == here
            continue
        if keep and not line.startswith("#"):
            parts.append(line)
    return "\n".join(parts)


def match_close(text, i, open_ch, close_ch):
    """Index just past the bracket that closes the one at text[i]."""
    depth = 0
    for j in range(i, len(text)):
        if text[j] == open_ch:
            depth += 1
        elif text[j] == close_ch:
            depth -= 1
            if depth == 0:
                return j + 1
    raise ValueError("unbalanced %s" % open_ch)


EXPORT_MARK = re.compile(r"__declspec\s*\(\s*dllimport\s*\)")
ATTRIBUTE = re.compile(r"__attribute__\s*\(\(")


def strip_attributes(text):
    text = EXPORT_MARK.sub(" ", text)
    while True:
        m = ATTRIBUTE.search(text)
        if not m:
            return text
        text = text[:m.start()] + " " + text[match_close(text, m.end() - 2, "(", ")"):]


def split_top(text, sep):
    parts, depth, cur = [], 0, ""
    for ch in text:
        if ch in "(<[":
            depth += 1
        elif ch in ")>]":
            depth -= 1
        if ch == sep and depth == 0:
            parts.append(cur)
            cur = ""
        else:
            cur += ch
    parts.append(cur)
    return parts


TYPE_WORDS = {"int", "char", "short", "long", "unsigned", "signed", "float", "double",
              "bool", "void", "const", "volatile", "wchar_t", "char16_t", "__int64"}


def parse_params(text):
    """[(declaration with a name, name)] for a parameter list."""
    text = text.strip()
    if text in ("", "void"):
        return []
    params = []
    for i, p in enumerate(split_top(text, ",")):
        p = p.split("=")[0].strip()
        # Named when a type comes before a last word that is not itself a type.
        m = re.search(r"([A-Za-z_]\w*)\s*$", p)
        before = re.sub(r"\b(const|volatile)\b", "", p[:m.start()]).strip() if m else ""
        if m and m.group(1) not in TYPE_WORDS and before:
            params.append((p, m.group(1)))
        else:
            params.append((p + " ko_arg%d" % i, "ko_arg%d" % i))
    return params


def parse_function(decl):
    """(name, params, qualifiers) of `ret name(params) quals`."""
    decl = " ".join(strip_attributes(decl).split())
    i = decl.index("(")
    m = re.search(r"(operator\s*\S+|~?\s*[A-Za-z_]\w*)$", decl[:i].rstrip())
    end = match_close(decl, i, "(", ")")
    return re.sub(r"\s+", "", m.group(1)), parse_params(decl[i + 1:end - 1]), decl[end:].strip()


def declarations(text):
    """C++ exports: ('function', None, ...) and ('member', class, ...)."""
    found = []
    i, stmt = 0, ""
    while i < len(text):
        ch = text[i]
        if ch == "{":
            end = match_close(text, i, "{", "}")
            head = " ".join(stmt.split())
            m = re.match(r"(?:class|struct)\s+__declspec\s*\(\s*dllimport\s*\)\s*(\w+)", head)
            if m:
                found += members(m.group(1), text[i + 1:end - 1])
            # An extern "C" block, a record or an inline body: not a C++ export.
            stmt = "" if not head.startswith("typedef") else stmt + "{}"
            i = end
            continue
        if ch == ";":
            s = " ".join(stmt.split())
            # `extern "C"` on the declaration itself gives it C linkage.
            if (EXPORT_MARK.search(s) and "(" in s and not s.startswith("typedef")
                    and not s.startswith('extern "C"')):
                found.append(("function", None) + parse_function(s))
            stmt = ""
        else:
            stmt += ch
        i += 1
    return found


def members(cls, body):
    out = []
    for decl in split_top(re.sub(r"\{[^{}]*\}", ";", body), ";"):
        decl = re.sub(r"\b(public|private|protected)\s*:", "", decl).strip()
        if "(" not in decl or re.search(r"=\s*(delete|default|0)\s*$", decl):
            continue
        if re.match(r"(friend|using|static_assert|typedef)\b", decl):
            continue
        out.append(("member", cls) + parse_function(decl))
    return out


# ---- one use per export, compiled in both modes ----------------------------

def use_source(decls):
    lines = ['#include "kokernel/kokernel.h"',
             "struct ko_use_tag {};",
             "inline void *operator new(size_t, void *p, ko_use_tag) noexcept { return p; }"]
    for n, (kind, cls, name, params, quals) in enumerate(decls):
        args = ", ".join("static_cast<decltype(%s)>(%s)" % (p, p) for _, p in params)
        decl = [p for p, _ in params]
        if kind == "function":
            body = "(void)%s(%s);" % (name, args)
        elif name == cls:
            decl.insert(0, "void *ko_mem")
            body = "::new (ko_mem, ko_use_tag()) %s(%s);" % (cls, args)
        else:
            self = ("const " if re.search(r"\bconst\b", quals) else "") + cls + " *ko_self"
            decl.insert(0, self)
            if re.search(r"\bstatic\b", quals):
                body = "(void)%s::%s(%s);" % (cls, name, args)
            elif name.startswith("~"):
                body = "ko_self->%s::%s();" % (cls, name)
            else:
                body = "(void)ko_self->%s::%s(%s);" % (cls, name, args)
        lines.append('extern "C" void ko_use_%d(%s) { %s }' % (n, ", ".join(decl), body))
    return "\n".join(lines) + "\n"


def callees(ir):
    """{use number: [external names it calls]} from a module's IR."""
    defined = set(re.findall(r'^define [^@]*@("[^"]+"|[\w.$]+)\(', ir, re.M))
    out, current = {}, None
    for line in ir.splitlines():
        m = re.match(r"define [^@]*@ko_use_(\d+)\(", line)
        if m:
            current = int(m.group(1))
            out[current] = []
            continue
        if line.startswith("}"):
            current = None
        elif current is not None:
            for name in re.findall(r'(?:call|invoke)\b[^@]*@("[^"]+"|[\w.$]+)\(', line):
                if name not in defined and not name.startswith("llvm."):
                    out[current].append(name.strip('"'))
    return out


def pairs(clang, include):
    decls = declarations(public_text(clang, include))
    src = use_source(decls)
    names = {}
    for mode, target in (("mingw", "x86_64-w64-mingw32"), ("msvc", "x86_64-pc-windows-msvc")):
        ir = run(clang_args(clang, target, include) +
                 ["-fno-access-control", "-O0", "-S", "-emit-llvm", "-o", "-", "-x", "c++", "-"], src)
        names[mode] = callees(ir)
    result = []
    for n, d in enumerate(decls):
        got = (names["mingw"].get(n, []), names["msvc"].get(n, []))
        if len(got[0]) != 1 or len(got[1]) != 1:
            raise SystemExit("msvc_exports: the use of %s calls %r" % (d[2], got))
        if got[0] == got[1]:
            continue  # C linkage: one name for every host
        kind = "ctor" if d[0] == "member" and d[2] == d[1] else "alias"
        result.append((kind, got[1][0], got[0][0], d))
    return result


# ---- outputs -----------------------------------------------------------------

def write(path, text):
    old = open(path).read() if os.path.exists(path) else None
    if old != text:
        with open(path, "w") as f:
            f.write(text)


def def_text(result):
    lines = ["; MSVC names of the C++ exports (generated by tools/msvc_exports.py)", "EXPORTS"]
    for n, (kind, msvc, mingw, _) in enumerate(result):
        lines.append('  "%s" = %s' % (msvc, "ko_msvc_ctor_%d" % n if kind == "ctor" else mingw))
    return "\n".join(lines) + "\n"


def wrapper_text(result):
    lines = ["// Constructors under their MSVC names: construct in place, return the object.",
             "// Generated by tools/msvc_exports.py from the public headers.",
             '#include "kokernel/kokernel.h"', "#include <new>"]
    for n, (kind, _, _, d) in enumerate(result):
        if kind != "ctor":
            continue
        cls, params = d[1], d[3]
        decl = ", ".join([cls + " *self"] + [p for p, _ in params])
        args = ", ".join("static_cast<decltype(%s)>(%s)" % (p, p) for _, p in params)
        lines.append('extern "C" %s *ko_msvc_ctor_%d(%s) { return ::new (self) %s(%s); }'
                     % (cls, n, decl, cls, args))
    return "\n".join(lines) + "\n"


def table_text(result):
    lines = ["// {kind, MSVC name, MinGW name}; generated by tools/msvc_exports.py."]
    for kind, msvc, mingw, _ in result:
        lines.append('{"%s", "%s", "%s"},' % (kind, msvc, mingw))
    return "\n".join(lines) + "\n"


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--include", required=True)
    ap.add_argument("--clang", default="clang++")
    ap.add_argument("--def", dest="def_path")
    ap.add_argument("--wrappers")
    ap.add_argument("--table")
    ap.add_argument("--list", action="store_true")
    a = ap.parse_args()
    result = pairs(a.clang, a.include)
    if a.def_path:
        write(a.def_path, def_text(result))
    if a.wrappers:
        write(a.wrappers, wrapper_text(result))
    if a.table:
        write(a.table, table_text(result))
    if a.list:
        for _, msvc, _, _ in result:
            print(msvc + " windows")
    return 0


if __name__ == "__main__":
    sys.exit(main())
