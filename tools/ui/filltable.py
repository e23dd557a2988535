#!/usr/bin/env python3
"""Fills a translation table of lang/ from dictionaries of English texts.

    uiwalker <lang> > keys.tsv
    filltable.py keys.tsv <dictionary.tsv>... > lang/phrasedesk.<abbr>.txt

A dictionary holds "English<TAB>translation" lines; where several give the same
English text, the later one wins. Texts they lack stay untranslated (the
interface shows English there). tools/ui/regen.sh runs both steps for every
language."""
import sys

keys, dictionaries = sys.argv[1], sys.argv[2:]
words = {}
for dictionary in dictionaries:
    with open(dictionary, encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\n")
            if line and not line.startswith("#") and "\t" in line:
                english, translation = line.split("\t", 1)
                words[english] = translation
names = ", ".join(d.split("/")[-1] for d in dictionaries)
print("# Key\tEnglish\tTranslation (made by tools/ui/filltable.py from " + names + ")")
with open(keys, encoding="utf-8") as f:
    for line in f:
        fields = line.rstrip("\n").split("\t")
        if len(fields) < 2:
            continue
        key, english = fields[:2]
        if english in words:
            print(f"{key}\t{english}\t{words[english]}")
