"""A GSM modem simulated on a pseudo-terminal: it answers AT commands line by
line, the way a simple USB modem's AT port does, so that the real
ModemManager daemon's generic plugin takes it for a modem.

Its facts (identity, SIM, signal, network, contexts) are the FACTS table
below; the end-to-end tests check the report against the same values. Of
several modems, modem K has the identity facts_for(K): modem 0 is FACTS, the
others differ in every identifier.

Run as a program it is one modem in a process of its own, so that a test can
unplug it by killing that process (see main()).

How it behaves can change while it runs: it re-reads its state file (key=value
lines) for every command it receives, so a test rewrites the file to drive it
into the states real modems meet:

    answering=no          it reads commands and answers none (a frozen modem)
    delay=COMMAND SECONDS it answers COMMAND (e.g. +COPS=?) that much later,
                          busy meanwhile; while it waits the file's name with
                          ".busy" appended exists
"""
import argparse
import os
import re
import sys
import threading
import time
import tty

# What the modem says about itself. Keep in step with the tests' expectations.
FACTS = {
    'manufacturer': 'Simulated Modems',
    'model': 'SM-100',
    'revision': 'SM100_01.02.03',
    'imei': '356938035643809',
    'imsi': '001010123456789',
    'iccid': '89014103211118510720',
    'own_number': '+15551230001',
    'operator_code': '00101',
    'operator_name': 'Example Net',
    'csq': 20,
    'lac': '1A2B',
    'cell': '0001C3D4',
    'apn': 'internet.example',
    'preferred_network': '00102',
    'pin': '1234',
}


def _with_check_digit(digits):
    """`digits` and the Luhn check digit that IMEIs and ICCIDs end with."""
    total = 0
    for i, digit in enumerate(reversed(digits)):
        value = int(digit) * (1 if i % 2 else 2)
        total += value - 9 if value > 9 else value
    return digits + str(-total % 10)


def facts_for(index):
    """The facts of modem `index` of several: the same network and SIM
    contents, its own maker, model, firmware, IMEI, IMSI, ICCID, number and
    signal."""
    facts = dict(FACTS)
    if index == 0:
        return facts
    facts.update(
        manufacturer=('Simulated Radios', 'Simulated Modems', 'Bench Radios')[(index - 1) % 3],
        model='SM-%d00' % (index + 1),
        revision='SM%d00_01.02.03' % (index + 1),
        imei=_with_check_digit('35693803564%03d' % index),
        imsi='00101098765%04d' % index,
        iccid=_with_check_digit('89014103211118%05d' % index),
        own_number='+1555123%04d' % (index + 1),
        csq=max(20 - 4 * index, 1),
    )
    return facts


def _swap_nibbles(digits):
    """The ICCID as the SIM file holds it: BCD, each digit pair swapped."""
    padded = digits + 'F' * (len(digits) % 2)
    return ''.join(padded[i + 1] + padded[i] for i in range(0, len(padded), 2))


