#!/usr/bin/env python3
"""Reads the text FPC's ObjectBinaryToText gives of a form stream (see
formtext.pas) into one entry per object, property and list element, named the
way the form processor names components in a project, and compares two such
texts.

  formcheck.py request ORIG.txt REQUEST.json
      a translation for every string value of the form (input of translate.cpp)
  formcheck.py compare ORIG.txt OUT.txt REQUEST.json
      OUT must read as ORIG with exactly the requested values translated
  formcheck.py counts A.txt B.txt
      both must hold the same objects with the same number of properties each

'compare' and 'counts' print the differences and exit 1 when there are any.
"""
import json
import re
import sys

PUNCT = "()<>[]{},=:"
TOKEN = re.compile(r"\s*(?:((?:'(?:[^']|'')*'|#\d+)+)|([%s])|([^\s%s'#]+))" % (
    re.escape(PUNCT), re.escape(PUNCT)))


def decode(literal):
    """The text of a Pascal string literal: 'quoted' runs and #codes, where a
    code is a byte (vaString), a UTF-16 unit (vaWString) or a code point
    (vaUTF8String); surrogate pairs are joined."""
    units = []
    for quoted, code in re.findall(r"'((?:[^']|'')*)'|#(\d+)", literal):
        if code:
            # FPC 3.2.2 decodes the lead byte of a 4-byte UTF-8 sequence with
            # one bit too many (Utf8ToOrd masks it with %00011111, not
            # %00000111), so U+1F600 comes out as #4322816.
            units.append(int(code) - (0x400000 if int(code) >= 0x400000 else 0))
        else:
            units.extend(ord(c) for c in quoted.replace("''", "'"))
    out, i = [], 0
    while i < len(units):
        u = units[i]
        if 0xD800 <= u < 0xDC00 and i + 1 < len(units) and 0xDC00 <= units[i + 1] < 0xE000:
            u = 0x10000 + ((u - 0xD800) << 10) + (units[i + 1] - 0xDC00)
            i += 1
        out.append(chr(u))
        i += 1
    return "".join(out)


class Reader:
    """Entries (comp, prop, index, kind, value); kind is 'object', 'string',
    'list', 'collection' or 'value' (the value's text)."""

    def __init__(self, text):
        self.tokens = []
        pos = 0
        while pos < len(text):
            m = TOKEN.match(text, pos)
            if not m or m.end() == pos:
                if text[pos:].strip():
                    raise ValueError("unreadable text at %r" % text[pos:pos + 40])
                break
            kind = "string" if m.group(1) else "punct" if m.group(2) else "word"
            self.tokens.append((kind, m.group(m.lastindex)))
            pos = m.end()
        self.pos = 0
        self.entries = []
        header = self.header()
        self.form = header[1]
        self.object(header, "", "")
        if self.pos != len(self.tokens):
            raise ValueError("text after the root object's end")

    def peek(self, ahead=0):
        i = self.pos + ahead
        return self.tokens[i] if i < len(self.tokens) else ("end", "")

    def take(self, expected=None):
        token = self.peek()
        if token[0] == "end" or (expected is not None and token[1] != expected):
            raise ValueError("expected %r, found %r" % (expected, token[1]))
        self.pos += 1
        return token[1]

    def header(self):
        flag = self.take()
        if flag not in ("object", "inherited", "inline"):
            raise ValueError("object expected, found %r" % flag)
        name, cls = "", self.take()
        if self.peek() == ("punct", ":"):
            self.take()
            name, cls = cls, self.take()
        if self.peek() == ("punct", "["):
            cls += self.take() + self.take() + self.take("]")
        return flag, name, cls

    def object(self, header, name, inline_path):
        # Inherited components of an inline frame are named after the frame.
        flag = header[0]
        comp = inline_path + "." + name if flag == "inherited" and inline_path else name
        self.entries.append((comp, "", -1, "object", "%s %s" % (flag, header[2])))
        self.properties(comp)
        position = 0
        while self.peek()[1] != "end":
            child = self.header()
            position += 1
            child_inline = inline_path + "." + child[1] if inline_path else child[1]
            self.object(child, child[1] or "%s.%s%d" % (name, child[2], position),
                        child_inline if child[0] == "inline" else inline_path)
        self.take("end")

    def properties(self, comp):
        while self.peek(1) == ("punct", "="):
            prop = self.take()
            self.take("=")
            self.value(comp, prop, -1)

    def value(self, comp, prop, index):
        kind, token = self.peek()
        add = lambda k, v: self.entries.append((comp, prop, index, k, v))
        if kind == "string":
            add("string", decode(self.take()))
        elif kind == "word":
            add("value", self.take())
        elif token == "(":
            self.take()
            at = len(self.entries)
            count = 0
            while self.peek()[1] != ")":
                self.value(comp, prop, count)
                count += 1
            self.take(")")
            self.entries.insert(at, (comp, prop, index, "list", count))
        elif token == "<":
            self.take()
            at = len(self.entries)
            count = 0
            while self.peek()[1] != ">":
                self.take("item")
                item_index = count
                if self.peek()[1] == "[":
                    self.take()
                    item_index = int(self.take())
                    self.take("]")
                self.properties("%s.%s[%d]" % (comp, prop, item_index))
                self.take("end")
                count += 1
            self.take(">")
            self.entries.insert(at, (comp, prop, index, "collection", count))
        elif token in ("[", "{"):
            close = "]" if token == "[" else "}"
            words = [self.take()]
            while words[-1] != close:
                words.append(self.take())
            add("value", " ".join(words))
        else:
            raise ValueError("value expected, found %r" % token)


