'''ModemManager mock template for python3-dbusmock

Written from ModemManager's published D-Bus interface description. Serves
the daemon's object manager (listing modems only, as the daemon does), and
modems with their SIM and bearers. Every served property is declared in
PROPERTIES with its D-Bus signature; a test checks the table against the
interface XML.

Load with: /usr/bin/python3 -m dbusmock --system --template <this file>
'''

import dbus
import dbus.lowlevel

from dbusmock import MOCK_IFACE, OBJECT_MANAGER_IFACE, mockobject

BUS_NAME = 'org.freedesktop.ModemManager1'
MAIN_OBJ = '/org/freedesktop/ModemManager1'
MAIN_IFACE = 'org.freedesktop.ModemManager1'
SYSTEM_BUS = True

MODEM_IFACE = 'org.freedesktop.ModemManager1.Modem'
GPP_IFACE = 'org.freedesktop.ModemManager1.Modem.Modem3gpp'
PROFILES_IFACE = 'org.freedesktop.ModemManager1.Modem.Modem3gpp.ProfileManager'
CDMA_IFACE = 'org.freedesktop.ModemManager1.Modem.ModemCdma'
VOICE_IFACE = 'org.freedesktop.ModemManager1.Modem.Voice'
SIM_IFACE = 'org.freedesktop.ModemManager1.Sim'
BEARER_IFACE = 'org.freedesktop.ModemManager1.Bearer'

MODEM_PATH = MAIN_OBJ + '/Modem/%u'
SIM_PATH = MAIN_OBJ + '/SIM/%u'
BEARER_PATH = MAIN_OBJ + '/Bearer/%u'

# interface -> property -> (signature, default). Defaults describe a
# registered LTE modem with a SIM, one connected bearer and a profile list.
PROPERTIES = {
    MAIN_IFACE: {
        'Version': ('s', '1.20.4'),
    },
    MODEM_IFACE: {
        'Sim': ('o', '/'),
        'SimSlots': ('ao', []),
        'PrimarySimSlot': ('u', 0),
        'Bearers': ('ao', []),
        'SupportedCapabilities': ('au', [4 | 8]),
        'CurrentCapabilities': ('u', 4 | 8),
        'MaxBearers': ('u', 4),
        'MaxActiveBearers': ('u', 1),
        'Manufacturer': ('s', 'Quectel'),
        'Model': ('s', 'EM12-G'),
        'Revision': ('s', 'EM12GPAR01A21M4G'),
        'HardwareRevision': ('s', '20000'),
        'DeviceIdentifier': ('s', '4a1c9e2f0d7b'),
        'Device': ('s', '/sys/devices/pci0000:00/0000:00:14.0/usb1/1-3'),
        'Drivers': ('as', ['qmi_wwan', 'option']),
        'Plugin': ('s', 'quectel'),
        'PrimaryPort': ('s', 'cdc-wdm0'),
        'Ports': ('a(su)', [('cdc-wdm0', 6), ('ttyUSB2', 3), ('wwan0', 2)]),
        'EquipmentIdentifier': ('s', '861234567890123'),
        'UnlockRequired': ('u', 1),
        'UnlockRetries': ('a{uu}', {2: 3, 4: 10}),
        'State': ('i', 8),
        'StateFailedReason': ('u', 0),
        'AccessTechnologies': ('u', 1 << 14),
        'SignalQuality': ('(ub)', (58, True)),
        'OwnNumbers': ('as', ['+15551230001']),
        'PowerState': ('u', 3),
        'SupportedModes': ('a(uu)', [(2 | 4 | 8, 8), (8, 0)]),
        'CurrentModes': ('(uu)', (2 | 4 | 8, 8)),
        'SupportedBands': ('au', [31, 32, 33]),
        'CurrentBands': ('au', [31, 32, 33]),
        'SupportedIpFamilies': ('u', 7),
    },
    GPP_IFACE: {
        'Imei': ('s', '861234567890123'),
        'RegistrationState': ('u', 1),
        'OperatorCode': ('s', '310260'),
        'OperatorName': ('s', 'Example Mobile'),
        'EnabledFacilityLocks': ('u', 0),
        'SubscriptionState': ('u', 2),
        'EpsUeModeOperation': ('u', 2),
        'Pco': ('a(ubay)', []),
        'InitialEpsBearer': ('o', '/'),
        'InitialEpsBearerSettings': ('a{sv}', {}),
        'PacketServiceState': ('u', 2),
    },
    PROFILES_IFACE: {
        'IndexField': ('s', 'profile-id'),
    },
    CDMA_IFACE: {
        'ActivationState': ('u', 2),
        'Meid': ('s', 'A1000012345678'),
        'Esn': ('s', '8B1234AB'),
        'Sid': ('u', 4139),
        'Nid': ('u', 1),
        'Cdma1xRegistrationState': ('u', 2),
        'EvdoRegistrationState': ('u', 2),
    },
    VOICE_IFACE: {
        'Calls': ('ao', []),
        'EmergencyOnly': ('b', False),
    },
    SIM_IFACE: {
        'Active': ('b', True),
        'SimIdentifier': ('s', '8901260123456789012'),
        'Imsi': ('s', '310260123456789'),
        'Eid': ('s', ''),
        'OperatorIdentifier': ('s', '310260'),
        'OperatorName': ('s', 'Example Mobile'),
        'EmergencyNumbers': ('as', ['911']),
        'PreferredNetworks': ('a(su)', [('310260', 1 << 14), ('310410', (1 << 5) | (1 << 14))]),
        'SimType': ('u', 1),
        'EsimStatus': ('u', 0),
        'Removability': ('u', 1),
    },
    BEARER_IFACE: {
        'Interface': ('s', 'wwan0'),
        'Connected': ('b', True),
        'Suspended': ('b', False),
        'Multiplexed': ('b', False),
        'Ip4Config': ('a{sv}', {}),
        'Ip6Config': ('a{sv}', {}),
        'IpTimeout': ('u', 20),
        'BearerType': ('u', 1),
        'ProfileId': ('i', 1),
        'Properties': ('a{sv}', {}),
    },
}

