#!/usr/bin/env python3
"""Fills a translation table of lang/ from a dictionary of English texts.

    uiwalker <lang> > keys.tsv
    filltable.py keys.tsv <dictionary.tsv> > lang/phrasedesk.<abbr>.txt

The dictionary holds "English<TAB>translation" lines; texts it lacks stay
untranslated (the interface shows English there)."""
import sys

keys, dictionary = sys.argv[1], sys.argv[2]
words = {}
with open(dictionary, encoding="utf-8") as f:
    for line in f:
        line = line.rstrip("\n")
        if line and not line.startswith("#") and "\t" in line:
            english, translation = line.split("\t", 1)
            words[english] = translation
print("# Key\tEnglish\tTranslation (made by tools/ui/filltable.py from " + dictionary.split("/")[-1] + ")")
with open(keys, encoding="utf-8") as f:
    for line in f:
        fields = line.rstrip("\n").split("\t")
        if len(fields) < 2:
            continue
        key, english = fields[:2]
        if english in words:
            print(f"{key}\t{english}\t{words[english]}")
