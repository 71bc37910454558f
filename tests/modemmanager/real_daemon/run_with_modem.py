#!/usr/bin/python3
"""Runs a command against the real ModemManager daemon and a simulated modem.

    run_with_modem.py [--pin-locked] [--enable] -- COMMAND [ARG...]

Starts, all on a private system bus of our own: dbus-daemon, a PolicyKit
stub that authorises everything, the simulated AT modem on a pseudo-terminal,
and ModemManager without udev inside a private mount namespace in which a
fake /sys/class/tty makes the pseudo-terminal look like a USB modem's port.
Then it reports the port, waits (bounded) until the daemon has taken the
modem, enables it when asked, and runs COMMAND with:

    DBUS_SYSTEM_BUS_ADDRESS   the private bus
    PARAVUE_REAL_MM=1
    PARAVUE_AT_MODEM_FACTS    a file of key=value lines: what the modem says
    PARAVUE_AT_MODEM_CONTROL  a FIFO; "creg N" makes the network set the
                              registration to N (sent unsolicited as +CREG)
    PARAVUE_AT_MODEM_STATE    the modem's state file, which it re-reads for
                              every command (at_modem.py); empty at first
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
from at_modem import FACTS, SimulatedModem  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
BUS_CONFIG = os.path.join(HERE, '..', '..', 'dbusmock', 'system-bus.conf')
MM_NAME = 'org.freedesktop.ModemManager1'
POLKIT_NAME = 'org.freedesktop.PolicyKit1'
MODEM_TIMEOUT_S = 60
# Where the fake USB device sits, and the serial driver its interface is bound to.
USB_DEVICE = 'devices/pci0000:00/0000:00:14.0/usb1/1-2'
USB_INTERFACE = USB_DEVICE + '/1-2:1.0'


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


def fake_tty_class(root, port):
    """A sysfs tree in which `port` (pts/N) is the tty of a USB modem's
    serial interface; returns the directory that stands for /sys/class/tty."""
    sys_root = os.path.join(root, 'sys')
    device = os.path.join(sys_root, USB_DEVICE)
    interface = os.path.join(sys_root, USB_INTERFACE)
    write(os.path.join(device, 'idVendor'), '1209\n')
    write(os.path.join(device, 'idProduct'), 'a0a0\n')
    write(os.path.join(device, 'bcdDevice'), '0100\n')
    write(os.path.join(device, 'manufacturer'), FACTS['manufacturer'] + '\n')
    write(os.path.join(device, 'product'), FACTS['model'] + '\n')
    link(os.path.join(device, 'subsystem'), os.path.join(sys_root, 'bus/usb'))
    for name, value in (('bInterfaceClass', 'ff'), ('bInterfaceSubClass', 'ff'),
                        ('bInterfaceProtocol', 'ff'), ('bInterfaceNumber', '00')):
        write(os.path.join(interface, name), value + '\n')
    link(os.path.join(interface, 'subsystem'), os.path.join(sys_root, 'bus/usb'))
    link(os.path.join(interface, 'driver'), os.path.join(sys_root, 'bus/usb/drivers/option1'))
    node = os.path.join(interface, 'ttyUSB0', 'tty', 'ttyUSB0')
    os.makedirs(node)
    link(os.path.join(interface, 'ttyUSB0', 'subsystem'),
         os.path.join(sys_root, 'bus/usb-serial'))
    link(os.path.join(interface, 'ttyUSB0', 'driver'),
         os.path.join(sys_root, 'bus/usb-serial/drivers/option1'))
    link(os.path.join(node, 'subsystem'), os.path.join(sys_root, 'class/tty'))
    link(os.path.join(node, 'device'), os.path.join(interface, 'ttyUSB0'))
    class_tty = os.path.join(root, 'class-tty')
    link(os.path.join(class_tty, port), node)
    return class_tty


class Fixture:
    def __init__(self, pin_locked, enable):
        self.pin_locked = pin_locked
        self.enable = enable
        self.root = tempfile.mkdtemp(prefix='paravue-real-mm-')
        self.processes = []  # (name, Popen), stopped in reverse order
        self.modem = None
        self.modem_log = None
        self.env = dict(os.environ)
        self.mm_log = os.path.join(self.root, 'ModemManager.log')

    # -- processes -------------------------------------------------------------
    def spawn(self, name, argv, **kwargs):
        process = subprocess.Popen(argv, env=self.env, preexec_fn=die_with_parent, **kwargs)
        self.processes.append((name, process))
        return process

    def stop(self):
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
        if self.modem:
            self.modem.close()
        if self.modem_log:
            self.modem_log.close()
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

    def modem_state(self):
        result = self.mmcli('-m', '0', '-K')
        for line in result.stdout.splitlines():
            key, _, value = line.partition(':')
            if key.strip() == 'modem.generic.state':
                return value.strip()
        return None

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

        # PARAVUE_AT_MODEM_LOG=FILE: the AT dialogue, for adding answers.
        log_path = os.environ.get('PARAVUE_AT_MODEM_LOG')
        self.modem_log = open(log_path, 'w') if log_path else None
        state = os.path.join(self.root, 'modem-state')
        write(state, '')
        self.modem = SimulatedModem(pin_locked=self.pin_locked, log=self.modem_log,
                                    state_file=state)
        self.modem.start()
        port = self.modem.port[len('/dev/'):]
        class_tty = fake_tty_class(self.root, port)

        with open(self.mm_log, 'w') as mm_log:
            self.spawn('ModemManager',
                       ['unshare', '--mount', '--propagation', 'private', '--',
                        '/bin/sh', '-c',
                        'mount --bind "$0" /sys/class/tty && '
                        'exec ModemManager --test-no-udev --debug',
                        class_tty],
                       stdout=mm_log, stderr=subprocess.STDOUT)
        self.wait_for('ModemManager on the bus', lambda: self.name_owned(MM_NAME), 30)
        report = self.mmcli('--report-kernel-event=action=add,subsystem=tty,name=' + port)
        if report.returncode != 0:
            raise RuntimeError('the port report was refused: ' + report.stderr.strip())
        settled = 'locked' if self.pin_locked else 'disabled'
        self.wait_for('the modem (%s)' % settled,
                      lambda: self.modem_state() == settled, MODEM_TIMEOUT_S)
        if self.enable:
            enabled = self.mmcli('-m', '0', '--enable', timeout=60)
            if enabled.returncode != 0:
                raise RuntimeError('mmcli --enable failed: ' + enabled.stderr.strip())
            self.wait_for('registration', lambda: self.modem_state() == 'registered',
                          MODEM_TIMEOUT_S)

        facts = os.path.join(self.root, 'facts')
        write(facts, ''.join('%s=%s\n' % item for item in FACTS.items()) +
              'port=%s\n' % port)
        control = os.path.join(self.root, 'control')
        os.mkfifo(control)
        threading.Thread(target=self.serve_control, args=(control,), daemon=True).start()
        self.env.update(PARAVUE_REAL_MM='1', PARAVUE_AT_MODEM_FACTS=facts,
                        PARAVUE_AT_MODEM_CONTROL=control, PARAVUE_AT_MODEM_STATE=state,
                        PARAVUE_REAL_MM_PIDS=' '.join(str(p.pid) for _, p in self.processes),
                        PARAVUE_REAL_MM_ROOT=self.root)

    def serve_control(self, path):
        while True:
            try:
                with open(path) as fifo:
                    for line in fifo:
                        words = line.split()
                        if len(words) == 2 and words[0] == 'creg':
                            self.modem.set_registration(int(words[1]))
                        elif words:
                            log('unknown control line %r' % line)
            except OSError:
                return

    def print_daemon_log(self, lines=60):
        try:
            with open(self.mm_log) as f:
                tail = f.readlines()[-lines:]
        except OSError:
            return
        sys.stderr.write('--- last lines of the ModemManager log ---\n' + ''.join(tail))


def main(argv):
    options = {'--pin-locked': False, '--enable': False}
    while argv and argv[0] in options:
        options[argv.pop(0)] = True
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

    fixture = Fixture(options['--pin-locked'], options['--enable'])
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