# Profiles and bearer settings: dictionaries of the daemon's typed keys.
PROFILE_KEYS = {
    'profile-id': 'i', 'profile-name': 's', 'apn': 's', 'user': 's', 'password': 's',
    'allowed-auth': 'u', 'apn-type': 'u', 'ip-type': 'u',
}
DEFAULT_PROFILES = [
    {'profile-id': 1, 'profile-name': 'internet', 'apn': 'fast.example.com', 'user': '',
     'password': '', 'allowed-auth': 1, 'apn-type': 2},
    {'profile-id': 3, 'profile-name': 'ims', 'apn': 'ims', 'user': 'ims-user',
     'password': 'secret', 'allowed-auth': 2 | 4, 'apn-type': 4},
]

WRONG_STATE = 'org.freedesktop.ModemManager1.Error.Core.WrongState'
MODEM_STATE_ENABLED = 6

# Modem states as the daemon shows them, as defaults under AddModem's options.
STATES = {
    # Enabled, registered at home, one bearer connected.
    'connected': {},
    # Switched off by its user: radio in low power, nothing registered,
    # bearers kept but down, and modes the daemon could not load.
    'disabled': {
        'modem': {'State': 3, 'PowerState': 2, 'AccessTechnologies': 0,
                  'SignalQuality': (0, False), 'SupportedModes': [(0xFFFFFFFF, 0)],
                  'CurrentModes': (0xFFFFFFFF, 0)},
        '3gpp': {'RegistrationState': 4, 'OperatorCode': '', 'OperatorName': '',
                 'PacketServiceState': 0},
        'bearer-connected': False,
    },
    # Enabled and registered, never asked to connect: no bearer at all.
    'idle': {'modem': {'State': 8}, 'bearers': 0},
}


def with_state(options):
    '''The options over the defaults of their `state`.'''
    preset = STATES[str(options.get('state', 'connected'))]
    merged = dict(preset)
    for key, value in options.items():
        if isinstance(value, dict) and isinstance(preset.get(key), dict):
            merged[key] = {**preset[key], **value}
        else:
            merged[key] = value
    return merged


def list_code(profiles, refusal, delay):
    '''ProfileManager.List as the daemon answers it: the caller's
    authorisation first, then the modem's state, then the profiles, after
    `delay` seconds (a modem slow to answer; the mock answers nothing else
    meanwhile).'''
    return (f'error = {refusal!r}\n'
            f'if not error and self.props[{MODEM_IFACE!r}]["State"] < {MODEM_STATE_ENABLED}:\n'
            f'    error = {WRONG_STATE!r}\n'
            'if error:\n'
            '    raise dbus.exceptions.DBusException("refused", name=error)\n'
            'import time\n'
            f'time.sleep({delay!r})\n'
            f'ret = {profiles!r}')


