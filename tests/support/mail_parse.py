"""Parses one received message with Python's email package and prints it as JSON.

Headers come decoded (RFC 2047) as a reader's mail program shows them; each leaf
part gives its content type, charset, transfer encoding, file name, the decoded
bytes in base64 and, for text, the decoded text. "defects" lists what the parser
found malformed anywhere in the message.
"""

import base64
import email
import email.policy
import json
import sys


def main():
    with open(sys.argv[1], 'rb') as f:
        raw = f.read()
    msg = email.message_from_bytes(raw, policy=email.policy.default)
    out = {'headers': {}, 'parts': [], 'defects': [str(d) for d in msg.defects]}
    for name in ('From', 'To', 'Subject', 'X-Mailer', 'Date', 'Message-ID', 'MIME-Version'):
        value = msg.get(name)
        if value is not None:
            out['headers'][name] = str(value)
    out['content_type'] = msg.get_content_type()
    for part in msg.walk():
        out['defects'] += [str(d) for d in part.defects]
        if part.is_multipart():
            continue
        payload = part.get_payload(decode=True) or b''
        entry = {
            'content_type': part.get_content_type(),
            'charset': part.get_content_charset(),
            'cte': part.get('Content-Transfer-Encoding', ''),
            'filename': part.get_filename(),
            'disposition': part.get_content_disposition(),
            'payload_b64': base64.b64encode(payload).decode(),
        }
        if part.get_content_maintype() == 'text':
            entry['text'] = part.get_content()
        out['parts'].append(entry)
    json.dump(out, sys.stdout)


if __name__ == '__main__':
    main()
