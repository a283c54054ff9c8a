#!/usr/bin/env python3
"""Reads the items of an export back with real readers and compares them with the preview
(quorvine show --json) and the scenario: vCard with vobject, iCalendar with icalendar, Maildir
with mailbox.Maildir and doveadm against the MBOX files, EML with email.
Usage: verify_items.py QUORVINE STORE SCENARIO MBOX_ROOT MAILDIR_ROOT EML_ROOT WORK
Prints one line per difference; exit 1 when any."""
import datetime
import email
import email.policy
import json
import mailbox
import os
import shutil
import subprocess
import sys

import icalendar
import vobject

quorvine, store, scenario_path, mbox_root, maildir_root, eml_root, work = map(os.path.abspath, sys.argv[1:8])
scenario = json.load(open(scenario_path, encoding="utf-8"))
errors = []


def check(ok, text):
    if not ok:
        errors.append(text)


def utc(text):
    return datetime.datetime.strptime(text, "%Y-%m-%dT%H:%M:%SZ").replace(tzinfo=datetime.timezone.utc)


def run_json(*args):
    out = subprocess.run([quorvine, *args, store, "--json", "--quiet"], check=True, capture_output=True).stdout
    return json.loads(out)


def preview_of(folder, message_id):
    shown = run_json("show", "--folder", folder, "--message", message_id, "--out", work)
    return {f["label"]: f["value"] for f in shown["fields"]}


def text(value):
    return str(value).replace("\r\n", "\n").rstrip("\n")


mailbox_name = scenario["mailboxes"][0]["display_name"]
base = os.path.join(mbox_root, "QuorvineRec", mailbox_name)
cards, calendars = {}, {}
for folder in scenario["mailboxes"][0]["folders"]:
    path = os.path.join(base, folder["name"], folder["name"])
    if os.path.exists(path + ".vcf"):
        cards.update({c.fn.value: c for c in vobject.readComponents(open(path + ".vcf", encoding="utf-8").read())})
    if os.path.exists(path + ".ics"):
        cal = icalendar.Calendar.from_ical(open(path + ".ics", "rb").read())
        calendars.update({str(c["SUMMARY"]): c for c in cal.walk() if c.name in ("VEVENT", "VTODO", "VJOURNAL")})

items = 0
for folder in scenario["mailboxes"][0]["folders"]:
    folder_path = mailbox_name + "/" + folder["name"]
    rows = run_json("list", "--folder", folder_path)["rows"]
    wanted = {m["subject"]: m for m in folder["messages"]}
    for row in rows:
        if row["kind"] == "mail":
            continue
        items += 1
        m = wanted[row["subject"]]
        fields = m.get("fields", {})
        shown = preview_of(folder_path, row["message_id"])
        where = "%s \"%s\"" % (row["kind"], row["subject"])
        if row["kind"] == "contact":
            fn = shown.get("Full Name:") or shown.get("File As 1:") or shown.get("File As 2:")
            card = cards.get(fn)
            if card is None:
                errors.append("%s: no card named %r" % (where, fn))
                continue
            n = card.contents.get("n", [None])[0]
            check((n.value.family if n else "") == shown.get("Last Name:", ""), where + ": N family")
            check((n.value.given if n else "") == shown.get("First Name:", ""), where + ": N given")
            emails = sorted(e.value for e in card.contents.get("email", []))
            check(emails == sorted({v for k, v in shown.items() if k.startswith("E-Mail Addrees")}),
                  "%s: e-mails %r" % (where, emails))
            phones = sorted(t.value for t in card.contents.get("tel", []))
            check(phones == sorted(v for k, v in shown.items() if k.startswith("Phone Number")),
                  "%s: phones %r" % (where, phones))
            adrs = {a.params["TYPE"][0]: a.value for a in card.contents.get("adr", [])}
            labels = {a.params["TYPE"][0]: a.params.get("LABEL", [""])[0] for a in card.contents.get("adr", [])}
            if "Business Full Address 1 :" in shown:  # RFC 6868 carets, which vobject leaves as they are
                label = labels.get("work", "").replace("^n", "\n").replace("^'", '"').replace("^^", "^")
                check(label == text(shown["Business Full Address 1 :"]), "%s: LABEL %r" % (where, label))
            if "Business Address Street:" in shown:
                check(adrs["work"].street == shown["Business Address Street:"] and
                      adrs["work"].city == shown["Business Address City:"] and
                      adrs["work"].code == shown["Business Address Zip/Postal Code:"], where + ": work ADR")
                check(adrs["home"].street == shown["Home Address Street:"] and
                      adrs["home"].region == shown["Home Address State:"], where + ": home ADR")
            if "Job Title:" in shown:
                check(card.title.value == shown["Job Title:"], where + ": TITLE")
            if "Company Name:" in shown:
                check(card.org.value[0] == shown["Company Name:"], where + ": ORG")
            urls = sorted(u.value for u in card.contents.get("url", []))
            check(urls == sorted(v for k, v in shown.items() if k in ("Business Homepage:", "Web Page Address 1:")),
                  "%s: URL %r" % (where, urls))
            note = text(card.note.value) if "note" in card.contents else ""
            check(note == text(m.get("body", "")), where + ": NOTE")
            cats = list(card.categories.value) if "categories" in card.contents else []
            check(cats == fields.get("MS80db", []), "%s: CATEGORIES %r" % (where, cats))
        elif row["kind"] == "distlist":
            card = cards.get(row["subject"])
            check(card is not None and card.kind.value == "group", where + ": no group card")
            if card is not None:
                members = sorted(x.value for x in card.contents.get("member", []))
                expected = sorted("mailto:" + a.split(":", 1)[1] for a in fields["MN81d8"])
                check(members == expected, "%s: members %r" % (where, members))
        else:
            c = calendars.get(row["subject"])
            if c is None:
                errors.append(where + ": no calendar entry")
                continue
            # A 2010 note has no header page: its subject is the listed one.
            check(str(c["SUMMARY"]) == shown.get("Subject: ", row["subject"]), where + ": SUMMARY")
            if "DESCRIPTION" in c or m.get("body"):
                check(text(c.get("DESCRIPTION", "")) == text(m.get("body", "")), where + ": DESCRIPTION")
            props = c.get("CATEGORIES", [])
            got_cats = [str(x) for prop in (props if isinstance(props, list) else [props]) for x in prop.cats]
            check(got_cats == fields.get("MS80db", []), "%s: CATEGORIES %r" % (where, got_cats))
            if row["kind"] == "appointment":
                check(c.name == "VEVENT", where + ": not a VEVENT")
                check(str(c.get("LOCATION", "")) == shown.get("Location : ", ""), where + ": LOCATION")
                check(c["DTSTART"].dt == utc(fields["T818f"]), where + ": DTSTART")
                check(c["DTEND"].dt == utc(fields["T814d"]), where + ": DTEND")
                check(str(c["TRANSP"]) == ("TRANSPARENT" if shown["Show As : "] == "Free" else "OPAQUE"),
                      where + ": TRANSP")
                check(str(c.get("X-QUORVINE-RECURRING", "")) == ("TRUE" if "S8232" in fields else ""),
                      where + ": X-QUORVINE-RECURRING")
                check(str(c["ORGANIZER"]) == "mailto:" + m["sender_address"], where + ": ORGANIZER")
                att = c.get("ATTENDEE", [])
                att = sorted(str(a) for a in (att if isinstance(att, list) else [att]))
                check(att == sorted("mailto:" + r["address"] for r in m.get("to", [])),
                      "%s: ATTENDEE %r" % (where, att))
            elif row["kind"] == "task":
                check(c.name == "VTODO", where + ": not a VTODO")
                check(c["DTSTART"].dt == utc(fields["T800d"]), where + ": DTSTART")
                check(c["DUE"].dt == utc(fields["T8198"]), where + ": DUE")
                alarms = [a for a in c.walk() if a.name == "VALARM"]
                if "T811f" in fields:
                    check(len(alarms) == 1 and alarms[0]["TRIGGER"].dt == utc(fields["T811f"]), where + ": VALARM")
                else:
                    check(not alarms, where + ": a VALARM without reminder")
            else:
                check(c.name == "VJOURNAL", where + ": not a VJOURNAL")
                check(c["DTSTART"].dt == utc(m["date"]), where + ": DTSTART")