def typed(signature, value):
    '''The value as dbus-python types of exactly this signature.'''
    sig = dbus.Signature(signature)
    if signature == 's':
        return dbus.String(value)
    if signature == 'o':
        return dbus.ObjectPath(value)
    if signature == 'u':
        return dbus.UInt32(value)
    if signature == 'i':
        return dbus.Int32(value)
    if signature == 'b':
        return dbus.Boolean(value)
    if signature == 'y':
        return dbus.Byte(value)
    if signature == 'v':
        return value
    if signature.startswith('a{'):
        key_sig, value_sig = signature[2], signature[3:-1]
        return dbus.Dictionary({typed(key_sig, k): typed(value_sig, v) for k, v in value.items()},
                               signature=key_sig + value_sig)
    if signature.startswith('a'):
        return dbus.Array([typed(signature[1:], v) for v in value], signature=signature[1:])
    if signature.startswith('('):
        members = list(dbus.Signature(signature[1:-1]))
        return dbus.Struct([typed(m, v) for m, v in zip(members, value)], signature=signature[1:-1])
    raise ValueError(f'unsupported signature {sig}')


def profile_dict(profile):
    return dbus.Dictionary({k: typed(PROFILE_KEYS[k], v)
                            for k, v in profile.items()}, signature='sv')


def interface_properties(interface, overrides=None):
    overrides = overrides or {}
    return dbus.Dictionary({name: typed(sig, overrides.get(name, default))
                            for name, (sig, default) in PROPERTIES[interface].items()},
                           signature='sv')


def load(mock, parameters):
    mock.AddMethods(MAIN_IFACE, [
        ('ScanDevices', '', '', ''),
        ('SetLogging', 's', '', ''),
        ('ReportKernelEvent', 'a{sv}', '', ''),
        ('InhibitDevice', 'sb', '', ''),
    ])
    mock.AddProperties(MAIN_IFACE, interface_properties(MAIN_IFACE))
    # The daemon's object manager lists modems only, never SIMs or bearers.
    listing = ('ret = {dbus.ObjectPath(k): objects[k].props for k in objects.keys() '
               'if k.startswith("/org/freedesktop/ModemManager1/Modem/")}')
    if parameters.get('listing') == 'announce-then-hang':
        # A daemon that announces its first modem while a client waits for
        # the listing, and then never answers: one that crashes as it starts.
        listing = ('self.AddModem(dbus.UInt32(0), dbus.Dictionary({}, signature="sv"))\n'
                   'self.connection.flush()\n'
                   'import time\n'
                   'time.sleep(120)\n' + listing)
    mock.AddMethod(OBJECT_MANAGER_IFACE, 'GetManagedObjects', '', 'a{oa{sa{sv}}}', listing)
    mock.object_manager = mock


def _emit_added(self, path, interfaces):
    self.EmitSignal(OBJECT_MANAGER_IFACE, 'InterfacesAdded', 'oa{sa{sv}}',
                    [dbus.ObjectPath(path),
                     dbus.Dictionary({i: mockobject.objects[path].props[i] for i in interfaces},
                                     signature='sa{sv}')])