class SimulatedModem:
    """One AT port. `pin_locked`: the SIM asks for its facts' pin first.
    `state_file`: see the module's description; absent means the defaults.
    `facts`: what it says about itself (default FACTS)."""

    def __init__(self, pin_locked=False, log=None, state_file=None, facts=None):
        self.facts = dict(facts or FACTS)
        self.pin_locked = pin_locked
        self.log = log
        self.state_file = state_file
        self.cfun = 4  # radio off until the host enables the modem
        self.creg_stat = 1  # what the network grants once the radio is on: home
        # Unsolicited reporting level the host asked for, per registration domain.
        self.report_modes = {'+CREG': 0, '+CGREG': 0, '+CEREG': 0}
        self.cops_format = 0
        self.lock = threading.Lock()
        self.master, self.slave = os.openpty()
        tty.setraw(self.slave)
        self.port = os.ttyname(self.slave)  # /dev/pts/N
        self.thread = threading.Thread(target=self._serve, daemon=True)

    def start(self):
        self.thread.start()

    def close(self):
        for fd in (self.master, self.slave):
            try:
                os.close(fd)
            except OSError:
                pass

    # -- what the test drives --------------------------------------------------
    def set_registration(self, stat):
        """The network changes the registration; reported unsolicited when
        the host asked for it (AT+CREG=1 or 2)."""
        with self.lock:
            self.creg_stat = stat
            if self.cfun != 1:
                return
            for name, mode in self.report_modes.items():
                if mode:
                    self._write('\r\n' + self._creg_line(name, unsolicited=True) + '\r\n')

    def _state(self):
        state = {}
        try:
            with open(self.state_file or '') as f:
                for line in f:
                    key, sep, value = line.strip().partition('=')
                    if sep:
                        state[key] = value
        except OSError:
            pass
        return state

    def _delay(self, state, line):
        """Seconds to wait before answering `line` (AT and the command)."""
        command, _, seconds = state.get('delay', '').rpartition(' ')
        if command and line.upper() == 'AT' + command.upper():
            return float(seconds)
        return 0

    # -- the AT port -------------------------------------------------------------
    def _write(self, text):
        if self.log:
            self.log.write('>> %r\n' % text)
            self.log.flush()
        try:
            os.write(self.master, text.encode())
        except OSError:
            pass

    def _serve(self):
        pending = b''
        while True:
            try:
                chunk = os.read(self.master, 4096)
            except OSError:
                return
            if not chunk:
                return
            pending += chunk
            while b'\r' in pending:
                line, pending = pending.split(b'\r', 1)
                line = line.strip(b'\n').decode(errors='replace').strip()
                if not line:
                    continue
                if self.log:
                    self.log.write('<< %r\n' % line)
                    self.log.flush()
                state = self._state()
                if state.get('answering', 'yes') == 'no':
                    continue
                delay = self._delay(state, line)
                if delay:
                    busy = self.state_file + '.busy'
                    open(busy, 'w').close()
                    time.sleep(delay)
                    os.unlink(busy)
                with self.lock:
                    self._write(self._answer(line))

    def _registered(self):
        return self.creg_stat if self.cfun == 1 else 0

    def _creg_line(self, name, unsolicited=False):
        stat = self._registered()
        mode = self.report_modes[name]
        location = stat in (1, 5) and mode == 2
        fields = [str(stat)] if unsolicited else [str(mode), str(stat)]
        if location:
            fields += ['"%s"' % self.facts['lac'], '"%s"' % self.facts['cell']]
            if name != '+CREG':
                fields.append('7')
        return '%s: %s' % (name, ','.join(fields))

    def _answer(self, line):
        upper = line.upper()
        if not upper.startswith('AT'):
            return '\r\nERROR\r\n'
        body = line[2:]
        # AT+A;+B: each part answered in turn, one final result.
        parts = [p for p in re.split(r';(?=[+^$%&]|[A-Z])', body) if p != ''] or ['']
        out = []
        for part in parts:
            answer = self._command(part.strip())
            if answer is None:
                return '\r\nERROR\r\n'
            if isinstance(answer, str) and answer.startswith('+CME ERROR'):
                return '\r\n%s\r\n' % answer
            out.extend(answer)
        return ''.join('\r\n%s\r\n' % text for text in out) + '\r\nOK\r\n'

    def _command(self, cmd):
        """Lines of the answer before OK; None for ERROR; a '+CME ERROR' text."""
        c = cmd.upper()
        # Reset and the serial port's settings (echo, verbose results, errors).
        if c in ('', 'Z', '&F') or re.fullmatch(r'\+CMEE=[012]', c):
            return []
        if re.fullmatch(r'(E0|V1|Q0|&C1|X4|\s)+', c):
            return []
        if c == 'I':
            return ['%s %s' % (self.facts['manufacturer'], self.facts['model'])]
        if c == '+GCAP':
            return ['+GCAP: +CGSM']
        if c in ('+CGMI', '+GMI'):
            return [self.facts['manufacturer']]
        if c in ('+CGMM', '+GMM'):
            return [self.facts['model']]
        if c in ('+CGMR', '+GMR'):
            return [self.facts['revision']]
        if c in ('+CGSN', '+GSN'):
            return [self.facts['imei']]
        if c == '+CPIN?':
            return ['+CPIN: SIM PIN' if self.pin_locked else '+CPIN: READY']
        m = re.fullmatch(r'\+CPIN="?(\d+)"?', c)
        if m:
            if not self.pin_locked:
                return []
            if m.group(1) != self.facts['pin']:
                return '+CME ERROR: 16'
            self.pin_locked = False
            return []
        if self.pin_locked and c.startswith(('+CIMI', '+CCID', '+CRSM', '+CNUM', '+COPS', '+CGDCONT?')):
            return '+CME ERROR: 11'
        if c == '+CIMI':
            return [self.facts['imsi']]
        if c in ('+CCID', '+ICCID'):
            return ['+CCID: %s' % self.facts['iccid']]
        m = re.fullmatch(r'\+CRSM=176,12258,0,0,10', c)
        if m:
            return ['+CRSM: 144,0,"%s"' % _swap_nibbles(self.facts['iccid'])]
        if c == '+CRSM=176,28589,0,0,4':  # EF_AD: two-digit MNC
            return ['+CRSM: 144,0,"00000002"']
        if c == '+CRSM=176,28486,0,0,17':  # EF_SPN: the home provider's name
            name = self.facts['operator_name'].encode().hex().upper()
            return ['+CRSM: 144,0,"00%s"' % name.ljust(32, 'F')]
        if c in ('+CPLS=0', '+CPOL=,2'):
            return []
        if c == '+CPOL?':  # GSM, GSM compact, UTRAN, E-UTRAN
            return ['+CPOL: 1,2,"%s",1,0,1,1' % self.facts['preferred_network']]
        if c == '+CNUM':
            return ['+CNUM: "","%s",145' % self.facts['own_number']]
        if c == '+CFUN?':
            return ['+CFUN: %d' % self.cfun]
        m = re.fullmatch(r'\+CFUN=(\d)(,\d)?', c)
        if m:
            self.cfun = 1 if m.group(1) == '1' else 4
            return []
        if c == '+CFUN=?':
            return ['+CFUN: (0,1,4),(0-1)']
        for name in ('+CREG', '+CGREG', '+CEREG'):
            if c == name + '?':
                return [self._creg_line(name)]
            if c == name + '=?':
                return ['%s: (0-2)' % name]
            m = re.fullmatch(re.escape(name) + r'=(\d)', c)
            if m:
                self.report_modes[name] = int(m.group(1))
                return []
        if c == '+COPS?':
            if self._registered() not in (1, 5):
                return ['+COPS: 0']
            value = self.facts['operator_code'] if self.cops_format == 2 else self.facts['operator_name']
            return ['+COPS: 0,%d,"%s",7' % (self.cops_format, value)]
        m = re.fullmatch(r'\+COPS=3,(\d)', c)
        if m:
            self.cops_format = int(m.group(1))
            return []
        if c in ('+COPS=0', '+COPS=0,,'):
            return []
        if c == '+COPS=?':  # the network scan finds the home network only
            return ['+COPS: (2,"%s","%s","%s",7),,(0,1,2,3,4),(0,1,2)'
                    % (self.facts['operator_name'], self.facts['operator_name'], self.facts['operator_code'])]
        if c == '+CSQ':
            return ['+CSQ: %d,99' % (self.facts['csq'] if self.cfun == 1 else 99)]
        if c == '+CGDCONT?':
            return ['+CGDCONT: 1,"IP","%s","0.0.0.0",0,0' % self.facts['apn']]
        if c == '+CGDCONT=?':
            return ['+CGDCONT: (1-10),"IP",,,(0-2),(0-4)',
                    '+CGDCONT: (1-10),"IPV6",,,(0-2),(0-4)',
                    '+CGDCONT: (1-10),"IPV4V6",,,(0-2),(0-4)']
        # GSM, UTRAN, E-UTRAN and their combinations: an LTE modem.
        if c == '+WS46=?':
            return ['+WS46: (12,22,25,28,29,30,31)']
        if c == '+WS46?':
            return ['+WS46: 25']
        if c.startswith('+WS46='):
            return []
        if c == '+CGACT?':
            return ['+CGACT: 1,0']
        if c == '+CGATT?':
            return ['+CGATT: %d' % (1 if self._registered() in (1, 5) else 0)]
        if c == '+CLCK="SC",2':
            return ['+CLCK: %d' % (1 if self.facts['pin'] else 0)]
        if c == '+CSCS?':
            return ['+CSCS: "IRA"']
        if c == '+CSCS=?':
            return ['+CSCS: ("IRA","GSM","UCS2")']
        if c.startswith('+CSCS='):
            return []
        return None


