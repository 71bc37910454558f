#!/usr/bin/python3
"""Runs a command against the real ModemManager daemon and simulated modems.

    run_with_modem.py [--pin-locked] [--enable] [--modems N] -- COMMAND [ARG...]

Starts, all on a private system bus of our own: dbus-daemon, a PolicyKit
stub that authorises everything, N simulated AT modems (default 1), each a
process of its own on its own pseudo-terminal (at_modem.py, modem K with the
identity facts_for(K)), and ModemManager without udev inside a private mount
namespace in which a fake /sys/class/tty makes each pseudo-terminal look like
the port of a USB modem of its own (a device each, on USB ports 1-2, 1-3, ...).
Then it reports the ports, waits (bounded) until the daemon has taken every
modem, enables them when asked, and runs COMMAND with:

    DBUS_SYSTEM_BUS_ADDRESS   the private bus
    PARAVUE_REAL_MM=1
    PARAVUE_AT_MODEMS         N
    PARAVUE_AT_MODEM_FACTS_P  for the modem at position P (0 to N-1) in the
                              daemon's order (ascending object path index,
                              mmcli -m P): a file of key=value lines, what the
                              modem says, its port (port=pts/N) and its
                              object path (path=...)
    PARAVUE_AT_MODEM_CONTROL_P  a FIFO; "creg N" makes the modem's network set
                              the registration to N (sent unsolicited as +CREG)
    PARAVUE_AT_MODEM_STATE_P  the modem's state file, which it re-reads for
                              every command (at_modem.py); empty at first
    PARAVUE_AT_MODEM_PID_P    the modem's process: killed, the modem is
                              unplugged (its port hangs up, and the driver
                              tells the daemon the port was removed, as udev
                              would; the daemon drops the modem)
    PARAVUE_AT_MODEM_FACTS, _CONTROL, _STATE, _PID   the same of position 0
    PARAVUE_REAL_MM_PIDS      the processes started (bus, PolicyKit, daemon)
    PARAVUE_REAL_MM_ROOT      the scratch directory, removed afterwards

Everything it started is stopped by PID afterwards, whatever COMMAND did,
also when this driver is stopped by a signal (and, should it be killed, its
children get SIGTERM from the kernel); COMMAND's exit status is returned. Where the daemon cannot run here
(no ModemManager, no dbus-daemon, no python3-dbusmock, unshare refused) the
command runs with PARAVUE_REAL_MM_UNAVAILABLE set to the reason instead, so
that its tests skip and say why. A modem that the daemon does not take in
time is a failure: the daemon's log is printed and the exit status is 2.
"""
import ctypes
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from at_modem import facts_for  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
AT_MODEM = os.path.join(HERE, 'at_modem.py')
BUS_CONFIG = os.path.join(HERE, '..', '..', 'dbusmock', 'system-bus.conf')
MM_NAME = 'org.freedesktop.ModemManager1'
POLKIT_NAME = 'org.freedesktop.PolicyKit1'
MODEM_TIMEOUT_S = 60
# Where modem K's fake USB device sits (its own port of the root hub), and
# its serial interface.
USB_DEVICE = 'devices/pci0000:00/0000:00:14.0/usb1/1-%d'
USB_INTERFACE = '%s/1-%d:1.0'


LIBC = ctypes.CDLL(None, use_errno=True)  # loaded before any fork


def die_with_parent():
    """In a child before exec: it gets SIGTERM when this driver dies, even
    by SIGKILL (a test runner's timeout), so nothing outlives the driver."""
    PR_SET_PDEATHSIG = 1
    LIBC.prctl(PR_SET_PDEATHSIG, signal.SIGTERM)


def log(text):
    sys.stderr.write('run_with_modem: %s\n' % text)
    sys.stderr.flush()