@dbus.service.method(MOCK_IFACE, in_signature='ua{sv}', out_signature='o')
def AddModem(self, index, options):
    '''Adds modem `index` with its SIM and bearers and announces it.

    options (all optional):
      state (s): connected (default), disabled or idle; see STATES. The
        other options override what the state sets.
      sim (b): the modem has a SIM (default true)
      voice, profiles, cdma, gpp (b): which interfaces it has
        (defaults: voice false, profiles true, cdma false, gpp true)
      bearers (u): how many bearers (default 1), the first connected unless
        bearer-connected is false
      preferred-networks (b): the SIM publishes its preferred networks
      modem, 3gpp, cdma-props, sim-props (a{sv}): property overrides
      list-error (s): the D-Bus error ProfileManager.List refuses every
        caller with (as polkit refuses a remote user); below the enabled
        state it refuses with WrongState anyway
      list-delay (d): seconds ProfileManager.List takes to answer
      extra-profile (a{sv}): one more profile that List answers with
    '''
    path = MODEM_PATH % index
    if path in mockobject.objects:
        raise dbus.exceptions.DBusException('modem exists', name=MOCK_IFACE + '.Exists')
    options = with_state(options)
    modem_overrides = dict(options.get('modem', {}))

    if options.get('sim', True):
        sim_path = SIM_PATH % index
        sim_props = interface_properties(SIM_IFACE, dict(options.get('sim-props', {})))
        if not options.get('preferred-networks', True):
            del sim_props['PreferredNetworks']
        self.AddObject(sim_path, SIM_IFACE, sim_props, [
            ('SendPin', 's', '', ''), ('SendPuk', 'ss', '', ''),
            ('EnablePin', 'sb', '', ''), ('ChangePin', 'ss', '', ''),
        ])
        modem_overrides.setdefault('Sim', sim_path)

    bearer_paths = []
    connected = options.get('bearer-connected', True)
    for n in range(int(options.get('bearers', 1))):
        bearer_path = BEARER_PATH % (index * 10 + n)
        settings = DEFAULT_PROFILES[n % len(DEFAULT_PROFILES)]
        props = interface_properties(BEARER_IFACE, {'Connected': connected and n == 0})
        props['Properties'] = profile_dict(
            {k: v for k, v in settings.items() if k not in ('profile-id',)})
        self.AddObject(bearer_path, BEARER_IFACE, props,
                       [('Connect', '', '', ''), ('Disconnect', '', '', '')])
        bearer_paths.append(bearer_path)
    modem_overrides.setdefault('Bearers', bearer_paths)

    self.AddObject(path, MODEM_IFACE, interface_properties(MODEM_IFACE, modem_overrides), [
        ('Enable', 'b', '', ''),
        ('ListBearers', '', 'ao', f'ret = {bearer_paths!r}'),
        ('CreateBearer', 'a{sv}', 'o', 'ret = "/"'),
        ('DeleteBearer', 'o', '', ''),
        ('Reset', '', '', ''),
        ('SetPowerState', 'u', '', ''),
    ])
    modem = mockobject.objects[path]
    interfaces = [MODEM_IFACE]
    if options.get('gpp', True):
        modem.AddProperties(GPP_IFACE, interface_properties(GPP_IFACE, dict(options.get('3gpp', {}))))
        modem.AddMethods(GPP_IFACE, [('Register', 's', '', ''), ('Scan', '', 'aa{sv}', 'ret = []')])
        interfaces.append(GPP_IFACE)
        if options.get('profiles', True):
            profiles = [profile_dict(p) for p in DEFAULT_PROFILES]
            if 'extra-profile' in options:
                profiles.append(profile_dict(options['extra-profile']))
            modem.AddProperties(PROFILES_IFACE, interface_properties(PROFILES_IFACE))
            modem.AddMethods(PROFILES_IFACE, [
                ('List', '', 'aa{sv}', list_code(profiles, str(options.get('list-error', '')),
                                          float(options.get('list-delay', 0)))),
                ('Set', 'a{sv}', 'a{sv}', 'ret = args[0]'),
                ('Delete', 'a{sv}', '', ''),
            ])
            interfaces.append(PROFILES_IFACE)
    if options.get('cdma', False):
        modem.AddProperties(CDMA_IFACE,
                            interface_properties(CDMA_IFACE, dict(options.get('cdma-props', {}))))
        interfaces.append(CDMA_IFACE)
    if options.get('voice', False):
        modem.AddProperties(VOICE_IFACE, interface_properties(VOICE_IFACE))
        interfaces.append(VOICE_IFACE)
    _emit_added(self, path, interfaces)
    return dbus.ObjectPath(path)


@dbus.service.method(MOCK_IFACE, in_signature='u', out_signature='')
def AddModem3gpp(self, index):
    '''Gives modem `index` its 3GPP interface, as when it finishes enabling.'''
    path = MODEM_PATH % index
    modem = mockobject.objects[path]
    modem.AddProperties(GPP_IFACE, interface_properties(GPP_IFACE))
    _emit_added(self, path, [GPP_IFACE])


@dbus.service.method(MOCK_IFACE, in_signature='u', out_signature='')
def RemoveModem(self, index):
    '''Announces modem `index` gone, then removes it with its SIM and bearers.'''
    path = MODEM_PATH % index
    modem = mockobject.objects[path]
    self.EmitSignal(OBJECT_MANAGER_IFACE, 'InterfacesRemoved', 'oas',
                    [dbus.ObjectPath(path), dbus.Array(list(modem.props.keys()), signature='s')])
    owned = [str(modem.props[MODEM_IFACE]['Sim'])] + [str(b) for b in
                                                      modem.props[MODEM_IFACE]['Bearers']]
    self.RemoveObject(path)
    for other in owned:
        if other in mockobject.objects:
            self.RemoveObject(other)


@dbus.service.method(MOCK_IFACE, in_signature='ussv', out_signature='')
def SetModemProperty(self, index, interface, name, value):
    '''Changes one property of modem `index` and announces the change.'''
    sig = PROPERTIES[interface][name][0]
    mockobject.objects[MODEM_PATH % index].UpdateProperties(
        interface, dbus.Dictionary({name: typed(sig, value)}, signature='sv'))


@dbus.service.method(MOCK_IFACE, in_signature='uu', out_signature='')
def StormRegistrationState(self, index, count):
    '''Announces `count` register-state changes of modem `index` at once,
    alternating between home and roaming (ending on roaming when even).'''
    modem = mockobject.objects[MODEM_PATH % index]
    for i in range(count):
        state = 5 if i % 2 == 0 else 1
        modem.UpdateProperties(GPP_IFACE, dbus.Dictionary(
            {'RegistrationState': typed('u', state)}, signature='sv'))
