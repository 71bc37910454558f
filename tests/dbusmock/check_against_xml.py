#!/usr/bin/python3
'''Every property the ModemManager mock serves exists in ModemManager's
published interface XML with the same signature, and the mock's value for it
marshals as that signature.'''

import importlib.util
import os
import sys
import unittest
import xml.etree.ElementTree as ET

import dbus.lowlevel

INTERFACES_DIR = os.environ.get('MM_INTERFACES_DIR', '/usr/share/dbus-1/interfaces')
HERE = os.path.dirname(os.path.abspath(__file__))


def load_mock():
    spec = importlib.util.spec_from_file_location('mm_mock', os.path.join(HERE, 'modemmanager.py'))
    module = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(module)
    return module


def published_properties(interface):
    path = os.path.join(INTERFACES_DIR, interface + '.xml')
    root = ET.parse(path).getroot()
    for node in root.iter('interface'):
        if node.get('name') == interface:
            return {p.get('name'): p.get('type') for p in node.iter('property')}
    raise LookupError(f'{interface} not described in {path}')


class MockMatchesPublishedInterface(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        if not os.path.isdir(INTERFACES_DIR):
            raise unittest.SkipTest(f'{INTERFACES_DIR} missing (modemmanager-dev)')
        cls.mock = load_mock()

    def test_every_served_property_is_published_with_its_signature(self):
        for interface, properties in self.mock.PROPERTIES.items():
            published = published_properties(interface)
            for name, (signature, _) in properties.items():
                with self.subTest(interface=interface, property=name):
                    self.assertIn(name, published)
                    self.assertEqual(signature, published[name])

    def test_every_default_marshals_as_its_signature(self):
        for interface, properties in self.mock.PROPERTIES.items():
            for name, (signature, default) in properties.items():
                with self.subTest(interface=interface, property=name):
                    message = dbus.lowlevel.SignalMessage('/', 'a.b', 'c')
                    message.append(self.mock.typed(signature, default), signature=signature)
                    self.assertEqual(message.get_signature(), signature)

    def test_profile_keys_are_typed_like_the_daemon_dictionary(self):
        for profile in self.mock.DEFAULT_PROFILES:
            typed = self.mock.profile_dict(profile)
            self.assertEqual(typed.signature, 'sv')
            self.assertIsInstance(typed['allowed-auth'], dbus.UInt32)
            self.assertIsInstance(typed['profile-id'], dbus.Int32)

    def test_every_state_sets_only_served_properties(self):
        sections = {'modem': self.mock.MODEM_IFACE, '3gpp': self.mock.GPP_IFACE}
        for state, options in self.mock.STATES.items():
            for key, interface in sections.items():
                for name in options.get(key, {}):
                    with self.subTest(state=state, property=name):
                        self.assertIn(name, self.mock.PROPERTIES[interface])


if __name__ == '__main__':
    sys.exit(unittest.main())