def read(file_name):
    with open(file_name, encoding="ascii") as f:
        return Reader(f.read())


# Translations chosen so that the writer needs each of its string encodings:
# vaUTF8String, vaWString (CJK, also over 255 characters), vaLString (ASCII over
# 255 bytes), vaString, and a character outside the BMP.
FULLWIDTH = {c: c + 0xFEE0 for c in range(0x21, 0x7F)}
FULLWIDTH[0x20] = 0x3000
VARIANTS = [
    lambda s: "\u00dc:" + s,
    lambda s: "\u8a33" + s.translate(FULLWIDTH),
    lambda s: "L:" + s + " long" * 60,
    lambda s: "A:" + s,
    lambda s: "\u8a33" * 130 + s,
    lambda s: "\U0001F600" + s,
]


def request(orig_file, out_file):
    r = read(orig_file)
    mixed = {(c, p) for c, p, i, k, v in r.entries if i >= 0 and k != "string"}
    translations = {}
    items = []
    lists = {}
    for comp, prop, index, kind, value in r.entries:
        if kind != "string" or (comp, prop) in mixed:
            continue
        if value not in translations:
            translations[value] = VARIANTS[len(translations) % len(VARIANTS)](value)
        if index < 0:
            items.append({"comp": comp, "prop": prop, "list": False, "native": value,
                          "translation": translations[value]})
        else:
            if (comp, prop) not in lists:
                lists[(comp, prop)] = {"comp": comp, "prop": prop, "list": True, "native": [],
                                       "translation": []}
                items.append(lists[(comp, prop)])
            lists[(comp, prop)]["native"].append(value)
            lists[(comp, prop)]["translation"].append(translations[value])
    for item in lists.values():
        item["native"] = "\r\n".join(item["native"])
        item["translation"] = "\r\n".join(item["translation"])
    with open(out_file, "w", encoding="utf-8") as f:
        json.dump({"form": r.form, "items": items, "translations": translations}, f,
                  ensure_ascii=False, indent=1)


def show(entry):
    comp, prop, index, kind, value = entry
    where = ".".join(x for x in (comp, prop) if x) or "(root)"
    if index >= 0:
        where += "[%d]" % index
    return "%s: %s %s" % (where, kind, ascii(value) if kind == "string" else value)


def differences(expected, actual):
    found = []
    for e, a in zip(expected, actual):
        if e != a:
            found.append("  expected %s\n  FPC reads %s" % (show(e), show(a)))
    if len(expected) != len(actual):
        found.append("  %d entries expected, FPC reads %d" % (len(expected), len(actual)))
    return found


def compare(orig_file, out_file, request_file):
    with open(request_file, encoding="utf-8") as f:
        req = json.load(f)
    translated = {(i["comp"], i["prop"]) for i in req["items"]}
    expected = []
    for comp, prop, index, kind, value in read(orig_file).entries:
        if kind == "string" and (comp, prop) in translated:
            value = req["translations"][value]
        expected.append((comp, prop, index, kind, value))
    found = differences(expected, read(out_file).entries)
    print("\n".join(found[:20]) or "%d strings translated" % sum(
        1 for e in expected if e[3] == "string" and (e[0], e[1]) in translated))
    return 1 if found else 0


def counts(a_file, b_file):
    def per_object(file_name):
        result = []
        for comp, prop, index, kind, value in read(file_name).entries:
            if kind == "object":
                result.append((comp, "", -1, "properties", 0))
            elif index < 0:
                result[-1] = result[-1][:4] + (result[-1][4] + 1,)
        return result
    a, b = per_object(a_file), per_object(b_file)
    found = differences(a, b)
    print("\n".join(found[:20]) or "%d objects, %d properties" % (len(a), sum(e[4] for e in a)))
    return 1 if found else 0


def main():
    try:
        if len(sys.argv) == 4 and sys.argv[1] == "request":
            return request(sys.argv[2], sys.argv[3]) or 0
        if len(sys.argv) == 5 and sys.argv[1] == "compare":
            return compare(*sys.argv[2:])
        if len(sys.argv) == 4 and sys.argv[1] == "counts":
            return counts(*sys.argv[2:])
    except ValueError as e:
        print("  FPC's text does not read: %s" % e)
        return 1
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main())
