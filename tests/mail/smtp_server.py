#!/usr/bin/python3
"""A mail server on 127.0.0.1 for the mail tests (Debian's python3-aiosmtpd).

usage: smtp_server.py OUTDIR [--auth USER:PASSWORD] [--refuse ADDRESS] [--silent]

Prints "PORT <n>" once it listens, then serves until standard input closes. Each message received is
read back with Python's email package into OUTDIR/<n>.json (envelope, headers, body text, the
attachments saved beside it as OUTDIR/<n>-<file name>). --silent accepts connections and never answers.
"""
import asyncio
import email
import email.policy
import email.utils
import json
import logging
import os
import re
import socket
import sys
import threading
import warnings

from aiosmtpd.controller import Controller
from aiosmtpd.smtp import AuthResult, LoginPassword


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Handler:
    def __init__(self, outdir, refuse):
        self.outdir = outdir
        self.refuse = refuse
        self.count = 0

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if address == self.refuse:
            return "550 5.1.1 <%s>: Recipient address rejected" % address
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        raw = envelope.original_content or envelope.content
        msg = email.message_from_bytes(raw, policy=email.policy.default)
        attachments = []
        for i, part in enumerate(msg.iter_attachments()):
            name = part.get_filename()
            path = os.path.join(self.outdir, "%d-%d.bin" % (self.count, i))
            with open(path, "wb") as f:
                f.write(part.get_content())
            attachments.append({"filename": name, "type": part.get_content_type(), "path": path})
        body = msg.get_body(("plain",))
        try:
            date_ok = email.utils.parsedate_to_datetime(str(msg["Date"])) is not None
        except (TypeError, ValueError):
            date_ok = False
        summary = {
            "mail_from": envelope.mail_from,
            "rcpt_tos": envelope.rcpt_tos,
            "from": str(msg["From"]),
            "to": str(msg["To"]),
            "cc": str(msg["Cc"] or ""),
            "subject": str(msg["Subject"]),
            "message_id_ok": bool(re.fullmatch(r"<[^<>@\s]+@[^<>@\s]+>", str(msg["Message-ID"]))),
            "date_ok": date_ok,
            "content_type": msg.get_content_type(),
            "body": body.get_content() if body is not None else None,
            "body_charset": body.get_content_charset() if body is not None else None,
            "attachments": attachments,
            "longest_line": max(len(line) for line in raw.split(b"\r\n")),
            "defects": sum(len(p.defects) for p in msg.walk()),
        }
        with open(os.path.join(self.outdir, "%d.json" % self.count), "w") as f:
            json.dump(summary, f)
        return "250 Message accepted"


def authenticator(user, password):
    def check(server, session, envelope, mechanism, auth_data):
        ok = isinstance(auth_data, LoginPassword) and auth_data.login == user and auth_data.password == password
        return AuthResult(success=ok, handled=False)  # the server answers 535 itself
    return check


def silent_server():
    listener = socket.socket()
    listener.bind(("127.0.0.1", 0))
    listener.listen(8)
    held = []

    def accept():
        while True:
            conn, _ = listener.accept()
            held.append(conn)  # open, and never a word

    threading.Thread(target=accept, daemon=True).start()
    return listener.getsockname()[1]


def main():
    warnings.simplefilter("ignore")  # AUTH without TLS is the point of --auth here
    logging.getLogger("mail.log").setLevel(logging.ERROR)  # and so on the test's output
    args = sys.argv[1:]
    outdir = args[0]
    auth = args[args.index("--auth") + 1] if "--auth" in args else None
    refuse = args[args.index("--refuse") + 1] if "--refuse" in args else None
    if "--silent" in args:
        port = silent_server()
        controller = None
    else:
        port = free_port()
        options = {}
        if auth:
            user, password = auth.split(":", 1)
            options = dict(authenticator=authenticator(user.encode(), password.encode()),
                           auth_required=True, auth_require_tls=False)
        controller = Controller(Handler(outdir, refuse), hostname="127.0.0.1", port=port,
                                server_kwargs=options)
        controller.start()
    print("PORT %d" % port, flush=True)
    sys.stdin.read()
    if controller:
        controller.stop()


if __name__ == "__main__":
    main()