def main(argv):
    """One modem as a process: prints its port (/dev/pts/N) on a line of its
    own, then answers until it is stopped. Lines written to the control FIFO
    drive its network: "creg N" sets the registration to N (sent unsolicited
    as +CREG when the host asked for that). Killed, its pseudo-terminal
    closes as an unplugged modem's port does."""
    parser = argparse.ArgumentParser(description=main.__doc__)
    parser.add_argument('--index', type=int, default=0, help='whose facts: facts_for(INDEX)')
    parser.add_argument('--state', help="the modem's state file")
    parser.add_argument('--control', help='a FIFO for control lines')
    parser.add_argument('--log', help='the AT dialogue, for adding answers')
    parser.add_argument('--pin-locked', action='store_true')
    options = parser.parse_args(argv)
    log = open(options.log, 'w') if options.log else None
    modem = SimulatedModem(pin_locked=options.pin_locked, log=log, state_file=options.state,
                           facts=facts_for(options.index))
    modem.start()
    sys.stdout.write(modem.port + '\n')
    sys.stdout.close()
    if not options.control:
        modem.thread.join()
        return 0
    while True:
        with open(options.control) as fifo:
            for line in fifo:
                words = line.split()
                if len(words) == 2 and words[0] == 'creg' and words[1].isdigit():
                    modem.set_registration(int(words[1]))
                elif words:
                    sys.stderr.write('at_modem: unknown control line %r\n' % line)


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
