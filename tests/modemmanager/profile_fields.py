'''Reads a report on stdin and prints, for each "Profiles" line holding a
document, one line of its leaf elements in document order:
Name=...|IsDefault=...|Context/AccessString=...

The documents are parsed with xml.etree (Python's standard library), so a
line that is not well-formed XML, or a root other than the profile schema's,
fails the run (exit status 1) with the reason.
'''

import sys
import xml.etree.ElementTree as ET

NS = '{http://www.microsoft.com/networking/WWAN/profile/v1}'
LABEL = 'Profiles'.ljust(35)


def leaves(element, prefix):
    for child in element:
        if not child.tag.startswith(NS):
            raise ValueError('element outside the profile namespace: ' + child.tag)
        path = prefix + child.tag[len(NS):]
        if len(child):
            yield from leaves(child, path + '/')
        else:
            yield path + '=' + (child.text or '')


def main():
    text = sys.stdin.buffer.read().decode('utf-8')
    for line in text.split('\r\n'):
        if not line.startswith(LABEL) or not line[len(LABEL):].startswith('<'):
            continue
        try:
            root = ET.fromstring(line[len(LABEL):])
        except ET.ParseError as error:
            print('not well-formed: %s: %s' % (error, line), file=sys.stderr)
            return 1
        if root.tag != NS + 'MBNProfile':
            print('root is ' + root.tag, file=sys.stderr)
            return 1
        print('|'.join(leaves(root, '')))
    return 0


if __name__ == '__main__':
    sys.exit(main())
