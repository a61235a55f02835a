#!/usr/bin/env python3
"""Writes the texts of a catalogue in the one-line form of a ".po" language
file: a UTF-8 header line, then per text a msgid line with its name and a
msgstr line with its text.  gettext's own tools read the catalogue: msgattrib
makes every fuzzy entry an untranslated one, as msgfmt would leave it out,
and msgexec hands over each translation with its msgid and context.

A context becomes part of the name ("context|msgid") only where one msgid
comes with several contexts; of a plural entry the singular translation is
taken; an untranslated entry keeps its empty msgstr, except that one named
with its context stands for its bare msgid.

usage: po_one_line.py CATALOGUE > ONE-LINE.po
"""
import subprocess
import sys

# msgexec runs this for every translation: context flag, context, msgid,
# plural form and the translation, each ended by a zero byte.
EACH = ('printf "%s\\0%s\\0%s\\0%s\\0" "${MSGEXEC_MSGCTXT+1}" "${MSGEXEC_MSGCTXT-}" '
        '"$MSGEXEC_MSGID" "${MSGEXEC_PLURAL_FORM-0}"; cat; printf "\\0"')


def quoted(text):
    for plain, escaped in (("\\", "\\\\"), ('"', '\\"'), ("\n", "\\n"), ("\t", "\\t")):
        text = text.replace(plain, escaped)
    return '"' + text + '"'


def main():
    fuzzy_cleared = subprocess.run(["msgattrib", "--clear-fuzzy", "--empty", sys.argv[1]],
                                   check=True, capture_output=True).stdout
    each = subprocess.run(["msgexec", "-i", "-", "sh", "-c", EACH], input=fuzzy_cleared,
                          check=True, capture_output=True).stdout.decode("utf-8")
    fields = each.split("\0")[:-1]
    entries = [fields[i:i + 5] for i in range(0, len(fields), 5)]
    contexts = {}
    for has_context, context, msgid, form, text in entries:
        contexts.setdefault(msgid, set()).add((has_context, context))
    out = ['msgid ""', 'msgstr "Content-Type: text/plain; charset=UTF-8"']
    for has_context, context, msgid, form, text in entries:
        if msgid == "" or form != "0":
            continue
        name = context + "|" + msgid if has_context and len(contexts[msgid]) > 1 else msgid
        if not text and name != msgid:
            text = msgid  # an untranslated entry named with its context
        out += ["", "msgid " + quoted(name), "msgstr " + quoted(text)]
    sys.stdout.write("\n".join(out) + "\n")


if __name__ == "__main__":
    main()
