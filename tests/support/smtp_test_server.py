"""A real SMTP server on loopback for the mail tests (aiosmtpd).

Prints "PORT <n>" once it listens, then serves until stdin closes or it is
terminated. Every message it accepts lands in the output folder as msg-N.eml (the
bytes as received) beside msg-N.json (envelope, whether the session was under TLS,
the user that logged in). Files appear by rename, so a reader never sees half a file.
Each login attempt adds a line to auth.log.
"""

import argparse
import asyncio
import json
import os
import ssl
import sys
import threading

from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword


class Recorder:
    def __init__(self, out, refuse, data_delay):
        self.out = out
        self.refuse = {a.lower() for a in refuse}
        self.data_delay = data_delay
        self.count = 0

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if address.lower() in self.refuse:
            return '550 5.1.1 <%s>: Recipient address rejected' % address
        envelope.rcpt_tos.append(address)
        return '250 OK'

    async def handle_DATA(self, server, session, envelope):
        if self.data_delay:
            await asyncio.sleep(self.data_delay)
        self.count += 1
        base = os.path.join(self.out, 'msg-%d' % self.count)
        user = getattr(session, 'auth_data', None)
        meta = {
            'mail_from': envelope.mail_from,
            'rcpt_tos': envelope.rcpt_tos,
            'tls': session.ssl is not None or server.transport.get_extra_info('sslcontext') is not None,
            'auth_user': user.decode() if isinstance(user, bytes) else user,
        }
        for suffix, data in (('.eml', envelope.original_content), ('.json', json.dumps(meta).encode())):
            with open(base + suffix + '.part', 'wb') as f:
                f.write(data)
            os.rename(base + suffix + '.part', base + suffix)
        return '250 Message accepted for delivery'


def authenticator_for(user, password, out):
    def check(server, session, envelope, mechanism, auth_data):
        # Every login attempt is logged, so a test can show that none was made.
        with open(os.path.join(out, 'auth.log'), 'a') as log:
            log.write('%s tls=%s\n' % (mechanism, session.ssl is not None))
        ok = (isinstance(auth_data, LoginPassword)
              and auth_data.login == user.encode() and auth_data.password == password.encode())
        # handled=False lets aiosmtpd send the 235 / 535 reply itself.
        return AuthResult(success=ok, handled=False, auth_data=auth_data.login if ok else None)
    return check


async def silent(reader, writer):
    # Accepts and never says a word: the client must give up by its own time-out.
    await reader.read()
    writer.close()


async def main():
    p = argparse.ArgumentParser()
    p.add_argument('--out', required=True)
    p.add_argument('--auth', help='USER:PASSWORD that must log in')
    p.add_argument('--tls', nargs=2, metavar=('CERT', 'KEY'), help='offer STARTTLS')
    p.add_argument('--require-tls', action='store_true')
    p.add_argument('--implicit-tls', action='store_true', help='TLS from the first byte (smtps) instead of STARTTLS')
    p.add_argument('--refuse', action='append', default=[], help='recipient to reject with 550')
    p.add_argument('--data-delay', type=float, default=0.0, help='seconds before answering DATA')
    p.add_argument('--silent', action='store_true', help='accept connections and never answer')
    a = p.parse_args()

    loop = asyncio.get_running_loop()
    if a.silent:
        server = await asyncio.start_server(silent, '127.0.0.1', 0)
    else:
        context = None
        if a.tls:
            context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
            context.load_cert_chain(a.tls[0], a.tls[1])
        starttls = context if not a.implicit_tls else None
        kwargs = dict(hostname='pellux-test', tls_context=starttls, require_starttls=a.require_tls)
        if a.auth:
            user, password = a.auth.split(':', 1)
            # aiosmtpd counts only STARTTLS as TLS, so a server in TLS from the start
            # cannot ask for it; the client's own rule is what is under test there.
            kwargs.update(authenticator=authenticator_for(user, password, a.out), auth_required=True,
                          auth_require_tls=starttls is not None)
        handler = Recorder(a.out, a.refuse, a.data_delay)
        server = await loop.create_server(lambda: SMTP(handler, **kwargs), '127.0.0.1', 0,
                                          ssl=context if a.implicit_tls else None)

    stop = loop.create_future()
    threading.Thread(target=lambda: (sys.stdin.read(), loop.call_soon_threadsafe(stop.set_result, None)),
                     daemon=True).start()
    print('PORT %d' % server.sockets[0].getsockname()[1], flush=True)
    await stop
    server.close()


if __name__ == '__main__':
    asyncio.run(main())