def unavailable():
    for program in ('ModemManager', 'mmcli', 'dbus-daemon', 'dbus-send', 'unshare', 'mount'):
        if not shutil.which(program):
            return '%s is not installed' % program
    try:
        import dbusmock  # noqa: F401
    except ImportError:
        return 'python3-dbusmock is not installed'
    probe = subprocess.run(['unshare', '--mount', '--propagation', 'private', 'true'],
                           stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    if probe.returncode != 0:
        return 'unshare --mount is refused here (needs root): ' + probe.stderr.strip()
    return None


def write(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, 'w') as f:
        f.write(text)


def link(path, target):
    """A sysfs link; its target exists, since the daemon resolves it."""
    os.makedirs(os.path.dirname(path), exist_ok=True)
    os.makedirs(target, exist_ok=True)
    os.symlink(target, path)


def fake_usb_modem(root, class_tty, modem):
    """Adds to a sysfs tree a USB device whose serial interface's tty is the
    modem's port (pts/N), and links the port from `class_tty`, the directory
    that stands for /sys/class/tty."""
    sys_root = os.path.join(root, 'sys')
    usb_port = 2 + modem.index
    device = os.path.join(sys_root, USB_DEVICE % usb_port)
    interface = os.path.join(sys_root, USB_INTERFACE % (USB_DEVICE % usb_port, usb_port))
    tty_name = 'ttyUSB%d' % modem.index
    write(os.path.join(device, 'idVendor'), '1209\n')
    write(os.path.join(device, 'idProduct'), '%04x\n' % (0xa0a0 + modem.index))
    write(os.path.join(device, 'bcdDevice'), '0100\n')
    write(os.path.join(device, 'manufacturer'), modem.facts['manufacturer'] + '\n')
    write(os.path.join(device, 'product'), modem.facts['model'] + '\n')
    link(os.path.join(device, 'subsystem'), os.path.join(sys_root, 'bus/usb'))
    for name, value in (('bInterfaceClass', 'ff'), ('bInterfaceSubClass', 'ff'),
                        ('bInterfaceProtocol', 'ff'), ('bInterfaceNumber', '00')):
        write(os.path.join(interface, name), value + '\n')
    link(os.path.join(interface, 'subsystem'), os.path.join(sys_root, 'bus/usb'))
    link(os.path.join(interface, 'driver'), os.path.join(sys_root, 'bus/usb/drivers/option1'))
    node = os.path.join(interface, tty_name, 'tty', tty_name)
    os.makedirs(node)
    link(os.path.join(interface, tty_name, 'subsystem'),
         os.path.join(sys_root, 'bus/usb-serial'))
    link(os.path.join(interface, tty_name, 'driver'),
         os.path.join(sys_root, 'bus/usb-serial/drivers/option1'))
    link(os.path.join(node, 'subsystem'), os.path.join(sys_root, 'class/tty'))
    link(os.path.join(node, 'device'), os.path.join(interface, tty_name))
    link(os.path.join(class_tty, modem.port), node)


class Modem:
    """One simulated modem: its process, files and where the daemon put it."""

    def __init__(self, root, index):
        self.index = index  # its identity (facts_for) and USB port
        self.facts = facts_for(index)
        self.directory = os.path.join(root, 'modem-%d' % index)
        os.makedirs(self.directory)
        self.state = os.path.join(self.directory, 'state')
        self.control = os.path.join(self.directory, 'control')
        self.facts_file = os.path.join(self.directory, 'facts')
        write(self.state, '')
        os.mkfifo(self.control)
        self.process = None
        self.port = None  # pts/N
        self.path = None  # the daemon's object path for it


class Fixture:
    def __init__(self, pin_locked, enable, modems):
        self.pin_locked = pin_locked
        self.enable = enable
        self.root = tempfile.mkdtemp(prefix='paravue-real-mm-')
        self.processes = []  # (name, Popen), stopped in reverse order
        self.modems = [Modem(self.root, index) for index in range(modems)]
        self.class_tty = os.path.join(self.root, 'class-tty')
        self.stopping = False
        self.env = dict(os.environ)
        self.mm_log = os.path.join(self.root, 'ModemManager.log')

    # -- processes -------------------------------------------------------------
    def spawn(self, name, argv, **kwargs):
        process = subprocess.Popen(argv, env=self.env, preexec_fn=die_with_parent, **kwargs)
        self.processes.append((name, process))
        return process

    def stop(self):
        self.stopping = True  # modems that end now are not unplugged
        for name, process in reversed(self.processes):
            if process.poll() is None:
                process.terminate()
                try:
                    process.wait(timeout=10)
                except subprocess.TimeoutExpired:
                    log('%s (pid %d) ignored SIGTERM; killing it' % (name, process.pid))
                    process.kill()
                    process.wait()
        self.processes = []
        shutil.rmtree(self.root, ignore_errors=True)

    def mmcli(self, *args, timeout=20):
        return subprocess.run(['mmcli'] + list(args), env=self.env, capture_output=True,
                              text=True, timeout=timeout)

    def name_owned(self, name):
        out = subprocess.run(
            ['dbus-send', '--system', '--print-reply', '--dest=org.freedesktop.DBus',
             '/org/freedesktop/DBus', 'org.freedesktop.DBus.NameHasOwner', 'string:' + name],
            env=self.env, capture_output=True, text=True, timeout=10)
        return 'boolean true' in out.stdout

    def wait_for(self, what, check, timeout):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if check():
                return
            for name, process in self.processes:
                if process.poll() is not None:
                    raise RuntimeError('%s exited (status %d) while waiting for %s'
                                       % (name, process.returncode, what))
            time.sleep(0.1)
        raise RuntimeError('timed out after %d s waiting for %s' % (timeout, what))

    def mmcli_keys(self, *args):
        """`mmcli ARGS -K` as key to value; empty when it fails."""
        keys = {}
        for line in self.mmcli(*(args + ('-K',))).stdout.splitlines():
            key, _, value = line.partition(' : ')
            keys[key.strip()] = value.strip()
        return keys

    def modems_in(self, state):
        """Whether the daemon lists every modem and each is in `state`; on
        the first time it holds, notes each modem's object path."""
        listed = self.mmcli_keys('-L')
        paths = [value for key, value in listed.items() if key.startswith('modem-list.value')]
        if len(paths) != len(self.modems):
            return False
        by_imei = {}
        for path in paths:
            modem = self.mmcli_keys('-m', path)
            if modem.get('modem.generic.state') != state:
                return False
            by_imei[modem.get('modem.generic.equipment-identifier')] = path
        for modem in self.modems:
            modem.path = by_imei.get(modem.facts['imei'])
            if not modem.path:
                raise RuntimeError('the daemon has no modem with the IMEI ' + modem.facts['imei'])
        return True

    # -- unplugging --------------------------------------------------------------
    def watch(self, modem):
        """When the modem's process ends while the command runs, its port
        goes: what udev would tell the daemon, this tells it (without udev
        the daemon only sees its port hang up, and keeps the modem)."""
        modem.process.wait()
        if self.stopping:
            return
        log('modem %d (pid %d) ended; removing its port %s'
            % (modem.index, modem.process.pid, modem.port))
        try:
            os.unlink(os.path.join(self.class_tty, modem.port))
        except OSError:
            pass
        removed = self.mmcli('--report-kernel-event=action=remove,subsystem=tty,name='
                             + modem.port)
        if removed.returncode != 0 and not self.stopping:
            log('the port removal was refused: ' + removed.stderr.strip())

    # -- start-up ----------------------------------------------------------------
    def start(self):
        bus = self.spawn('dbus-daemon',
                         ['dbus-daemon', '--config-file=' + BUS_CONFIG, '--nofork',
                          '--print-address=1'], stdout=subprocess.PIPE, text=True)
        self.env['DBUS_SYSTEM_BUS_ADDRESS'] = bus.stdout.readline().strip()
        bus.stdout.close()

        self.spawn('PolicyKit stub',
                   [sys.executable, '-m', 'dbusmock', '--system', '--template', 'polkitd'],
                   stdout=subprocess.DEVNULL)
        self.wait_for('the PolicyKit stub', lambda: self.name_owned(POLKIT_NAME), 20)
        subprocess.run(['dbus-send', '--system', '--print-reply', '--dest=' + POLKIT_NAME,
                        '/org/freedesktop/PolicyKit1/Authority',
                        'org.freedesktop.DBus.Mock.AllowUnknown', 'boolean:true'],
                       env=self.env, check=True, stdout=subprocess.DEVNULL, timeout=10)

        # PARAVUE_AT_MODEM_LOG=FILE: the AT dialogue, for adding answers
        # (modem K's in FILE.K, but for the first).
        log_path = os.environ.get('PARAVUE_AT_MODEM_LOG')
        for modem in self.modems:
            argv = [sys.executable, AT_MODEM, '--index', str(modem.index),
                    '--state', modem.state, '--control', modem.control]
            if self.pin_locked:
                argv.append('--pin-locked')
            if log_path:
                argv += ['--log', log_path + ('.%d' % modem.index if modem.index else '')]
            modem.process = self.spawn('modem %d' % modem.index, argv,
                                       stdout=subprocess.PIPE, text=True)
            modem.port = modem.process.stdout.readline().strip()[len('/dev/'):]
            modem.process.stdout.close()
            if not modem.port:
                raise RuntimeError('modem %d reported no port' % modem.index)
            fake_usb_modem(self.root, self.class_tty, modem)

        with open(self.mm_log, 'w') as mm_log:
            self.spawn('ModemManager',
                       ['unshare', '--mount', '--propagation', 'private', '--',
                        '/bin/sh', '-c',
                        'mount --bind "$0" /sys/class/tty && '
                        'exec ModemManager --test-no-udev --debug',
                        self.class_tty],
                       stdout=mm_log, stderr=subprocess.STDOUT)
        self.wait_for('ModemManager on the bus', lambda: self.name_owned(MM_NAME), 30)
        for modem in self.modems:
            report = self.mmcli('--report-kernel-event=action=add,subsystem=tty,name='
                                + modem.port)
            if report.returncode != 0:
                raise RuntimeError('the port report was refused: ' + report.stderr.strip())
        settled = 'locked' if self.pin_locked else 'disabled'
        what = 'the modem' if len(self.modems) == 1 else 'all %d modems' % len(self.modems)
        self.wait_for('%s (%s)' % (what, settled), lambda: self.modems_in(settled),
                      MODEM_TIMEOUT_S)
        if self.enable:
            # All at once, as a host brings up its modems.
            enabling = [subprocess.Popen(['mmcli', '-m', modem.path, '--enable'], env=self.env,
                                         stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                                         text=True) for modem in self.modems]
            for process in enabling:
                _, errors = process.communicate(timeout=60)
                if process.returncode != 0:
                    raise RuntimeError('mmcli --enable failed: ' + errors.strip())
            self.wait_for('registration', lambda: self.modems_in('registered'), MODEM_TIMEOUT_S)

        # Numbered as the daemon lists them: by the index its object path ends with.
        self.modems.sort(key=lambda modem: int(modem.path.rsplit('/', 1)[1]))
        self.env.update(PARAVUE_REAL_MM='1', PARAVUE_AT_MODEMS=str(len(self.modems)),
                        PARAVUE_REAL_MM_PIDS=' '.join(str(p.pid) for n, p in self.processes
                                                      if not n.startswith('modem ')),
                        PARAVUE_REAL_MM_ROOT=self.root)
        for position, modem in enumerate(self.modems):
            write(modem.facts_file, ''.join('%s=%s\n' % item for item in modem.facts.items()) +
                  'port=%s\npath=%s\n' % (modem.port, modem.path))
            files = {'FACTS': modem.facts_file, 'CONTROL': modem.control, 'STATE': modem.state,
                     'PID': str(modem.process.pid)}
            for name, value in files.items():
                self.env['PARAVUE_AT_MODEM_%s_%d' % (name, position)] = value
                if position == 0:
                    self.env['PARAVUE_AT_MODEM_' + name] = value
            threading.Thread(target=self.watch, args=(modem,), daemon=True).start()

    def print_daemon_log(self, lines=60):
        try:
            with open(self.mm_log) as f:
                tail = f.readlines()[-lines:]
        except OSError:
            return
        sys.stderr.write('--- last lines of the ModemManager log ---\n' + ''.join(tail))


def main(argv):
    options = {'--pin-locked': False, '--enable': False}
    modems = 1
    while argv and (argv[0] in options or argv[0] == '--modems'):
        option = argv.pop(0)
        if option == '--modems':
            modems = int(argv.pop(0)) if argv and argv[0].isdigit() else 0
            if not 1 <= modems <= 8:
                sys.stderr.write('run_with_modem: --modems takes a number from 1 to 8\n')
                return 64
        else:
            options[option] = True
    if not argv or argv[0] != '--' or len(argv) < 2:
        sys.stderr.write(__doc__)
        return 64
    command = argv[1:]
    # The daemon lives in sbin, which a user's PATH may lack.
    os.environ['PATH'] = os.environ.get('PATH', '/usr/bin:/bin') + ':/usr/sbin:/sbin'

    reason = unavailable()
    if reason:
        log('skipping the real daemon: ' + reason)
        env = dict(os.environ, PARAVUE_REAL_MM_UNAVAILABLE=reason)
        return subprocess.run(command, env=env).returncode

    fixture = Fixture(options['--pin-locked'], options['--enable'], modems)
    # A test run stopped from outside still takes everything down.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    signal.signal(signal.SIGINT, lambda *_: sys.exit(130))
    try:
        try:
            fixture.start()
        except (RuntimeError, subprocess.SubprocessError, OSError) as error:
            log(str(error))
            fixture.print_daemon_log()
            return 2
        status = subprocess.run(command, env=fixture.env, preexec_fn=die_with_parent).returncode
        if status != 0 and os.environ.get('PARAVUE_REAL_MM_LOG_ON_FAILURE', '1') == '1':
            fixture.print_daemon_log(30)
        return status
    finally:
        fixture.stop()


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