check(items == len(cards) + len(calendars), "%d items listed, %d cards and %d calendar entries read"
      % (items, len(cards), len(calendars)))

# Maildir and EML: every folder holds the messages of its MBOX file.
conf = os.path.join(work, "dovecot.conf")
open(conf, "w").write("")
for folder in scenario["mailboxes"][0]["folders"]:
    name = folder["name"]
    mbox_path = os.path.join(base, name, name)
    subjects = sorted(str(msg["subject"]) for msg in mailbox.mbox(mbox_path))
    md_path = os.path.join(maildir_root, "QuorvineRec", mailbox_name, name, name)
    md = mailbox.Maildir(md_path, factory=None, create=False)
    check(sorted(str(msg["subject"]) for msg in md) == subjects, name + ": Maildir and MBOX differ")
    for msg in md:
        wanted = {m["subject"]: m for f in scenario["mailboxes"][0]["folders"] for m in f["messages"]}
        read = wanted[str(msg["subject"])].get("fields", {}).get("L0e07") == "1"
        check(("S" in msg.get_flags()) == read, "%s: seen flag of %r" % (name, msg["subject"]))
    # Dovecot refuses root: it reads a copy owned by nobody.
    copy = os.path.join(work, "dovecot", name)
    shutil.copytree(md_path, os.path.join(copy, "Maildir"))
    for dirpath, dirs, files in os.walk(copy):
        for entry in [dirpath] + [os.path.join(dirpath, f) for f in files]:
            os.chown(entry, 65534, 65534)
    status = subprocess.run(["doveadm", "-c", conf, "-o", "mail_uid=65534", "-o", "mail_gid=65534", "-o",
                             "mail_location=maildir:%s/Maildir:INDEX=%s/index:CONTROL=%s/control" % (copy, copy, copy),
                             "mailbox", "status", "messages", "INBOX"],
                            capture_output=True, text=True, env={"HOME": copy, "USER": "nobody", "PATH": os.environ["PATH"]})
    check(status.stdout.strip() == "INBOX messages=%d" % len(subjects),
          "%s: doveadm says %r %r" % (name, status.stdout.strip(), status.stderr.strip()))
    eml_dir = os.path.join(eml_root, "QuorvineRec", mailbox_name, name, name)
    parsed = []
    for f in sorted(os.listdir(eml_dir)):
        raw = open(os.path.join(eml_dir, f), "rb").read()
        check(raw.count(b"\n") == raw.count(b"\r\n"), f + ": not CR LF throughout")
        msg = email.message_from_bytes(raw, policy=email.policy.default)
        check(not msg.defects, "%s: defects %r" % (f, msg.defects))
        parsed.append(str(msg["subject"]))
    check(sorted(parsed) == subjects, name + ": EML and MBOX differ")

for e in errors:
    print(e)
print("%d items checked" % items)
sys.exit(1 if errors else 0)
