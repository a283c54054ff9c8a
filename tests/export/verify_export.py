#!/usr/bin/env python3
"""Reads an exported MBOX tree back with Python's mailbox and email packages and compares it
with an edbgen manifest: the files present, and per message the sender, recipients, subject,
date, body and attachments (names and SHA-256). Prints one line per difference; exit 1 when any."""
import datetime
import email
import email.policy
import hashlib
import json
import mailbox
import os
import sys

SKIPPED = {
    "2007": {"contact", "distlist", "appointment", "activity", "notes", "task"},
    "2010": {"contact", "distlist", "appointment", "activity", "task", "notes"},
}


def safe_component(name):
    name = "".join("_" if c == "/" or ord(c) < 0x20 else c for c in name)
    if name in ("", ".", ".."):
        return "_"
    raw = name.encode()
    if len(raw) > 215:
        name = raw[:215].decode(errors="ignore")
    return name


def mailbox_dir(name):
    return safe_component("".join("_" if c in ':\\/*?<>|"' else c for c in name))


def split_path(path):
    labels, cur, i = [], "", 0
    while i < len(path):
        if path[i] == "\\" and i + 1 < len(path) and path[i + 1] == "/":
            cur += "/"
            i += 2
            continue
        if path[i] == "/":
            labels.append(cur)
            cur = ""
        else:
            cur += path[i]
        i += 1
    labels.append(cur)
    return labels


def expected_file(root, path):
    labels = split_path(path)
    parts = [root, "QuorvineRec", mailbox_dir(labels[0])]
    parts += [safe_component(l).replace("Deleted Items", "Deleted-Items") for l in labels[1:]]
    parts.append(safe_component(labels[-1]))
    return os.path.join(*parts)


def addresses(header):
    if header is None:
        return set()
    return {a.addr_spec.lower() for a in header.addresses if a.addr_spec}


def text_of(part):
    return part.get_content().replace("\r\n", "\n").rstrip("\n")


def main():
    manifest_path, root = sys.argv[1], sys.argv[2]
    date_from = int(sys.argv[3]) if len(sys.argv) > 4 else None
    date_to = int(sys.argv[4]) if len(sys.argv) > 4 else None
    manifest = json.load(open(manifest_path))
    generation = "2007" if manifest["exchange"] == "2007" else "2010"
    errors = []
    expected_files = set()
    total = 0
    for folder in manifest["folders"]:
        if len(split_path(folder["path"])) < 2:
            continue
        path = expected_file(root, folder["path"])
        if path in expected_files:
            errors.append("two folders share the file " + path)
        expected_files.add(path)
        rows = [r for r in folder["rows"] if r["kind"] not in SKIPPED[generation]]
        if date_from is not None:
            rows = [r for r in rows if r["filetime"] is not None and r["date_utc"] and
                    date_from <= (r["filetime"] - 116444736000000000) // 10000000 <= date_to]
        if not os.path.isfile(path):
            errors.append("missing MBOX file " + path)
            continue
        box = mailbox.mbox(path, factory=lambda f: email.message_from_binary_file(f, policy=email.policy.default),
                           create=False)
        messages = list(box)
        total += len(messages)
        if len(messages) != len(rows):
            errors.append("%s: %d messages, expected %d" % (path, len(messages), len(rows)))
            continue
        if generation == "2010":
            rows = list(reversed(rows))  # the list runs newest first, the export in table order
        for row, msg in zip(rows, messages):
            m = row["message"]
            where = "%s: \"%s\"" % (folder["path"], row["subject"])
            if str(msg["Subject"] or "") != row["subject"]:
                errors.append("%s: subject %r" % (where, str(msg["Subject"])))
            sender = m["sender_address"].lower()
            if sender and "@" in sender and sender not in addresses(msg["From"]):
                errors.append("%s: From %r" % (where, str(msg["From"])))
            for field in ("to", "cc", "bcc"):
                want = {a.lower() for a in m[field] if "@" in a}
                got = addresses(msg[field.capitalize()])
                if want != got:
                    errors.append("%s: %s %r, expected %r" % (where, field, sorted(got), sorted(want)))
            if row["date_utc"]:
                want = datetime.datetime.fromtimestamp((row["filetime"] - 116444736000000000) // 10000000,
                                                       datetime.timezone.utc)
                got = msg["Date"].datetime if msg["Date"] is not None else None
                if got != want:
                    errors.append("%s: Date %r, expected %s" % (where, str(msg["Date"]), want.isoformat()))
            plain = msg.get_body(("plain",))
            html = msg.get_body(("html",))
            body = m["body_text"].replace("\r\n", "\n").rstrip("\n")
            if body:
                if plain is None or text_of(plain) != body:
                    errors.append("%s: body %r, expected %r" % (where, text_of(plain) if plain else None, body))
            elif m["body_html"]:
                if html is None or text_of(html) != m["body_html"].rstrip("\n"):
                    errors.append("%s: HTML body %r" % (where, text_of(html) if html else None))
            want_att = []
            for a in m["attachments"]:
                name = a["name"]
                if generation == "2007":
                    name = "".join("_" if c in '\\/:?*<>|"' else c for c in name)
                want_att.append((name, a["sha256"]))
            got_att = [(p.get_filename(), hashlib.sha256(p.get_content() if isinstance(p.get_content(), bytes)
                                                         else p.get_payload(decode=True)).hexdigest())
                       for p in msg.iter_attachments()]
            if sorted(got_att) != sorted(want_att):
                errors.append("%s: attachments %r, expected %r" % (where, got_att, want_att))
    for dirpath, _, files in os.walk(root):
        for f in files:
            full = os.path.join(dirpath, f)
            # Contacts and calendars sit beside their folder's MBOX file.
            beside = f.endswith((".vcf", ".ics")) and full[:-4] in expected_files
            if full not in expected_files and not beside:
                errors.append("unexpected file " + full)
    for e in errors:
        print(e)
    print("%d MBOX files, %d messages" % (len(expected_files), total))
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main())
